// The help command (the short manual beside the program) and the about box's
// date of the SCL directory.
#pragma once
#include <string>

namespace valorix {

class AppValues;
class IPrompt;

/// Opens "Valorix.pdf" of the program folder with the desktop's viewer, or
/// tells why it cannot; does nothing while an earlier call still runs.
void RunHelp(AppValues& app, IPrompt& prompt);

/// The about box's date of the SCL directory from its "STAND" (YYMMDD, the
/// year possibly longer): "07.11.2016" for 161107, "n.a." when shorter than
/// six characters, "Invalid DateTime" when the numbers form no date.
std::string SclDateText(const std::string& stand);

/// The about box's line on the online update: the server asked, or that
/// none is set up (and where to set one up). `host` as OnlineSettings has it.
std::string OnlineUpdateLine(const std::string& host);

/// The about box's version line.
std::string VersionLine(const std::string& version);

}  // namespace valorix
