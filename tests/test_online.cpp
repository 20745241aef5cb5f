// The online functions against a stand-in update server on 127.0.0.1
// (tests/online/server.py): status page, update offer, SCL directory
// download, verified TLS, proxy credentials, time-outs and limits.
#include <gtest/gtest.h>

#include <sstream>

#include "app/app.h"
#include "cli/cli.h"
#include "platform/profile.h"
#include "online/http.h"
#include "online/onlinecheck.h"
#include "online/version.h"
#include "platform/inifile.h"
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
        m_app = std::make_unique<CTavrel1App>(m_dir / "profile");
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
        return "[BIC]\r\nSTAND=" + stand + "\r\nCOBADEFFXXX=1;1;1;1;0\r\n";
    }

    CLoopbackServer m_server;
    TempDir m_dir, m_data;
    std::unique_ptr<CTavrel1App> m_app;
    OnlineSettings m_settings;
    ScriptedPrompt m_prompt;
    std::function<bool()> m_connected;
};

const char* const kCannotCheck = "Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden!";
const char* const kOfferUpdate =
    "Es liegt eine neue Version des Valorix vor.\nSie sollten ein Update durchführen, bevor Sie die Applikation weiter "
    "verwenden.\nWählen Sie \"Ja\", um ein Update zu installieren und folgen Sie den Anweisungen der nachfolgenden "
    "Internetseite.\n\nWollen Sie jetzt das Update installieren?";

TEST_F(Online, CheckAnswersEveryStatusPage) {
    const std::string offer = "Es liegt ein neues SCL Verzeichnis (Stand 07.11.2016) der Deutschen Bundesbank vor."
                              "\r\n\r\nWollen Sie dieses jetzt herunterladen?";
    struct Case {
        const char* name;
        const char* mode;
        std::string page;  // empty: none served
        const char* localStand;
        bool yesToUpdate;
        int result;
        std::vector<std::string> shown;
    } cases[] = {
        {"newer directory", "", "STAND2 : #20161107", "161010", false, 1, {offer}},
        {"same directory", "", "STAND2 : #20161107", "161107", false, 0, {}},
        {"no local directory", "206", "STAND2 : #20161107", "", false, 1, {offer}},
        {"seven characters", "", "STAND2 : #2016110", "161010", false, 0, {kCannotCheck}},
        {"not found", "404", "STAND2 : #20161107", "161010", false, 0, {kCannotCheck}},
        {"no page", "", "", "161010", false, 0, {kCannotCheck}},
        {"a zero byte ends the text", "", std::string("STAND2 : #2016\0" "1107", 19), "161010", false, 0, {kCannotCheck}},
        {"newer program, declined", "", "PRGVER : #1.8.1# URL : #https://valorix.example/neu# STAND2 : #20161107",
         "161107", false, 0, {kOfferUpdate}},
        {"newer program, accepted", "", "PRGVER : #1.8.1# URL : #https://valorix.example/neu# STAND2 : #20161107",
         "161010", true, 2, {kOfferUpdate}},
        {"1.10.0 sorts before 1.8.0 as text", "",
         "PRGVER : #1.10.0# URL : #https://u# STAND2 : #20161107", "161107", false, 0, {}},
        {"not a web address", "", "PRGVER : #1.9# URL : #file:///bin/sh# STAND2 : #20161107", "161107", true, 0, {}},
        {"update but no date", "", "PRGVER : #1.9# URL : #https://u#", "161107", true, 0, {kCannotCheck}},
        {"slow server", "slow", "STAND2 : #20161107 and more text to wait for", "161010", false, 0, {kCannotCheck}},
        {"proxy demand without a window", "407", "STAND2 : #20161107", "161010", false, 0, {kCannotCheck}},
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
        EXPECT_EQ(m_prompt.shown, c.shown) << c.name;
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
    ASSERT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), 2);
    EXPECT_EQ(m_app->m_strUpdateUrl, "https://valorix.example/neu");
    EXPECT_TRUE(OpenUpdatePage(*m_app, m_prompt));
    m_prompt.browser = false;
    EXPECT_FALSE(OpenUpdatePage(*m_app, m_prompt));
    EXPECT_EQ(m_prompt.shown.back(), "Ihr Internet Browser kann nicht gestartet werden!");
}

TEST_F(Online, OfflineDebugFileAndCertificates) {
    Serve("valorix/SCL2.htm", "STAND2 : #20161107");
    m_app->m_strSclStand = "161010";
    // Offline: the message, no request.
    SetConnectivityTest([] { return false; });
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), 0);
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(m_prompt.shown[0].rfind("Es besteht derzeit keine Verbindung zum Internet!\r\n", 0), 0u);
    SetConnectivityTest([] { return true; });
    // [DEBUG] OTHER: the data folder's answer, no request; with an empty file the server is asked.
    m_app->m_profile.WriteInt("DEBUG", "OTHER", 1);
    WriteFile(m_data / "SCL2.htm", std::string("STAND2 : #2016111", 17) + std::string(1, '\0') + "X");
    m_prompt = ScriptedPrompt();
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), 0);
    EXPECT_EQ(m_prompt.shown, std::vector<std::string>{kCannotCheck});  // the zero byte ends the date
    EXPECT_EQ(Log(), "");
    WriteFile(m_data / "SCL2.htm", "");
    EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, false), 1);
    m_app->m_profile.WriteInt("DEBUG", "OTHER", 0);
    // A certificate of another CA or for another name is a failed request.
    for (int port : {m_server.otherCa, m_server.otherHost}) {
        OnlineSettings s = m_settings;
        s.httpsPort = port;
        m_prompt = ScriptedPrompt();
        EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, s, false), 0) << port;
        EXPECT_EQ(m_prompt.shown, std::vector<std::string>{kCannotCheck}) << port;
    }
    // Without the test CA the system's store does not know the server.
    OnlineSettings noCa = m_settings;
    noCa.caFile.clear();
    CHttpClient client(noCa, m_prompt, false);
    const HttpAnswer a = client.GetText("/valorix/SCL2.htm", 1000);
    EXPECT_GE(a.status, kTransportErrorBase);
    // A status page over its limit fails.
    CHttpClient limited(m_settings, m_prompt, false);
    EXPECT_FALSE(limited.GetText("/valorix/SCL2.htm", 5).Succeeded());
}

TEST_F(Online, ProxyCredentialsAreAskedWhenAWindowShows) {
    Serve("valorix/SCL2.htm", "STAND2 : #20161107");
    m_app->m_strSclStand = "161107";
    setenv("https_proxy", ("http://127.0.0.1:" + std::to_string(m_server.proxy)).c_str(), 1);
    struct Case {
        bool window, give;
        int questions;
        std::vector<std::string> shown;
    } cases[] = {{false, true, 0, {kCannotCheck}}, {true, false, 1, {kCannotCheck}}, {true, true, 1, {}}};
    for (const Case& c : cases) {
        m_prompt = ScriptedPrompt();
        m_prompt.giveCredentials = c.give;
        EXPECT_EQ(RunOnlineCheck(*m_app, m_prompt, m_settings, c.window), 0);
        EXPECT_EQ(m_prompt.credentialQuestions, c.questions);
        EXPECT_EQ(m_prompt.shown, c.shown) << c.window << c.give;
    }
    EXPECT_NE(Log().find("proxy\tCONNECT 127.0.0.1:" + std::to_string(m_server.good)), std::string::npos);
    unsetenv("https_proxy");
}

TEST_F(Online, DownloadReplacesOnlyWithACompleteNewerDirectory) {
    const std::string target = m_data / "NVSCL.INI";
    const std::string old = Directory("161010");
    const char* const kIncomplete = "Die Daten konnten nicht vollständig heruntergeladen werden!";
    struct Case {
        const char* name;
        const char* mode;
        std::string served;  // empty: none
        std::string message;
        bool replaced;
    } cases[] = {
        {"newer", "", Directory("161107"), "Die aktuellen Daten (Stand 07.11.2016) wurden korrekt heruntergeladen!", true},
        {"same date", "", Directory("161010"), "Es liegen keinen neuen Daten vor!", false},
        {"older", "", Directory("160101"), "Es liegen keinen neuen Daten vor!", false},
        {"without STAND", "", "[BIC]\r\nCOBADEFFXXX=1;1;1;1;0\r\n", kIncomplete, false},
        {"not found", "404", Directory("161107"), kIncomplete, false},
        {"cut off", "truncate", Directory("161107") + std::string(4000, ';'), kIncomplete, false},
        {"partial content", "206", Directory("161107"), "Die aktuellen Daten (Stand 07.11.2016) wurden korrekt heruntergeladen!", true},
    };
    for (const Case& c : cases) {
        WriteFile(target, old);
        m_app->m_strSclStand = "161010";
        m_app->m_strSclIniPath.clear();
        Mode(c.mode);
        Serve("valorix/NVSCL.map", c.served);
        m_prompt = ScriptedPrompt();
        EXPECT_EQ(U8(DownloadSclDirectory(*m_app, m_prompt, m_settings, false)), c.message) << c.name;
        EXPECT_EQ(m_prompt.shown, std::vector<std::string>{c.message}) << c.name;
        EXPECT_EQ(ReadFile(target), c.replaced ? c.served : old) << c.name;
        EXPECT_EQ(m_app->m_strSclStand, c.replaced ? "161107" : "161010") << c.name;
        EXPECT_FALSE(fs::exists(target + ".down")) << c.name;
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
    const std::string message = U8(DownloadSclDirectory(*m_app, m_prompt, m_settings, false));
    EXPECT_EQ(message, "Die aktuellen Daten (Stand 07.11.2016) wurden korrekt heruntergeladen!\r\nSie konnten aber "
                       "nicht als " + target + "\r\ngeschrieben werden!");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(m_app->m_strSclStand, "161010");
    EXPECT_FALSE(fs::exists(target + ".down"));
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
    profile.WriteString("ONLINE", "HOST", "127.0.0.1");
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
    EXPECT_EQ(out.str(), "Der aktuelle Stand der SCL Datei kann Online nicht geprüft werden!\n");
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
