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
        {"no header", dated, "Die Kopfzeile des SCL-Verzeichnisses fehlt."},
        {"wrong columns", dated + "BIC;Name;SCT;CORE\r\nMARKDEF1100;B;1;1\r\n",
         "Die Kopfzeile des SCL-Verzeichnisses enthält keine Spalte 'SERVICE SCT'. Erwartet: "
         "BIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC"},
        {"bad flag", dated + header + "MARKDEF1100;B;1;x;0;1;0\r\n",
         "Zeile 3 des SCL-Verzeichnisses ist fehlerhaft: MARKDEF1100;B;1;x;0;1;0"},
        {"bad BIC", dated + header + "MARK;B;1;1;0;1;0\r\n", "Zeile 3 des SCL-Verzeichnisses ist fehlerhaft: MARK;B;1;1;0;1;0"},
        {"no banks", dated + header, "Das SCL-Verzeichnis enthält keine Institute."},
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
