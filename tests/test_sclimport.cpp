#include <gtest/gtest.h>

#include "cli/cli.h"
#include "rules/checkdigits.h"
#include "rules/sclimport.h"
#include "support.h"

namespace valorix::test {

TEST(SclImport, WritesTheDirectoryFormat) {
    TempDir dir;
    const std::string target = dir / "NVSCL.INI";
    const SclImportResult r = ImportSclDirectory(FixturesDir() + "/scl/scl-directory.csv", target);
    ASSERT_TRUE(r.ok) << U8(r.message);
    EXPECT_EQ(r.banks, 4);
    EXPECT_EQ(U8(r.message), "SCL-Verzeichnis mit 4 Instituten (Stand 261201) nach '" + target + "' geschrieben.");
    // Flags in the order SCT, CORE, B2B, COR1 (the columns are SCT, COR, COR1, B2B).
    EXPECT_EQ(ReadFile(target), "[BIC]\r\nSTAND=261201\r\nMARKDEF1100=1110\r\nGENODEF1ABC=1101\r\nCOBADEFFXXX=1100\r\n"
                                "ATBKATWW=1110\r\n");
    EXPECT_EQ(CheckBic("MARKDEF1100", 3, target), 0);
    EXPECT_EQ(CheckBic("GENODEF1ABC", 3, target), 1);
    EXPECT_EQ(CheckBic("ATBKATWWXXX", 2, target), 1);  // the 8-character key serves the 11-character BIC
}

TEST(SclImport, BadInputLeavesTheOldDirectory) {
    const std::string header = "BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\r\n";
    const std::string dated = "Gueltig ab / valid from 01.12.2026;;;;;;\r\n";
    struct Case {
        const char* name;
        std::string content;
        std::string message;
    } cases[] = {
        {"no date line", header + "MARKDEF1100;B;1;1;0;1;0\r\n",
         "Die erste Zeile nennt kein Gültigkeitsdatum (\"Gueltig ab / valid from TT.MM.JJJJ\")."},
        {"bad date", "Gueltig ab / valid from 32.13.2026;;;;;;\r\n" + header,
         "Die erste Zeile nennt kein Gültigkeitsdatum (\"Gueltig ab / valid from TT.MM.JJJJ\")."},
        {"no such day", "Gueltig ab / valid from 31.02.2026;;;;;;\r\n" + header,
         "Die erste Zeile nennt kein Gültigkeitsdatum (\"Gueltig ab / valid from TT.MM.JJJJ\")."},
        {"no header", dated, "Die Kopfzeile des SCL-Verzeichnisses fehlt."},
        {"wrong columns", dated + "BIC;Name;SCT;CORE\r\nMARKDEF1100;B;1;1\r\n",
         "Die Kopfzeile des SCL-Verzeichnisses enthält keine Spalte 'SERVICE SCT'. Erwartet: "
         "BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC"},
        {"bad flag", dated + header + "MARKDEF1100;B;1;x;0;1;0\r\n",
         "Zeile 3 des SCL-Verzeichnisses ist fehlerhaft: MARKDEF1100;B;1;x;0;1;0"},
        {"bad BIC", dated + header + "MARK;B;1;1;0;1;0\r\n", "Zeile 3 des SCL-Verzeichnisses ist fehlerhaft: MARK;B;1;1;0;1;0"},
        {"no banks", dated + header, "Das SCL-Verzeichnis enthält keine Institute."},
        // A quoted line is UTF-8 as it came, cut to 80 characters, control characters visible.
        {"umlauts", dated + header + "GENODEF1ABC;Volksbank Süd;1;1;x;0;0\r\n",
         "Zeile 3 des SCL-Verzeichnisses ist fehlerhaft: GENODEF1ABC;Volksbank Süd;1;1;x;0;0"},
        {"CP1252", dated + header + "GENODEF1ABC;Volksbank S\xFC" "d;1;1;x;0;0\r\n",
         "Zeile 3 des SCL-Verzeichnisses ist fehlerhaft: GENODEF1ABC;Volksbank Süd;1;1;x;0;0"},
        {"a long line", dated + header + "MARKDEF1100;B;1;1;0;1;0\r\nGENODEF1ABC;\x1b[2J" + std::string(1 << 20, 'x') + "\r\n",
         "Zeile 4 des SCL-Verzeichnisses ist fehlerhaft: GENODEF1ABC;\\x1B[2J" + std::string(61, 'x') + "…"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string old = "[BIC]\r\nSTAND=250101\r\nMARKDEF1100=1111\r\n";
        WriteFile(dir / "NVSCL.INI", old);
        WriteFile(dir / "in.csv", c.content);
        const SclImportResult r = ImportSclDirectory(dir / "in.csv", dir / "NVSCL.INI");
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(U8(r.message), c.message) << c.name;
        EXPECT_EQ(ReadFile(dir / "NVSCL.INI"), old) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator{}), 2) << c.name;
    }
}

TEST(SclImport, PublishedFilesAndTheirChecks) {
    TempDir dir;
    const std::string csv = dir / "scl.csv";
    WriteFile(csv, "Gueltig ab / valid from 01.12.2026;;;;;;\r\n"
                   "BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\r\n"
                   "MARKDEF1100;Bundesbank;1;1;0;1;0\r\nMARKDEF1100;Bundesbank;1;1;0;1;0\r\n"
                   "COBADEFFXXX;Commerzbank;1;1;0;0;0\r\nCOBADEFFXXX;Commerzbank;1;0;0;0;0\r\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--program-version", "1#9", "--update-url", "https://a"}, 2,
         "valorix-check: --program-version darf kein '#' und keine Steuerzeichen enthalten\n"},
        {{"--program-version", "1.9", "--update-url", "ftp://a"}, 2,
         "valorix-check: --update-url muss eine http- oder https-Adresse ohne '#', Leerzeichen und Steuerzeichen sein\n"},
        {{"--program-version", "1.9", "--update-url", "https://a/#x"}, 2,
         "valorix-check: --update-url muss eine http- oder https-Adresse ohne '#', Leerzeichen und Steuerzeichen sein\n"},
        // The same BIC twice: silently once when the flags agree, a warning naming both lines when not.
        {{"--program-version", "1.10.0", "--update-url", "https://a/neu"}, 0,
         "valorix-check: Warnung: Die BIC COBADEFFXXX steht zweimal mit verschiedenen Kennzeichen im "
         "SCL-Verzeichnis: Zeile 5 (1100, gilt) und Zeile 6 (1000).\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--publish-scl", csv, dir / "www"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream out, err;
        EXPECT_EQ(RunValorixCheck(args, out, err), c.status) << c.args[1];
        EXPECT_EQ(err.str(), c.err) << c.args[1];
    }
    EXPECT_EQ(ReadFile(dir / "www/valorix/NVSCL.map"), "[BIC]\r\nSTAND=261201\r\nMARKDEF1100=1110\r\nCOBADEFFXXX=1100\r\n");
    EXPECT_NE(ReadFile(dir / "www/valorix/SCL2.htm").find("PRGVER : #1.10.0# URL : #https://a/neu#"), std::string::npos);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "www/valorix")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"NVSCL.map", "SCL2.htm"}));  // no temporary file left
}

TEST(SclImport, CommandLineWritesIntoTheDataFolder) {
    TempDir home;
    std::ostringstream out, err;
    const std::string data = home / "daten";
    EXPECT_EQ(RunValorixCheck({"--data-dir", data, "--import-scl", FixturesDir() + "/scl/scl-directory.csv"}, out, err), 0)
        << err.str();
    EXPECT_EQ(out.str(), "SCL-Verzeichnis mit 4 Instituten (Stand 261201) nach '" + data + "/NVSCL.INI' geschrieben.\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(RunValorixCheck({"--import-scl", home / "missing.csv", home / "x.ini"}, out2, err2), 2);
    EXPECT_EQ(err2.str(), "valorix-check: Die Datei '" + (home / "missing.csv") + "' kann nicht gelesen werden.\n");
}

}  // namespace valorix::test
