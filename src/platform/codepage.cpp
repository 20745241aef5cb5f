#include "platform/codepage.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

#include "platform/strutil.h"

namespace valorix {
namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252; the five unassigned
// bytes map to the C1 control of the same value, as the Windows conversion does.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

#ifdef _WIN32

// Another single-byte ANSI code page than 1252: its tables, read once from
// the system. A byte the code page leaves unassigned stands for the code
// point of its own value, as with 1252.
struct SystemTables {
    unsigned codePage = 1252;
    char16_t toUnicode[256] = {};
    std::vector<unsigned char> fromUnicode;  // by BMP code point; 0: none
};

unsigned QuerySystemCodePage() {
    // The process itself may run with UTF-8 as its code page (for file
    // names); the engine's text is in the system's ANSI code page, and only a
    // single-byte one can be that: anything else is taken as 1252.
    DWORD cp = 0;
    if (GetLocaleInfoEx(LOCALE_NAME_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&cp), sizeof cp / sizeof(wchar_t)) == 0)
        cp = GetACP();
    CPINFO info{};
    if (cp == 0 || cp == CP_UTF8 || !GetCPInfo(cp, &info) || info.MaxCharSize != 1) cp = 1252;
    return cp;
}

const SystemTables* Tables() {
    static const SystemTables* tables = []() -> const SystemTables* {
        const unsigned cp = QuerySystemCodePage();
        if (cp == 1252) return nullptr;  // the built-in table, as everywhere
        auto* t = new SystemTables;
        t->codePage = cp;
        t->fromUnicode.assign(0x10000, 0);
        for (int b = 255; b >= 1; --b) {
            const char byte = static_cast<char>(b);
            wchar_t wide = 0;
            if (MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) != 1) wide = static_cast<wchar_t>(b);
            t->toUnicode[b] = static_cast<char16_t>(wide);
            t->fromUnicode[static_cast<char16_t>(wide)] = static_cast<unsigned char>(b);
        }
        return t;
    }();
    return tables;
}

#endif

char16_t ByteToUnicode(unsigned char b) {
#ifdef _WIN32
    if (const SystemTables* t = Tables()) return t->toUnicode[b];
#endif
    if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
    return b;
}

char UnicodeToByte(char32_t c) {
#ifdef _WIN32
    if (const SystemTables* t = Tables()) {
        const unsigned char b = c < 0x10000 ? t->fromUnicode[c] : 0;
        return c < 0x80 && b == 0 ? static_cast<char>(c) : b ? static_cast<char>(b) : '?';
    }
#endif
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

unsigned AnsiCodePage() {
#ifdef _WIN32
    if (const SystemTables* t = Tables()) return t->codePage;
#endif
    return 1252;
}

std::string Utf16ToCp1252(const char16_t* s, size_t len) {
    std::string out(len, '\0');
    size_t n = 0;
    for (size_t i = 0; i < len; ++i) {
        const char16_t c = s[i];
        if (c < 0x80 && c != 0) {
            out[n++] = static_cast<char>(c);
            continue;
        }
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < len && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            ++i;  // a character outside the BMP: never in the code page
            out[n++] = '?';
            continue;
        }
        out[n++] = UnicodeToByte(c);
    }
    out.resize(n);
    return out;
}

std::string Utf16ToCp1252(const char16_t* s) {
    if (!s) return {};
    size_t n = 0;
    while (s[n]) ++n;
    return Utf16ToCp1252(s, n);
}

std::u16string Cp1252ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char c : s) out += ByteToUnicode(static_cast<unsigned char>(c));
    return out;
}

namespace {
// The character of the UTF-8 sequence at `i`, advancing `i` past it; a
// malformed sequence gives U+FFFD and advances one byte.
char32_t NextUtf8(std::string_view s, size_t& i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t c;
    if (b < 0x80) { ++i; return b; }
    if ((b & 0xE0) == 0xC0) { extra = 1; c = b & 0x1F; }
    else if ((b & 0xF0) == 0xE0) { extra = 2; c = b & 0x0F; }
    else if ((b & 0xF8) == 0xF0) { extra = 3; c = b & 0x07; }
    else { ++i; return 0xFFFD; }
    for (int k = 1; k <= extra; ++k) {
        if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) { ++i; return 0xFFFD; }
        c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    i += extra + 1;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
}  // namespace

std::string Cp1252ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (char ch : s) AppendUtf8(out, ByteToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const char32_t c = NextUtf8(s, i);
        out += c == 0xFFFD ? '?' : UnicodeToByte(c);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const char32_t c = NextUtf8(s, i);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf16ToUtf8(const char16_t* s) {
    std::string out;
    if (!s) return out;
    for (size_t i = 0; s[i]; ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t n;
        if (b < 0x80) n = 0;
        else if (b >= 0xC2 && b <= 0xDF) n = 1;
        else if ((b & 0xF0) == 0xE0) n = 2;
        else if (b >= 0xF0 && b <= 0xF4) n = 3;
        else return false;
        if (s.size() - i - 1 < n) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

std::string AsUtf8(std::string_view s) { return IsValidUtf8(s) ? std::string(s) : Cp1252ToUtf8(s); }

std::string VisibleControls(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += Format("\\x%02X", c);
        } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            out += Format("\\u%04X", static_cast<unsigned char>(utf8[++i]));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace valorix
