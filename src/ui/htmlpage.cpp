#include "ui/htmlpage.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <climits>
#include <cstring>
#include <map>
#include <set>

#include "platform/codepage.h"
#include "platform/paths.h"
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

// The report's additions: the facts, the findings table, line numbers in a
// column of their own, and a print style sheet.
const char* const kReportStyle =
    "table{border-collapse:collapse;font-family:sans-serif;margin:6px 0 12px}"
    "th,td{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top}"
    "table.facts th{background:#f0f0f0}td.num{text-align:right}"
    ".xml{position:relative;padding-left:4.5em}"
    ".ln{position:absolute;left:0;width:3.6em;text-align:right;color:#888;font-weight:normal}"
    ".gap{color:#888}.src{white-space:pre-wrap}"
    "@media print{body{margin:0;font-size:9pt}a{text-decoration:none}"
    "details>summary{list-style:none}details>summary::-webkit-details-marker{display:none}"
    "tr,.msg{page-break-inside:avoid}h1{page-break-after:avoid}}";

// The summary slip's tables, on pages of payment files only.
const char* const kSlipStyle =
    "h2{font-size:14px;font-family:sans-serif;margin:10px 0 4px}"
    "table.slip{border-collapse:collapse;font-family:sans-serif;margin:6px 0 12px}"
    "table.slip th,table.slip td{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top;"
    "white-space:nowrap}"
    "table.slip th{background:#f0f0f0}table.slip td.num{text-align:right}"
    "table.slip tr:last-child td{font-weight:bold}"
    ".diff{color:#d00000;font-weight:bold}";

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

// A finding's message in its colour, the target of its report line's link.
std::string MessageDiv(const Finding& f) {
    return Format("<div class=\"msg %s\" id=\"f%u\">", f.error ? "err" : "warn", static_cast<unsigned>(f.index)) +
           HtmlEscape(f.text) + "</div>";
}

// The 0-based line of each position of a text whose lines end in "\n".
class CLines {
public:
    explicit CLines(const std::string& text) {
        m_starts.push_back(0);
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') m_starts.push_back(i + 1);
    }
    size_t LineOf(size_t pos) const {
        return static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), pos) - m_starts.begin()) - 1;
    }
    size_t Count() const { return m_starts.size(); }
    size_t Start(size_t line) const { return m_starts[line]; }

private:
    std::vector<size_t> m_starts;
};

class CWriter {
public:
    CWriter(const HtmlPageInput& in, std::map<long, std::vector<Finding>>& findings, const CLines* lines)
        : m_in(in), m_text(*in.text), m_findings(findings), m_lines(lines) {}

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
        // Findings whose position starts no element: after the text, so that
        // every link of the report still has its place.
        for (const auto& [pos, list] : m_findings)
            if (!m_placed.count(pos)) m_out += Messages(pos);
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
        if (a < b) m_out += "<div>" + Ln(a) + "<span class=\"tx\">" + Shown(a, b) + "</span></div>";
    }
    size_t Special(size_t i, const char* end, const char* cls) {
        const size_t e = m_text.find(end, i);
        const size_t stop = e == std::string::npos ? m_text.size() : e + std::strlen(end);
        m_out += std::string("<div class=\"") + cls + "\">" + Ln(i) + Shown(i, stop) + "</div>";
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
    std::string Ln(size_t pos) const {
        return m_lines ? Format("<span class=\"ln\">%u</span>", static_cast<unsigned>(m_lines->LineOf(pos) + 1))
                       : std::string();
    }
    std::string Messages(long pos) {
        const auto it = m_findings.find(pos);
        if (it == m_findings.end()) return {};
        m_placed.insert(pos);
        std::string out;
        for (const Finding& f : it->second)
            out += MessageDiv(f);
        return out;
    }
    // The '>' that ends the tag at `i`: the first outside a quoted value. A
    // quote without its partner before the next '<' quotes nothing.
    size_t TagClose(size_t i) const {
        for (size_t p = i + 1; p < m_text.size(); ++p) {
            const char c = m_text[p];
            if (c == '>') return p;
            if (c != '"' && c != '\'') continue;
            const char stops[] = {c, '<', 0};
            const size_t q = m_text.find_first_of(stops, p + 1);
            if (q != std::string::npos && m_text[q] == c) p = q;
        }
        return std::string::npos;
    }
    size_t StartTag(size_t i) {
        const size_t gt = TagClose(i);
        const size_t close = gt == std::string::npos ? m_text.size() : gt;
        const bool empty = close > i && m_text[close - 1] == '/';
        const size_t after = std::min(m_text.size(), close + 1);
        const long pos = static_cast<long>(i);
        const std::string markup = TagMarkup(i, close, empty);
        if (empty) {
            m_out += "<div" + FindingClass(pos) + ">" + Ln(i) + markup + "</div>" + Messages(pos);
            return after;
        }
        // Text alone up to the end tag: one line.
        const size_t next = m_text.find('<', after);
        if (next != std::string::npos && m_text.compare(next, 2, "</") == 0) {
            const size_t endGt = m_text.find('>', next);
            const size_t endStop = endGt == std::string::npos ? m_text.size() : endGt + 1;
            m_out += "<div" + FindingClass(pos) + ">" + Ln(i) + markup + "<span class=\"tx\">" + Shown(after, next) +
                     "</span><span class=\"tag\">" + Shown(next, endStop) + "</span></div>" + Messages(pos);
            return endStop;
        }
        // The report is also well-formed XML: the attribute with its value.
        m_out += std::string(m_lines ? "<details open=\"open\"" : "<details open") + FindingClass(pos) +
                 "><summary>" + Ln(i) + markup + "</summary>" + Messages(pos) + "<div class=\"in\">";
        ++m_open;
        return after;
    }
    size_t EndTag(size_t i) {
        const size_t gt = m_text.find('>', i);
        const size_t stop = gt == std::string::npos ? m_text.size() : gt + 1;
        if (m_open == 0) {  // no element is open: shown as it stands
            m_out += "<div>" + Ln(i) + "<span class=\"tag\">" + Shown(i, stop) + "</span></div>";
            return stop;
        }
        m_out += "</div><div>" + Ln(i) + "<span class=\"tag\">" + Shown(i, stop) + "</span></div></details>";
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
    const CLines* m_lines;
    std::set<long> m_placed;
    std::string m_out;
    int m_open = 0;
};

}  // namespace

namespace {

std::string Escaped(std::string_view text, bool oneLine) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            if (u < 0x20 && (oneLine || (c != '\t' && c != '\n' && c != '\r'))) {
                // Control characters, invisible and not allowed in XML, as their pictures (U+2400...).
                out += "\xE2\x90";
                out += static_cast<char>(0x80 + c);
            } else if (u < 0x80) {
                out += c;
            } else if (const size_t n = Utf8CharLength(text, i); n == 0) {
                out += Cp1252ToUtf8(text.substr(i, 1));  // no UTF-8: the byte as its character
            } else if (n == 3 && u == 0xEF && text[i + 1] == '\xBF' && (text[i + 2] == '\xBE' || text[i + 2] == '\xBF')) {
                out += text[i + 2] == '\xBE' ? "\\uFFFE" : "\\uFFFF";  // no character of XML: named
                i += 2;
            } else {
                out.append(text.substr(i, n));
                i += n - 1;
            }
        }
    }
    return out;
}

}  // namespace

std::string HtmlEscape(std::string_view text) { return Escaped(text, false); }

std::string HtmlEscapeLine(std::string_view text) { return Escaped(text, true); }

namespace {

// "Zeile 12/7 : ..." as line 12, column 7; zeros when the line says no place.
std::pair<long, long> PlaceOf(const std::string& text) {
    long line = 0, column = 0;
    if (!StartsWith(text, "Zeile ")) return {0, 0};
    size_t p = 6;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') line = line * 10 + (text[p++] - '0');
    if (p < text.size() && text[p] == '/')
        for (++p; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) column = column * 10 + (text[p] - '0');
    return {std::min(line, 999999999L), std::min(column, 999999999L)};
}

// Above the large-file bound: the lines of the findings with two lines of
// context either side, each finding's message below its line.
std::string Excerpt(const HtmlPageInput& in, const CLines& lines,
                    const std::map<long, std::vector<Finding>>& findings) {
    constexpr size_t kContext = 2, kLongLine = 1000, kWindow = 400;
    const std::string& text = *in.text;
    // The findings by 0-based line; one without a position is keyed -L by its line L.
    std::map<size_t, std::vector<const Finding*>> byLine;
    std::map<size_t, long> columnOf;
    std::string beyond;  // findings of lines the text does not have: after it
    for (const auto& [pos, list] : findings) {
        const size_t line = pos >= 0 ? lines.LineOf(static_cast<size_t>(pos)) : static_cast<size_t>(-pos - 1);
        if (line >= lines.Count()) {
            for (const Finding& f : list)
                beyond += MessageDiv(f);
            continue;
        }
        for (const Finding& f : list) byLine[line].push_back(&f);
        if (pos >= 0) columnOf.emplace(line, pos - static_cast<long>(lines.Start(line)));
        else columnOf.emplace(line, PlaceOf(list.front().text).second - 1);
    }
    std::string out;
    size_t shownTo = 0;  // lines below this one are shown already
    for (const auto& [line, list] : byLine) {
        const size_t from = std::max(shownTo, line >= kContext ? line - kContext : 0);
        const size_t to = std::min(lines.Count(), line + kContext + 1);
        if (from > shownTo) out += "<div class=\"gap\">…</div>";
        for (size_t l = from; l < to; ++l) {
            const size_t a = lines.Start(l);
            size_t b = l + 1 < lines.Count() ? lines.Start(l + 1) - 1 : text.size();
            size_t cutFrom = a, cutTo = b;
            // A very long line: the part around the finding.
            if (b - a > kLongLine) {
                const auto c = columnOf.find(l);
                const size_t at = a + static_cast<size_t>(std::max(0L, c != columnOf.end() ? c->second : 0L));
                cutFrom = std::max(a, std::min(at, b) > kWindow ? std::min(at, b) - kWindow : a);
                cutTo = std::min(b, cutFrom + 2 * kWindow);
            }
            const auto here = byLine.find(l);
            std::string cls;
            if (here != byLine.end()) {
                cls = " class=\"warn\"";
                for (const Finding* f : here->second)
                    if (f->error) cls = " class=\"err\"";
            }
            out += "<div" + cls + Format("><span class=\"ln\">%u</span>", static_cast<unsigned>(l + 1)) +
                   "<span class=\"src\">" + (cutFrom > a ? "… " : "") +
                   HtmlEscape(ShownBytes(std::string_view(text).substr(cutFrom, cutTo - cutFrom), in.utf8)) +
                   (cutTo < b ? " …" : "") + "</span></div>";
            if (here != byLine.end())
                for (const Finding* f : here->second)
                    out += MessageDiv(*f);
        }
        shownTo = to;
    }
    if (shownTo < lines.Count() && !byLine.empty()) out += "<div class=\"gap\">…</div>";
    return out + beyond;
}

// Engine text (Windows-1252) as HTML text.
std::string SlipText(const std::string& cp1252) { return HtmlEscape(Cp1252ToUtf8(cp1252)); }

// " (angegeben: 4, abweichend!)" below a computed figure, or with another
// mark ("nicht lesbar"); "" when nothing is declared.
std::string Declared(const std::string& declared, bool differs, const char* mark = "abweichend!") {
    if (declared.empty()) return {};
    return "<br/>(angegeben: " + SlipText(declared) +
           (differs ? std::string(", <span class=\"diff\">") + mark + "</span>" : "") + ")";
}

// The declared CtrlSum below the computed sums: marked where it differs, or
// where it cannot be read itself.
std::string DeclaredSum(const SummaryTotals& t) {
    if (!DeclaredSumReadable(t)) return Declared(t.declaredSum, true, "nicht lesbar");
    return Declared(t.declaredSum, CompareSum(t) == SumComparison::Differs);
}

// The declared NbOfTxs below the computed count, marked in the same way.
std::string DeclaredCount(const SummaryTotals& t) {
    if (!DeclaredCountReadable(t)) return Declared(t.declaredCount, true, "nicht lesbar");
    return Declared(t.declaredCount, CountDiffers(t));
}

// The count and the sums of a block or the file: two cells.
std::string TotalsCells(const SummaryTotals& t) {
    std::string sums;
    for (const auto& [currency, units] : t.sums)
        sums += (sums.empty() ? "" : "<br/>") + Amount(units) + (currency.empty() ? "" : " " + SlipText(currency));
    if (sums.empty()) sums = "0.00";
    if (!t.sumValid) sums += "<br/><span class=\"diff\">nicht alle Beträge lesbar</span>";
    return "<td class=\"num\">" + std::to_string(t.count) + DeclaredCount(t) +
           "</td><td class=\"num\">" + sums + DeclaredSum(t) + "</td>";
}

const char* SeverityWord(const std::string& text, bool error) {
    if (error) return "Fehler";
    return Contains(text, " : Warnung") ? "Warnung" : "Hinweis";
}

}  // namespace

std::string SummaryHtml(const FileSummary& s) {
    std::string out = "<h2>Begleitzettel</h2>\n<table class=\"slip\">\n";
    for (const auto& [label, value] : {std::pair<const char*, const std::string*>{"Nachricht (MsgId)", &s.messageId},
                                       {"Erstellt", &s.created},
                                       {"Einreicher", &s.initiator}})
        out += std::string("<tr><th>") + label + "</th><td>" + SlipText(*value) + "</td></tr>\n";
    out += "<tr><th>SHA-256</th><td>" + HtmlEscape(s.sha256) + "</td></tr>\n</table>\n";
    out += "<table class=\"slip\">\n<tr><th>Auftrag</th><th>Referenz</th><th>Art</th><th>" +
           std::string(s.debit ? "Einzug am" : "Ausführung am") +
           "</th><th>Transaktionen</th><th>Summe</th><th>Name</th><th>IBAN</th><th>BIC</th></tr>\n";
    size_t n = 0;
    for (const BlockSummary& b : s.blocks)
        out += "<tr><td class=\"num\">" + std::to_string(++n) + "</td><td>" + SlipText(b.id) + "</td><td>" +
               SlipText(BlockKind(s, b)) + "</td><td>" + SlipText(b.date) + "</td>" + TotalsCells(b.totals) + "<td>" +
               SlipText(b.name) + "</td><td>" + SlipText(b.iban) + "</td><td>" + SlipText(b.bic) + "</td></tr>\n";
    out += "<tr><th colspan=\"4\">Datei gesamt</th>" + TotalsCells(s.totals) + "<td colspan=\"3\"></td></tr>\n</table>\n";
    return out;
}

std::string HtmlPage(const HtmlPageInput& in) {
    static const std::string kNone;
    const std::string& text = in.text ? *in.text : kNone;
    const HtmlReportFacts* facts = in.facts;
    const auto line = [&](std::string_view t) { return in.lineText ? in.lineText(t) : Cp1252ToUtf8(t); };
    // The findings by the position of their element; their colour from the marks.
    std::map<long, uint32_t> colours;
    if (in.marks)
        for (const CTextPageModel::Mark& m : *in.marks) colours.emplace(m.start, m.rgb);
    std::map<long, std::vector<Finding>> findings;
    std::vector<long> keyOf;  // each report line's key in `findings`; LONG_MIN: no finding
    const std::vector<OutputLine> none;
    const std::vector<OutputLine>& lines = in.report ? in.report->Lines() : none;
    const CLines textLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        keyOf.push_back(LONG_MIN);
        const std::string t = line(lines[i].text);
        long key = lines[i].position;
        if (key <= 0) {
            // Without a position the report places a finding by its line only.
            const long place = PlaceOf(t).first;
            if (!facts || place <= 0) continue;
            key = -place;  // line L as -L, before any element
        }
        // Errors red; hints and warnings blue, as the text page marks them or as they say.
        const auto c = colours.find(key);
        const bool hint =
            (c != colours.end() && c->second == kBlue) || Contains(t, " : Hinweis") || Contains(t, " : Warnung");
        findings[key].push_back({i, t, !hint});
        keyOf.back() = key;
    }
    const bool excerpt = facts && facts->excerpt;
    std::string body;
    if (excerpt) {
        body = Excerpt(in, textLines, findings);
    } else {
        CWriter writer(in, findings, facts ? &textLines : nullptr);
        body = writer.Body();
    }
    const auto isError = [&](size_t i) {
        for (const Finding& f : findings[keyOf[i]])
            if (f.index == i) return f.error;
        return true;
    };
    std::string page;
    if (!facts) {
        page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscapeLine(in.title) +
               "</title><style>" + kStyle + (in.summary ? kSlipStyle : "") + "</style>" + kScript +
               "</head><body>\n<h1>" + HtmlEscapeLine(in.title) + "</h1>\n" +
               (in.summary ? SummaryHtml(*in.summary) : std::string()) + "<ul class=\"report\">\n";
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string t = HtmlEscape(line(lines[i].text));
            if (keyOf[i] != LONG_MIN)
                page += Format("<li><a class=\"%s\" href=\"#f%u\" onclick=\"openTo('f%u')\">",
                               isError(i) ? "err" : "warn", static_cast<unsigned>(i), static_cast<unsigned>(i)) +
                        t + "</a></li>\n";
            else
                page += "<li>" + t + "</li>\n";
        }
        page += "</ul>\n<div class=\"xml\">\n" + body + "\n</div>\n</body></html>\n";
        return page;
    }
    // The report to share: facts, verdict and summary, the findings as a
    // table, then the text; nothing to run and nothing to load, and
    // well-formed XML as well as HTML.
    page = "<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\"/><title>Prüfbericht " +
           HtmlEscapeLine(facts->name) + "</title><style>" + kStyle + kReportStyle + (in.summary ? kSlipStyle : "") +
           "</style></head><body>\n<h1>Prüfbericht " + HtmlEscapeLine(facts->name) + "</h1>\n<table class=\"facts\">\n";
    for (const auto& [label, value] :
         {std::pair<const char*, std::string>{"Datei", facts->name},
          {"Größe", Format("%llu Bytes", static_cast<unsigned long long>(facts->size))},
          {"SHA-256", facts->sha256},
          {"Geprüft am", facts->checkTime},
          {"Programmversion", facts->version},
          {"Stand des SCL Verzeichnisses", facts->sclDate}})
        page += std::string("<tr><th>") + label + "</th><td>" + HtmlEscapeLine(value) + "</td></tr>\n";
    page += "</table>\n";
    if (in.summary) page += SummaryHtml(*in.summary);
    page += "<ul class=\"report\">\n";
    for (size_t i = 0; i < lines.size(); ++i)
        if (keyOf[i] == LONG_MIN) page += "<li>" + HtmlEscape(line(lines[i].text)) + "</li>\n";
    page += "</ul>\n";
    if (!findings.empty()) {
        page += "<table class=\"findings\">\n<tr><th>Zeile</th><th>Spalte</th><th>Art</th><th>Meldung</th></tr>\n";
        for (size_t i = 0; i < lines.size(); ++i) {
            if (keyOf[i] == LONG_MIN) continue;
            const std::string t = line(lines[i].text);
            auto [l, c] = PlaceOf(t);
            if (l == 0 && keyOf[i] > 0) l = static_cast<long>(textLines.LineOf(static_cast<size_t>(keyOf[i]))) + 1;
            const bool error = isError(i);
            page += Format("<tr class=\"%s\"><td class=\"num\">%s</td><td class=\"num\">%s</td><td>%s</td>",
                           error ? "err" : "warn", l > 0 ? std::to_string(l).c_str() : "",
                           c > 0 ? std::to_string(c).c_str() : "", SeverityWord(t, error)) +
                    Format("<td><a class=\"%s\" href=\"#f%u\">", error ? "err" : "warn", static_cast<unsigned>(i)) +
                    HtmlEscape(t) + "</a></td></tr>\n";
        }
        page += "</table>\n";
    }
    if (excerpt && !findings.empty())
        page += "<p>Die Datei ist groß: gezeigt werden die Zeilen der Meldungen mit ihrer Umgebung.</p>\n";
    page += "<div class=\"xml\">\n" + body + "\n</div>\n</body></html>\n";
    return page;
}

HtmlReportFacts ReportFacts(std::string_view bytes, const std::string& name, double checkTime,
                            const std::string& version, const std::string& sclDate, bool large) {
    HtmlReportFacts facts;
    facts.name = ShownBytes(name, true);  // a name that is no valid UTF-8 stays readable
    facts.size = bytes.size();
    facts.sha256 = Sha256Hex(bytes);
    // Days since 30.12.1899 and the time of day as a calendar date and clock time.
    const long long seconds = std::llround(checkTime * 86400.0);
    const std::chrono::sys_days day =
        std::chrono::sys_days(std::chrono::year{1899} / 12 / 30) + std::chrono::days(seconds / 86400);
    const std::chrono::year_month_day ymd(day);
    const long long s = seconds % 86400;
    facts.checkTime = Format("%02u.%02u.%04d %02lld:%02lld:%02lld", static_cast<unsigned>(ymd.day()),
                             static_cast<unsigned>(ymd.month()), static_cast<int>(ymd.year()), s / 3600, s / 60 % 60,
                             s % 60);
    facts.version = version;
    facts.sclDate = sclDate;
    facts.excerpt = large;
    return facts;
}

bool WriteHtmlPage(const std::string& file, const HtmlPageInput& input) {
    // Through a new file and a rename: a full disk leaves no part of a page.
    return WriteFileAtomically(file, HtmlPage(input));
}

}  // namespace valorix
