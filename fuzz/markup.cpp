#include "markup.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <unordered_set>
#include <vector>

namespace valorix::fuzz {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool IsXmlChar(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

/// `lower` is lower case.
bool StartsWithNoCase(std::string_view s, size_t at, std::string_view lower) {
    if (at > s.size() || s.size() - at < lower.size()) return false;
    for (size_t i = 0; i < lower.size(); ++i)
        if (Lower(s[at + i]) != lower[i]) return false;
    return true;
}

bool EqualsNoCase(std::string_view s, std::string_view lower) {
    return s.size() == lower.size() && StartsWithNoCase(s, 0, lower);
}

bool IsVoidElement(std::string_view name) {
    static const char* const kVoid[] = {"area", "base", "br", "col", "embed", "hr", "img",
                                        "input", "link", "meta", "source", "track", "wbr"};
    return std::any_of(std::begin(kVoid), std::end(kVoid), [&](const char* v) { return EqualsNoCase(name, v); });
}

class CChecker {
public:
    CChecker(std::string_view page, Markup kind) : m_s(page), m_html(kind == Markup::Html) {}

    std::string Run() {
        if (Characters() && Document()) Links();
        return m_fault;
    }

private:
    bool Fail(const std::string& what) {
        if (m_fault.empty()) m_fault = what + " (Byte " + std::to_string(m_p) + ")";
        return false;
    }
    bool At(std::string_view text) const { return m_s.compare(m_p, text.size(), text) == 0; }
    /// True when there was space to skip.
    bool SkipSpace() {
        const size_t start = m_p;
        while (m_p < m_s.size() && IsSpace(m_s[m_p])) ++m_p;
        return m_p > start;
    }

    // Strict UTF-8 (no overlong forms, no surrogates) of XML characters only.
    bool Characters() {
        for (m_p = 0; m_p < m_s.size();) {
            const auto b = [&](size_t i) { return static_cast<unsigned char>(m_s[i]); };
            const unsigned char c = b(m_p);
            size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
            if (n == 0 || m_p + n > m_s.size()) return Fail("kein UTF-8");
            uint32_t code = n == 1 ? c : c & (0x7F >> n);
            for (size_t i = 1; i < n; ++i) {
                if ((b(m_p + i) & 0xC0) != 0x80) return Fail("kein UTF-8");
                code = code << 6 | (b(m_p + i) & 0x3F);
            }
            if ((n == 3 && code < 0x800) || (n == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
                (code >= 0xD800 && code <= 0xDFFF))
                return Fail("kein UTF-8");
            if (!IsXmlChar(code)) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
                return Fail(std::string("Zeichen ") + hex + " ist in XML nicht erlaubt");
            }
            m_p += n;
        }
        m_p = 0;
        return true;
    }

    // Prolog, one root element, epilog.
    bool Document() {
        if (!m_html && At("<?xml") && !Until("?>")) return false;
        bool doctype = false;
        for (;;) {
            SkipSpace();
            if (At("<!--")) {
                if (!Comment()) return false;
            } else if (!doctype && StartsWithNoCase(m_s, m_p, "<!doctype")) {
                doctype = true;
                const size_t end = m_s.find('>', m_p);
                if (end == std::string_view::npos || m_s.substr(m_p, end - m_p).find('[') != std::string_view::npos)
                    return Fail("Dokumenttyp");
                m_p = end + 1;
            } else {
                break;
            }
        }
        if (m_p + 1 >= m_s.size() || m_s[m_p] != '<' || !IsNameStart(m_s[m_p + 1])) return Fail("kein Wurzelelement");
        if (!Element()) return false;
        for (;;) {
            SkipSpace();
            if (m_p >= m_s.size()) return true;
            if (!At("<!--")) return Fail("Inhalt nach dem Wurzelelement");
            if (!Comment()) return false;
        }
    }

    bool Until(std::string_view end) {
        const size_t at = m_s.find(end, m_p);
        if (at == std::string_view::npos) return Fail("'" + std::string(end) + "' fehlt");
        m_p = at + end.size();
        return true;
    }

    bool Comment() {
        const size_t dashes = m_s.find("--", m_p + 4);
        if (dashes == std::string_view::npos) return Fail("Kommentar ohne Ende");
        if (m_s.compare(dashes, 3, "-->") != 0) return Fail("'--' in einem Kommentar");
        m_p = dashes + 3;
        return true;
    }

    std::string_view Name() {
        const size_t start = m_p;
        if (m_p >= m_s.size() || !IsNameStart(m_s[m_p])) return {};
        while (m_p < m_s.size() && IsNameChar(m_s[m_p])) ++m_p;
        return m_s.substr(start, m_p - start);
    }

    // "&lt;", "&#60;", "&#x3C;"; in HTML any named reference.
    bool Reference() {
        const size_t start = m_p++;
        if (m_p < m_s.size() && m_s[m_p] == '#') {
            const bool hex = ++m_p < m_s.size() && m_s[m_p] == 'x';
            if (hex) ++m_p;
            uint32_t code = 0;
            size_t digits = 0;
            for (; m_p < m_s.size() && digits < 8; ++m_p, ++digits) {
                const char c = m_s[m_p];
                int v = c >= '0' && c <= '9' ? c - '0' : -1;
                if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
                if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
                if (v < 0) break;
                code = code * (hex ? 16 : 10) + static_cast<uint32_t>(v);
            }
            if (digits == 0 || m_p >= m_s.size() || m_s[m_p] != ';' || !IsXmlChar(code)) {
                m_p = start;
                return Fail("Zeichenreferenz");
            }
            ++m_p;
            return true;
        }
        const std::string_view name = Name();
        const bool predefined = name == "lt" || name == "gt" || name == "amp" || name == "quot" || name == "apos";
        if (name.empty() || m_p >= m_s.size() || m_s[m_p] != ';' || (!m_html && !predefined)) {
            m_p = start;
            return Fail("'&' ohne Entitätsreferenz");
        }
        ++m_p;
        return true;
    }

    // A start tag; false after a fault. `open`: it has content and an end tag.
    bool StartTag(std::string_view& name, bool& open) {
        ++m_p;
        name = Name();
        if (name.empty()) return Fail("Element ohne Namen");
        if (!m_html && EqualsNoCase(name, "script")) return Fail("Skript im Bericht");
        std::vector<std::string_view> attributes;
        bool spaced = false;  // after an attribute without a value: the space that ended it
        for (;;) {
            spaced = SkipSpace() || spaced;
            if (m_p >= m_s.size()) return Fail("Tag ohne Ende");
            if (At("/>") || m_s[m_p] == '>') {
                open = m_s[m_p] == '>';
                m_p += open ? 1 : 2;
                if (m_html && IsVoidElement(name)) open = false;
                return true;
            }
            if (!spaced) return Fail("Attribut ohne Leerraum davor");
            spaced = false;
            const std::string_view attribute = Name();
            if (attribute.empty()) return Fail("Attribut ohne Namen");
            if (std::find(attributes.begin(), attributes.end(), attribute) != attributes.end())
                return Fail("Attribut '" + std::string(attribute) + "' doppelt");
            attributes.push_back(attribute);
            if (!m_html && StartsWithNoCase(attribute, 0, "on")) return Fail("Ereignisattribut im Bericht");
            const bool spaceAfterName = SkipSpace();
            if (m_p >= m_s.size() || m_s[m_p] != '=') {
                spaced = spaceAfterName;
                if (m_html) continue;  // <details open>
                return Fail("Attribut '" + std::string(attribute) + "' ohne Wert");
            }
            ++m_p;
            SkipSpace();
            if (m_p >= m_s.size() || (m_s[m_p] != '"' && m_s[m_p] != '\'')) return Fail("Attributwert ohne Anführungszeichen");
            const char quote = m_s[m_p++];
            const size_t valueStart = m_p;
            while (m_p < m_s.size() && m_s[m_p] != quote) {
                if (m_s[m_p] == '<') return Fail("'<' in einem Attributwert");
                if (m_s[m_p] == '&') {
                    if (!Reference()) return false;
                } else {
                    ++m_p;
                }
            }
            if (m_p >= m_s.size()) return Fail("Attributwert ohne Ende");
            const std::string_view value = m_s.substr(valueStart, m_p - valueStart);
            ++m_p;
            if (attribute == "id" && !m_ids.insert(value).second) return Fail("id '" + std::string(value) + "' doppelt");
            if (attribute == "href" && !value.empty() && value[0] == '#') m_links.push_back(value.substr(1));
        }
    }

    // The element at m_p with its content, without recursion.
    bool Element() {
        std::vector<std::string_view> open;
        do {
            if (m_p >= m_s.size()) return Fail("Element '" + std::string(open.back()) + "' ohne Ende");
            const char c = m_s[m_p];
            if (c == '&') {
                if (!Reference()) return false;
            } else if (c != '<') {
                if (!m_html && At("]]>")) return Fail("']]>' im Text");
                ++m_p;
            } else if (At("<!--")) {
                if (!Comment()) return false;
            } else if (At("<![CDATA[")) {
                if (m_html) return Fail("CDATA in HTML");
                if (!Until("]]>")) return false;
            } else if (At("<?")) {
                if (m_html) return Fail("Verarbeitungsanweisung in HTML");
                if (!Until("?>")) return false;
            } else if (At("</")) {
                m_p += 2;
                const std::string_view name = Name();
                SkipSpace();
                if (open.empty() || name != open.back() || m_p >= m_s.size() || m_s[m_p] != '>')
                    return Fail("Endtag '" + std::string(name) + "' passt nicht" +
                                (open.empty() ? "" : " zu '" + std::string(open.back()) + "'"));
                ++m_p;
                open.pop_back();
            } else {
                std::string_view name;
                bool hasContent = false;
                if (!StartTag(name, hasContent)) return false;
                if (hasContent && m_html && (EqualsNoCase(name, "script") || EqualsNoCase(name, "style"))) {
                    // The text of a script or a style sheet runs to its end tag.
                    const size_t end = m_s.find("</" + std::string(name), m_p);
                    if (end == std::string_view::npos) return Fail("'" + std::string(name) + "' ohne Ende");
                    m_p = end;
                }
                if (hasContent) open.push_back(name);
            }
        } while (!open.empty());
        return true;
    }

    void Links() {
        for (const std::string_view link : m_links)
            if (!m_ids.count(link)) {
                m_p = m_s.size();
                Fail("Verweis '#" + std::string(link) + "' ohne Ziel");
                return;
            }
    }

    std::string_view m_s;
    const bool m_html;
    size_t m_p = 0;
    std::string m_fault;
    std::unordered_set<std::string_view> m_ids;
    std::vector<std::string_view> m_links;
};

}  // namespace

std::string MarkupFault(std::string_view page, Markup kind) { return CChecker(page, kind).Run(); }

}  // namespace valorix::fuzz
