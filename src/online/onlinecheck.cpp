#include "online/onlinecheck.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/app.h"
#include "platform/codepage.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "platform/strutil.h"

namespace valorix {

namespace {
constexpr size_t kStatusPageLimit = 64 * 1024;
constexpr size_t kDirectoryLimit = 64 * 1024 * 1024;

const char* const kCannotCheck = "Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden!";
const char* const kIncomplete = "Die Daten konnten nicht vollständig heruntergeladen werden!";

// The debug answer: the data folder's "SCL2.htm", read in chunks of 99
// bytes, each taken up to its first zero byte.
std::string DebugAnswer(const std::string& dataFolder) {
    std::ifstream in(dataFolder + "/SCL2.htm", std::ios::binary);
    std::ostringstream raw;
    raw << in.rdbuf();
    return TextOfChunks(raw.str(), 99);
}
}  // namespace

StatusPage ParseStatusPage(const std::string& answer) {
    StatusPage page;
    static const std::string kVersion = "PRGVER : #", kUrl = "URL : #", kDate = "STAND2 : #";
    const size_t v = answer.find(kVersion);
    if (v != std::string::npos) {
        const std::string rest = answer.substr(v + kVersion.size());
        const size_t n = rest.find('#');
        if (!rest.empty() && n != std::string::npos && n != 0) {
            const size_t u = rest.find(kUrl, n);
            if (u != std::string::npos) {
                page.urlMarker = true;
                const std::string after = rest.substr(u + kUrl.size());
                const size_t end = after.find('#');
                page.url = end == std::string::npos ? std::string() : after.substr(0, end);
                if (!page.url.empty()) page.version = rest.substr(0, n);
            }
        }
    }
    const size_t d = answer.find(kDate);
    page.dateField = d == std::string::npos ? answer : answer.substr(d + kDate.size(), 8);
    return page;
}

bool IsWebAddress(const std::string& url) {
    std::string lower = url.substr(0, 8);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return StartsWith(lower, "http://") || StartsWith(lower, "https://");
}

int RunOnlineCheck(CTavrel1App& app, IPrompt& prompt, const OnlineSettings& settings, bool windowVisible) {
    // 1
    if (!IsConnected()) {
        prompt.Message(A("Es besteht derzeit keine Verbindung zum Internet!\r\nUm den STAND des SCL Verzeichnisses zu "
                         "prüfen ist eine Internetverbindung notwendig!\r\nBitte stellen Sie dazu vor dem Aufruf des "
                         "Programms eine Internetverbindung her."));
        return kNothingToDo;
    }
    // 2
    std::string answer;
    if (app.m_profile.GetInt("DEBUG", "OTHER", 0) != 0) answer = DebugAnswer(app.m_strDataFolder);
    if (answer.empty()) {
        CHttpClient client(settings, prompt, windowVisible);
        const HttpAnswer got = client.GetText("/valorix/SCL2.htm", kStatusPageLimit);
        if (got.Succeeded()) answer = got.text;
    }
    // 3, 4
    StatusPage page;
    if (!answer.empty()) {
        page = ParseStatusPage(answer);
        // Only a web address is ever opened: anything else counts as none.
        if (page.urlMarker) app.m_strUpdateUrl = IsWebAddress(page.url) ? page.url : std::string();
        if (!IsWebAddress(page.url)) page.version.clear();
        app.m_strUpdateVersion = page.version;
    }
    // 5
    if (page.dateField.size() != 8) {
        prompt.Message(A(kCannotCheck));
        return kNothingToDo;
    }
    // 6: the program update offer
    if (!page.version.empty() && !app.m_strUpdateUrl.empty() && page.version > app.m_strVersion) {
        if (prompt.AskYesNo(A("Es liegt eine neue Version des Valorix vor.") +
                            A("\nSie sollten ein Update durchführen, bevor Sie die Applikation weiter verwenden.\n"
                              "Wählen Sie \"Ja\", um ein Update zu installieren und folgen Sie den Anweisungen der "
                              "nachfolgenden Internetseite.") +
                            A("\n\nWollen Sie jetzt das Update installieren?")))
            return kWantsProgramUpdate;
    }
    // 7: a newer SCL directory
    const std::string& date = page.dateField;
    if (app.m_strSclStand < date.substr(2)) {
        const std::string question =
            Format("Es liegt ein neues SCL Verzeichnis (Stand %s.%s.%s) der Deutschen Bundesbank vor.\r\n\r\n"
                   "Wollen Sie dieses jetzt herunterladen?",
                   date.substr(6, 2).c_str(), date.substr(4, 2).c_str(), date.substr(0, 4).c_str());
        if (prompt.AskYesNo(question)) return kWantsSclDirectory;
    }
    return kNothingToDo;
}

std::string DownloadSclDirectory(CTavrel1App& app, IPrompt& prompt, const OnlineSettings& settings,
                                 bool windowVisible) {
    // 1
    const std::string inProgram = app.m_programFolder + "NVSCL.INI";
    const std::string target = IsFile(inProgram) ? inProgram : app.m_strDataFolder + "/NVSCL.INI";
    const std::string temporary = target + ".down";
    // 2, 3
    CHttpClient client(settings, prompt, windowVisible);
    const HttpAnswer got = client.GetFile("/valorix/NVSCL.map", temporary, kDirectoryLimit);
    // 4
    std::string message;
    const std::string stand = got.Succeeded() && got.bytes > 0 ? ReadIniString(temporary, "BIC", "STAND", "", 1024) : "";
    if (!got.Succeeded() || got.bytes == 0 || stand.size() != 6) {
        message = A(kIncomplete);
    } else if (!(stand > app.m_strSclStand)) {
        message = A("Es liegen keinen neuen Daten vor!");
    } else {
        message = Format("Die aktuellen Daten (Stand %s.%s.20%s) wurden korrekt heruntergeladen!",
                         stand.substr(4, 2).c_str(), stand.substr(2, 2).c_str(), stand.substr(0, 2).c_str());
        // The complete file takes the target's place in one step, or not at all.
        std::error_code ec;
        std::filesystem::rename(temporary, target, ec);
        if (ec) message += "\r\nSie konnten aber nicht als " + PathText(target) + "\r\ngeschrieben werden!";
        else app.m_strSclStand = stand;
        app.m_strSclIniPath = target;
    }
    // 5
    std::remove(temporary.c_str());
    // 6
    prompt.Message(message);
    return message;
}

bool OpenUpdatePage(CTavrel1App& app, IPrompt& prompt) {
    if (IsWebAddress(app.m_strUpdateUrl) && prompt.OpenUrl(app.m_strUpdateUrl)) return true;
    prompt.Message("Ihr Internet Browser kann nicht gestartet werden!");
    return false;
}

}  // namespace valorix
