#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <fcntl.h>

#include <csignal>
#include <fstream>
#include <functional>

#include <nlohmann/json.hpp>

#include "app/app.h"
#include "app/schemastore.h"
#include "cli/cli.h"
#include "core/checkdocument.h"
#include "ui/viewmodel.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/strutil.h"
#include "ui/htmlpage.h"
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
    CliRun Call(std::vector<std::string> args, const std::string& input = "") {
        std::istringstream in(input);
        return Call(args, in);
    }
    CliRun Call(const std::vector<std::string>& args, std::istream& in) {
        std::ostringstream out, err;
        int status = RunValorixCheck(args, in, out, err);
        return {status, out.str(), err.str()};
    }
#ifndef _WIN32
    // A run in a child process, so that what `run` changes in the process
    // (its standard input, its memory limit) stays there.
    CliRun InChild(const std::function<CliRun()>& run) {
        const std::string outFile = m_home / "child.out", errFile = m_home / "child.err";
        const pid_t child = fork();
        if (child == 0) {
            const CliRun r = run();
            WriteFile(outFile, r.out);
            WriteFile(errFile, r.err);
            _exit(r.status);
        }
        int wstatus = 0;
        if (child == -1 || waitpid(child, &wstatus, 0) != child || !WIFEXITED(wstatus)) return {-1, "", "no child"};
        return {WEXITSTATUS(wstatus), ReadFile(outFile), ReadFile(errFile)};
    }
    // A check reading the process's own standard input.
    static CliRun CallOnStandardInput(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        const int status = RunValorixCheck(args, out, err);
        return {status, out.str(), err.str()};
    }
#endif
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
                         "\"isEmw\":0,\"edition\":\"3.0 aktuell ab 20.11.2016\",\"subset\":null,\"sclDate\":null,"
                         "\"valid\":true,\"verdict\":\"valid\",\"status\":0,\"messages\":[\"'" + m_example +
                         "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\",\"" + kRetiredCt30 +
                         "\"],\"details\":[],\"report\":[{\"text\":\"'" + m_example +
                         "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\",\"position\":0},"
                         "{\"text\":\"" + kRetiredCt30 + "\",\"position\":0}],"
                         // A payment file has its slip; a file without payment blocks has none.
                         "\"summary\":{\"kind\":\"credit-transfer\",\"messageId\":\"VALORIX-BEISPIEL-0001\","
                         "\"created\":\"2026-12-01T09:30:00\",\"initiator\":\"Muster Werkzeugbau GmbH\",\"sha256\":\"" +
                         Sha256Hex(ReadFile(m_example)) +
                         "\",\"totals\":{\"count\":2,\"sums\":{\"EUR\":\"1250.50\"},\"sumsReadable\":true,"
                         "\"declaredCount\":\"2\",\"declaredSum\":\"1250.50\",\"countDiffers\":false,\"sumDiffers\":false},"
                         "\"blocks\":[{\"id\":\"LOHN-2026-12\",\"kind\":\"Überweisung\",\"scheme\":null,\"sequence\":null,"
                         "\"date\":\"2099-12-15\",\"owner\":{\"name\":\"Muster Werkzeugbau GmbH\",\"iban\":"
                         "\"DE02120300000000202051\",\"bic\":\"\"},\"totals\":{\"count\":2,\"sums\":{\"EUR\":\"1250.50\"},"
                         "\"sumsReadable\":true,\"declaredCount\":\"2\",\"declaredSum\":\"1250.50\",\"countDiffers\":false,"
                         "\"sumDiffers\":false}}]}}");
    EXPECT_EQ(second, "{\"file\":\"" + bad +
                          "\",\"checkState\":2,\"formatCode\":10,\"debitKind\":0,\"austrianVariant\":0,\"subtype\":0,"
                          "\"isEmw\":0,\"edition\":\"3.0 aktuell ab 20.11.2016\",\"subset\":null,\"sclDate\":null,"
                          "\"valid\":false,\"verdict\":\"invalid\",\"status\":1,\"messages\":[\"'" + bad +
                          "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) "
                          "entspricht!\",\"Erlaubte Kodierungen sind UTF-8 und ISO-8859, die Datei enthält keine "
                          "Angabe!\",\"" + kRetiredCt30 + "\"],\"details\":[{\"text\":\"element 'Document' is not allowed for content model "
                          "'(CstmrCdtTrfInitn)'\",\"line\":2,\"column\":67,\"kind\":0,\"severity\":\"error\"}],\"report\":[{\"text\":\"'" +
                          bad + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) "
                                "entspricht!\",\"position\":0},{\"text\":\"Erlaubte Kodierungen sind UTF-8 und "
                                "ISO-8859, die Datei enthält keine Angabe!\",\"position\":0},{\"text\":\"" + kRetiredCt30 +
                                "\",\"position\":0},{\"text\":\"Zeile 2/67 : "
                                "element 'Document' is not allowed for content model '(CstmrCdtTrfInitn)'\",\"position\":"
                                "22}]}");
}

// A finding "Fehler:" turns the report's positive verdict negative: every
// field of the JSON says the same, and the finding is an error.
TEST_F(Cli, JsonVerdictAgreesWithTheReport) {
    std::string text = ReadFile(m_example);
    const std::string name = "<Nm>Muster Werkzeugbau GmbH</Nm>";
    text.replace(text.find(name), name.size(), "<Nm>   </Nm>");
    const std::string file = m_home / "leerer-name.xml";
    WriteFile(file, text);
    CliRun plain = Call({file});
    EXPECT_EQ(plain.status, 1);
    const std::string negative = "'" + file + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab "
                                              "20.11.2016) entspricht!";
    EXPECT_EQ(plain.out.substr(0, plain.out.find('\n')), negative);
    CliRun r = Call({"--json", file});
    EXPECT_EQ(r.status, 1);
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["messages"][0], negative);
    EXPECT_EQ(j["report"][0]["text"], negative);
    EXPECT_EQ(j["valid"], false);
    EXPECT_EQ(j["verdict"], "invalid");
    EXPECT_EQ(j["status"], 1);
    EXPECT_EQ(j["details"][0]["text"], "Fehler: Pflichtfeld <Nm> ist nur mit Leerzeichen gefüllt!");
    EXPECT_EQ(j["details"][0]["severity"], "error");
}

// The retired-edition hint names the file's own message, or nothing when its
// namespace is no known edition, whatever schema the check fell back to.
TEST_F(Cli, RetiredEditionHintOfAMismatchedNamespace) {
    const std::string iso = "urn:iso:std:iso:20022:tech:xsd:";
    const std::string status = m_home / "status.xml", debit = m_home / "debit.xml";
    WriteFile(status, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"" + iso +
                          "pain.002.001.03\"><CstmrPmtStsRpt/></Document>");
    WriteFile(debit, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"" + iso +
                         "pain.008.001.10\"><CstmrDrctDbtInitn/></Document>");
    const std::string expected =
        "'" + status + "' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) "
        "entspricht!\nDer Namensraum '" + iso + "pain.002.001.03' des Wurzelelements 'Document' entspricht nicht dem "
        "erforderlichen Namensraum '" + iso + "pain.001.001.03'\nHinweis: Das Format pain.002.001.03 wird von deutschen "
        "Banken seit November 2025 nicht mehr angenommen!\nZeile 2/66 : no declaration found for element 'Document'\n'" +
        debit + "' enthält ein XML Dokument, das nicht der Schemadefinition (2.5/2.6 aktuell bis 03.11.2013) entspricht!"
        "\nDer Namensraum '" + iso + "pain.008.001.10' des Wurzelelements 'Document' entspricht nicht dem erforderlichen "
        "Namensraum '" + iso + "pain.008.002.02'\nZeile 2/66 : no declaration found for element 'Document'\n";
    for (const char* mode : {"--", "--sax"}) {
        CliRun r = Call({mode, status, debit});
        EXPECT_EQ(r.status, 1) << mode;
        EXPECT_EQ(r.out, expected) << mode;
    }
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
        {{"--scl=/nonexistent/NVSCL.INI", "x.xml"}, 2, "valorix-check: SCL-Verzeichnis"},
        {{"x.xml", "--name"}, 2, "valorix-check: --name braucht einen Wert"},
        {{"-x", "a.xml"}, 2, "valorix-check: unbekannte Option '-x'"},
        {{"--", "--bogus"}, 2, "valorix-check: '--bogus' kann nicht gelesen werden"},
        {{"/nonexistent/file.xml"}, 2, "valorix-check: '/nonexistent/file.xml' kann nicht gelesen werden"},
        // One report for one file.
        {{"--html", "r.html", "a.xml", "b.xml"}, 2, "Aufruf: valorix-check"},
        {{"--html", "r.html", "--recursive", "dir"}, 2, "Aufruf: valorix-check"},
        {{"--html", "/nonexistent/r.html", m_example}, 2, "valorix-check: Bericht '/nonexistent/r.html' kann nicht"},
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
#ifdef _WIN32
    GTEST_SKIP() << "no FIFO on Windows: its folder and device cases are in test_windows.cpp";
#else
    const std::string fifo = m_home / "pipe.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& entry : {fifo, std::string("/dev/zero")}) {
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
#endif
}

// Files checked on several threads are reported as one thread would: each
// report whole, in the order of the arguments, with the same exit status, in
// both modes, with and without JSON, whatever the mix of good, bad and
// unreadable files.
TEST_F(Cli, ParallelChecksPrintAsOneAfterTheOther) {
    const std::string fixtures = std::string(VALORIX_SOURCE_DIR) + "/tests/fixtures/rules/";
    const std::string broken = m_home / "broken.xml";
    WriteFile(broken, "<?xml version=\"1.0\"?>\n<Document><a></b></Document>\n");
    const std::vector<std::string> files = {fixtures + "direct-debit.xml", "/nonexistent/a.xml", m_example, broken,
                                            fixtures + "duplicate-references.xml", fixtures + "umlaute.xml",
                                            m_home.Path(), fixtures + "summary-two-blocks.xml", m_example};
    for (const std::vector<std::string>& mode :
         {std::vector<std::string>{}, {"--sax"}, {"--json"}, {"--sax", "--json", "--summary"}}) {
        std::vector<std::string> serial = mode, parallel = mode;
        serial.insert(serial.end(), {"-j", "1"});
        parallel.insert(parallel.end(), {"--jobs", "3"});
        serial.insert(serial.end(), files.begin(), files.end());
        parallel.insert(parallel.end(), files.begin(), files.end());
        const CliRun one = Call(serial), three = Call(parallel);
        const std::string name = ::testing::PrintToString(mode);
        EXPECT_EQ(one.status, 2) << name;
        EXPECT_EQ(three.status, one.status) << name;
        EXPECT_EQ(three.out, one.out) << name;
        EXPECT_EQ(three.err, one.err) << name;
        // Every file has its report, the refused ones their message.
        EXPECT_NE(one.err.find("'/nonexistent/a.xml' kann nicht gelesen werden"), std::string::npos) << name;
        EXPECT_NE(one.err.find("ist ein Ordner"), std::string::npos) << name;
        const bool json = std::find(mode.begin(), mode.end(), "--json") != mode.end();
        EXPECT_EQ(Count(one.out, "korrektes SEPA XML Dokument"), json ? 6 : 3) << name;
    }
    // Only good files: 0 whatever the number of threads.
    EXPECT_EQ(Call({"-j", "4", m_example, m_example, m_example}).status, 0);
    EXPECT_EQ(Call({"-j", "0", m_example}).status, 2);
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

TEST_F(Cli, HelpAndVersion) {
    const std::string scl = m_home / "scl.ini";
    WriteFile(scl, "[BIC]\r\nSTAND=261201\r\n");
    struct Case {
        std::vector<std::string> args;
        std::string out;  // the whole output, or its first line when it ends in no newline
    } cases[] = {
        {{"--help"}, "Aufruf: valorix-check [--sax] [--json] [--data-dir ORDNER] [--scl DATEI] [--recursive] [-j N] "
                     "DATEI|ORDNER|-..."},
        {{"--json", "-h", m_example}, "Aufruf: valorix-check"},
        {{"--version", "--scl", scl},
         "valorix-check " VALORIX_VERSION_TEXT "\nStand des SCL Verzeichnisses: 01.12.2026\nVersion des Schemasatzes: 3\n"},
        {{"--version"}, "valorix-check " VALORIX_VERSION_TEXT "\nStand des SCL Verzeichnisses: n.a.\nVersion des Schemasatzes: 3\n"},
    };
    for (const auto& c : cases) {
        CliRun r = Call(c.args);
        EXPECT_EQ(r.status, 0) << ::testing::PrintToString(c.args);
        EXPECT_EQ(r.err, "");
        if (c.out.back() == '\n') EXPECT_EQ(r.out, c.out);
        else EXPECT_EQ(r.out.substr(0, r.out.find('\n')).rfind(c.out, 0), 0u) << r.out;
    }
    // One line per option.
    const std::string help = Call({"--help"}).out;
    for (const char* option : {"-h, --help", "--version", "--sax", "--json", "--recursive", "--name NAME", "--html DATEI", "--data-dir",
                               "--scl", "--import-scl", "--import-blz", "--valid-from", "--update-scl", "--publish-scl"})
        EXPECT_NE(help.find("\n  " + std::string(option)), std::string::npos) << option;
    EXPECT_FALSE(fs::exists(m_home / "data/Norvane/Valorix/pain.001.001.03.xsd"));
}

TEST_F(Cli, StandardInput) {
    const std::string text = ReadFile(m_example);
    const std::string verdict = "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" + kRetiredCt30 + "\n";
    for (const std::string mode : {"tree", "--sax"}) {
        auto with = [&](std::vector<std::string> args) {
            if (mode == "--sax") args.insert(args.begin(), mode);
            return args;
        };
        CliRun r = Call(with({"-"}), text);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "'-" + verdict);
        r = Call(with({"--name", "eingang/überweisung.xml", "-", m_example}), text);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "'eingang/überweisung.xml" + verdict + "'" + m_example + verdict);
    }
    CliRun bad = Call({"-"}, "<Document>");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "'-' beginnt nicht mit einer XML Deklaration (<?xml ...)!\n'-' ist kein oder ein formal fehlerhaftes "
                       "XML Dokument!\nZeile 1/11 : input ended before all started tags were ended; last tag started is "
                       "'Document'\n");
    // Standard input is read once; a name belongs to it.
    for (const auto& args : {std::vector<std::string>{"-", "-"}, std::vector<std::string>{"--name", "x", m_example},
                             std::vector<std::string>{"--name", "x", "--import-scl", "-"}}) {
        CliRun r = Call(args, text);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.err.rfind("Aufruf: valorix-check", 0), 0u) << r.err;
    }
}

TEST_F(Cli, FoldersOnlyWithRecursive) {
    const fs::path dir = m_home / "eingang";
    const std::string text = ReadFile(m_example);
    for (const char* f : {"b.xml", "a/z.xml", "A.xml", "a/tief/c.xml", "notiz.txt", "x.XML.bak"}) {
        fs::create_directories((dir / f).parent_path());
        WriteFile((dir / f).string(), text);
    }
    fs::create_directories(dir / "ordner.xml");
    const std::string folder = dir.string();
    CliRun refused = Call({folder, m_example});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "valorix-check: '" + folder + "' ist ein Ordner und wird nur mit --recursive geprüft!\n");
    EXPECT_NE(refused.out.find(m_example), std::string::npos);  // the other file is still checked

    CliRun r = Call({"--recursive", "--json", folder});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> files;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) files.push_back(nlohmann::json::parse(line)["file"]);
    // The names the walk found, joined with the system's separator.
    EXPECT_EQ(files, (std::vector<std::string>{(dir / "A.xml").string(), (dir / "a" / "tief" / "c.xml").string(),
                                               (dir / "a" / "z.xml").string(), (dir / "b.xml").string()}));
}

// A folder's walk names every folder it cannot read and a folder that holds
// nothing to check; what it can read is still checked.
TEST_F(Cli, RecursiveNamesWhatItCannotRead) {
    const fs::path dir = m_home / "eingang";
    fs::create_directories(dir / "leer" / "unten");
    WriteFile(m_home / "eingang/leer/notiz.txt", "");
    WriteFile(m_home / "eingang/b.xml", ReadFile(m_example));
    const std::string empty = (dir / "leer").string();
    CliRun none = Call({"--recursive", empty});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "valorix-check: Im Ordner '" + empty + "' wurde keine Datei *.xml gefunden\n");
#ifndef _WIN32
    // A folder that cannot be opened: without permission for a user, a path
    // too long for the system for anyone (root reads every folder).
    std::string unreadable;
    std::vector<int> chain;  // the descriptors of the long path's folders, to remove it again
    const std::string segment(250, 'u');
    if (geteuid() != 0) {
        unreadable = (dir / "gesperrt").string();
        fs::create_directories(unreadable);
        WriteFile(unreadable + "/c.xml", ReadFile(m_example));
        fs::permissions(unreadable, fs::perms::none);
    } else {
        chain.push_back(open(dir.c_str(), O_RDONLY | O_DIRECTORY));
        unreadable = dir.string();
        while (unreadable.size() <= 4096) {
            ASSERT_EQ(mkdirat(chain.back(), segment.c_str(), 0700), 0);
            chain.push_back(openat(chain.back(), segment.c_str(), O_RDONLY | O_DIRECTORY));
            ASSERT_GE(chain.back(), 0);
            unreadable += "/" + segment;
        }
    }
    for (const char* jobs : {"1", "3"}) {
        CliRun r = Call({"--recursive", "-j", jobs, dir.string(), m_example});
        EXPECT_EQ(r.status, 2) << jobs;
        EXPECT_EQ(r.err, "valorix-check: Ordner '" + unreadable + "' kann nicht gelesen werden\n") << jobs;
        EXPECT_EQ(Count(r.out, "korrektes SEPA XML Dokument"), 2) << jobs;  // b.xml and the example
    }
    if (geteuid() != 0) fs::permissions(unreadable, fs::perms::owner_all);
    for (size_t i = chain.size() - 1; i > 0; --i) {
        close(chain[i]);
        unlinkat(chain[i - 1], segment.c_str(), AT_REMOVEDIR);
    }
    if (!chain.empty()) close(chain[0]);
#endif
}

// With --json every argument has its line, also one that was not read or
// not checked: status 2, the message printed to standard error as its only
// message, in the order of the arguments.
TEST_F(Cli, JsonLineForEveryArgument) {
    const std::string folder = m_home.Path();
    std::vector<std::pair<std::string, std::string>> refused = {
        {"/nonexistent/a.xml", "'/nonexistent/a.xml' kann nicht gelesen werden"},
        {folder, "'" + folder + "' ist ein Ordner und wird nur mit --recursive geprüft!"},
    };
#ifndef _WIN32
    const std::string fifo = m_home / "pipe.xml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    refused.push_back({fifo, "'" + fifo + "' ist keine gewöhnliche Datei (sondern ein Ordner, ein Gerät oder eine Pipe) "
                                          "und wird nicht gelesen!"});
#endif
    std::vector<std::string> args{"--json", m_example};
    for (const auto& [file, message] : refused) args.push_back(file);
    for (const char* jobs : {"1", "4"}) {
        std::vector<std::string> withJobs = args;
        withJobs.insert(withJobs.begin(), {"-j", jobs});
        CliRun r = Call(withJobs);
        EXPECT_EQ(r.status, 2);
        std::istringstream lines(r.out);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(nlohmann::json::parse(line)["status"], 0);
        std::string err;
        for (const auto& [file, message] : refused) {
            ASSERT_TRUE(std::getline(lines, line)) << file;
            const nlohmann::json j = nlohmann::json::parse(line);
            EXPECT_EQ(j["file"], file);
            EXPECT_EQ(j["checkState"], -1);
            EXPECT_EQ(j["status"], 2);
            EXPECT_EQ(j["valid"], false);
            EXPECT_EQ(j["messages"], nlohmann::json::array({message}));
            err += "valorix-check: " + message + "\n";
        }
        EXPECT_FALSE(std::getline(lines, line)) << line;
        EXPECT_EQ(r.err, err);
    }
    // A file too large to be checked has its line too.
    CProfile(m_home / "config").WriteInt("OPTION", "MAXFILEMB", 1);
    const std::string big = m_home / "big.xml";
    WriteFile(big, ReadFile(m_example));
    fs::resize_file(big, 3 << 20);
    CliRun r = Call({"--json", big});
    const std::string message = "'" + big + "' kann nicht geprüft werden: sie ist 3 MB groß, geprüft werden Dateien bis 1 MB "
                                            "(Einstellung OPTION/MAXFILEMB)!";
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "valorix-check: " + message + "\n");
    EXPECT_EQ(nlohmann::json::parse(r.out)["messages"], nlohmann::json::array({message}));
}

// A value out of range is named before the usage, and nothing is done:
// --history-days 0 would forget the whole history.
TEST_F(Cli, WrongValuesAreNamed) {
    const std::string jobs = "valorix-check: -j braucht eine Zahl von 1 bis 256, nicht ";
    const std::string days = "valorix-check: --history-days braucht eine Zahl ab 1, nicht ";
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    } cases[] = {
        {{"-j", "0", m_example}, jobs + "'0'"},
        {{"--jobs", "257", m_example}, jobs + "'257'"},
        {{"-j", "2x", m_example}, jobs + "'2x'"},
        {{"-j", "", m_example}, jobs + "''"},
        {{"--history-days", "-1", m_example}, days + "'-1'"},
        {{"--history-days", "0", "--history"}, days + "'0'"},
        {{"--history-days=99999999999", "--history"}, days + "'99999999999'"},
        {{"--history-days", "1\n", "--history"}, days + "'1\\n'"},
        {{"--name", "", "-"}, "valorix-check: --name braucht einen Namen, nicht ''"},
    };
    for (const auto& c : cases) {
        CliRun r = Call(c.args, ReadFile(m_example));
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.firstLine);
        EXPECT_EQ(r.err.substr(r.err.find('\n') + 1).rfind("Aufruf: valorix-check", 0), 0u) << r.err;
    }
    EXPECT_FALSE(fs::exists(m_home / "data/Norvane/Valorix"));
    // In range: taken.
    EXPECT_EQ(Call({"-j", "+256", "--history-days", "1", m_example}).status, 0);
}

// Bytes without end, as many as a file may hold, delivered in pieces.
class CEndlessBuffer : public std::streambuf {
public:
    explicit CEndlessBuffer(const std::string& unit) {
        while (m_piece.size() < 4096) m_piece += unit;
    }
    unsigned long long delivered = 0;

protected:
    int_type underflow() override {
        delivered += m_piece.size();
        setg(m_piece.data(), m_piece.data(), m_piece.data() + m_piece.size());
        return traits_type::to_int_type(m_piece[0]);
    }

private:
    std::string m_piece;
};

// A stream whose reading fails.
class CFailingBuffer : public std::streambuf {
protected:
    int_type underflow() override { throw std::ios_base::failure("Eingabe-/Ausgabefehler"); }
};

// Standard input is bounded while it is read, like a file's size, and a
// stream that cannot be read is said to be so.
TEST_F(Cli, StandardInputIsBoundedAndReadable) {
    CProfile(m_home / "config").WriteInt("OPTION", "MAXFILEMB", 1);
    const std::string tooLarge = "valorix-check: '-' kann nicht geprüft werden: sie ist ";
    const std::string limit = " groß, geprüft werden Dateien bis 1 MB (Einstellung OPTION/MAXFILEMB)!\n";
    for (const char* mode : {"--", "--sax"}) {
        CEndlessBuffer endless("<a>x</a>\n");
        std::istream stream(&endless);
        CliRun r = Call({mode, "-", m_example}, stream);
        EXPECT_EQ(r.status, 2) << mode;
        EXPECT_EQ(r.err, tooLarge + "mehr als 1 MB" + limit) << mode;
        EXPECT_LE(endless.delivered, (1u << 20) + 8192) << mode;  // read no further than the bound
        EXPECT_NE(r.out.find("korrektes SEPA XML Dokument"), std::string::npos) << mode;  // the next file is checked
    }
    // A stream that tells its size is refused by it, as a file is; one of
    // the bound's size is checked.
    std::string text = ReadFile(m_example);
    text.resize((1 << 20) + 1, ' ');
    CliRun seekable = Call({"-"}, text);
    EXPECT_EQ(seekable.status, 2);
    EXPECT_EQ(seekable.err, tooLarge + "2 MB" + limit);
    text.pop_back();
    CliRun within = Call({"-"}, text);
    EXPECT_EQ(within.status, 0) << within.err;
    EXPECT_EQ(within.out.rfind("'-' enthält ein korrektes SEPA XML Dokument", 0), 0u) << within.out;

    CFailingBuffer failing;
    std::istream broken(&failing);
    CliRun unreadable = Call({"--json", "--name", "zahlung.xml", "-"}, broken);
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_EQ(unreadable.err, "valorix-check: 'zahlung.xml' kann nicht gelesen werden\n");
    EXPECT_EQ(nlohmann::json::parse(unreadable.out)["status"], 2);
#ifndef _WIN32
    // The process's own standard input: closed, or a folder.
    const std::string folder = m_home.Path();
    for (const auto& [what, prepare] : std::vector<std::pair<std::string, std::function<void()>>>{
             {"closed", [] { close(STDIN_FILENO); }},
             {"folder", [folder] { dup2(open(folder.c_str(), O_RDONLY | O_DIRECTORY), STDIN_FILENO); }}}) {
        const std::function<void()>& redirect = prepare;  // a binding itself cannot be captured (clang)
        CliRun r = InChild([&] {
            redirect();
            return CallOnStandardInput({"-"});
        });
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(r.err, "valorix-check: '-' kann nicht gelesen werden\n") << what;
    }
#endif
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
#ifndef _WIN32
    fs::create_symlink(m_home / "echt", m_home / "verweis");
#endif
    const fs::path cwd = fs::current_path();
    fs::current_path(m_home.Path());
    const std::string expected =
        "'" + m_example + "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" + kRetiredCt30 + "\n";
    std::vector<std::string> dirs = {m_home / "home/jürgen/.local/share/Norvane/Valorix", std::string("relativ/daten"),
                                     m_home / "100% sicher/Meine Daten"};
#ifndef _WIN32
    dirs.push_back(m_home / "verweis/daten");  // symbolic links want privileges on Windows
#endif
    for (const std::string& dir : dirs) {
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

TEST_F(Cli, CheckWithoutAnSclDirectorySaysSoOnce) {
    // The example of today's edition with the debtor's bank and both payees'
    // banks named by BIC: without a directory no BIC is "not listed", the
    // summary says once that the directory was not asked, and the file stays
    // correct; a directory that lists the banks asks them as before.
    std::string text = ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.09.xml");
    const std::string othr = "<Othr>\n            <Id>NOTPROVIDED</Id>\n          </Othr>";
    ASSERT_NE(text.find(othr), std::string::npos);
    text.replace(text.find(othr), othr.size(), "<BICFI>COBADEFFXXX</BICFI>");
    const std::string cdtrAcct = "</CdtrAcct>";
    for (size_t at = text.find(cdtrAcct); at != std::string::npos; at = text.find(cdtrAcct, at + 1))
        text.insert(at + cdtrAcct.size(), "<CdtrAgt><FinInstnId><BICFI>MARKDEF1100</BICFI></FinInstnId></CdtrAgt>");
    // The creditor's agent stands before the creditor in the schema.
    for (size_t at = text.find("<Cdtr>"); at != std::string::npos; at = text.find("<Cdtr>", at + 1)) {
        const size_t agent = text.find("<CdtrAgt>", at);
        const size_t end = text.find("</CdtrAgt>", agent) + 10;
        const std::string moved = text.substr(agent, end - agent);
        text.erase(agent, end - agent);
        text.insert(at, moved);
        at += moved.size();
    }
    const std::string file = m_home / "mit-bic.xml";
    WriteFile(file, text);
    const std::string verdict = "'" + file + "' enthält ein korrektes SEPA XML Dokument (3.9 (GBIC_5) aktuell ab November 2025)!\n";
    const std::string hint = "Hinweis: Kein SCL Verzeichnis vorhanden, die BICs wurden nicht gegen das SEPA SCL "
                             "Verzeichnis der Bundesbank geprüft.\n";
    const std::string listed = m_home / "listed.ini", partly = m_home / "partly.ini";
    WriteFile(listed, "[BIC]\r\nSTAND=261201\r\nCOBADEFFXXX=1111\r\nMARKDEF1100=1111\r\n");
    WriteFile(partly, "[BIC]\r\nSTAND=261201\r\nCOBADEFFXXX=1111\r\n");
    const std::string notListed =
        "BIC 'MARKDEF1100' ist nicht im SEPA SCL Verzeichnis der Bundesbank enthalten!";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    } cases[] = {
        {{file}, 0, verdict + hint},
        {{"--sax", file}, 0, verdict + hint},
        {{"--scl", listed, file}, 0, verdict},
        {{"--sax", "--scl", listed, file}, 0, verdict},
    };
    for (const Case& c : cases) {
        CliRun r = Call(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[0];
    }
    for (const char* mode : {"--json", "--sax"}) {
        CliRun r = Call({mode, "--scl", partly, file});
        EXPECT_EQ(r.status, 1) << mode;
        EXPECT_EQ(r.out.find("Hinweis: Kein SCL"), std::string::npos) << mode;
        EXPECT_NE(r.out.find(notListed), std::string::npos) << mode << r.out;
    }
}

TEST_F(Cli, HostileFilesEndInAClearMessage) {
    const std::string example = ReadFile(m_example);
    const std::string verdictTail = "' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!\n" + kRetiredCt30 + "\n";
    const std::string nul = m_home / "nulbyte.xml";  // "nul.xml" is the null device on Windows
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
    const std::string newline = m_home / "zeile\nzwei\t.xml";  // control characters: no Windows file name
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
#ifndef _WIN32
        {newline, 0, "'" + m_home.Path() + "/zeile\\nzwei\\t.xml" + verdictTail, ""},
#endif
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
#ifndef _WIN32
    // JSON keeps the name as it is and escapes it.
    CliRun json = Call({"--json", newline});
    EXPECT_NE(json.out.find("\"file\":\"" + m_home.Path() + "/zeile\\nzwei\\t.xml\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("'" + m_home.Path() + "/zeile\\\\nzwei\\\\t.xml' enthält"), std::string::npos) << json.out;
#endif
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
#if defined(VALORIX_ASAN)
    GTEST_SKIP() << "the address sanitizer ends the process on a failed allocation";
#elif defined(_WIN32)
    GTEST_SKIP() << "no fork and no address-space limit on Windows";
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
    // Standard input without end, while it is read.
    CliRun stream = InChild([&] {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1ULL << 30);
        const rlimit bound{limit, limit};
        setrlimit(RLIMIT_AS, &bound);
        CEndlessBuffer endless("<a>x</a>\n");
        std::istream in(&endless);
        return Call({"--name", "eingang.xml", "-", m_example}, in);
    });
    EXPECT_EQ(stream.status, 2);
    EXPECT_EQ(stream.err, "valorix-check: Für die Prüfung der Datei 'eingang.xml' reicht der Arbeitsspeicher nicht aus!\n");
    EXPECT_NE(stream.out.find("korrektes SEPA XML Dokument"), std::string::npos);
#endif
}

// --html: one page that needs nothing but itself, well-formed, every finding
// linking to its place in the text, all of the file (its name too) escaped;
// the terminal output and the exit status stay those of the plain run. A
// large file shows the lines around its findings only. `name`: the file's
// name as the report shows it.
TEST_F(Cli, HtmlReport) {
    const std::string source = ReadFile(FixturesDir() + "/rules/script-values.xml");
#ifdef _WIN32
    const std::string file = m_home / "a&b c.xml";  // "<" and ">" are no characters of a Windows file name
#else
    const std::string file = m_home / "a<b>&c.xml";
#endif
    WriteFile(file, source);
    std::string padding;
    for (int i = 0; i < 5000; ++i) padding += "<!-- padding line " + std::to_string(i) + " -->\n";
    std::string large = source;
    large.insert(large.find("<Document"), padding);
    const std::string largeFile = m_home / "large.xml";
    WriteFile(largeFile, large);
    const std::string page = m_home / "report.html";
    struct Case {
        std::vector<std::string> args;
        std::string input, name, bytes;
    } cases[] = {
        {{"--html", page, file}, "", file, source},
        {{"--name", "<i>&amp;</i>", "--html", page, "-"}, source, "<i>&amp;</i>", source},
        {{"--name", "n\xFC.xml", "--html", page, "-"}, source, "n\u00FC.xml", source},  // no UTF-8: as Windows-1252
        {{"--html", page, largeFile}, "", largeFile, large},
        {{"--sax", "--html", page, file}, "", file, source},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::vector<std::string> plainArgs = c.args;
        const auto at = std::find(plainArgs.begin(), plainArgs.end(), "--html");
        plainArgs.erase(at, at + 2);
        const CliRun plain = Call(plainArgs, c.input);
        fs::remove(page);
        const CliRun r = Call(c.args, c.input);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.status, plain.status);
        EXPECT_EQ(r.out, plain.out);
        EXPECT_EQ(r.err, "");
#ifndef _WIN32  // the validator is the host's, not reachable from a Windows process
        ASSERT_EQ(std::system(("xmllint --noout --nonet '" + page + "'").c_str()), 0);
#endif
        const std::string html = ReadFile(page);
        for (const std::string& part :
             {"<td>" + HtmlEscape(c.name) + "</td>", Format("<td>%u Bytes</td>", unsigned(c.bytes.size())),
              "<td>" + Sha256Hex(c.bytes) + "</td>", std::string("<td>01.12.2026 12:00:00</td>"),
              std::string("<td>" VALORIX_VERSION_TEXT "</td>"),
              std::string("&amp;lt;script&amp;gt;alert(1)&amp;lt;/script&amp;gt; &amp;amp; Co"),
              std::string("@media print{")})
            EXPECT_NE(html.find(part), std::string::npos) << part;
        for (const char* absent : {"<script", "onclick", "http:", "https:", " src=", "<i>", "a<b>"})
            EXPECT_EQ(html.find(absent), std::string::npos) << absent;
        // Each finding of the terminal output: one row linking to one place.
        size_t findings = 0;
        for (size_t p = 0; (p = r.out.find("\nZeile ", p)) != std::string::npos; ++p) ++findings;
        size_t links = 0;
        for (size_t p = 0; (p = html.find("href=\"#", p)) != std::string::npos; ++p, ++links) {
            const std::string id = html.substr(p + 7, html.find('"', p + 7) - p - 7);
            const std::string target = "id=\"" + id + "\"";
            EXPECT_NE(html.find(target), std::string::npos) << id;
            EXPECT_EQ(html.find(target), html.rfind(target)) << id;
        }
        EXPECT_GT(findings, 5u);
        EXPECT_EQ(links, findings);
        const bool excerpt = c.bytes.size() >= kLargeFileBytes || c.args[0] == "--sax";
        EXPECT_EQ(html.find("<details") == std::string::npos, excerpt);
        if (c.bytes == large) {
            EXPECT_LT(html.size(), 30000u);
            EXPECT_EQ(html.find("padding line 4000 "), std::string::npos);
            EXPECT_NE(html.find("<span class=\"ln\">5011</span>"), std::string::npos);
        }
    }
}

// What the file holds and what it is named cannot break the report: U+FFFF
// (no character of XML) is named, a '>' in a quoted value stays in it, a
// line end of the name shows as its picture; the page stays well-formed.
TEST_F(Cli, HtmlReportOfHostileText) {
    const std::string source = ReadFile(m_example);
    std::string hostile = source;
    hostile.replace(hostile.find("<MsgId>") + 7, 0, "\xEF\xBF\xBF");
    hostile.replace(hostile.find("<Document") + 9, 0, " a=\"1>2\"");
    const std::string page = m_home / "r.html";
    const CliRun r = Call({"--name", "zwei\nZeilen.xml", "--html", page, "-"}, hostile);
    EXPECT_EQ(r.err, "");
#ifndef _WIN32
    EXPECT_EQ(std::system(("xmllint --noout --nonet '" + page + "'").c_str()), 0);
#endif
    const std::string html = ReadFile(page);
    for (const std::string& part : {std::string("<span class=\"tx\">\\uFFFF"),
                                    std::string("<span class=\"an\">a</span>=<span class=\"av\">&quot;1&gt;2&quot;</span>"),
                                    std::string("<title>Prüfbericht zwei\u240AZeilen.xml</title>")})
        EXPECT_NE(html.find(part), std::string::npos) << part;
}

// An output is never the file it is made from, by whatever name: the run
// says so and ends with 2, the input unchanged.
TEST_F(Cli, OutputThatIsAnInputIsRefused) {
    const std::string payment = m_home / "pay.xml", hard = m_home / "hard.xml", soft = m_home / "soft.xml";
    WriteFile(payment, ReadFile(m_example));
    fs::create_hard_link(payment, hard);
#ifndef _WIN32
    fs::create_symlink(payment, soft);
#endif
    const std::string blz = m_home / "blz.txt", scl = m_home / "scl.csv";
    WriteFile(blz, ReadFile(FixturesDir() + "/blz/blz-file.txt"));
    WriteFile(scl, ReadFile(FixturesDir() + "/scl/scl-directory.csv"));
    fs::create_directories(m_home / "www/valorix");
    const std::string published = m_home / "www/valorix/SCL2.htm";
    fs::create_hard_link(scl, published);
    const auto same = [](const std::string& out, const std::string& in) {
        return "'" + NativeSeparators(out) + "' ist die Eingabedatei '" + NativeSeparators(in) +
               "' selbst und wird nicht überschrieben";
    };
    struct Case {
        std::vector<std::string> args;
        std::string input, err;
    } cases[] = {
        {{"--html", payment, payment}, payment, "valorix-check: Ausgabe " + same(payment, payment) + "\n"},
        {{"--html", hard, payment}, payment, "valorix-check: Ausgabe " + same(hard, payment) + "\n"},
#ifndef _WIN32
        {{"--html", soft, payment}, payment, "valorix-check: Ausgabe " + same(soft, payment) + "\n"},
#endif
        {{"--html", scl, "--scl", scl, payment}, scl, "valorix-check: Ausgabe " + same(scl, scl) + "\n"},
        {{"--import-blz", blz, blz}, blz, "valorix-check: Die Zieldatei " + same(blz, blz) + ".\n"},
        {{"--import-scl", scl, scl}, scl, "valorix-check: Die Zieldatei " + same(scl, scl) + ".\n"},
        {{"--publish-scl", scl, m_home / "www"}, scl, "valorix-check: Ausgabe " + same(published, scl) + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const std::string before = ReadFile(c.input);
        const CliRun r = Call(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(ReadFile(c.input), before);
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(soft));
    // Standard input redirected from the file the report would replace, by any of its names.
    for (const std::string& report : {payment, hard, soft}) {
        SCOPED_TRACE(report);
        const std::string before = ReadFile(payment);
        const CliRun r = InChild([&] {
            const int fd = open(payment.c_str(), O_RDONLY);
            dup2(fd, STDIN_FILENO);
            return CallOnStandardInput({"--html", report, "-"});
        });
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "valorix-check: Ausgabe " + same(report, "-") + "\n");
        EXPECT_EQ(ReadFile(payment), before);
    }
    // Another file on standard input is no reason to refuse.
    const CliRun other = InChild([&] {
        const int fd = open(payment.c_str(), O_RDONLY);
        dup2(fd, STDIN_FILENO);
        return CallOnStandardInput({"--html", m_home / "report.html", "-"});
    });
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_TRUE(fs::exists(m_home / "report.html"));
#endif
}

// The report replaces the file a link leads to, the link stays; a device
// is written into, never replaced by a file.
TEST_F(Cli, ReportThroughALinkOrIntoADevice) {
#ifdef _WIN32
    GTEST_SKIP() << "no symbolic links and no /dev on Windows";
#else
    fs::create_directory(m_home / "berichte");
    WriteFile(m_home / "berichte/r.html", "alt");
    fs::create_symlink(m_home / "berichte/r.html", m_home / "link.html");
    EXPECT_EQ(Call({"--html", m_home / "link.html", m_example}).status, 0);
    EXPECT_TRUE(fs::is_symlink(m_home / "link.html"));
    EXPECT_NE(ReadFile(m_home / "berichte/r.html").find("<title>Prüfbericht "), std::string::npos);
    const CliRun r = Call({"--html", "/dev/null", m_example});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    for (const auto& e : fs::directory_iterator("/dev"))
        EXPECT_EQ(e.path().filename().string().rfind("null.tmp-", 0), std::string::npos) << e.path();
    EXPECT_EQ(std::distance(fs::directory_iterator(m_home / "berichte"), fs::directory_iterator{}), 1);
#endif
}

#ifndef _WIN32
namespace {

// Runs each argument list in a process of its own, all started at once;
// their standard outputs, in order.
std::vector<std::string> RunAtOnce(const std::vector<std::vector<std::string>>& runs, const std::string& folder,
                                   rlim_t fileSizeLimit = RLIM_INFINITY) {
    int gate[2];
    if (pipe(gate) != 0) return {};
    std::vector<pid_t> children;
    for (size_t i = 0; i < runs.size(); ++i) {
        const pid_t child = fork();
        if (child != 0) {
            children.push_back(child);
            continue;
        }
        close(gate[1]);
        char c;
        (void)!read(gate[0], &c, 1);  // until every process is there
        const rlimit bound{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &bound);
        signal(SIGXFSZ, SIG_IGN);  // a write beyond the bound fails as on a full disk
        std::istringstream in;
        std::ostringstream out, err;
        const int status = RunValorixCheck(runs[i], in, out, err);
        WriteFile(folder + "/out" + std::to_string(i), std::to_string(status) + "\n" + out.str() + err.str());
        _exit(0);
    }
    close(gate[0]);
    close(gate[1]);
    std::vector<std::string> outputs;
    for (size_t i = 0; i < children.size(); ++i) {
        int status = 0;
        waitpid(children[i], &status, 0);
        outputs.push_back(ReadFile(folder + "/out" + std::to_string(i)));
    }
    return outputs;
}

}  // namespace
#endif

// Checks started at once on one data folder, new and then set up: one
// writes the schemas, the others wait for it or find them in place, and
// none rewrites what another reads; every verdict is that of a check on
// its own.
TEST_F(Cli, ChecksAtOnceOnOneNewDataFolderAgree) {
#ifdef _WIN32
    GTEST_SKIP() << "no fork on Windows";
#else
    const std::vector<std::string> files = {m_example, std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.09.xml",
                                            FixturesDir() + "/rules/credit-transfer-2019.xml"};
    const std::string data = m_home / "gemeinsam";
    std::vector<std::string> args = {"--no-history", "-j", "1", "--data-dir", data};
    args.insert(args.end(), files.begin(), files.end());
    std::vector<std::vector<std::string>> rounds;
    for (int round = 0; round < 2; ++round)
        rounds.push_back(RunAtOnce(std::vector<std::vector<std::string>>(12, args), m_home.Path()));
    const CliRun alone = Call(args);
    EXPECT_EQ(alone.err, "");
    EXPECT_NE(alone.out.find("GBIC_5"), std::string::npos) << alone.out;
    for (const std::vector<std::string>& outputs : rounds) {
        ASSERT_EQ(outputs.size(), 12u);
        for (const std::string& output : outputs) EXPECT_EQ(output, std::to_string(alone.status) + "\n" + alone.out);
    }
    for (const auto& e : fs::recursive_directory_iterator(data))
        EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
#endif
}

// Schemas that cannot be written (here: the disk full after 4 KB) are said,
// and none is left in part: each is there whole or not at all, and the next
// run writes what is missing. A report that cannot be written leaves the
// old one as it was.
TEST_F(Cli, WritesThatFailAreSaidAndLeaveNoPart) {
#ifdef _WIN32
    GTEST_SKIP() << "no fork on Windows";
#else
    const std::string data = m_home / "voll";
    const std::vector<std::string> args = {"--no-history", "--data-dir", data, m_example};
    const std::string output = RunAtOnce({args}, m_home.Path(), 4096).at(0);
    EXPECT_NE(output.find("valorix-check: Die Schemadateien können nicht in den Datenordner '" + data +
                          "' geschrieben werden! Dateien können nicht gegen ihr Schema geprüft werden.\n"),
              std::string::npos)
        << output;
    size_t missing = 0;
    for (const SchemaRow& row : kSchemaTable) {
        const std::string path = data + "/" + row.fileName;
        if (!fs::exists(path)) ++missing;
        else EXPECT_EQ(ReadFile(path), ReadFile(std::string(VALORIX_SCHEMA_DIR) + "/" + row.source)) << row.fileName;
    }
    EXPECT_GT(missing, 0u);
    const CliRun again = Call(args);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, "");
    for (const SchemaRow& row : kSchemaTable) EXPECT_TRUE(fs::is_regular_file(data + "/" + row.fileName)) << row.fileName;

    const std::string page = m_home / "r.html";
    WriteFile(page, "alt");
    const std::string report = RunAtOnce({{"--no-history", "--data-dir", data, "--html", page, m_example}}, m_home.Path(), 4096).at(0);
    EXPECT_EQ(report.substr(0, 2), "2\n");
    EXPECT_NE(report.find("valorix-check: Bericht '" + page + "' kann nicht geschrieben werden\n"), std::string::npos)
        << report;
    EXPECT_EQ(ReadFile(page), "alt");
    for (const auto& e : fs::directory_iterator(m_home.Path()))  // no part left
        EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
#endif
}

// The slip follows the report of a payment file: counts and sums computed
// from the transactions, per currency, beside the declared ones and marked
// where they differ; the hash is the file's. The exit status stays the
// report's; --json and a file without payment blocks get no slip.
TEST_F(Cli, SummarySlip) {
    const std::string file = FixturesDir() + "/rules/summary-two-blocks.xml";
    const CliRun plain = Call({file});
    const CliRun r = Call({"--summary", file});
    EXPECT_EQ(r.status, plain.status);
    ASSERT_EQ(r.out.substr(0, plain.out.size()), plain.out);
    EXPECT_EQ(r.out.substr(plain.out.size()),
              "\n" + TwoBlockSlip("e909073bd14f92a17d6e5c4150053f188f5d278e4239f3a74fef4250d950babc") + "\n");
    EXPECT_EQ(Call({"--summary", "--json", file}).out, Call({"--json", file}).out);
    const std::string bad = m_home / "bad.xml";
    WriteFile(bad, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><x>\n</Document>");
    EXPECT_EQ(Call({"--summary", bad}).out, Call({bad}).out);
}

// The slip in the JSON (exact decimal strings, the declared figures beside
// the computed ones) and at the top of the report to share; files that are
// not payment files have neither.
TEST_F(Cli, SummarySlipInJsonAndHtml) {
    const std::string file = FixturesDir() + "/rules/summary-two-blocks.xml";
    for (const char* mode : {"", "--sax"}) {
        std::vector<std::string> args{"--json", file};
        if (*mode) args.insert(args.begin(), mode);
        const nlohmann::json j = nlohmann::json::parse(Call(args).out);
        ASSERT_TRUE(j.contains("summary")) << mode;
        const nlohmann::json& s = j["summary"];
        EXPECT_EQ(s["kind"], "direct-debit");
        EXPECT_EQ(s["messageId"], "MSG-7");
        EXPECT_EQ(s["initiator"], "Verein Müller");
        EXPECT_EQ(s["sha256"], Sha256Hex(ReadFile(file)));
        EXPECT_EQ(s["totals"]["count"], 3);
        EXPECT_EQ(s["totals"]["sums"], nlohmann::json({{"CHF", "0.25"}, {"EUR", "110.5001"}}));
        EXPECT_EQ(s["totals"]["declaredSum"], "110.75");
        EXPECT_EQ(s["totals"]["countDiffers"], false);
        EXPECT_EQ(s["totals"]["sumDiffers"], true);
        ASSERT_EQ(s["blocks"].size(), 2u);
        EXPECT_EQ(s["blocks"][0]["kind"], "Lastschrift CORE FRST");
        EXPECT_EQ(s["blocks"][0]["scheme"], "CORE");
        EXPECT_EQ(s["blocks"][0]["sequence"], "FRST");
        EXPECT_EQ(s["blocks"][0]["date"], "2026-12-15");
        EXPECT_EQ(s["blocks"][0]["owner"],
                  nlohmann::json({{"name", "Verein Müller"}, {"iban", "DE89370400440532013000"}, {"bic", "GOODDEFFXXX"}}));
        EXPECT_EQ(s["blocks"][0]["totals"]["sumDiffers"], false);
        EXPECT_EQ(s["blocks"][1]["id"], "B2");
        EXPECT_EQ(s["blocks"][1]["totals"]["sums"], nlohmann::json({{"EUR", "100.0001"}}));
        EXPECT_EQ(s["blocks"][1]["totals"]["declaredCount"], "2");
        EXPECT_EQ(s["blocks"][1]["totals"]["countDiffers"], true);
    }
    const std::string page = m_home / "r.html";
    ASSERT_EQ(Call({"--html", page, file}).status, Call({file}).status);
    const std::string html = ReadFile(page);
    const size_t slip = html.find("<h2>Begleitzettel</h2>");
    ASSERT_NE(slip, std::string::npos);
    EXPECT_LT(html.find("<table class=\"facts\">"), slip);
    EXPECT_LT(slip, html.find("<ul class=\"report\">"));
    EXPECT_NE(html.find("<td>B2</td><td>Lastschrift B2B RCUR</td><td>2026-12-16</td><td class=\"num\">1<br/>"
                        "(angegeben: 2, <span class=\"diff\">abweichend!</span>)</td>"),
              std::string::npos);
    EXPECT_NE(html.find("0.25 CHF<br/>110.5001 EUR<br/>(angegeben: 110.75, <span class=\"diff\">abweichend!</span>)"),
              std::string::npos);
#ifndef _WIN32  // the validator is the host's, not reachable from a Windows process
    EXPECT_EQ(std::system(("xmllint --noout --nonet '" + page + "'").c_str()), 0);
#endif
    // A statement has no payment blocks: no slip.
    const std::string bad = m_home / "bad.xml";
    WriteFile(bad, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document><x/></Document>");
    Call({"--html", page, bad});
    EXPECT_EQ(ReadFile(page).find("Begleitzettel"), std::string::npos);
    EXPECT_FALSE(nlohmann::json::parse(Call({"--json", bad}).out).contains("summary"));
}

// Sums beyond 64 bits are exact, and amounts that are no decimal numbers are
// marked unreadable, in both modes: the check, the slip, the JSON and the
// page claim neither a match nor a mismatch they cannot know.
TEST_F(Cli, SumsBeyond64BitsAndUnreadableAmounts) {
    // The amounts are above the schema's limit; the sums match to the cent.
    const std::string large = FixturesDir() + "/rules/large-sums.xml";
    // 1e5 and abc as amounts, 2E-1 as the group's control sum.
    const std::string unreadable = FixturesDir() + "/rules/unreadable-amounts.xml";
    // Valid against its schema with the largest control sum it allows, which differs.
    std::string text = ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.09.xml");
    const std::string declared = "<CtrlSum>1250.50</CtrlSum>";
    for (size_t at; (at = text.find(declared)) != std::string::npos;)
        text.replace(at, declared.size(), "<CtrlSum>9999999999999999.99</CtrlSum>");
    const std::string largest = m_home / "largest.xml";
    WriteFile(largest, text);
    const std::string cannot = "Summe der Beträge kann nicht geprüft werden";
    const std::string wrong = "Summe der Beträge ist fehlerhaft!";
    for (const char* mode : {"", "--sax"}) {
        auto call = [&](std::vector<std::string> args) {
            if (*mode) args.insert(args.begin(), mode);
            return Call(args);
        };
        auto totals = [&](const std::string& file) {
            const nlohmann::json j = nlohmann::json::parse(call({"--json", file}).out);
            return std::make_pair(j["summary"]["totals"], j["summary"]["blocks"][0]["totals"]);
        };

        std::string out = call({"--summary", large}).out;
        EXPECT_EQ(out.find("Summe der Beträge"), std::string::npos) << mode << out;
        EXPECT_EQ(out.find("abweichend"), std::string::npos) << mode << out;
        EXPECT_NE(out.find("\nSumme: 922337203685477.59 EUR (angegeben: 922337203685477.59)\n"), std::string::npos)
            << mode << out;
        for (const nlohmann::json& t : {totals(large).first, totals(large).second}) {
            EXPECT_EQ(t["sums"], nlohmann::json({{"EUR", "922337203685477.59"}})) << mode;
            EXPECT_EQ(t["sumsReadable"], true) << mode;
            EXPECT_EQ(t["sumDiffers"], false) << mode;
        }

        out = call({"--summary", largest}).out;
        if (!*mode) {
            EXPECT_NE(out.find("enthält ein korrektes SEPA XML Dokument"), std::string::npos) << out;
        }
        EXPECT_NE(out.find(wrong), std::string::npos) << mode << out;
        EXPECT_EQ(out.find(cannot), std::string::npos) << mode << out;
        EXPECT_NE(out.find("Summe: 1250.50 EUR (angegeben: 9999999999999999.99, abweichend!)"), std::string::npos)
            << mode << out;

        out = call({"--summary", unreadable}).out;
        EXPECT_NE(out.find("Zeile 8/30 : " + cannot + ", ein Wert ist nicht lesbar!"), std::string::npos) << mode << out;
        EXPECT_NE(out.find("Zeile 18/33 : " + cannot + ", ein Wert ist nicht lesbar!"), std::string::npos) << mode << out;
        EXPECT_EQ(out.find(wrong), std::string::npos) << mode << out;
        EXPECT_EQ(out.find("abweichend"), std::string::npos) << mode << out;
        EXPECT_NE(out.find("\nSumme: 0.00 EUR (nicht alle Beträge lesbar) (angegeben: 2E-1, nicht lesbar)\n"),
                  std::string::npos) << mode << out;
        EXPECT_NE(out.find("\n  Summe: 0.00 EUR (nicht alle Beträge lesbar) (angegeben: 1250.50)\n"), std::string::npos)
            << mode << out;
        const auto [file, block] = totals(unreadable);
        EXPECT_EQ(file["sumsReadable"], false) << mode;
        EXPECT_EQ(block["sumsReadable"], false) << mode;
        EXPECT_EQ(block["sumDiffers"], true) << mode;  // not confirmed
    }
    const std::string page = m_home / "r.html";
    Call({"--html", page, unreadable});
    const std::string html = ReadFile(page);
    EXPECT_NE(html.find("<span class=\"diff\">nicht alle Beträge lesbar</span><br/>(angegeben: 2E-1, <span "
                        "class=\"diff\">nicht lesbar</span>)"),
              std::string::npos);
    EXPECT_EQ(html.find("abweichend"), std::string::npos);
}

// One slip per check: made once, handed to the summary lines (the history)
// and returned for --summary, the JSON and the report.
TEST_F(Cli, SummaryIsMadeOncePerCheck) {
    const std::string file = FixturesDir() + "/rules/summary-two-blocks.xml";
    for (bool sax : {false, true}) {
        AppValues app;
        ASSERT_TRUE(app.Startup(std::string(m_home / "daten"), std::nullopt));
        app.ForceSaxMode(sax);
        RecordingPrompt prompt;
        CheckDocument doc(app, prompt);
        std::ifstream in(file, std::ios::binary);
        CArchive ar{in, file};
        COutputList report;
        int made = 0;
        std::optional<FileSummary> handed;  // a copy: the slip handed lives as long as the check
        CheckHooks hooks;
        hooks.summarize = [&] {
            ++made;
            in.clear();
            in.seekg(0);
            return Summarize(doc.m_content, in);
        };
        hooks.summaryHints = [&](const FileSummary* slip) {
            if (slip) handed = *slip;
            return std::vector<std::string>{"Hinweis: aus dem Begleitzettel " + (slip ? slip->messageId : "")};
        };
        const std::optional<FileSummary> slip = CheckIntoReport(doc, app, prompt, ar, report, nullptr, hooks);
        EXPECT_EQ(made, 1);
        ASSERT_TRUE(slip.has_value());
        ASSERT_TRUE(handed.has_value());
        EXPECT_EQ(handed->blocks.size(), 2u);
        EXPECT_EQ(slip->sha256, Sha256Hex(ReadFile(file)));
        EXPECT_EQ(SummaryLines(*slip), SummaryLines(*handed));
        bool said = false;
        for (const OutputLine& l : report.Lines()) said = said || l.text == "Hinweis: aus dem Begleitzettel MSG-7";
        EXPECT_TRUE(said);
    }
}

}  // namespace valorix::test
