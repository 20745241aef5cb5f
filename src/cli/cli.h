// valorix-check: the command-line front end over the check engine.
#pragma once
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace valorix {

class ITextPage;

class AppValues;
class IPrompt;
class CheckDocument;
class COutputList;
class CStructureModel;
struct CArchive;

/// Runs valorix-check with `args` (without the program name). Exit status: 0
/// every file passed, 1 some file did not, 2 usage error or a file that could
/// not be read or checked.
/// A file named "-" is read from standard input (`in`).
int RunValorixCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunValorixCheck(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

/// Checks the file behind `ar` into `doc` and fills `report` with the output
/// pane's lines, as the desktop view does, and `structure` (when given) with
/// the grid rows and tree items. Throws CNvException when the file cannot be
/// checked. `text` (when given) receives the text page with its marks.
void CheckIntoReport(CheckDocument& doc, AppValues& app, IPrompt& prompt, CArchive& ar, COutputList& report,
                     CStructureModel* structure = nullptr, ITextPage* text = nullptr,
                     std::function<std::vector<std::string>()> summaryHints = {});

}  // namespace valorix
