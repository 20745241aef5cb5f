// The report of a checked document, without the structure view: the output
// pane's lines as the command line prints them. A check has applied every
// rule of tree mode when its load ends; in event mode the rule pass runs here,
// drawing nothing. The closing messages (BICs that could not be asked, the
// summary slip's hints) are the same the desktop view adds.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rules/summary.h"
#include "ui/viewmodel.h"
#include "xml/textpage.h"

namespace valorix {

class CheckDocument;
class AppValues;
class IPrompt;

enum class FillResult {
    NoFile,        ///< only the "Dateiname" row
    NotWellFormed, ///< only the file row
    Filled,        ///< structure, rules and report
    Cancelled,     ///< the user stopped the fill: the caller closes the document
};

/// What the caller adds to the report of a well-formed file.
struct ReportHooks {
    /// The summary slip, made once the checks are done (the caller reads the
    /// file's own bytes for its hash); null: none.
    std::function<FileSummary()> summarize;
    /// Further lines (CP1252) for the report's summary, given the slip (null
    /// when none was made); null: none.
    std::function<std::vector<std::string>(const FileSummary*)> summaryHints;
};

/// The closing messages of a well-formed file's check: the hint about BICs
/// that could not be asked for want of a valid SCL directory (once), then the
/// hooks' lines. Returns the slip the hooks made.
std::optional<FileSummary> AddClosingMessages(CheckDocument& doc, const ReportHooks& hooks);

struct CheckReport {
    FillResult result = FillResult::NoFile;
    std::optional<FileSummary> summary;  ///< the slip the hooks made
};

/// Fills `output` with the report of the loaded document and `page` with its
/// text and marks.
CheckReport FillReport(CheckDocument& doc, AppValues& app, IPrompt& prompt, ITextPage& page, COutputList& output,
                       const ReportHooks& hooks);

/// The time the check took, in whole seconds; said when the profile asks for it.
long TellCheckTime(const CheckDocument& doc, const AppValues& app, IPrompt& prompt);

}  // namespace valorix
