#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/cli.h"
#include "platform/clock.h"
#include "support.h"

namespace valorix::test {

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

}  // namespace

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (m_home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home / "config").c_str(), 1);
        m_example = std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.03.xml";
        SetClock(MakeDate(2026, 12, 1, 12, 0, 0));
    }
    void TearDown() override { SetClock(std::nullopt); }
    CliRun Call(std::vector<std::string> args) {
        std::ostringstream out, err;
        int status = RunValorixCheck(args, out, err);
        return {status, out.str(), err.str()};
    }
    TempDir m_home;
    std::string m_example;
};

TEST_F(Cli, PrintsVerdictAndFindings) {
    CliRun ok = Call({m_example});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, "'" + m_example + "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" +
                          kRetiredCt30 + "\n");
    EXPECT_TRUE(fs::is_regular_file(m_home / "data/Norvane/Valorix/pain.001.001.03.xsd"));

    const std::string bad = m_home / "bad.xml";
    WriteFile(bad, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><x>\n</Document>");
    CliRun r = Call({bad, m_example});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "'" + bad + "' ist kein oder ein formal fehlerhaftes XML Dokument!\n"
                     "Zeile 3/3 : expected end of tag 'x'\n'" + m_example +
                     "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" + kRetiredCt30 + "\n");
}

TEST_F(Cli, ExitStatusFollowsTheVerdictNotItsWording) {
    // File names are part of the verdict sentence; the status must not read them.
    const std::string awzel = FixturesDir() + "/awzel/awzel-valid.xml";
    const std::string misleading = m_home / "korrektes_dd.xml";
    WriteFile(misleading, "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"/>");
    struct Case {
        std::string file;
        int status;
        std::string firstLine;
    } cases[] = {
        {awzel, 0, "'" + awzel + "' enthält eine korrekte EMW Einlieferung!"},
        {misleading, 1, "'" + misleading + "' enthält ein XML Dokument, das nicht der Schemadefinition"},
    };
    for (const char* mode : {"", "--sax"}) {
        for (const auto& c : cases) {
            std::vector<std::string> args{c.file};
            if (*mode) args.insert(args.begin(), mode);
            CliRun r = Call(args);
            EXPECT_EQ(r.status, c.status) << mode << " " << c.file << "\n" << r.out << r.err;
            EXPECT_EQ(r.out.rfind(c.firstLine, 0), 0u) << r.out;
        }
    }
}

TEST_F(Cli, JsonOnePerFile) {
    const std::string bad = m_home / "ä.xml";
    WriteFile(bad, "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"/>");
    CliRun r = Call({"--json", m_example, bad});
    EXPECT_EQ(r.status, 1);
    std::istringstream lines(r.out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first, "{\"file\":\"" + m_example +
                         "\",\"checkState\":3,\"formatCode\":10,\"debitKind\":0,\"austrianVariant\":0,\"subtype\":0,"
                         "\"isEmw\":0,\"edition\":\"3.0 aktuell ab 20.11.2016\",\"messages\":[\"'" + m_example +
                         "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\",\"" + kRetiredCt30 +
                         "\"],\"details\":[],\"report\":[{\"text\":\"'" + m_example +
                         "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\",\"position\":0},"
                         "{\"text\":\"" + kRetiredCt30 + "\",\"position\":0}]}");
    EXPECT_EQ(second, "{\"file\":\"" + bad +
                          "\",\"checkState\":2,\"formatCode\":10,\"debitKind\":0,\"austrianVariant\":0,\"subtype\":0,"
                          "\"isEmw\":0,\"edition\":\"3.0 aktuell ab 20.11.2016\",\"messages\":[\"'" + bad +
                          "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) "
                          "entspricht!\",\"Erlaubte Kodierungen sind UTF-8 und ISO-8859, die Datei enthält keine "
                          "Angabe!\",\"" + kRetiredCt30 + "\"],\"details\":[{\"text\":\"element 'Document' is not allowed for content model "
                          "'(CstmrCdtTrfInitn)'\",\"line\":2,\"column\":67,\"kind\":0}],\"report\":[{\"text\":\"'" +
                          bad + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) "
                                "entspricht!\",\"position\":0},{\"text\":\"Erlaubte Kodierungen sind UTF-8 und "
                                "ISO-8859, die Datei enthält keine Angabe!\",\"position\":0},{\"text\":\"" + kRetiredCt30 +
                                "\",\"position\":0},{\"text\":\"Zeile 2/67 : "
                                "element 'Document' is not allowed for content model '(CstmrCdtTrfInitn)'\",\"position\":"
                                "22}]}");
}

TEST_F(Cli, UsageAndUnreadableFiles) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errStart;
    } cases[] = {
        {{}, 2, "Aufruf: valorix-check"},
        {{"--bogus", "x.xml"}, 2, "valorix-check: unbekannte Option '--bogus'"},
        {{"--data-dir"}, 2, "valorix-check: --data-dir braucht einen Wert"},
        {{"--scl", "/nonexistent/NVSCL.INI", "x.xml"}, 2, "valorix-check: SCL-Verzeichnis"},
        {{"/nonexistent/file.xml"}, 2, "valorix-check: '/nonexistent/file.xml' kann nicht gelesen werden"},
    };
    for (const auto& c : cases) {
        CliRun r = Call(c.args);
        EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.args);
        EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << r.err;
    }
    // One unreadable file among good ones: the others are still checked.
    CliRun mixed = Call({"/nonexistent/a.xml", m_example});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_NE(mixed.out.find("korrektes SEPA XML Dokument"), std::string::npos);
}

// A FIFO, a device or a folder would block the reader or never end: each is
// refused before it is opened for reading, in a check and in an import.
TEST_F(Cli, OnlyRegularFilesAreRead) {
    const std::string fifo = m_home / "pipe.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = m_home.Path();
    for (const std::string& entry : {fifo, std::string("/dev/zero"), folder}) {
        const std::string text = "'" + entry +
                                 "' ist keine gewöhnliche Datei (sondern ein Ordner, ein Gerät oder eine Pipe) "
                                 "und wird nicht gelesen!\n";
        for (const auto& args : {std::vector<std::string>{entry, m_example},
                                 std::vector<std::string>{"--sax", entry},
                                 std::vector<std::string>{"--import-scl", entry, m_home / "NVSCL.INI"}}) {
            CliRun r = Call(args);
            EXPECT_EQ(r.status, 2) << entry;
            EXPECT_EQ(r.err, "valorix-check: " + text) << entry;
        }
        EXPECT_FALSE(fs::exists(m_home / "NVSCL.INI"));
    }
    // The good file after the refused one is still checked.
    EXPECT_NE(Call({fifo, m_example}).out.find("korrektes SEPA XML Dokument"), std::string::npos);
}

// Files made to exhaust the checker end at once, in both modes, in one fatal
// finding that names what is wrong.
TEST_F(Cli, HostileFilesEndInOneFatalFinding) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string root = "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\">";
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    const std::string bigEntity = "<!DOCTYPE Document [<!ENTITY e \"" + std::string(1000000, 'x') + "\">]>";
    std::string laughs = "<!DOCTYPE Document [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + repeat("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    laughs += "]>";
    std::string attributes = "<CstmrCdtTrfInitn";
    for (int i = 0; i < 40000; ++i) attributes += " a" + std::to_string(i) + "=\"1\"";
    attributes += "/>";
    struct Case {
        const char* name;
        std::string text;
        std::string finding;
    } cases[] = {
        {"nesting behind a bracket in a comment", "<!DOCTYPE Document [<!-- [ -->]>" + root + repeat("<a>", 25000),
         "Die Elemente sind tiefer als 1000 Ebenen verschachtelt, die Datei wird nicht verarbeitet!"},
        {"large entity in text", bigEntity + root + "<a>" + repeat("&e;", 4999) + "</a></Document>",
         "entity 'e' not found"},
        {"large entity in an attribute", bigEntity + root + "<a b=\"" + repeat("&e;", 4999) + "\"/></Document>",
         "entity 'e' not found"},
        {"nested entities", laughs + root + "<a>&l9;</a></Document>", "entity 'l9' not found"},
        {"40000 attributes", root + attributes + "</Document>",
         "Ein Element trägt mehr als 256 Attribute, die Datei wird nicht verarbeitet!"},
    };
    for (const auto& c : cases) {
        const std::string file = m_home / "hostile.xml";
        WriteFile(file, decl + c.text);
        for (const char* mode : {"--", "--sax"}) {
            CliRun r = Call({mode, file});
            EXPECT_EQ(r.status, 1) << c.name << " " << mode << r.err;
            const std::string head = "'" + file + "' ist kein oder ein formal fehlerhaftes XML Dokument!\nZeile 2/";
            ASSERT_EQ(r.out.rfind(head, 0), 0u) << c.name << " " << mode << ": " << r.out.substr(0, 300);
            const std::string rest = r.out.substr(head.size());
            EXPECT_EQ(rest.substr(rest.find(" : ")), " : " + c.finding + "\n") << c.name << " " << mode;
        }
    }
    // A document type naming an external subset is passed over: nothing is
    // fetched, and nothing of it stays behind in memory (the sanitized build
    // checks for leaks).
    const std::string external = m_home / "external.xml";
    WriteFile(external, decl + "<!DOCTYPE Document SYSTEM \"http://127.0.0.1:9/x.dtd\">" + root + "</Document>");
    for (const char* mode : {"--", "--sax"}) {
        CliRun r = Call({mode, external});
        EXPECT_EQ(r.status, 1) << mode;
        EXPECT_EQ(r.out, "'" + external + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab "
                         "20.11.2016) entspricht!\n" + kRetiredCt30 + "\nZeile 2/130 : empty content is not valid "
                         "for content model '(CstmrCdtTrfInitn)'\n") << mode;
    }
}

TEST_F(Cli, DataDirAndSclOptions) {
    const std::string data = m_home / "eigene/daten";
    const std::string scl = m_home / "scl.ini";
    WriteFile(scl, "[BIC]\r\nSTAND=261201\r\n");
    CliRun r = Call({"--data-dir", data, "--scl", scl, m_example});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(data + "/pain.001.001.03.xsd"));
    EXPECT_FALSE(fs::exists(m_home / "data/Norvane"));
}

TEST_F(Cli, DataFolderLoadsItsSchemasWhateverItsName) {
    // The program's own schemas must load from a data folder below a home
    // folder with umlauts, a relative one, one with "%" and spaces, and one
    // reached through a symbolic link.
    fs::create_directories(m_home / "echt");
    fs::create_symlink(m_home / "echt", m_home / "verweis");
    const fs::path cwd = fs::current_path();
    fs::current_path(m_home.Path());
    const std::string expected =
        "'" + m_example + "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" + kRetiredCt30 + "\n";
    for (const std::string& dir : {m_home / "home/jürgen/.local/share/Norvane/Valorix", std::string("relativ/daten"),
                                  m_home / "100% sicher/Meine Daten", m_home / "verweis/daten"}) {
        for (const char* mode : {"--json", "--sax"}) {
            CliRun r = Call({mode, "--data-dir", dir, m_example});
            if (std::string(mode) == "--json") {
                EXPECT_NE(r.out.find("\"details\":[]"), std::string::npos) << dir << "\n" << r.out;
            } else {
                EXPECT_EQ(r.out, expected) << dir;
            }
            EXPECT_EQ(r.status, 0) << dir << "\n" << r.out << r.err;
        }
    }
    fs::current_path(cwd);
}

TEST_F(Cli, EventModeByOptionOrProfile) {
    // A positive verdict raises the state to 3 in tree mode and to 2 in event mode.
    EXPECT_NE(Call({"--json", m_example}).out.find("\"checkState\":3"), std::string::npos);
    CliRun sax = Call({"--sax", "--json", m_example});
    EXPECT_EQ(sax.status, 0) << sax.err;
    EXPECT_NE(sax.out.find("\"checkState\":2"), std::string::npos);
    CProfile(m_home / "config").WriteInt("OPTION", "SAX", 1);
    CliRun profile = Call({"--json", m_example});
    EXPECT_EQ(profile.status, 0);
    EXPECT_EQ(profile.out, sax.out);
    EXPECT_EQ(Call({m_example}).out, Call({"--sax", m_example}).out);
}

TEST_F(Cli, HostileFilesEndInAClearMessage) {
    const std::string example = ReadFile(m_example);
    const std::string verdictTail = "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" + kRetiredCt30 + "\n";
    const std::string nul = m_home / "nul.xml";
    WriteFile(nul, example + '\0' + "<junk/>");
    const std::string hidden = m_home / "hidden.xml";
    std::string inName = example;
    inName.insert(inName.find("<Nm>") + 4, std::string(1, '\0') + "</Nm><junk/>");
    WriteFile(hidden, inName);
    const std::string nulText = "Die Datei enthält hier ein NUL-Byte (0x00), das in XML nicht erlaubt ist; der Rest der Datei "
                                "wird nicht gelesen!";
    // A file the size of the default limit and one beyond it (the example, then a hole).
    const std::string huge = m_home / "huge.xml";
    WriteFile(huge, example);
    fs::resize_file(huge, 3ULL << 30);
    const std::string newline = m_home / "zeile\nzwei\t.xml";
    WriteFile(newline, example);
    struct Case {
        std::string file;
        int status;
        std::string out, err;
    } cases[] = {
        {nul, 1, "'" + nul + "' ist kein oder ein formal fehlerhaftes XML Dokument!\nZeile 82/1 : " + nulText + "\n", ""},
        {hidden, 1,
         "'" + hidden + "' ist kein oder ein formal fehlerhaftes XML Dokument!\n"
         "Zeile 10/13 : input ended before all started tags were ended; last tag started is 'Nm'\n"
         "Zeile 10/13 : " + nulText + "\n", ""},
        {huge, 2, "",
         "valorix-check: '" + huge + "' kann nicht geprüft werden: sie ist 3072 MB groß, geprüft werden Dateien bis 2048 MB "
         "(Einstellung OPTION/MAXFILEMB)!\n"},
        {newline, 0, "'" + m_home.Path() + "/zeile\\nzwei\\t.xml" + verdictTail, ""},
    };
    for (const char* mode : {"", "--sax"}) {
        for (const auto& c : cases) {
            std::vector<std::string> args{c.file};
            if (*mode) args.insert(args.begin(), mode);
            CliRun r = Call(args);
            EXPECT_EQ(r.status, c.status) << mode << " " << c.file;
            EXPECT_EQ(r.out, c.out) << mode << " " << c.file;
            EXPECT_EQ(r.err, c.err) << mode << " " << c.file;
        }
    }
    // The profile sets the limit; a file within it reads up to its first NUL.
    CProfile(m_home / "config").WriteInt("OPTION", "MAXFILEMB", 1);
    fs::resize_file(huge, 1 << 20);
    CliRun within = Call({huge});
    EXPECT_EQ(within.status, 1) << within.err;
    EXPECT_EQ(within.out, "'" + huge + "' ist kein oder ein formal fehlerhaftes XML Dokument!\nZeile 82/1 : " + nulText + "\n");
    fs::resize_file(huge, (1 << 20) + 1);
    EXPECT_EQ(Call({huge}).err, "valorix-check: '" + huge + "' kann nicht geprüft werden: sie ist 2 MB groß, geprüft werden "
                                "Dateien bis 1 MB (Einstellung OPTION/MAXFILEMB)!\n");
    // JSON keeps the name as it is and escapes it.
    CliRun json = Call({"--json", newline});
    EXPECT_NE(json.out.find("\"file\":\"" + m_home.Path() + "/zeile\\nzwei\\t.xml\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("'" + m_home.Path() + "/zeile\\\\nzwei\\\\t.xml' enthält"), std::string::npos) << json.out;
    // Names a read error quotes.
    CliRun missing = Call({m_home / "fehlt\r.xml"});
    EXPECT_EQ(missing.err, "valorix-check: '" + m_home.Path() + "/fehlt\\r.xml' kann nicht gelesen werden\n");
    EXPECT_EQ(Call({"--scl", "ohne\nverzeichnis", m_example}).err,
              "valorix-check: SCL-Verzeichnis 'ohne\\nverzeichnis' kann nicht gelesen werden\n");
    EXPECT_EQ(Call({"--import-scl", "ohne\x01scl", m_home / "NVSCL.INI"}).err,
              "valorix-check: Die Datei 'ohne\\x01scl' kann nicht gelesen werden.\n");
}

#if defined(__SANITIZE_ADDRESS__)
#define VALORIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VALORIX_ASAN 1
#endif
#endif

TEST_F(Cli, NoMemoryForTheFileEndsInAMessage) {
#ifdef VALORIX_ASAN
    GTEST_SKIP() << "the address sanitizer ends the process on a failed allocation";
#else
    // A file of 64 GB, the limit raised above it, the address space bounded:
    // the room for the text cannot be had.
    const std::string huge = m_home / "huge.xml";
    WriteFile(huge, ReadFile(m_example));
    fs::resize_file(huge, 64ULL << 30);
    CProfile(m_home / "config").WriteInt("OPTION", "MAXFILEMB", 100000);
    const std::string outFile = m_home / "out", errFile = m_home / "err";
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1ULL << 30);
        const rlimit bound{limit, limit};
        setrlimit(RLIMIT_AS, &bound);
        CliRun r = Call({"--sax", huge, m_example});
        WriteFile(outFile, r.out);
        WriteFile(errFile, r.err);
        _exit(r.status);
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus)) << wstatus;
    EXPECT_EQ(WEXITSTATUS(wstatus), 2);
    EXPECT_EQ(ReadFile(errFile), "valorix-check: Für die Prüfung der Datei '" + huge + "' reicht der Arbeitsspeicher nicht aus!\n");
    // The next file is checked all the same.
    EXPECT_EQ(ReadFile(outFile), "'" + m_example + "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" +
                                     kRetiredCt30 + "\n");
#endif
}

}  // namespace valorix::test
