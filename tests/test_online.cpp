// The online functions against a stand-in update server on 127.0.0.1
// (tests/online/server.py): status page, update offer, SCL directory
// download, verified TLS, proxy credentials, time-outs and limits.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "app/app.h"
#include "cli/cli.h"
#include "platform/profile.h"
#include "online/http.h"
#include "online/onlinecheck.h"
#include "online/version.h"
#include "platform/clock.h"
#include "platform/inifile.h"
#include "rules/scldirectory.h"
#include "platform/strutil.h"
#include "online/loopbackserver.h"
#include "support.h"

namespace valorix::test {

TEST(Version, BuildVersionAndUserAgent) {
    struct Case {
        const char* build;
        const char* version;
    } cases[] = {{"1.8.0", "1.8.0"},   {"1.8.0.0", "1.8.0"}, {"1.8.1.0", "1.8.1"},
                 {"1.8.0.10", "1.8.0.10"}, {"2.0.0.0", "2.0.0"}, {"1.8.0.1", "1.8.0.1"}, {"", "1.5.0"}};
    for (const Case& c : cases) EXPECT_EQ(VersionFromBuild(c.build), c.version) << c.build;
    const std::string agent = BuildUserAgent();
    EXPECT_EQ(agent.rfind("VALORIX/1.0 (Windows; I; ", 0), 0u) << agent;
    EXPECT_EQ(agent.back(), ')');
    EXPECT_EQ(agent.find("1.8"), std::string::npos);
    const std::string extra = BuildUserAgent("Test");
    EXPECT_EQ(extra.substr(extra.size() - 7), "; Test)");
}

TEST(StatusPage, Markers) {
    struct Case {
        const char* name;
        const char* answer;
        const char* version;
        const char* url;
        const char* date;
    } cases[] = {
        {"all three", "<p>PRGVER : #1.8.1# URL : #https://valorix.example/u# STAND2 : #20261201</p>", "1.8.1",
         "https://valorix.example/u", "20261201"},
        {"no version marker", "STAND2 : #20261201", "", "", "20261201"},
        // Without the date marker the whole answer is the date field.
        {"version not closed", "PRGVER : #1.8.1 URL : #x#", "", "", "PRGVER : #1.8.1 URL : #x#"},
        {"version empty", "PRGVER : ## URL : #http://a#", "", "", "PRGVER : ## URL : #http://a#"},
        {"url before the version's end", "URL : #http://a# PRGVER : #1.9#", "", "", "URL : #http://a# PRGVER : #1.9#"},
        {"url closed by a later marker", "PRGVER : #1.9# URL : #http://a STAND2 : #2026", "1.9", "http://a STAND2 : ",
         "2026"},
        {"url not closed at all", "PRGVER : #1.9# URL : #http://a", "", "", "PRGVER : #1.9# URL : #http://a"},
        {"seven characters", "STAND2 : #2026120", "", "", "2026120"},
        {"no date marker, eight characters", "20261201", "", "", "20261201"},
        {"spaces matter", "STAND2: #20261201", "", "", "STAND2: #20261201"},
    };
    for (const Case& c : cases) {
        const StatusPage p = ParseStatusPage(c.answer);
        EXPECT_EQ(p.version, c.version) << c.name;
        EXPECT_EQ(p.url, c.url) << c.name;
        EXPECT_EQ(p.dateField, c.date) << c.name;
    }
    EXPECT_TRUE(IsWebAddress("https://x"));
    EXPECT_TRUE(IsWebAddress("HTTP://x"));
    EXPECT_FALSE(IsWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(IsWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(IsWebAddress("/usr/bin/xterm"));
}

/// Records what was shown; answers questions by their beginning.
class ScriptedPrompt : public IPrompt {
public:
    void Message(const std::string& text) override { shown.push_back(U8(text)); }
    bool AskYesNo(const std::string& text) override {
        shown.push_back(U8(text));
        return StartsWith(U8(text), "Es liegt eine neue Version") ? yesToUpdate : yesToDirectory;
    }
    bool AskCredentials(const std::string&, std::string& user, std::string& password) override {
        ++credentialQuestions;
        if (!giveCredentials) return false;
        user = "anna";
        password = "geheim";
        return true;
    }
    bool OpenUrl(const std::string& url) override {
        opened.push_back(url);
        return browser;
    }
    std::vector<std::string> shown, opened;
    bool yesToUpdate = false, yesToDirectory = true, giveCredentials = false, browser = true;
    int credentialQuestions = 0;
};

class Online : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Started()) << "the test server did not start";
        fs::create_directories(m_data.Path());
        m_app = std::make_unique<AppValues>(m_dir / "profile");
        m_app->m_strDataFolder = m_data.Path();
        m_app->m_programFolder = m_dir.Path() + "/";
        m_app->m_strVersion = "1.8.0";
        m_settings.host = "127.0.0.1";
        m_settings.httpsPort = m_server.good;
        m_settings.caFile = m_server.caFile;
        m_settings.receiveTimeoutMs = 1000;
        m_settings.connectTimeoutMs = 2000;
        m_connected = SetConnectivityTest([] { return true; });
        setenv("no_proxy", "", 1);
        unsetenv("https_proxy");
        unsetenv("HTTPS_PROXY");
        unsetenv("http_proxy");
    }
    void TearDown() override { SetConnectivityTest(m_connected); }
    void Serve(const std::string& path, const std::string& body) { m_server.Serve(path, body); }
    void Mode(const std::string& mode) { m_server.Mode(mode); }
    std::string Log() { return m_server.Log(); }
    static std::string Directory(const std::string& stand) {
        return "[BIC]\r\nSTAND=" + stand + "\r\nCOBADEFFXXX=1111\r\n";
    }

    CLoopbackServer m_server;
    TempDir m_dir, m_data;
    std::unique_ptr<AppValues> m_app;
    OnlineSettings m_settings;
    ScriptedPrompt m_prompt;
    std::function<bool()> m_connected;
};

const std::string kCannotCheck = "Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden!\r\n";
const std::string kNoDate = kCannotCheck + "Die Statusseite enthält kein Datum des SCL Verzeichnisses.";
const std::string kBadDate = kCannotCheck + "Die Statusseite nennt kein gültiges Datum des SCL Verzeichnisses.";
const std::string kTransport = kCannotCheck + "Verbindungsfehler: *";
const char* const kOfferUpdate =
    "Es liegt eine neue Version des Valorix vor.\nSie sollten ein Update durchführen, bevor Sie die Applikation weiter "
    "verwenden.\nWählen Sie \"Ja\", um ein Update zu installieren und folgen Sie den Anweisungen der nachfolgenden "
    "Internetseite.\n\nWollen Sie jetzt das Update installieren?";

/// The messages shown, each equal to its expectation; one that ends with
/// "*" only begins so (the rest is the network library's own text).
void ExpectShown(const std::vector<std::string>& shown, const std::vector<std::string>& expected,
                 const std::string& name) {
    ASSERT_EQ(shown.size(), expected.size()) << name << ": " << (shown.empty() ? "" : shown[0]);
    for (size_t i = 0; i < shown.size(); ++i) {
        if (!expected[i].empty() && expected[i].back() == '*')
            EXPECT_EQ(shown[i].substr(0, expected[i].size() - 1), expected[i].substr(0, expected[i].size() - 1)) << name;
        else
            EXPECT_EQ(shown[i], expected[i]) << name;
    }
}

TEST(StatusPage, VersionsAndDirectoryDates) {
    SetClock(MakeDate(2026, 12, 10));
    struct Version {
        const char* a;
        const char* b;
        int order;
    } versions[] = {{"1.10.0", "1.9.0", 1}, {"1.9.0", "1.10.0", -1}, {"1.8.0", "1.8", 0},  {"1.8.0.1", "1.8.0", 1},
                    {"2", "1.99.99", 1},    {"1.8.0b", "1.8.0a", 1}, {"1.08", "1.8", 0}, {"", "0", 0}};
    for (const Version& v : versions) EXPECT_EQ(CompareVersions(v.a, v.b), v.order) << v.a << " " << v.b;
    struct Stand {
        const char* candidate;
        const char* local;
        bool plausible, newer;
    } stands[] = {
        {"161107", "161010", true, true},  {"161010", "161107", true, false}, {"161107", "161107", true, false},
        {"240229", "", true, true},        {"230229", "", false, false},     {"260231", "", false, false},
        {"zzzzzz", "161010", false, false}, {"991231", "161010", false, false},  // far in the future
        {"271201", "261201", true, true},  // published ahead of its day
        {"161107", "zzzzzz", true, true},  {"161107", "991231", true, true},     // a damaged local date is older
        {"1611070", "", false, false},
    };
    for (const Stand& s : stands) {
        EXPECT_EQ(IsPlausibleStand(s.candidate), s.plausible) << s.candidate;
        EXPECT_EQ(SclStandIsNewer(s.candidate, s.local), s.newer) << s.candidate << " " << s.local;
    }
    SetClock(std::nullopt);
    EXPECT_EQ(VisibleControls("1.9\x1b[2J\r\n\t\x7f"), "1.9\\x1B[2J\\r\\n\\t\\x7F");
}

TEST_F(Online, CheckAnswersEveryStatusPage) {
    const std::string offer = "Es liegt ein neues SCL Verzeichnis (Stand 07.11.2016) der Deutschen Bundesbank vor."
                              "\r\n\r\nWollen Sie dieses jetzt herunterladen?";
    using O = OnlineOutcome;
    struct Case {
        const char* name;
        const char* mode;
        std::string page;  // empty: none served
        const char* localStand;
        bool yesToUpdate;
        OnlineOutcome result;
        std::vector<std::string> shown;
        const char* updateUrl = "";
    } cases[] = {
        {"newer directory", "", "STAND2 : #20161107", "161010", false, O::WantsSclDirectory, {offer}},
        {"same directory", "", "STAND2 : #20161107", "161107", false, O::Current, {}},
        {"no local directory", "206", "STAND2 : #20161107", "", false, O::WantsSclDirectory, {offer}},
        {"a damaged local date", "", "STAND2 : #20161107", "zzzzzz", false, O::WantsSclDirectory, {offer}},
        {"a local date far ahead", "", "STAND2 : #20161107", "991231", false, O::WantsSclDirectory, {offer}},
        {"chunked", "chunked", "STAND2 : #20161107", "161010", false, O::WantsSclDirectory, {offer}},
        {"seven characters", "", "STAND2 : #2016110", "161010", false, O::Failed, {kNoDate}},
        {"not a date", "", "STAND2 : #20zzzzzz", "", false, O::Failed, {kBadDate}},
        {"a date far ahead", "", "STAND2 : #20991231", "161010", false, O::Failed, {kBadDate}},
        {"not found", "404", "STAND2 : #20161107", "161010", false, O::Failed,
         {kCannotCheck + "Der Server antwortete mit dem HTTP-Status 404."}},
        {"no page", "", "", "161010", false, O::Failed, {kCannotCheck + "Der Server antwortete mit dem HTTP-Status 404."}},
        {"a zero byte ends the text", "", std::string("STAND2 : #2016\0" "1107", 19), "161010", false, O::Failed, {kNoDate}},
        {"newer program, declined", "", "PRGVER : #1.8.1# URL : #https://valorix.example/neu# STAND2 : #20161107",
         "161107", false, O::Current, {kOfferUpdate}, "https://valorix.example/neu"},
        {"newer program, accepted", "", "PRGVER : #1.8.1# URL : #https://valorix.example/neu# STAND2 : #20161107",
         "161010", true, O::WantsProgramUpdate, {kOfferUpdate}, "https://valorix.example/neu"},
        {"1.10.0 is newer than 1.8.0", "", "PRGVER : #1.10.0# URL : #https://u# STAND2 : #20161107", "161107", false,
         O::Current, {kOfferUpdate}, "https://u"},
        {"an older program", "", "PRGVER : #1.7.9# URL : #https://u# STAND2 : #20161107", "161107", true, O::Current,
         {}, "https://u"},
        {"not a web address", "", "PRGVER : #1.9# URL : #file:///bin/sh# STAND2 : #20161107", "161107", true,
         O::Current, {}},
        {"control characters in the version", "", "PRGVER : #1.9\x1b[2J# URL : #https://u# STAND2 : #20161107",
         "161107", true, O::Current, {}, "https://u"},
        {"control characters in the address", "", "PRGVER : #1.9# URL : #https://u\n/x# STAND2 : #20161107",
         "161107", true, O::Current, {}},
        {"update but no date", "", "PRGVER : #1.9# URL : #https://u#", "161107", true, O::Failed, {kNoDate}, "https://u"},
        {"slow server", "slow", "STAND2 : #20161107 and more text to wait for", "161010", false, O::Failed, {kTransport}},
        {"cut off without a length", "nolength", "STAND2 : #20161107 and some more text", "161010", false, O::Failed,
         {kCannotCheck + "*"}},
        {"proxy demand without a window", "407", "STAND2 : #20161107", "161010", false, O::Failed,
         {kCannotCheck + "Der Proxy-Server verlangt eine Anmeldung (HTTP-Status 407)."}},
    };
    for (const Case& c : cases) {
        Mode(c.mode);
        m_server.Remove("valorix/SCL2.htm");
        if (!c.page.empty()) Serve("valorix/SCL2.htm", c.page);
        m_app->m_strSclStand = c.localStand;
        m_app->m_strUpdateUrl.clear();
        m_prompt = ScriptedPrompt();
        m_prompt.yesToUpdate = c.yesToUpdate;
        EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), c.result) << c.name;
        ExpectShown(m_prompt.shown, c.shown, c.name);
        EXPECT_EQ(m_app->m_strUpdateUrl, c.updateUrl) << c.name;
        EXPECT_EQ(m_prompt.credentialQuestions, 0) << c.name;
    }
    // Every request: GET of the status page over TLS, without cache, as VALORIX/1.0.
    const std::string log = Log();
    EXPECT_NE(log.find("good\tGET /valorix/SCL2.htm HTTP/1.1\t127.0.0.1:" + std::to_string(m_server.good) +
                       "\tVALORIX/1.0 (Windows; I; "),
              std::string::npos);
    EXPECT_NE(log.find("\tno-cache\tno-cache\n"), std::string::npos);
    // Nothing but the configured host on this machine was asked.
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(SplitTabs(line, 6)[2], "127.0.0.1:" + std::to_string(m_server.good)) << line;
    // The accepted update's page is kept and opened; a browser that does not
    // start is said so.
    Mode("");
    Serve("valorix/SCL2.htm", "PRGVER : #1.8.1# URL : #https://valorix.example/neu# STAND2 : #20161107");
    m_prompt = ScriptedPrompt();
    m_prompt.yesToUpdate = true;
    ASSERT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), O::WantsProgramUpdate);
    EXPECT_EQ(m_app->m_strUpdateUrl, "https://valorix.example/neu");
    EXPECT_TRUE(OpenUpdatePage(*m_app, m_prompt));
    m_prompt.browser = false;
    EXPECT_FALSE(OpenUpdatePage(*m_app, m_prompt));
    EXPECT_EQ(m_prompt.shown.back(), "Ihr Internet Browser kann nicht gestartet werden!");
}

TEST_F(Online, DeadlinesEndATrickle) {
    // One byte every 0.3 s never trips the receive time-out; the deadline of
    // the whole request ends it and is named.
    Mode("trickle");
    Serve("valorix/SCL2.htm", "STAND2 : #20161107 and a long tail of text that trickles");
    Serve("valorix/NVSCL.map", Directory("161107") + std::string(60, '\n'));
    m_app->m_strSclStand = "161010";
    m_settings.statusDeadlineMs = 2000;
    m_settings.downloadDeadlineMs = 2000;
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), OnlineOutcome::Failed);
    ExpectShown(m_prompt.shown,
                {kCannotCheck + "Die Frist von 2 s für die ganze Anfrage (Profil ONLINE/STATUS_DEADLINE_MS) ist abgelaufen."},
                "status page");
    m_prompt = ScriptedPrompt();
    WriteFile(m_data / "NVSCL.INI", Directory("161010"));
    EXPECT_EQ(DownloadSclDirectory(*m_app, m_prompt, m_settings, false).outcome, SclDownload::Failed);
    ExpectShown(m_prompt.shown,
                {"Die Daten konnten nicht vollständig heruntergeladen werden!\r\nDie Frist von 2 s für die ganze Anfrage "
                 "(Profil ONLINE/DOWNLOAD_DEADLINE_MS) ist abgelaufen."},
                "directory");
    EXPECT_EQ(ReadFile(m_data / "NVSCL.INI"), Directory("161010"));
    // The profile's deadlines and values, trimmed as the INI reader trims them.
    CProfile profile(m_dir / "profile2");
    profile.WriteString("ONLINE", "HOST", "127.0.0.1\n");
    profile.WriteString("ONLINE", "CAFILE", " " + m_server.caFile + "\r\n");
    profile.WriteString("ONLINE", "STATUS_DEADLINE_MS", "1500\n");
    const OnlineSettings read = OnlineSettings::FromProfile(profile);
    EXPECT_EQ(read.host, "127.0.0.1");
    EXPECT_EQ(read.caFile, m_server.caFile);
    EXPECT_EQ(read.statusDeadlineMs, 1500);
    EXPECT_EQ(read.downloadDeadlineMs, 600000);
    EXPECT_EQ(OnlineSettings::FromProfile(CProfile(m_dir / "empty")).host, "");  // not set up by default
}

TEST_F(Online, NotSetUpAsksNobody) {
    Serve("valorix/SCL2.htm", "STAND2 : #20161107");
    m_settings.host.clear();
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, true), OnlineOutcome::NotConfigured);
    EXPECT_EQ(DownloadSclDirectory(*m_app, m_prompt, m_settings, true).outcome, SclDownload::Failed);
    EXPECT_EQ(m_prompt.shown, std::vector<std::string>{"Kein Aktualisierungsserver eingerichtet (Profil ONLINE/HOST)."});
    EXPECT_EQ(Log(), "");
    // The data folder's answer still stands in for the server's.
    m_app->m_profile.WriteInt("DEBUG", "OTHER", 1);
    WriteFile(m_data / "SCL2.htm", "STAND2 : #20161107");
    m_app->m_strSclStand = "161107";
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, true), OnlineOutcome::Current);
}

TEST_F(Online, OfflineDebugFileAndCertificates) {
    Serve("valorix/SCL2.htm", "STAND2 : #20161107");
    m_app->m_strSclStand = "161010";
    // Offline: the message, no request.
    SetConnectivityTest([] { return false; });
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), OnlineOutcome::Offline);
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].rfind("Es besteht derzeit keine Verbindung zum Internet!\r\n", 0), 0u);
    SetConnectivityTest([] { return true; });
    // [DEBUG] OTHER: the data folder's answer, no request; with an empty file the server is asked.
    m_app->m_profile.WriteInt("DEBUG", "OTHER", 1);
    WriteFile(m_data / "SCL2.htm", std::string("STAND2 : #2016111", 17) + std::string(1, '\0') + "X");
    m_prompt = ScriptedPrompt();
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), OnlineOutcome::Failed);
    EXPECT_EQ(m_prompt.shown, std::vector<std::string>{kNoDate});  // the zero byte ends the date
    EXPECT_EQ(Log(), "");
    WriteFile(m_data / "SCL2.htm", "");
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), OnlineOutcome::WantsSclDirectory);
    m_app->m_profile.WriteInt("DEBUG", "OTHER", 0);
    // A certificate of another CA or for another name is a failed request.
    for (int port : {m_server.otherCa, m_server.otherHost}) {
        OnlineSettings s = m_settings;
        s.httpsPort = port;
        m_prompt = ScriptedPrompt();
        EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, s, false), OnlineOutcome::Failed) << port;
        ExpectShown(m_prompt.shown, {kTransport}, std::to_string(port));
    }
    // Without the test CA the library's store does not know the server.
    OnlineSettings noCa = m_settings;
    noCa.caFile.clear();
    CHttpClient client(noCa, m_prompt, false);
    const HttpAnswer a = client.GetText("/valorix/SCL2.htm", 1000, 10000, "STATUS_DEADLINE_MS");
    EXPECT_GE(a.status, kTransportErrorBase);
    // A status page over its limit fails.
    CHttpClient limited(m_settings, m_prompt, false);
    const HttpAnswer over = limited.GetText("/valorix/SCL2.htm", 5, 10000, "STATUS_DEADLINE_MS");
    EXPECT_FALSE(over.Succeeded());
    EXPECT_EQ(U8(over.cause), "Die Antwort ist größer als 5 Bytes.");
}

TEST_F(Online, ProxyCredentialsAreAskedWhenAWindowShows) {
    Serve("valorix/SCL2.htm", "STAND2 : #20161107");
    m_app->m_strSclStand = "161107";
    setenv("https_proxy", ("http://127.0.0.1:" + std::to_string(m_server.proxy)).c_str(), 1);
    const std::string demand = kCannotCheck + "Der Proxy-Server verlangt eine Anmeldung (HTTP-Status 407).";
    struct Case {
        bool window, give;
        int questions;
        OnlineOutcome result;
        std::vector<std::string> shown;
    } cases[] = {{false, true, 0, OnlineOutcome::Failed, {demand}},
                 {true, false, 1, OnlineOutcome::Failed, {demand}},
                 {true, true, 1, OnlineOutcome::Current, {}}};
    for (const Case& c : cases) {
        m_prompt = ScriptedPrompt();
        m_prompt.giveCredentials = c.give;
        EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, c.window), c.result);
        EXPECT_EQ(m_prompt.credentialQuestions, c.questions);
        EXPECT_EQ(m_prompt.shown, c.shown) << c.window << c.give;
    }
    EXPECT_NE(Log().find("proxy\tCONNECT 127.0.0.1:" + std::to_string(m_server.good)), std::string::npos);
    unsetenv("https_proxy");
}

/// Names of the files a download left beside its target.
std::vector<std::string> Leftovers(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("NVSCL.INI.down", 0) == 0) names.push_back(e.path().filename());
    return names;
}

TEST_F(Online, DownloadReplacesOnlyWithACompleteValidNewerDirectory) {
    const std::string target = m_data / "NVSCL.INI";
    const std::string old = Directory("161010");
    const std::string kIncomplete = "Die Daten konnten nicht vollständig heruntergeladen werden!\r\n";
    const std::string kDamaged = "Das heruntergeladene SCL Verzeichnis ist fehlerhaft und wurde nicht übernommen!\r\n";
    const std::string kReplaced = "Die aktuellen Daten (Stand 07.11.2016) wurden korrekt heruntergeladen!";
    std::string garbage = "[BIC]\r\nSTAND=161107\r\n";
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
    using D = SclDownload;
    struct Case {
        const char* name;
        const char* mode;
        std::string served;  // empty: none
        std::string message;
        D::Outcome outcome;
        std::string local = Directory("161010");
    } cases[] = {
        {"newer", "", Directory("161107"), kReplaced, D::Replaced},
        {"newer, chunked", "chunked", Directory("161107") + std::string(300, '\n'), kReplaced, D::Replaced},
        {"partial content", "206", Directory("161107"), kReplaced, D::Replaced},
        {"over a damaged local date", "", Directory("161107"), kReplaced, D::Replaced, Directory("zzzzzz")},
        {"same date", "", Directory("161010"), "Es liegen keinen neuen Daten vor!", D::NotNewer},
        {"older", "", Directory("160101"), "Es liegen keinen neuen Daten vor!", D::NotNewer},
        {"without STAND", "", "[BIC]\r\nCOBADEFFXXX=1111\r\n", kDamaged + "Der STAND fehlt.", D::Failed},
        {"a STAND of letters", "", "[BIC]\r\nSTAND=zzzzzz\r\nCOBADEFFXXX=1111\r\n",
         kDamaged + "Zeile 2 nennt keinen gültigen STAND.", D::Failed},
        {"a STAND far ahead", "", Directory("991231"), kDamaged + "Zeile 2 nennt keinen gültigen STAND.", D::Failed},
        {"garbage after a newer STAND", "", garbage, kDamaged + "Zeile 3 ist kein Eintrag \"BIC=Kennzeichen\".",
         D::Failed},
        {"no bank", "", "[BIC]\r\nSTAND=161107\r\n", kDamaged + "Es ist kein Institut enthalten.", D::Failed},
        {"not found", "404", Directory("161107"), kIncomplete + "Der Server antwortete mit dem HTTP-Status 404.",
         D::Failed},
        {"cut off", "truncate", Directory("161107") + std::string(4000, '\n'), kIncomplete + "Verbindungsfehler: *",
         D::Failed},
        {"cut off without a length", "nolength", Directory("161107") + std::string(4000, '\n'), kIncomplete + "*",
         D::Failed},
        {"over 8 MiB", "", Directory("161107") + std::string(8 * 1024 * 1024, '\n'),
         kIncomplete + "Die Antwort ist größer als 8388608 Bytes.", D::Failed},
    };
    WriteFile(target + ".down", "left by an older version");
    WriteFile(target + ".down-Ab3xYz", "left by a killed download");
    for (const Case& c : cases) {
        WriteFile(target, c.local);
        m_app->m_strSclStand = "161010";
        m_app->m_strSclIniPath.clear();
        Mode(c.mode);
        Serve("valorix/NVSCL.map", c.served);
        m_prompt = ScriptedPrompt();
        const SclDownload got = DownloadSclDirectory(*m_app, m_prompt, m_settings, false);
        EXPECT_EQ(got.outcome, c.outcome) << c.name;
        ExpectShown({U8(got.message)}, {c.message}, c.name);
        EXPECT_EQ(m_prompt.shown.size(), 1u) << c.name;
        const bool replaced = c.outcome == D::Replaced;
        EXPECT_EQ(ReadFile(target), replaced ? c.served : c.local) << c.name;
        EXPECT_EQ(m_app->m_strSclStand, replaced ? "161107" : ReadSclStand(target)) << c.name;
        EXPECT_EQ(Leftovers(m_data.Path()), std::vector<std::string>{}) << c.name;
    }
    EXPECT_NE(Log().find("good\tGET /valorix/NVSCL.map HTTP/1.1"), std::string::npos);  // over TLS
    // A program-folder directory is the target; a target that cannot be
    // replaced keeps its content and the message says so.
    Mode("");
    Serve("valorix/NVSCL.map", Directory("161107"));
    WriteFile(m_dir / "NVSCL.INI", old);
    m_app->m_strSclStand = "161010";
    DownloadSclDirectory(*m_app, m_prompt, m_settings, false);
    EXPECT_EQ(ReadFile(m_dir / "NVSCL.INI"), Directory("161107"));
    EXPECT_EQ(m_app->m_strSclIniPath, m_dir / "NVSCL.INI");
    fs::remove(m_dir / "NVSCL.INI");
    fs::remove(target);
    fs::create_directory(target);  // a folder where the file should be
    m_app->m_strSclStand = "161010";
    m_prompt = ScriptedPrompt();
    const std::string message = U8(DownloadSclDirectory(*m_app, m_prompt, m_settings, false).message);
    EXPECT_EQ(message, kReplaced + "\r\nSie konnten aber nicht als " + target + "\r\ngeschrieben werden!");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(m_app->m_strSclStand, "161010");
    EXPECT_EQ(Leftovers(m_data.Path()), std::vector<std::string>{});
}

TEST_F(Online, TwoDownloadsAtOnceLeaveOneValidDirectory) {
    // A desktop start and a scheduled job: the second download finds the
    // first one's lock and says so; the directory is the server's, whole.
    const std::string target = m_data / "NVSCL.INI";
    WriteFile(target, Directory("161010"));
    std::string served = Directory("161107");
    for (int i = 0; i < 20000; ++i) served += Format("BANKDE%02dX%02d=1111\r\n", i / 100 % 100, i % 100);
    Serve("valorix/NVSCL.map", served);
    Mode("delay");
    m_settings.receiveTimeoutMs = 5000;  // the server waits 1.5 s before the body
    AppValues second(m_dir / "profile");
    second.m_strDataFolder = m_data.Path();
    second.m_programFolder = m_dir.Path() + "/";
    ScriptedPrompt secondPrompt;
    SclDownload first, other;
    std::thread a([&] { first = DownloadSclDirectory(*m_app, m_prompt, m_settings, false); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::thread b([&] { other = DownloadSclDirectory(second, secondPrompt, m_settings, false); });
    a.join();
    b.join();
    EXPECT_EQ(first.outcome, SclDownload::Replaced);
    EXPECT_EQ(other.outcome, SclDownload::Busy);
    EXPECT_EQ(U8(other.message), "Das SCL Verzeichnis wird gerade von einem anderen Programmlauf heruntergeladen.\r\n"
                                 "Bitte versuchen Sie es später noch einmal.");
    EXPECT_TRUE(ReadFile(target) == served);
    // Run after the first has ended, the second finds the new directory current.
    Mode("");
    EXPECT_EQ(DownloadSclDirectory(second, secondPrompt, m_settings, false).outcome, SclDownload::NotNewer);
    EXPECT_TRUE(ReadFile(target) == served);
    EXPECT_EQ(Leftovers(m_data.Path()), std::vector<std::string>{});
}

// The publishing tool writes what the server serves; the command line's
// update fetches it, for scheduled jobs, without questions.
TEST_F(Online, PublishAndUpdateFromTheCommandLine) {
    std::ostringstream out, err;
    const std::string csv = FixturesDir() + "/scl/scl-directory.csv";
    EXPECT_EQ(RunValorixCheck({"--publish-scl", csv, m_server.Root(), "--program-version", "1.9.0", "--update-url",
                               "https://valorix.example/neu"},
                              out, err),
              0)
        << err.str();
    const std::string page = ReadFile(m_server.Root() + "/valorix/SCL2.htm");
    const StatusPage parsed = ParseStatusPage(page);
    EXPECT_EQ(parsed.version, "1.9.0");
    EXPECT_EQ(parsed.url, "https://valorix.example/neu");
    const std::string stand = ReadIniString(m_server.Root() + "/valorix/NVSCL.map", "BIC", "STAND", "", 10);
    ASSERT_EQ(stand.size(), 6u);
    EXPECT_EQ(parsed.dateField, "20" + stand);

    // The update: its profile points at the loopback server and trusts its CA.
    setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
    CProfile profile;
    profile.WriteString("ONLINE", "HOST", "127.0.0.1\n");  // as `echo` writes it
    profile.WriteInt("ONLINE", "HTTPS_PORT", m_server.good);
    profile.WriteString("ONLINE", "CAFILE", m_server.caFile);
    const std::string data = m_dir / "daten";
    auto update = [&](std::vector<std::string> extra) {
        out.str("");
        err.str("");
        std::vector<std::string> args{"--update-scl", "--data-dir", data};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunValorixCheck(args, out, err);
    };
    EXPECT_EQ(update({}), 0) << err.str();
    const std::string day = stand.substr(4, 2), month = stand.substr(2, 2), year = stand.substr(0, 2);
    EXPECT_EQ(out.str(), "Es liegt eine neue Version des Valorix vor.\nSie sollten ein Update durchführen, bevor Sie die "
                         "Applikation weiter verwenden.\nWählen Sie \"Ja\", um ein Update zu installieren und folgen "
                         "Sie den Anweisungen der nachfolgenden Internetseite.\n\nWollen Sie jetzt das Update "
                         "installieren?\nNeue Programmversion 1.9.0: https://valorix.example/neu\n"
                         "Es liegt ein neues SCL Verzeichnis (Stand " + day + "." + month + ".20" + year +
                         ") der Deutschen Bundesbank vor.\r\n\r\nWollen Sie dieses jetzt herunterladen?\n"
                         "Die aktuellen Daten (Stand " + day + "." + month + ".20" + year +
                         ") wurden korrekt heruntergeladen!\n");
    EXPECT_EQ(ReadFile(data + "/NVSCL.INI"), ReadFile(m_server.Root() + "/valorix/NVSCL.map"));
    // Once more: current, nothing to do; as JSON.
    EXPECT_EQ(update({"--json"}), 0);
    const nlohmann::json j = nlohmann::json::parse(out.str());
    EXPECT_EQ(j["status"], 0);
    EXPECT_EQ(j["replaced"], false);
    EXPECT_EQ(j["stand"], stand);
    EXPECT_EQ(j["programVersion"], "1.9.0");
    // A server that cannot be asked: status 1.
    profile.WriteInt("ONLINE", "HTTPS_PORT", m_server.otherCa);
    EXPECT_EQ(update({}), 1);
    EXPECT_EQ(out.str().rfind("Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden!\r\nVerbindungsfehler: ", 0), 0u)
        << out.str();
    // No update server set up: nobody asked, exit 2 with the reason.
    profile.WriteString("ONLINE", "HOST", " \n");
    EXPECT_EQ(update({}), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "valorix-check: Kein Aktualisierungsserver eingerichtet (Profil ONLINE/HOST).\n");
    // Usage errors.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--update-scl", "datei.xml"}, {"--publish-scl", csv}, {"--publish-scl", csv, "x", "--program-version", "1"},
             {"--update-scl", "--import-scl", "a"}}) {
        std::ostringstream o, e;
        EXPECT_EQ(RunValorixCheck(args, o, e), 2) << args[0];
    }
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace valorix::test
