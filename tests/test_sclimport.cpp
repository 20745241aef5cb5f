#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli.h"
#include "rules/blzdirectory.h"
#include "rules/checkdigits.h"
#include "rules/sclimport.h"
#include "platform/paths.h"
#include "online/onlinecheck.h"
#include "support.h"

namespace valorix::test {

TEST(SclImport, WritesTheDirectoryFormat) {
    TempDir dir;
    const std::string target = dir / "NVSCL.INI";
    const SclImportResult r = ImportSclDirectory(FixturesDir() + "/scl/scl-directory.csv", target);
    ASSERT_TRUE(r.ok) << U8(r.message);
    EXPECT_EQ(r.banks, 4);
    EXPECT_EQ(U8(r.message), "SCL-Verzeichnis mit 4 Instituten (Stand 261201) nach '" + NativeSeparators(target) +
                                  "' geschrieben.");
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
    const std::string kNoVersion =
        "valorix-check: --program-version muss eine Versionsnummer aus Ziffern und Punkten sein, etwa 1.8.3\n";
    const std::string kNoAddress =
        "valorix-check: --update-url muss eine https-Adresse ohne '#' sein, nur aus den Zeichen einer Adresse\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--program-version", "1#9", "--update-url", "https://a"}, 2, kNoVersion},
        {{"--program-version", "1.9\"></p><script>alert(1)</script>", "--update-url", "https://a"}, 2, kNoVersion},
        {{"--program-version", "1..9", "--update-url", "https://a"}, 2, kNoVersion},
        {{"--program-version", "1.9.", "--update-url", "https://a"}, 2, kNoVersion},
        {{"--program-version", "1.2.3.4.5", "--update-url", "https://a"}, 2, kNoVersion},
        {{"--program-version", "1.9", "--update-url", "ftp://a"}, 2, kNoAddress},
        {{"--program-version", "1.9", "--update-url", "http://a"}, 2, kNoAddress},
        {{"--program-version", "1.9", "--update-url", "https://"}, 2, kNoAddress},
        {{"--program-version", "1.9", "--update-url", "https:///x"}, 2, kNoAddress},
        {{"--program-version", "1.9", "--update-url", "https://a/#x"}, 2, kNoAddress},
        {{"--program-version", "1.9", "--update-url", "https://a/\"><script>"}, 2, kNoAddress},
        {{"--program-version", "1.9", "--update-url", "https://a/ x"}, 2, kNoAddress},
        // The same BIC twice: silently once when the flags agree, a warning naming both lines when not.
        {{"--program-version", "1.10.0", "--update-url", "HTTPS://a/neu?x=1&y='2'"}, 0,
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
    // The markers read back as they were given; the page shows the address escaped.
    const std::string page = ReadFile(dir / "www/valorix/SCL2.htm");
    const StatusPage parsed = ParseStatusPage(page);
    EXPECT_EQ(parsed.version, "1.10.0");
    EXPECT_EQ(parsed.url, "HTTPS://a/neu?x=1&y='2'");
    EXPECT_NE(page.find("<a href=\"HTTPS://a/neu?x=1&amp;y=&#39;2&#39;\">"), std::string::npos) << page;
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir / "www/valorix")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"NVSCL.map", "SCL2.htm"}));  // no temporary file left
}

TEST(SclImport, CommandLineWritesIntoTheDataFolder) {
    TempDir home;
    std::ostringstream out, err;
    const std::string data = home / "daten";
    EXPECT_EQ(RunValorixCheck({"--data-dir", data, "--import-scl", FixturesDir() + "/scl/scl-directory.csv"}, out, err), 0)
        << err.str();
    EXPECT_EQ(out.str(), "SCL-Verzeichnis mit 4 Instituten (Stand 261201) nach '" + NativeSeparators(data + "/NVSCL.INI") +
                             "' geschrieben.\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(RunValorixCheck({"--import-scl", home / "missing.csv", home / "x.ini"}, out2, err2), 2);
    EXPECT_EQ(err2.str(), "valorix-check: Die Datei '" + NativeSeparators(home / "missing.csv") +
                             "' kann nicht gelesen werden.\n");
}

}  // namespace valorix::test

namespace valorix::test {

// The bank code file becomes "BLZBIC.TXT" of the data folder: bank codes in
// order with the BIC of their main record, records without a BIC left out,
// the name's ISO-8859-1 umlaut read as one character of its field.
TEST(BlzImport, CommandLineWritesTheLookupFile) {
    TempDir home;
    const std::string data = home / "daten";
    std::ostringstream out, err;
    EXPECT_EQ(RunValorixCheck({"--data-dir", data, "--valid-from", "01.12.2026", "--import-blz",
                               FixturesDir() + "/blz/blz-file.txt"},
                              out, err),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "Bankleitzahlendatei mit 4 Bankleitzahlen (gültig ab 01.12.2026) nach '" +
                             NativeSeparators(data + "/BLZBIC.TXT") + "' geschrieben.\n");
    EXPECT_EQ(ReadFile(data + "/BLZBIC.TXT"),
              "; Bankleitzahlendatei, gueltig ab 01.12.2026\r\nSTAND=20261201\r\n10000000=MARKDEF1100\r\n"
              "37040044=COBADEFFXXX\r\n37050198=COLSDE33XXX\r\n50010517=INGDDEFFXXX\r\n");

    // A check with the lookup file warns, and keeps the exit status it has without it.
    std::string xml = ReadFile(FixturesDir() + "/rules/bank-codes.xml");
    xml.replace(xml.find("COBADEFFXXX"), 11, "INGDDEFFXXX");
    WriteFile(home / "f.xml", xml);
    std::ostringstream with, withErr, without, withoutErr;
    const int status = RunValorixCheck({"--data-dir", data, home / "f.xml"}, with, withErr);
    EXPECT_NE(with.str().find("Zeile 10/48 : Warnung: Die BIC 'INGDDEFFXXX' passt nicht zur Bankleitzahl '37040044' "
                              "der IBAN (lt. Bankleitzahlendatei: 'COBADEFFXXX').\n"),
              std::string::npos)
        << with.str();
    std::filesystem::remove(data + "/BLZBIC.TXT");
    EXPECT_EQ(RunValorixCheck({"--data-dir", data, home / "f.xml"}, without, withoutErr), status);
    EXPECT_EQ(without.str().find("Bankleitzahl"), std::string::npos);
}

// A file that is not a bank code file is refused, naming the first bad line,
// and leaves no lookup file behind.
TEST(BlzImport, BadFilesAreRefused) {
    TempDir dir;
    const std::string good = ReadFile(FixturesDir() + "/blz/blz-file.txt");
    const std::string first = good.substr(0, good.find("\r\n") + 2);
    const std::string second = good.substr(first.size(), first.size());
    std::string utf8 = second;
    utf8.replace(utf8.find('\xF6'), 1, "\xC3\xB6");
    std::string letters = first;
    letters[3] = 'X';
    std::string noBic = second;
    noBic.replace(139, 11, std::string(11, ' '));
    struct Case {
        const char* name;
        std::string content;
        std::string validFrom;
        std::string message;
    } cases[] = {
        {"a record one character short", first + second.substr(0, 173) + "\r\n", "",
         "Zeile 2 der Bankleitzahlendatei ist fehlerhaft: " + second.substr(0, 60) + "…"},
        {"a record in UTF-8", first + utf8, "", "Zeile 2 der Bankleitzahlendatei ist fehlerhaft: " + second.substr(0, 60) + "…"},
        {"letters in the bank code", letters, "", "Zeile 1 der Bankleitzahlendatei ist fehlerhaft: " + letters.substr(0, 60) + "…"},
        {"a line of garbage", first + std::string(100000, 'x'), "", "Zeile 2 der Bankleitzahlendatei ist zu lang."},
        {"no BIC at all", noBic, "", "Die Bankleitzahlendatei enthält keine Bankleitzahl mit BIC."},
        {"no such day", first, "31.02.2026", "'31.02.2026' ist kein Datum TT.MM.JJJJ."},
    };
    for (const auto& c : cases) {
        WriteFile(dir / "blz.txt", c.content);
        const BlzImportResult r = ImportBlzFile(dir / "blz.txt", dir / "BLZBIC.TXT", c.validFrom);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(U8(r.message), c.message) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir / "BLZBIC.TXT")) << c.name;
    }
}

}  // namespace valorix::test
