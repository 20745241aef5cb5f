#include "online/onlinecheck.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/app.h"
#include "platform/codepage.h"
#include "platform/filelock.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "platform/strutil.h"
#include "rules/scldirectory.h"

namespace valorix {

namespace {
constexpr size_t kStatusPageLimit = 64 * 1024;
constexpr size_t kDirectoryLimit = 8 * 1024 * 1024;  // the Bundesbank's has a few thousand banks

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
std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0, end;
    while ((end = text.find(separator, start)) != std::string::npos) {
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
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
    if (HasControlCharacters(url) || url.find(' ') != std::string::npos) return false;
    std::string lower = url.substr(0, 8);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return StartsWith(lower, "http://") || StartsWith(lower, "https://");
}

int CompareVersions(const std::string& a, const std::string& b) {
    const std::vector<std::string> x = Split(a, '.'), y = Split(b, '.');
    for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
        const std::string p = i < x.size() && !x[i].empty() ? x[i] : "0", q = i < y.size() && !y[i].empty() ? y[i] : "0";
        const bool numeric = p.size() <= 9 && q.size() <= 9 &&
                             p.find_first_not_of("0123456789") == std::string::npos &&
                             q.find_first_not_of("0123456789") == std::string::npos;
        const int order = numeric ? (std::stol(p) > std::stol(q)) - (std::stol(p) < std::stol(q)) : p.compare(q);
        if (order != 0) return order < 0 ? -1 : 1;
    }
    return 0;
}

const char* const kNoUpdateServer = "Kein Aktualisierungsserver eingerichtet (Profil ONLINE/HOST).";

OnlineOutcome RunOnlineCheck(AppValues& app, IPrompt& prompt, const OnlineSettings& settings, bool windowVisible) {
    // The answer of the data folder's file stands in for the server's.
    std::string answer;
    if (app.m_profile.GetInt("DEBUG", "OTHER", 0) != 0) answer = DebugAnswer(app.m_strDataFolder);
    if (answer.empty() && !settings.Configured()) return OnlineOutcome::NotConfigured;
    if (answer.empty()) {
        if (!IsConnected()) {
            prompt.Message(A("Es besteht derzeit keine Verbindung zum Internet!\r\nUm den STAND des SCL Verzeichnisses "
                             "zu prüfen ist eine Internetverbindung notwendig!\r\nBitte stellen Sie dazu vor dem Aufruf "
                             "des Programms eine Internetverbindung her."));
            return OnlineOutcome::Offline;
        }
        CHttpClient client(settings, prompt, windowVisible);
        const HttpAnswer got = client.GetText("/valorix/SCL2.htm", kStatusPageLimit, settings.statusDeadlineMs,
                                              "STATUS_DEADLINE_MS");
        if (!got.Succeeded()) {
            prompt.Message(A(kCannotCheck) + "\r\n" + got.cause);
            return OnlineOutcome::Failed;
        }
        answer = got.text;
    }
    StatusPage page = ParseStatusPage(answer);
    // Only a web address is ever opened, and only a version without control
    // characters is shown: anything else counts as none.
    if (page.urlMarker) app.m_strUpdateUrl = IsWebAddress(page.url) ? page.url : std::string();
    if (!IsWebAddress(page.url) || HasControlCharacters(page.version)) page.version.clear();
    app.m_strUpdateVersion = page.version;
    // The directory's date: eight digits YYYYMMDD of this century naming a real day.
    const std::string& date = page.dateField;
    if (date.size() != 8 || !StartsWith(date, "20") || !IsPlausibleStand(date.substr(2))) {
        prompt.Message(A(kCannotCheck) + "\r\n" +
                       (date.size() == 8 ? A("Die Statusseite nennt kein gültiges Datum des SCL Verzeichnisses.")
                                         : A("Die Statusseite enthält kein Datum des SCL Verzeichnisses.")));
        return OnlineOutcome::Failed;
    }
    // The program update offer.
    if (!page.version.empty() && !app.m_strUpdateUrl.empty() && CompareVersions(page.version, app.m_strVersion) > 0) {
        if (prompt.AskYesNo(A("Es liegt eine neue Version des Valorix vor.") +
                            A("\nSie sollten ein Update durchführen, bevor Sie die Applikation weiter verwenden.\n"
                              "Wählen Sie \"Ja\", um ein Update zu installieren und folgen Sie den Anweisungen der "
                              "nachfolgenden Internetseite.") +
                            A("\n\nWollen Sie jetzt das Update installieren?")))
            return OnlineOutcome::WantsProgramUpdate;
    }
    // A newer SCL directory; a local date that is no valid date is older than any.
    if (SclStandIsNewer(date.substr(2), app.m_strSclStand)) {
        const std::string question =
            Format("Es liegt ein neues SCL Verzeichnis (Stand %s.%s.%s) der Deutschen Bundesbank vor.\r\n\r\n"
                   "Wollen Sie dieses jetzt herunterladen?",
                   date.substr(6, 2).c_str(), date.substr(4, 2).c_str(), date.substr(0, 4).c_str());
        if (prompt.AskYesNo(question)) return OnlineOutcome::WantsSclDirectory;
    }
    return OnlineOutcome::Current;
}

namespace {

// Temporary files of downloads that were killed: their names are unique, so
// no later run reads them; under the lock, nobody writes them any more.
void RemoveLeftovers(const std::string& target) {
    const std::filesystem::path t = FsPath(target);
    std::error_code ec;
    std::filesystem::remove(FsPath(target + ".down"), ec);
    for (const auto& entry : std::filesystem::directory_iterator(t.parent_path().empty() ? "." : t.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        const std::string prefix = t.filename().string() + ".down-";
        if (StartsWith(name, prefix) && name.size() == prefix.size() + 6)
            std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace

SclDownload DownloadSclDirectory(AppValues& app, IPrompt& prompt, const OnlineSettings& settings,
                                 bool windowVisible) {
    SclDownload result;
    auto finish = [&](SclDownload::Outcome outcome, const std::string& message) {
        result.outcome = outcome;
        result.message = message;
        prompt.Message(message);
        return result;
    };
    if (!settings.Configured()) return finish(SclDownload::Failed, A(kNoUpdateServer));
    const std::string target = app.SclTargetPath();
    // The lock that keeps two downloads (two program runs, a desktop start and
    // a scheduled job) from writing the same directory at once.
    CFileLock lock(target + ".lock");
    if (!lock.Held())
        return finish(SclDownload::Busy, A("Das SCL Verzeichnis wird gerade von einem anderen Programmlauf "
                                           "heruntergeladen.\r\nBitte versuchen Sie es später noch einmal."));
    RemoveLeftovers(target);
    // Another run may have replaced the directory since this one read its date.
    if (IsFile(target)) app.m_strSclStand = ReadSclStand(target);

    std::string temporary = target + ".down-XXXXXX";
    const int fd = CreateUniqueFile(temporary);
    if (fd < 0)
        return finish(SclDownload::Failed, A(kIncomplete) + "\r\n" + A("Die Datei ") + ShownPath(temporary) +
                                               A(" kann nicht angelegt werden."));
    CHttpClient client(settings, prompt, windowVisible);
    const HttpAnswer got =
        client.GetFile("/valorix/NVSCL.map", fd, kDirectoryLimit, settings.downloadDeadlineMs, "DOWNLOAD_DEADLINE_MS");
    const bool synced = got.Succeeded() && SyncDescriptor(fd);
    CloseDescriptor(fd);
    auto discard = [&](SclDownload::Outcome outcome, const std::string& message) {
        std::remove(temporary.c_str());
        return finish(outcome, message);
    };
    if (!got.Succeeded() || got.bytes == 0)
        return discard(SclDownload::Failed,
                       A(kIncomplete) + "\r\n" + (got.cause.empty() ? A("Der Server lieferte keine Daten.") : got.cause));
    if (!synced)
        return discard(SclDownload::Failed, A(kIncomplete) + "\r\n" + A("Die Daten können nicht gespeichert werden."));
    const SclFileCheck check = ValidateSclDirectory(temporary);
    if (!check.valid)
        return discard(SclDownload::Failed,
                       A("Das heruntergeladene SCL Verzeichnis ist fehlerhaft und wurde nicht übernommen!\r\n") +
                           check.reason);
    if (!SclStandIsNewer(check.stand, app.m_strSclStand))
        return discard(SclDownload::NotNewer, A("Es liegen keinen neuen Daten vor!"));

    const std::string& stand = check.stand;
    std::string message = Format("Die aktuellen Daten (Stand %s.%s.20%s) wurden korrekt heruntergeladen!",
                                 stand.substr(4, 2).c_str(), stand.substr(2, 2).c_str(), stand.substr(0, 2).c_str());
    // The complete file takes the target's place in one step, or not at all.
    app.m_strSclIniPath = target;
    if (!ReplaceWithTemporary(temporary, target)) {
        message += "\r\nSie konnten aber nicht als " + ShownPath(target) + "\r\ngeschrieben werden!";
        return finish(SclDownload::Failed, message);
    }
    app.m_strSclStand = stand;
    return finish(SclDownload::Replaced, message);
}

bool OpenUpdatePage(AppValues& app, IPrompt& prompt) {
    if (IsWebAddress(app.m_strUpdateUrl) && prompt.OpenUrl(app.m_strUpdateUrl)) return true;
    prompt.Message("Ihr Internet Browser kann nicht gestartet werden!");
    return false;
}

}  // namespace valorix
