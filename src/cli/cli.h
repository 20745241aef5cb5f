// valorix-check: the command-line front end over the check engine.
#pragma once
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "rules/summary.h"
#include "ui/checkreport.h"

namespace valorix {

class AppValues;
class IPrompt;
class CheckDocument;
class COutputList;
struct CArchive;

/// Runs valorix-check with `args` (without the program name). Exit status: 0
/// every file passed, 1 some file did not, 2 usage error or a file that could
/// not be read or checked.
/// A file named "-" is read from standard input (`in`).
int RunValorixCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunValorixCheck(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

/// What a check computes beside its report: the summary slip, once, and the
/// summary lines that depend on it (the history's warning).
using CheckHooks = ReportHooks;

/// Checks the file behind `ar` into `doc` and fills `report` with the output
/// pane's lines, as the desktop view does. Throws CNvException when the file
/// cannot be checked. `text` (when given) receives the text page with its
/// marks. Returns the slip `hooks.summarize` made (none when it was not asked
/// for or the file is not well-formed).
std::optional<FileSummary> CheckIntoReport(CheckDocument& doc, AppValues& app, IPrompt& prompt, CArchive& ar,
                                           COutputList& report, ITextPage* text = nullptr, const CheckHooks& hooks = {});

}  // namespace valorix
