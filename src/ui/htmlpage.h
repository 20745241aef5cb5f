// The browser page of a checked file: its XML as browsers show XML (indented,
// tags, attributes and values coloured, elements with children collapsible),
// each finding written below the element it refers to, red for errors and
// blue for hints and warnings, and the report's lines at the top, those of
// findings linking to them. The page is made from the document's text and
// its report alone, needs no script for any of this, and escapes every piece
// of the file's text. With the file's facts it is the report to share
// (valorix-check --html, "Bericht speichern..."): the findings as a table,
// line numbers, a print style sheet, no script at all, and for large files
// only the lines around the findings.
#pragma once
#include "platform/sha256.h"
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/summary.h"
#include "xml/textpage.h"
#include "ui/viewmodel.h"

namespace valorix {

/// From this many bytes on, a file is large: the desktop program shows no
/// page of its text, and a report shows only the lines around its findings.
constexpr uint32_t kLargeFileBytes = 100000;

/// What a shared report says of its file and of the check, above the
/// findings (all UTF-8). A page with these facts is a report: no script,
/// a findings table, line numbers and a print style sheet.
struct HtmlReportFacts {
    std::string name;
    uint64_t size = 0;
    std::string sha256;
    std::string checkTime;
    std::string version;
    std::string sclDate;
    /// Above the large-file bound: only the lines around the findings.
    bool excerpt = false;
};

struct HtmlPageInput {
    const std::string* text = nullptr;  ///< the text page's bytes
    bool utf8 = true;                   ///< the file is UTF-8 (else Windows-1252)
    std::string title;                  ///< the file's name (UTF-8)
    const COutputList* report = nullptr;
    /// The text page's marks: a finding takes the colour of the mark at its element.
    const std::vector<CTextPageModel::Mark>* marks = nullptr;
    /// A report line (Windows-1252) as UTF-8; null: plain conversion.
    std::function<std::string(std::string_view)> lineText;
    /// Set: the page is the report to save and share.
    const HtmlReportFacts* facts = nullptr;
    /// The slip of a payment file, shown as tables at the top; null: none.
    const FileSummary* summary = nullptr;
};

/// The page as UTF-8 HTML.
std::string HtmlPage(const HtmlPageInput& input);
/// Writes the page to `file`; false when it cannot be written.
bool WriteHtmlPage(const std::string& file, const HtmlPageInput& input);

/// The facts of a file read as `bytes`, checked at `checkTime` (a day count
/// as NowDate gives it); `large`: only the lines around the findings.
HtmlReportFacts ReportFacts(std::string_view bytes, const std::string& name, double checkTime,
                            const std::string& version, const std::string& sclDate, bool large);

/// The SHA-256 of `bytes` as 64 lower-case hex digits.


/// The summary slip as HTML (UTF-8): a heading, a table of the file's
/// values and one of its payment blocks with the totals, differences from
/// the declared NbOfTxs/CtrlSum marked "abweichend!". Well-formed XML.
std::string SummaryHtml(const FileSummary& summary);

/// Text as HTML text: "<", ">", "&" and quotes escaped, control characters
/// (but tab and line ends) shown as their pictures, U+FFFE and U+FFFF (no
/// characters of XML) by their code (a backslash, "uFFFE" or "uFFFF"), a
/// byte that is no part of valid UTF-8 as its Windows-1252 character.
std::string HtmlEscape(std::string_view text);
/// The same for a text of one line, a name: tab and line ends as pictures, too.
std::string HtmlEscapeLine(std::string_view text);

}  // namespace valorix
