// The online check at start-up (the update server's status page: newest
// program version with its update page, date of the newest SCL directory),
// the program update offer, and the download that replaces the local SCL
// directory. The BIC check is only as good as that directory.
#pragma once
#include <string>

#include "online/http.h"

namespace valorix {

class AppValues;
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

/// Only http and https addresses without control characters or blanks are
/// opened as the update page.
bool IsWebAddress(const std::string& url);

/// Compares two versions part by part ("1.10.0" > "1.9.2"): numeric parts
/// as numbers, any other part as text; a missing part counts as 0.
/// Negative, zero or positive like strcmp.
int CompareVersions(const std::string& a, const std::string& b);

/// How the online check ended.
enum class OnlineOutcome {
    NotConfigured,      ///< no update host set up: nobody was asked, nothing shown
    Offline,            ///< the machine has no network (said)
    Failed,             ///< the server could not be asked or its answer is unusable (said, with the cause)
    Current,            ///< asked: nothing newer, or the user declined the offers
    WantsSclDirectory,  ///< the user wants the newer SCL directory
    WantsProgramUpdate, ///< the user wants the program update
};

/// The online check: asks the update server (or, with [DEBUG] OTHER, the
/// data folder's "SCL2.htm"), offers a newer program and then a newer SCL
/// directory. Shows its own messages through `prompt`.
OnlineOutcome RunOnlineCheck(AppValues& app, IPrompt& prompt, const OnlineSettings& settings, bool windowVisible);

/// The line a front end shows when no update server is set up.
extern const char* const kNoUpdateServer;

struct SclDownload {
    enum Outcome { Replaced, NotNewer, Failed, Busy } outcome = Failed;
    std::string message;  ///< CP1252, as shown
};

/// The download of the update server's SCL directory over the local one.
/// The local file is replaced only by a complete, valid and newer
/// directory, in one step (a unique temporary file in the target folder,
/// synced, renamed, the folder synced); a second download meanwhile, from
/// this or another process, is refused while the first holds the lock.
SclDownload DownloadSclDirectory(AppValues& app, IPrompt& prompt, const OnlineSettings& settings,
                                 bool windowVisible);

/// The result of the start-up check in the window: a newer program's page is
/// opened (true: the program should close), or the browser cannot start.
bool OpenUpdatePage(AppValues& app, IPrompt& prompt);

}  // namespace valorix
