#include "core/precheck.h"

#include <cstring>

#include "core/messages.h"
#include "platform/strutil.h"

namespace valorix {
namespace {

// Bytes of one chunk up to its first NUL.
void AppendBytes(std::string& text, const char* data, size_t n) {
    const void* nul = std::memchr(data, 0, n);
    text.append(data, nul ? static_cast<size_t>(static_cast<const char*>(nul) - data) : n);
}

// UTF-16LE characters of one chunk, converted; a NUL character ends the chunk's text.
void AppendUtf16(std::string& text, const char* data, size_t n) {
    std::u16string wide;
    wide.reserve(n / 2);
    for (size_t i = 0; i + 1 < n; i += 2)
        wide += static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                      (static_cast<unsigned char>(data[i + 1]) << 8));
    text += Utf16ToCp1252(wide.data(), wide.size());
}

size_t ReadSome(std::istream& in, char* buf, size_t n) {
    in.read(buf, static_cast<std::streamsize>(n));
    return static_cast<size_t>(in.gcount());
}

}  // namespace

std::string ReadDocumentText(std::istream& in, bool* twoByte) {
    std::string text;
    *twoByte = false;
    // Room for the whole file at once, when its size can be told.
    const std::streampos start = in.tellg();
    if (start != std::streampos(-1) && in.seekg(0, std::ios::end)) {
        const std::streampos end = in.tellg();
        if (end != std::streampos(-1) && end > start) text.reserve(static_cast<size_t>(end - start));
        in.seekg(start);
    }
    in.clear();
    char first[50];
    size_t n = ReadSome(in, first, sizeof first);
    if (n >= 3 && static_cast<unsigned char>(first[0]) == 0xFF && static_cast<unsigned char>(first[1]) == 0xFE) {
        *twoByte = true;
        AppendUtf16(text, first + 2, n - 2);
    } else if (n > 0) {
        AppendBytes(text, first, n);
    }
    if (n == 0) return text;
    std::string chunk(10000, '\0');
    while ((n = ReadSome(in, chunk.data(), chunk.size())) > 0) {
        if (*twoByte) AppendUtf16(text, chunk.data(), n);
        else AppendBytes(text, chunk.data(), n);
    }
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

bool NeedsExtraEncodings(const std::string& encoding) {
    const size_t pos = encoding.find("8859");
    if (pos == std::string::npos || pos < 1) return false;
    size_t i = pos + 4;
    if (i < encoding.size() && encoding[i] == '-') ++i;
    long part = 0;
    while (i < encoding.size() && encoding[i] >= '0' && encoding[i] <= '9' && part < 100000)
        part = part * 10 + (encoding[i++] - '0');
    return part != 1;
}

std::string EncodingMessage(const std::string& encoding) {
    const std::string upper = ToUpperAscii(encoding);
    if (upper == "UTF-8" || StartsWith(upper, "ISO-8859")) return {};
    if (encoding.empty()) return msg::kEncodingMissing;
    return Format(msg::kEncodingNotAllowed.c_str(), encoding.c_str());
}

PrecheckResult RunPrechecks(std::istream& in, const std::string& path, std::vector<std::string>& messages) {
    PrecheckResult r;
    r.text = ReadDocumentText(in, &r.twoByte);
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
    size_t len = r.text.size();
    while (len > 0 && IsSpace(r.text[len - 1])) --len;
    r.text.resize(len);
    r.declaredEncoding = DeclaredEncoding(r.text, r.declPosition);
    r.extraEncodings = NeedsExtraEncodings(r.declaredEncoding);
    return r;
}

}  // namespace valorix
