// The printed result of one check, for the terminal (UTF-8) and as JSON.
#pragma once
#include <ostream>
#include <string>

#include "xml/finding.h"

namespace valorix {

class CheckDocument;
class COutputList;
struct FileSummary;

/// The output pane's lines, one per line.
void PrintReport(const COutputList& report, std::ostream& out);
/// One JSON object on one line: the check's values, verdict, messages,
/// findings and report lines (doc/valorix-check.schema.json describes it).
/// `sclStand` is the STAND of the SCL directory the check used ("" for none).
/// `summary`: the slip of a payment file, written as "summary"; null: the
/// key is left out (no payment file).
void PrintJson(const CheckDocument& doc, const COutputList& report, const std::string& file,
               const std::string& sclStand, std::ostream& out, const FileSummary* summary = nullptr);
/// The JSON object of a file that was not read or not checked: the same keys,
/// "checkState" -1, "status" 2 and `message` (UTF-8, the text printed after
/// "valorix-check: ") as its only message. `file` is the name as given (UTF-8).
void PrintJsonUnchecked(const std::string& file, const std::string& message, std::ostream& out);
/// True when the verdict is positive and no finding is an error.
bool CheckPassed(const CheckDocument& doc);
/// A finding's severity: "charset" (a warning of the parser), "hint", "warning" or "error".
const char* FindingSeverity(const Finding& finding);

}  // namespace valorix
