#include "core/precheck.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "platform/strutil.h"
#include "xml/elementscan.h"
#include "xml/nvexception.h"

namespace valorix {
namespace {

// Bytes of one chunk up to its first NUL; true when there is one.
bool AppendBytes(std::string& text, const char* data, size_t n) {
    const void* nul = std::memchr(data, 0, n);
    text.append(data, nul ? static_cast<size_t>(static_cast<const char*>(nul) - data) : n);
    return nul != nullptr;
}

// UTF-16LE characters of one chunk, converted up to the first NUL character;
// true when there is one.
bool AppendUtf16(std::string& text, const char* data, size_t n) {
    std::u16string wide;
    wide.reserve(n / 2);
    bool nul = false;
    for (size_t i = 0; i + 1 < n && !nul; i += 2) {
        const auto c = static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                             (static_cast<unsigned char>(data[i + 1]) << 8));
        if (c == 0) nul = true;
        else wide += c;
    }
    text += Utf16ToCp1252(wide.data(), wide.size());
    return nul;
}

size_t ReadSome(std::istream& in, char* buf, size_t n) {
    in.read(buf, static_cast<std::streamsize>(n));
    return static_cast<size_t>(in.gcount());
}

// Line and column (1-based) of the position just past `text`, as the parser
// counts them: CR LF, CR and LF end a line; in UTF-8 a column is a character.
void EndPosition(const std::string& text, bool utf8, int& line, int& column) {
    line = 1;
    column = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++line;
            column = 1;
        } else if (c != '\r' && !(utf8 && (c & 0xC0) == 0x80)) {
            ++column;
        }
    }
}

}  // namespace

std::string ReadDocumentText(std::istream& in, bool* twoByte, bool* nul, unsigned long long maxBytes) {
    std::string text;
    *twoByte = false;
    bool sawNul = false;
    // At most the bytes the file held when the read began, and room for them
    // at once, when its size can be told.
    unsigned long long left = ~0ULL;
    const std::streampos start = in.tellg();
    if (start != std::streampos(-1) && in.seekg(0, std::ios::end)) {
        const std::streampos end = in.tellg();
        if (end != std::streampos(-1) && end >= start) {
            left = static_cast<unsigned long long>(end - start);
            if (left > maxBytes)
                throw CNvException(Format(msg::kFileTooLarge.c_str(), (left + (1ULL << 20) - 1) >> 20, maxBytes >> 20));
            text.reserve(static_cast<size_t>(left));
        }
        in.seekg(start);
    }
    in.clear();
    auto read = [&](char* buf, size_t size) {
        const size_t n = ReadSome(in, buf, static_cast<size_t>(std::min<unsigned long long>(size, left)));
        left -= n;
        return n;
    };
    char first[50];
    size_t n = read(first, sizeof first);
    if (n >= 3 && static_cast<unsigned char>(first[0]) == 0xFF && static_cast<unsigned char>(first[1]) == 0xFE) {
        *twoByte = true;
        sawNul = AppendUtf16(text, first + 2, n - 2);
    } else if (n > 0) {
        sawNul = AppendBytes(text, first, n);
    }
    if (n > 0 && !sawNul) {
        std::string chunk(10000, '\0');
        while (!sawNul && (n = read(chunk.data(), chunk.size())) > 0)
            sawNul = *twoByte ? AppendUtf16(text, chunk.data(), n) : AppendBytes(text, chunk.data(), n);
    }
    if (nul) *nul = sawNul;
    return text;
}

std::string DeclaredEncoding(const std::string& text, int declPosition) {
    std::string encoding = "UTF-8";
    if (declPosition == 1) return encoding;
    const size_t decl = text.find("<?xml ");
    const size_t end = text.find("?>", decl);
    if (decl == std::string::npos || end == std::string::npos) return encoding;
    const std::string head = text.substr(0, end);
    const size_t eq = head.find("encoding=");
    if (eq == std::string::npos) return encoding;
    std::string rest = Trim(head.substr(eq + 9));
    // XML quotes the value with either quote character.
    if (!rest.empty() && (rest[0] == '"' || rest[0] == '\'')) {
        const char q = rest[0];
        rest.erase(0, 1);
        const size_t quote = rest.find(q);
        if (!rest.empty() && quote != std::string::npos) encoding = Trim(rest.substr(0, quote));
        return encoding;
    }
    return rest;
}

std::string RootStartTagDocument(const std::string& text) {
    size_t at = 0;
    for (;;) {
        at = text.find('<', at);
        if (at == std::string::npos || at + 1 >= text.size()) return {};
        const char next = text[at + 1];
        if (next == '?') {  // the declaration or a processing instruction
            at = text.find("?>", at + 2);
            if (at == std::string::npos) return {};
            at += 2;
        } else if (text.compare(at, 4, "<!--") == 0) {
            at = text.find("-->", at + 4);
            if (at == std::string::npos) return {};
            at += 3;
        } else if (next == '!' || next == '/') {
            return {};  // a document type declaration, or no start tag first
        } else {
            break;
        }
    }
    const size_t nameStart = at + 1;
    size_t i = nameStart;
    while (i < text.size() && !IsSpace(text[i]) && text[i] != '>' && text[i] != '/') ++i;
    const std::string name = text.substr(nameStart, i - nameStart);
    if (name.empty()) return {};
    bool empty = false;
    const long end = TagEnd(text, at, empty);
    if (end < 0) return {};
    return text.substr(0, static_cast<size_t>(end)) + (empty ? "" : "</" + name + ">");
}

std::string EncodingMessage(const std::string& encoding) {
    const std::string upper = ToUpperAscii(encoding);
    if (upper == "UTF-8" || StartsWith(upper, "ISO-8859")) return {};
    if (encoding.empty()) return msg::kEncodingMissing;
    return Format(msg::kEncodingNotAllowed.c_str(), encoding.c_str());
}

PrecheckResult RunPrechecks(std::istream& in, const std::string& path, std::vector<std::string>& messages,
                            unsigned long long maxBytes) {
    PrecheckResult r;
    r.text = ReadDocumentText(in, &r.twoByte, &r.nul, maxBytes);
    if (r.twoByte) messages.push_back(Format(msg::kTwoByte.c_str(), path.c_str()));
    const size_t decl = r.text.find("<?xml ");
    if (decl == std::string::npos) {
        r.declPosition = 1;
        messages.push_back(Format(msg::kNoDeclaration.c_str(), path.c_str()));
    } else if (decl == 0) {
        r.declPosition = -1;
    } else {
        r.declPosition = 0;
        messages.push_back(msg::kCharsBeforeDeclaration);
        size_t lead = 0;
        while (lead < r.text.size() && IsSpace(r.text[lead])) ++lead;
        r.text.erase(0, lead);
    }
    r.declaredEncoding = DeclaredEncoding(r.text, r.declPosition);
    if (r.nul) {
        const std::string& e = r.declaredEncoding;
        EndPosition(r.text, EqualsNoCase(e, "UTF-8") || EqualsNoCase(e, "UTF8"), r.nulLine, r.nulColumn);
    }
    size_t len = r.text.size();
    while (len > 0 && IsSpace(r.text[len - 1])) --len;
    r.text.resize(len);
    return r;
}

}  // namespace valorix
