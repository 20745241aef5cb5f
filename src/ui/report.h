// The check report: the output pane's lines, the marks in the text page and
// the browser page's content.
#pragma once
#include <string>

#include "xml/textpage.h"
#include "ui/viewmodel.h"
#include "xml/finding.h"

namespace valorix {

class CheckDocument;
class CTextColumns;

/// Fills `output` (emptied by the caller) and marks `page`.
void BuildReport(ITextPage& page, COutputList& output, const CheckDocument& doc);
/// The same with the column conversion of the page's text already at hand.
void BuildReport(ITextPage& page, const CTextColumns& columns, COutputList& output, const CheckDocument& doc);

/// Marks the text a finding refers to; returns where the marked element starts, or -1.
long MarkFinding(ITextPage& page, int line, int column, const std::string& text, int kind);
/// The same with the conversion of parser columns to text positions of the
/// page's text (built once per report).
long MarkFinding(ITextPage& page, const CTextColumns& columns, int line, int column, const std::string& text, int kind);

/// The verdict line of the output pane: a correct-file verdict reads as a
/// schema failure when some finding is an error ("Fehler:").
std::string ReportVerdictLine(const std::string& verdict, const Findings& findings);

/// The short page (UTF-8) shown instead of a large file, linking to
/// `pathName` (UTF-8, as the file system names it).
std::string LargeFilePageText(const std::string& pathName);
/// Writes the large-file page to `reportFile`; false when it cannot be created.
bool WriteLargeFilePage(const std::string& reportFile, const std::string& pathName);

/// The output lines joined by a carriage return, for printing.
std::string PrintText(const COutputList& output);

}  // namespace valorix
