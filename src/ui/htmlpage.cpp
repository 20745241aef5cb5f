#include "ui/htmlpage.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>

#include "platform/codepage.h"
#include "platform/strutil.h"
#include "ui/displaytext.h"

namespace valorix {

namespace {

const char* const kStyle =
    "body{font-family:monospace;font-size:13px;margin:8px;color:#000}"
    "h1{font-size:15px;font-family:sans-serif}"
    "ul.report{font-family:sans-serif;padding-left:1.2em}"
    "ul.report li{margin:2px 0}"
    ".in{margin-left:1.6em}"
    "details>summary{cursor:pointer}"
    ".tag{color:#881280}.an{color:#994500}.av{color:#1a1aa6}.tx{color:#000;font-weight:bold}"
    ".cm{color:#236e25}.pi{color:#666}"
    ".err>summary,div.err{background:#ffe4e4}.warn>summary,div.warn{background:#e4ecff}"
    ".msg{font-family:sans-serif;font-weight:bold;margin:1px 0 3px 1.6em}"
    ".msg.err{color:#d00000}.msg.warn{color:#0000d0}"
    "a.err{color:#d00000}a.warn{color:#0000d0}";

// Opens the collapsed elements around a finding that a link goes to.
const char* const kScript =
    "<script>function openTo(id){for(var e=document.getElementById(id);e;e=e.parentElement)"
    "if(e.tagName==='DETAILS')e.open=true;}"
    "window.addEventListener('hashchange',function(){openTo(location.hash.substring(1));});</script>";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Finding {
    size_t index;
    std::string text;
    bool error;
};

class CWriter {
public:
    CWriter(const HtmlPageInput& in, std::map<long, std::vector<Finding>>& findings)
        : m_in(in), m_text(*in.text), m_findings(findings) {}

    std::string Body() {
        size_t i = 0;
        while (i < m_text.size()) {
            if (m_text[i] != '<') {
                const size_t next = m_text.find('<', i);
                Text(i, next == std::string::npos ? m_text.size() : next);
                i = next == std::string::npos ? m_text.size() : next;
                continue;
            }
            if (m_text.compare(i, 4, "<!--") == 0) i = Special(i, "-->", "cm");
            else if (m_text.compare(i, 9, "<![CDATA[") == 0) i = Special(i, "]]>", "tx");
            else if (m_text.compare(i, 2, "<?") == 0) i = Special(i, "?>", "pi");
            else if (m_text.compare(i, 2, "<!") == 0) i = Special(i, ">", "pi");
            else if (m_text.compare(i, 2, "</") == 0) i = EndTag(i);
            else i = StartTag(i);
        }
        while (m_open > 0) Close();
        return std::move(m_out);
    }

private:
    std::string Shown(size_t from, size_t to) const {
        return HtmlEscape(ShownBytes(std::string_view(m_text).substr(from, to - from), m_in.utf8));
    }
    void Text(size_t from, size_t to) {
        size_t a = from, b = to;
        while (a < b && IsSpace(m_text[a])) ++a;
        while (b > a && IsSpace(m_text[b - 1])) --b;
        if (a < b) m_out += "<div><span class=\"tx\">" + Shown(a, b) + "</span></div>";
    }
    size_t Special(size_t i, const char* end, const char* cls) {
        const size_t e = m_text.find(end, i);
        const size_t stop = e == std::string::npos ? m_text.size() : e + std::strlen(end);
        m_out += std::string("<div class=\"") + cls + "\">" + Shown(i, stop) + "</div>";
        return stop;
    }
    // The start tag's markup: name, attributes and values in their colours.
    std::string TagMarkup(size_t i, size_t close, bool empty) const {
        size_t p = i + 1;
        while (p < close && !IsSpace(m_text[p]) && m_text[p] != '/' && m_text[p] != '>') ++p;
        std::string out = "<span class=\"tag\">&lt;" + Shown(i + 1, p) + "</span>";
        const size_t attrsEnd = empty ? close - 1 : close;
        while (p < attrsEnd) {
            while (p < attrsEnd && IsSpace(m_text[p])) ++p;
            if (p >= attrsEnd) break;
            const size_t nameStart = p;
            while (p < attrsEnd && m_text[p] != '=' && !IsSpace(m_text[p])) ++p;
            out += " <span class=\"an\">" + Shown(nameStart, p) + "</span>";
            while (p < attrsEnd && IsSpace(m_text[p])) ++p;
            if (p < attrsEnd && m_text[p] == '=') {
                ++p;
                while (p < attrsEnd && IsSpace(m_text[p])) ++p;
                size_t valueEnd = p;
                if (p < attrsEnd && (m_text[p] == '"' || m_text[p] == '\'')) {
                    const size_t q = m_text.find(m_text[p], p + 1);
                    valueEnd = q == std::string::npos || q >= attrsEnd ? attrsEnd : q + 1;
                } else {
                    while (valueEnd < attrsEnd && !IsSpace(m_text[valueEnd])) ++valueEnd;
                }
                out += "=<span class=\"av\">" + Shown(p, valueEnd) + "</span>";
                p = valueEnd;
            }
        }
        out += std::string("<span class=\"tag\">") + (empty ? "/&gt;" : "&gt;") + "</span>";
        return out;
    }
    // The findings at the element starting at `i`: its class, and the messages.
    std::string FindingClass(long pos) const {
        const auto it = m_findings.find(pos);
        if (it == m_findings.end()) return {};
        for (const Finding& f : it->second)
            if (f.error) return " class=\"err\"";
        return " class=\"warn\"";
    }
    std::string Messages(long pos) const {
        const auto it = m_findings.find(pos);
        if (it == m_findings.end()) return {};
        std::string out;
        for (const Finding& f : it->second)
            out += Format("<div class=\"msg %s\" id=\"f%u\">", f.error ? "err" : "warn", static_cast<unsigned>(f.index)) +
                   HtmlEscape(f.text) + "</div>";
        return out;
    }
    size_t StartTag(size_t i) {
        const size_t gt = m_text.find('>', i);
        const size_t close = gt == std::string::npos ? m_text.size() : gt;
        const bool empty = close > i && m_text[close - 1] == '/';
        const size_t after = std::min(m_text.size(), close + 1);
        const long pos = static_cast<long>(i);
        const std::string markup = TagMarkup(i, close, empty);
        if (empty) {
            m_out += "<div" + FindingClass(pos) + ">" + markup + "</div>" + Messages(pos);
            return after;
        }
        // Text alone up to the end tag: one line.
        const size_t next = m_text.find('<', after);
        if (next != std::string::npos && m_text.compare(next, 2, "</") == 0) {
            const size_t endGt = m_text.find('>', next);
            const size_t endStop = endGt == std::string::npos ? m_text.size() : endGt + 1;
            m_out += "<div" + FindingClass(pos) + ">" + markup + "<span class=\"tx\">" + Shown(after, next) +
                     "</span><span class=\"tag\">" + Shown(next, endStop) + "</span></div>" + Messages(pos);
            return endStop;
        }
        m_out += "<details open" + FindingClass(pos) + "><summary>" + markup + "</summary>" + Messages(pos) +
                 "<div class=\"in\">";
        ++m_open;
        return after;
    }
    size_t EndTag(size_t i) {
        const size_t gt = m_text.find('>', i);
        const size_t stop = gt == std::string::npos ? m_text.size() : gt + 1;
        if (m_open == 0) {  // no element is open: shown as it stands
            m_out += "<div><span class=\"tag\">" + Shown(i, stop) + "</span></div>";
            return stop;
        }
        m_out += "</div><div><span class=\"tag\">" + Shown(i, stop) + "</span></div></details>";
        --m_open;
        return stop;
    }
    void Close() {
        m_out += "</div></details>";
        --m_open;
    }

    const HtmlPageInput& m_in;
    const std::string& m_text;
    std::map<long, std::vector<Finding>>& m_findings;
    std::string m_out;
    int m_open = 0;
};

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string HtmlPage(const HtmlPageInput& in) {
    static const std::string kNone;
    const auto line = [&](std::string_view t) { return in.lineText ? in.lineText(t) : Cp1252ToUtf8(t); };
    // The findings by the position of their element; their colour from the marks.
    std::map<long, uint32_t> colours;
    if (in.marks)
        for (const CTextPageModel::Mark& m : *in.marks) colours.emplace(m.start, m.rgb);
    std::map<long, std::vector<Finding>> findings;
    const std::vector<OutputLine> none;
    const std::vector<OutputLine>& lines = in.report ? in.report->Lines() : none;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].position <= 0) continue;
        // Errors red; hints and warnings blue, as the text page marks them or as they say.
        const auto c = colours.find(lines[i].position);
        const std::string text = line(lines[i].text);
        const bool hint = (c != colours.end() && c->second == kBlue) || Contains(text, " : Hinweis") ||
                          Contains(text, " : Warnung");
        findings[lines[i].position].push_back({i, text, !hint});
    }
    CWriter writer(in, findings);
    const std::string body = writer.Body();
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(in.title) +
                       "</title><style>" + kStyle + "</style>" + kScript + "</head><body>\n<h1>" +
                       HtmlEscape(in.title) + "</h1>\n<ul class=\"report\">\n";
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string text = HtmlEscape(line(lines[i].text));
        const auto at = findings.find(lines[i].position);
        if (lines[i].position > 0 && at != findings.end()) {
            bool error = true;
            for (const Finding& f : at->second)
                if (f.index == i) error = f.error;
            page += Format("<li><a class=\"%s\" href=\"#f%u\" onclick=\"openTo('f%u')\">", error ? "err" : "warn",
                           static_cast<unsigned>(i), static_cast<unsigned>(i)) +
                    text + "</a></li>\n";
        } else {
            page += "<li>" + text + "</li>\n";
        }
    }
    page += "</ul>\n<div class=\"xml\">\n" + body + "\n</div>\n</body></html>\n";
    return page;
}

bool WriteHtmlPage(const std::string& file, const HtmlPageInput& input) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << HtmlPage(input);
    return static_cast<bool>(out);
}

}  // namespace valorix
