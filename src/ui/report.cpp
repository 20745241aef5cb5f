#include "ui/report.h"

#include <algorithm>
#include <fstream>

#include "core/tavrel1doc.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "rules/findings.h"

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

// Stray umlauts and sharp s of a file that is not well-formed, in text order.
std::vector<long> StrayCharacters(const ITextPage& page) {
    std::vector<long> hits;
    for (const char* c : {"\xE4", "\xF6", "\xFC", "\xDF"}) {
        for (long p = page.Find(c, 0, -1, ForwardNoCase()); p >= 0; p = page.Find(c, p + 1, -1, ForwardNoCase()))
            hits.insert(std::upper_bound(hits.begin(), hits.end(), p), p);
    }
    return hits;
}

}  // namespace

std::string ReportVerdictLine(const std::string& verdict, const std::vector<std::string>& detailTexts) {
    const size_t at = verdict.find("korrektes SEPA XML");
    if (at == std::string::npos || at == 0) return verdict;
    const bool error = std::any_of(detailTexts.begin(), detailTexts.end(),
                                   [](const std::string& t) { return StartsWith(t, "Fehler:"); });
    if (!error) return verdict;
    std::string line = verdict;
    const std::string from = "korrektes SEPA XML Dokument ";
    const size_t pos = line.find(from);
    if (pos != std::string::npos) line.replace(pos, from.size(), "XML Dokument, das nicht der Schemadefinition ");
    if (!line.empty()) line.pop_back();
    return line + " entspricht!";
}

long MarkFinding(ITextPage& page, int L, int C, const std::string& M, int kind) {
    const uint32_t colour = kind == 2 ? kBlue : kRed;
    long result = -1;
    const std::string lineText = page.GetLineText(L - 1);
    const long lineStart = page.LineIndex(L - 1);
    long u = 0;
    for (long i = 0; i < std::min<long>(C, static_cast<long>(lineText.size())); ++i)
        if (static_cast<unsigned char>(lineText[static_cast<size_t>(i)]) == 0xC3) ++u;
    const long prefixLength = std::clamp<long>(C - 1 + u, 0, static_cast<long>(lineText.size()));
    const std::string prefix = lineText.substr(0, static_cast<size_t>(prefixLength));

    if (Contains(prefix, "<") && lineStart >= 0) {
        std::string opening, closing;
        if (EndsWith(prefix, ">")) {
            const std::string t = prefix.substr(prefix.rfind('<'));
            if (StartsWith(t, "</")) {
                closing = t.substr(0, t.size() - 1);
                opening = "<" + t.substr(2, t.size() - 3);
            } else {
                opening = t;
            }
        }
        bool messageTags = false;
        for (const char* head : {"Unknown element '", "Unbekanntes Element '", "Element '"}) {
            if (!StartsWith(M, head)) continue;
            const size_t start = std::char_traits<char>::length(head);
            const size_t end = M.find('\'', start);
            const std::string name = M.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!name.empty()) {
                opening = "<" + name;
                closing = "</" + name;
                messageTags = true;
            }
            break;
        }
        if (opening.empty()) return -1;
        const long s0 = lineStart + C - (messageTags ? 2 : 1);
        long s = page.Find(opening, s0, -1, Backward());
        if (s < 0) return -1;
        const std::string& text = page.GetText();
        const long openLen = static_cast<long>(opening.size());
        if (s + openLen < static_cast<long>(text.size()) && text[static_cast<size_t>(s + openLen)] == '/') {
            const long earlier = page.Find(opening, s, -1, Backward());
            if (earlier >= 0) s = earlier;
        }
        result = s;
        if (!closing.empty()) {
            const long closeLen = static_cast<long>(closing.size());
            const long limit = messageTags ? lineStart + C - 1 + closeLen + 101 : -1;
            const long e = page.Find(closing, s, limit, ForwardNoCase());
            if (e >= 0) {
                page.SetSel(s, e + closeLen + 1);
            } else {
                const long f = page.Find("/>", s, limit, ForwardNoCase());
                if (f >= 0) page.SetSel(s, f + 2);
                else page.SetSel(s, s + openLen);
            }
        } else {
            page.SetSel(s, s + openLen);
        }
        page.FormatSelection(colour);
        return result;
    }
    if (lineStart < 0 || !(StartsWith(M, "No character data") || StartsWith(M, A("Das Inhaltsmodell erlaubt keine Zeichen"))))
        return result;
    long p = lineStart + C - 1;
    const long q = page.Find("<", p - 1, -1, Backward());
    if (q < 0) return result;
    const long gt = page.Find(">", q, p - 1, ForwardNoCase());
    result = gt >= 0 ? gt + 1 : 0;
    if (gt >= 0 && TrimRight(prefix).empty()) p -= C;
    page.SetSel(result, p);
    page.FormatSelection(colour);
    return result;
}

void BuildReport(ITextPage& page, COutputList& output, const CTavrel1Doc& doc) {
    if (!doc.m_messages.empty()) output.AddLine(ReportVerdictLine(doc.m_messages[0], doc.m_detailTexts), 0);
    for (size_t i = 1; i < doc.m_messages.size(); ++i) output.AddLine(doc.m_messages[i], 0);
    if (doc.m_subtype == 0 && doc.m_isEmw == 0 && doc.m_xmlnsRepeated != 0)
        output.AddLine(A("Eine Wiederholung des Namensraum Attributs (xmlns) ist in Sub Feldern (Tags) nicht nötig und "
                         "kann in den Verarbeitungssystemen zur Abweisung der gesamten Datei führen."),
                       0);
    if (doc.m_checkState == 0 && doc.m_declPosition <= 0) {
        page.HideSelection(true);
        for (long p : StrayCharacters(page)) {
            const int line = page.LineFromChar(p);
            output.AddLine(FindingLine(line + 1, static_cast<int>(p - page.LineIndex(line) + 1),
                                       A("Text enthält ungültige(s) Zeichen!")),
                           p);
            page.SetSel(p, p + 1);
            page.FormatSelection(kRed);
        }
        page.SetCaret(0);
        page.HideSelection(false);
    }
    if (doc.m_detailTexts.empty()) return;
    page.HideSelection(true);
    for (size_t i = 0; i < doc.m_detailTexts.size(); ++i) {
        const long position = MarkFinding(page, doc.m_detailLines[i], doc.m_detailColumns[i], doc.m_detailTexts[i],
                                          doc.m_detailKinds[i]);
        std::string text = doc.m_detailTexts[i];
        if (text == finding::kMissingReference && doc.m_missingRefHints > 1) {
            text += " ";
            if (doc.m_missingRefHints == 2) text += "Diese ist auch in einem weiteren Auftrag nicht angegeben.";
            else
                text += Format(A("Diese ist in %d weiteren Aufträgen ebenfalls nicht angegeben.").c_str(),
                               static_cast<int>(doc.m_missingRefHints - 1));
        }
        output.AddLine(FindingLine(doc.m_detailLines[i], doc.m_detailColumns[i], text), position);
    }
    page.SetCaret(0);
    page.HideSelection(false);
}

std::string LargeFilePageText(const std::string& pathName) {
    std::string target = pathName;
    std::replace(target.begin(), target.end(), '\\', '/');
    if (StartsWith(target, "/")) target.erase(0, 1);  // file:/// already carries the root
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n"
        "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
        "<html>\r\n<head>\r\n<title>Titel</title>\r\n</head>\r\n<body>\r\n" +
        A(" <p>Große XML Dateien in einem Browser anzuzeigen, kann zu sehr großem Resoucenverbrauch führen.</p>\r\n") +
        " <a href=\"file:///[TARGETNAME]\" target=\"_blank\">Um die Daten dennoch anzuzeigen, klicken Sie bitte auf "
        "diesen Link</a>\r\n</body>\r\n</html> ";
    const std::string placeholder = "[TARGETNAME]";
    page.replace(page.find(placeholder), placeholder.size(), target);
    return page;
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
