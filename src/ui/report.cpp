#include "ui/report.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

#include "core/checkdocument.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "rules/findings.h"
#include "xml/textcolumns.h"

namespace valorix {

namespace {


// A record without position (line and column -1) reads "Zeile 0/0", as the
// event pass writes records it has no position for.
std::string FindingLine(int line, int column, const std::string& text) {
    return Format("Zeile %u/%u : %s", static_cast<unsigned>(std::max(line, 0)), static_cast<unsigned>(std::max(column, 0)),
                  text.c_str());
}

SearchOptions Backward() { return {false, false, false}; }

SearchOptions ForwardNoCase() { return {true, false, false}; }

// Parser messages that name the element they are about, in the parser's
// languages: the element's own tags are then marked.
const char* const kElementMessageHeads[] = {"no declaration found for element '", "Unknown element '",
                                            "Unbekanntes Element '", "Element '", "element '"};
// Parser messages about text where the content model allows none.
const char* const kNoCharacterDataHeads[] = {"no character data is allowed", "No character data",
                                             "Das Inhaltsmodell erlaubt keine Zeichen"};

// Stray umlauts and sharp s of a file that is not well-formed, in text order.
// Stray characters listed one by one; the rest are counted in one line.
constexpr size_t kStrayListLimit = 100;

std::vector<long> StrayCharacters(const ITextPage& page) {
    std::vector<long> hits;
    for (const char* c : {"\xE4", "\xF6", "\xFC", "\xDF"}) {
        for (long p = page.Find(c, 0, -1, ForwardNoCase()); p >= 0; p = page.Find(c, p + 1, -1, ForwardNoCase()))
            hits.push_back(p);
    }
    std::sort(hits.begin(), hits.end());  // once: inserting each hit in order would be quadratic
    return hits;
}

}  // namespace

std::string ReportVerdictLine(const std::string& verdict, const Findings& findings) {
    const size_t at = verdict.find("korrektes SEPA XML");
    if (at == std::string::npos || at == 0) return verdict;
    const bool error = std::any_of(findings.begin(), findings.end(),
                                   [](const Finding& f) { return StartsWith(f.text, "Fehler:"); });
    if (!error) return verdict;
    std::string line = verdict;
    const std::string from = "korrektes SEPA XML Dokument ";
    const size_t pos = line.find(from);
    if (pos != std::string::npos) line.replace(pos, from.size(), "XML Dokument, das nicht der Schemadefinition ");
    if (!line.empty()) line.pop_back();
    return line + " entspricht!";
}

long MarkFinding(ITextPage& page, int L, int C, const std::string& M, int kind) {
    return MarkFinding(page, CTextColumns(page.GetText(), true), L, C, M, kind);
}

namespace {

// What of a finding's message its mark depends on: the element the message
// names, or that it is about character data.
struct MarkSubject {
    std::string element;  // empty: the message names none
    bool noCharacterData = false;
    bool operator==(const MarkSubject& o) const { return element == o.element && noCharacterData == o.noCharacterData; }
};

MarkSubject SubjectOf(const std::string& M) {
    MarkSubject subject;
    for (const char* head : kElementMessageHeads) {
        if (!StartsWith(M, head)) continue;
        const size_t start = std::char_traits<char>::length(head);
        const size_t end = M.find('\'', start);
        subject.element = M.substr(start, end == std::string::npos ? std::string::npos : end - start);
        break;
    }
    for (const char* head : kNoCharacterDataHeads)
        subject.noCharacterData = subject.noCharacterData || StartsWith(M, head);
    return subject;
}

// The text a finding marks: [from, to) and the position the finding leads to
// (where the marked element starts, or -1). from < 0: nothing is marked.
struct MarkRange {
    long result = -1;
    long from = -1, to = -1;
};

MarkRange LocateMark(const ITextPage& page, const CTextColumns& columns, int L, int C, const MarkSubject& subject) {
    MarkRange r;
    const long lineStart = page.LineIndex(L - 1);
    if (lineStart < 0) return r;
    const std::string& text = page.GetText();
    const long next = page.LineIndex(L);
    const long lineEnd = next < 0 ? static_cast<long>(text.size()) : next - 1;
    // The parser's column as a text position: the characters in front of the
    // reported place may be written in several bytes each.
    auto at = [&](long chars) { return columns.Advance(lineStart, chars, lineEnd); };
    // The text in front of the reported position, read in place.
    const std::string_view prefix(text.data() + lineStart, static_cast<size_t>(std::max(0L, at(C - 1) - lineStart)));

    const size_t lastLt = prefix.rfind('<');
    if (lastLt != std::string_view::npos) {
        std::string opening, closing;
        if (!prefix.empty() && prefix.back() == '>') {
            const std::string t(prefix.substr(lastLt));
            if (StartsWith(t, "</")) {
                closing = t.substr(0, t.size() - 1);
                opening = "<" + t.substr(2, t.size() - 3);
            } else {
                opening = t;
            }
        }
        const bool messageTags = !subject.element.empty();
        if (messageTags) {
            opening = "<" + subject.element;
            closing = "</" + subject.element;
        }
        if (opening.empty()) return r;
        const long s0 = messageTags ? at(C - 2) : at(C - 1);
        long s = page.Find(opening, s0, -1, Backward());
        if (s < 0) return r;
        const long openLen = static_cast<long>(opening.size());
        if (s + openLen < static_cast<long>(text.size()) && text[static_cast<size_t>(s + openLen)] == '/') {
            const long earlier = page.Find(opening, s, -1, Backward());
            if (earlier >= 0) s = earlier;
        }
        r.result = r.from = s;
        r.to = s + openLen;
        if (!closing.empty()) {
            const long closeLen = static_cast<long>(closing.size());
            const long limit = messageTags ? at(C - 1) + closeLen + 101 : -1;
            const long e = page.Find(closing, s, limit, ForwardNoCase());
            if (e >= 0) {
                r.to = e + closeLen + 1;
            } else {
                const long f = page.Find("/>", s, limit, ForwardNoCase());
                if (f >= 0) r.to = f + 2;
            }
        }
        return r;
    }
    if (!subject.noCharacterData) return r;
    long p = at(C - 1);
    const long q = page.Find("<", p - 1, -1, Backward());
    if (q < 0) return r;
    const long gt = page.Find(">", q, p - 1, ForwardNoCase());
    r.result = gt >= 0 ? gt + 1 : 0;
    const size_t nonBlank = prefix.find_last_not_of(" \t\n\r\f\v");
    if (gt >= 0 && nonBlank == std::string_view::npos) p = lineStart - 1;  // to the end of the previous line
    r.from = r.result;
    r.to = p;
    return r;
}

void ApplyMark(ITextPage& page, const MarkRange& range, int kind) {
    if (range.from < 0) return;
    page.SetSel(range.from, range.to);
    page.FormatSelection(kind == 2 ? kBlue : kRed);
}

}  // namespace

long MarkFinding(ITextPage& page, const CTextColumns& columns, int L, int C, const std::string& M, int kind) {
    const MarkRange range = LocateMark(page, columns, L, C, SubjectOf(M));
    ApplyMark(page, range, kind);
    return range.result;
}

void BuildReport(ITextPage& page, COutputList& output, const CheckDocument& doc) {
    BuildReport(page, CTextColumns(page.GetText(), doc.m_textIsUtf8), output, doc);
}

void BuildReport(ITextPage& page, const CTextColumns& columns, COutputList& output, const CheckDocument& doc) {
    if (!doc.Result().messages.empty()) output.AddLine(ReportVerdictLine(doc.Result().messages[0], doc.Result().findings), 0);
    for (size_t i = 1; i < doc.Result().messages.size(); ++i) output.AddLine(doc.Result().messages[i], 0);
    if (doc.m_classification.subtype == 0 && doc.m_classification.isEmw == 0 && doc.m_tally.xmlnsRepeated != 0)
        output.AddLine(A("Eine Wiederholung des Namensraum Attributs (xmlns) ist in Sub Feldern (Tags) nicht nötig und "
                         "kann in den Verarbeitungssystemen zur Abweisung der gesamten Datei führen."),
                       0);
    if (doc.Result().state == 0 && doc.m_declPosition <= 0) {
        page.HideSelection(true);
        // The list names the first stray characters and counts the rest in
        // one line; each is marked, adjacent ones as one run.
        const std::vector<long> stray = StrayCharacters(page);
        for (size_t i = 0; i < std::min(stray.size(), kStrayListLimit); ++i) {
            const long p = stray[i];
            const int line = page.LineFromChar(p);
            output.AddLine(FindingLine(line + 1, static_cast<int>(columns.CharsBetween(page.LineIndex(line), p) + 1),
                                       A("Text enthält ungültige(s) Zeichen!")),
                           p);
        }
        if (stray.size() > kStrayListLimit)
            output.AddLine(A(Format("%d weitere ungültige Zeichen werden nicht einzeln aufgeführt!",
                                    static_cast<int>(stray.size() - kStrayListLimit))),
                           stray[kStrayListLimit]);
        for (size_t i = 0; i < stray.size();) {
            size_t end = i + 1;
            while (end < stray.size() && stray[end] == stray[end - 1] + 1) ++end;
            page.SetSel(stray[i], stray[end - 1] + 1);
            page.FormatSelection(kRed);
            i = end;
        }
        page.SetCaret(0);
        page.HideSelection(false);
    }
    if (doc.Result().findings.empty()) return;
    page.HideSelection(true);
    // Findings in a row at one place about one subject (a parser reports every
    // attribute of an element at its end) share one mark: it is found once,
    // and drawn again only in another colour.
    struct {
        int line = 0, column = 0, kind = -1;
        MarkSubject subject;
        MarkRange range;
    } last;
    bool first = true;
    for (const Finding& finding : doc.Result().findings) {
        const int line = finding.line, column = finding.column, kind = static_cast<int>(finding.kind);
        MarkSubject subject = SubjectOf(finding.text);
        const bool samePlace = !first && line == last.line && column == last.column && subject == last.subject;
        if (!samePlace) last.range = LocateMark(page, columns, line, column, subject);
        if (!samePlace || (kind == 2) != (last.kind == 2)) ApplyMark(page, last.range, kind);
        first = false;
        last.line = line;
        last.column = column;
        last.kind = kind;
        last.subject = std::move(subject);
        const long position = last.range.result;
        std::string text = finding.text;
        if (text == finding::kMissingReference && doc.m_tally.missingRefHints > 1) {
            text += " ";
            if (doc.m_tally.missingRefHints == 2) text += "Diese ist auch in einem weiteren Auftrag nicht angegeben.";
            else
                text += A(Format("Diese ist in %d weiteren Aufträgen ebenfalls nicht angegeben.",
                                 static_cast<int>(doc.m_tally.missingRefHints - 1)));
        }
        output.AddLine(FindingLine(line, column, text), position);
    }
    page.SetCaret(0);
    page.HideSelection(false);
}

std::string LargeFilePageText(const std::string& pathName) {
    std::string target = pathName;
    std::replace(target.begin(), target.end(), '\\', '/');
    if (StartsWith(target, "/")) target.erase(0, 1);  // file:/// already carries the root
    // The link names the file as a URL: its bytes beyond ASCII and the
    // characters a URL or the attribute would read otherwise are escaped.
    std::string url;
    for (unsigned char c : target) {
        if (c < 0x80 && (std::isalnum(c) || std::strchr("/-._~:", c))) url += static_cast<char>(c);
        else url += Format("%%%02X", static_cast<unsigned>(c));
    }
    // The link opens the file in the same page: a new window would have
    // nobody to show it.
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n"
           "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
           "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
           "<title>Titel</title>\r\n</head>\r\n<body>\r\n"
           " <p>Große XML Dateien in einem Browser anzuzeigen, kann zu sehr großem Resoucenverbrauch führen.</p>\r\n"
           " <a href=\"file:///" + url + "\">Um die Daten dennoch anzuzeigen, klicken Sie bitte auf "
           "diesen Link</a>\r\n</body>\r\n</html> ";
}

bool WriteLargeFilePage(const std::string& reportFile, const std::string& pathName) {
    std::ofstream out(reportFile, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << LargeFilePageText(pathName);
    return static_cast<bool>(out);
}

std::string PrintText(const COutputList& output) {
    std::string text;
    for (const OutputLine& line : output.Lines()) {
        if (!text.empty()) text += '\r';
        text += line.text;
    }
    return text;
}

}  // namespace valorix
