// The online check at start-up (the update server's status page: newest
// program version with its update page, date of the newest SCL directory),
// the program update offer, and the download that replaces the local SCL
// directory. The BIC check is only as good as that directory.
#pragma once
#include <string>

#include "online/http.h"

namespace valorix {

class CTavrel1App;
class IPrompt;

/// What the status page announces.
struct StatusPage {
    std::string version;    ///< newest program version; empty: none
    std::string url;        ///< the update page ("URL : #"), empty when none or not closed
    bool urlMarker = false; ///< the version's "URL : #" marker was found (the address is stored then)
    std::string dateField;  ///< after "STAND2 : #": 8 characters (fewer at the end); the whole answer without the marker
};

/// Reads the three markers "PRGVER : #", "URL : #" and "STAND2 : #".
StatusPage ParseStatusPage(const std::string& answer);

/// Only http and https addresses are opened as the update page.
bool IsWebAddress(const std::string& url);

enum OnlineResult { kNothingToDo = 0, kWantsSclDirectory = 1, kWantsProgramUpdate = 2 };

/// The online check: asks the update server (or, with [DEBUG] OTHER, the
/// data folder's "SCL2.htm"), offers a newer program and then a newer SCL
/// directory. Shows its own messages through `prompt`.
int RunOnlineCheck(CTavrel1App& app, IPrompt& prompt, const OnlineSettings& settings, bool windowVisible);

/// The download of the update server's SCL directory over the local one,
/// which is replaced only by a complete, newer directory, in one step.
/// Returns the message it showed.
std::string DownloadSclDirectory(CTavrel1App& app, IPrompt& prompt, const OnlineSettings& settings,
                                 bool windowVisible);

/// The result of the start-up check in the window: a newer program's page is
/// opened (true: the program should close), or the browser cannot start.
bool OpenUpdatePage(CTavrel1App& app, IPrompt& prompt);

}  // namespace valorix
