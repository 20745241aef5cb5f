#include "online/help.h"

#include "app/app.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "platform/shellopen.h"
#include "platform/strutil.h"

namespace valorix {

void RunHelp(AppValues& app, IPrompt& prompt) {
    if (app.m_bHelpOpen) return;
    app.m_bHelpOpen = true;
    const std::string path = app.m_programFolder + "Valorix.pdf";
    if (!EntryExists(path)) {
        prompt.Message(A("Die Hilfedatei \"") + ShownPath(path) + A("\" ist nicht verfügbar!"));
    } else if (!ShellOpen(path)) {
        prompt.Message(A("Zur Anzeige der Kurzanleitung ist ein PDF Reader nötig. Bitte prüfen Sie, ob ein "
                         "entsprechendes Programm installiert ist!"));
    }
    app.m_bHelpOpen = false;
}

namespace {
// The number a text forms: its digits, all of them; -1 for anything else.
int NumberOf(const std::string& text) {
    if (text.empty() || text.size() > 6) return -1;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
}  // namespace

std::string SclDateText(const std::string& stand) {
    if (stand.size() < 6) return "n.a.";
    const size_t n = stand.size();
    const int day = NumberOf(stand.substr(n - 2));
    const int month = NumberOf(stand.substr(n - 4, 2));
    const int year = NumberOf(stand.substr(0, n - 4));
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day < 1 || month < 1 || month > 12 || year < 0) return "Invalid DateTime";
    const int y = year + 2000;
    const int days = kDays[month - 1] + (month == 2 && IsLeap(y) ? 1 : 0);
    if (day > days) return "Invalid DateTime";
    return Format("%02d.%02d.%04d", day, month, y);
}

std::string VersionLine(const std::string& version) { return "Valorix, Version " + version; }

std::string OnlineUpdateLine(const std::string& host) {
    if (host.empty()) return A("Online-Aktualisierung: nicht eingerichtet (Profil ONLINE/HOST, siehe Handbuch)");
    return A("Online-Aktualisierung über ") + PathText(host);
}

}  // namespace valorix
