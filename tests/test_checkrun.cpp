#include <gtest/gtest.h>

#include <thread>

#include "platform/paths.h"
#include "platform/strutil.h"
#include "support.h"

namespace valorix::test {

namespace {

std::string Example() { return ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.03.xml"); }
std::string DirectDebit27() { return ReadFile(SamplesDir() + "/sepa_king_pain.008.003.02.xml"); }

std::string Replace(std::string s, const std::string& from, const std::string& to, bool all = true) {
    for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size())) {
        s.replace(pos, from.size(), to);
        if (!all) break;
    }
    return s;
}

const std::string kCdtrId =
    "<CdtrSchmeId><Id><PrvtId><Othr><Id>DE00ZZZ00099999999</Id><SchmeNm><Prtry>SEPA</Prtry></SchmeNm></Othr>"
    "</PrvtId></Id></CdtrSchmeId>";

}  // namespace

using CheckRun = CheckTest;

TEST_F(CheckRun, ValidFileWithLeadingWhiteSpace) {
    auto doc = Check("\r\n\n" + Example(), "beispiel.xml");
    EXPECT_EQ(U8(doc->Result().messages),
              (std::vector<std::string>{
                  "'beispiel.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!",
                  "Die Datei enthält Zeichen vor der XML Deklaration (<?xml...), sie werden vor dem Prüfen entfernt!",
                  kRetiredCt30}));
    EXPECT_TRUE(doc->Result().findings.empty());
    EXPECT_EQ(doc->Result().state, 3);
    EXPECT_EQ(CodeOf(doc->m_classification.formatCode), 10);
    EXPECT_EQ(doc->m_declPosition, 0);
    EXPECT_EQ(doc->m_rootNamespace, "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03");
    EXPECT_EQ(doc->m_content.substr(0, 5), "<?xml");
    ASSERT_NE(doc->m_parser, nullptr);
    EXPECT_EQ(doc->m_parser->GetName(), "Document");
}

TEST_F(CheckRun, EmptyFileIsNotWellFormed) {
    auto doc = Check("", "leer.xml");
    EXPECT_EQ(U8(doc->Result().messages),
              (std::vector<std::string>{"'leer.xml' beginnt nicht mit einer XML Deklaration (<?xml ...)!",
                                        "'leer.xml' ist kein oder ein formal fehlerhaftes XML Dokument!"}));
    EXPECT_EQ(doc->Result().state, 0);
    EXPECT_EQ(CodeOf(doc->m_classification.formatCode), -1);
    ASSERT_EQ(Kinds(doc->Result().findings).size(), 1u);
    EXPECT_EQ(static_cast<int>(doc->Result().findings[0].kind), 1);
}

TEST_F(CheckRun, SecondLoadKeepsNothingOfTheFirst) {
    auto doc = std::make_unique<CheckDocument>(*m_app, m_prompt);
    std::istringstream first(Replace(Example(), "<Cd>SEPA</Cd>", "<Cd>URGP</Cd>"));
    CArchive a1{first, "a.xml"};
    doc->Serialize(a1);
    EXPECT_EQ(doc->m_classification.subtype, 2);
    std::istringstream second("<?xml version=\"1.0\"?><Foo xmlns=\"urn:x\"/>");
    CArchive a2{second, "b.xml"};
    doc->Serialize(a2);
    EXPECT_EQ(U8(doc->Result().messages), (std::vector<std::string>{"Erlaubte Kodierungen sind UTF-8 und ISO-8859, die "
                                                             "Datei enthält keine Angabe!",
                                                             "Es handelt sich nicht um eine SEPA XML Datei!"}));
    EXPECT_TRUE(doc->Result().findings.empty());
    EXPECT_EQ(CodeOf(doc->m_classification.formatCode), -1);
    EXPECT_EQ(doc->m_classification.subtype, 0);
    EXPECT_EQ(doc->Result().state, 1);
}

// Files of the editions after 3.0 are validated against the newest DK subset
// that accepts them, unless [OPTION] GBIC pins one.
TEST_F(CheckRun, DkSubsetChoice) {
    const std::string example =
        ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.09.xml");
    const std::string chf = Replace(example, "Ccy=\"EUR\"", "Ccy=\"CHF\"");  // only GBIC_5 asks for euros
    const std::string hybrid = Replace(example, "<Nm>Erika Mustermann</Nm>",  // only GBIC_5 has address lines
                                       "<Nm>Erika Mustermann</Nm><PstlAdr><TwnNm>Bonn</TwnNm><Ctry>DE</Ctry>"
                                       "<AdrLine>Am Markt 1</AdrLine></PstlAdr>");
    const std::string both = Replace(hybrid, "Ccy=\"EUR\"", "Ccy=\"CHF\"");
    const std::string badIban = Replace(chf, "DE02100500000054540402", "DE03100500000054540402");
    const std::string gbic4 = "3.7 (GBIC_4) aktuell ab November 2023", gbic5 = "3.9 (GBIC_5) aktuell ab November 2025";
    const std::string valid = "'t.xml' enthält ein korrektes SEPA XML Dokument (";
    const std::string invalid = "'t.xml' enthält ein XML Dokument, das nicht der Schemadefinition (";
    const std::string ccy = "value 'CHF' not in enumeration";
    struct Case {
        const char* name;
        std::string text;
        int pinned;
        std::string verdict;
        const char* subset;
        std::string finding;  // the start of one finding; "" when none
        std::string eventVerdict = "";  // "": as in tree mode
    } cases[] = {
        {"valid against both", example, 0, valid + gbic5 + ")!", "GBIC_5", ""},
        {"only GBIC_4 accepts it", chf, 0, valid + gbic4 + ")!", "GBIC_4", ""},
        {"pinned to GBIC_5", chf, 5, invalid + gbic5 + ") entspricht!", "GBIC_5", ccy},
        // the address also gets the guideline warning, which fails the file in event mode
        {"only GBIC_5 accepts it", hybrid, 0, valid + gbic5 + ")!", "GBIC_5", "", invalid + gbic5 + ") entspricht!"},
        {"pinned to GBIC_4", hybrid, 4, invalid + gbic4 + ") entspricht!", "GBIC_4", "element 'AdrLine' is not allowed"},
        {"neither: the newest one's findings", both, 0, invalid + gbic5 + ") entspricht!", "GBIC_5", ccy},
        {"a rule's finding stays", badIban, 0, "", "GBIC_4", "IBAN ungültig!"},
    };
    for (bool eventMode : {false, true}) {
        m_app->ForceSaxMode(eventMode);
        for (const auto& c : cases) {
            m_app->m_profile.WriteInt("OPTION", "GBIC", c.pinned);
            auto doc = Check(c.text, "t.xml");
            if (eventMode) doc->RunSaxCheck(nullptr);
            const std::string where = std::string(c.name) + (eventMode ? " (event mode)" : " (tree mode)");
            const std::string verdict = eventMode && !c.eventVerdict.empty() ? c.eventVerdict : c.verdict;
            if (!verdict.empty()) { EXPECT_EQ(U8(doc->Result().messages[0]), verdict) << where; }
            EXPECT_EQ(doc->m_schemaPath, DataFolder() + "/" + c.subset + "/pain.001.001.09.xsd") << where;
            // The findings of the parser and of the rules, in both modes.
            std::vector<std::string> findings;
            for (const std::string& t : U8(Texts(doc->Result().findings)))
                if (!StartsWith(t, "Warnung")) findings.push_back(t);
            const bool ruleFinding = StartsWith(c.finding, "IBAN");
            if (c.finding.empty()) {
                EXPECT_EQ(findings, std::vector<std::string>{}) << where;
            } else {
                bool found = false;
                for (const std::string& t : findings) found = found || StartsWith(t, c.finding);
                EXPECT_TRUE(found) << where;
                if (ruleFinding) { EXPECT_EQ(findings.size(), 1u) << where; }
            }
        }
    }
}

// Tree mode validates in one parse when the schema that the root suggests
// holds and the file is clean; wherever the guess fails, the result is that
// of the parse without schema followed by the validating one, to the byte.
TEST_F(CheckRun, OneParseServesWhenTheGuessHolds) {
    const std::string example = Example();
    const std::string dk = ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.09.xml");
    const std::string debit =
        ReadFile(std::string(VALORIX_SOURCE_DIR) + "/tests/fixtures/rules/direct-debit-two-blocks.xml");
    auto withLaterBlock = [&](const std::string& code) {  // the second block's scheme
        const size_t second = debit.find("<Cd>CORE</Cd>", debit.find("<Cd>CORE</Cd>") + 1);
        return debit.substr(0, second) + "<Cd>" + code + "</Cd>" + debit.substr(second + 13);
    };
    const std::string broken = Replace(example, "</Document>", "</Documen>");
    struct Case {
        const char* name;
        std::string text;
        int onePass;  // -1: either way, as the schemas at hand decide
    } cases[] = {
        {"valid 3.0 credit transfer", example, 1},
        {"valid DK 3.9 credit transfer", dk, 1},
        {"comment before the root", Replace(example, "<Document ", "<!-- a > b --><Document ", false), 1},
        {"a schema error", Replace(example, "Ccy=\"EUR\"", "Ccy=\"EURO\"", false), 0},
        // valid against the older subset, which a second core checks meanwhile
        {"only the older DK subset accepts it", Replace(dk, "Ccy=\"EUR\"", "Ccy=\"CHF\""),
         std::thread::hardware_concurrency() > 1 ? 1 : 0},
        {"valid direct debits of two blocks", debit, 1},
        {"a later block changes the debit kind", withLaterBlock("COR1"), 1},
        {"a later block is B2B", withLaterBlock("B2B"), 1},
        {"an Austrian IBAN first", Replace(example, "DE02120300000000202051", "AT611904300234573201", false), -1},
        {"a namespace of an unknown edition", Replace(example, "pain.001.001.03\"", "pain.001.001.99\""), 0},
        {"a fatal error at the end", broken, 0},
        {"a schema error before a fatal error", Replace(broken, "Ccy=\"EUR\"", "Ccy=\"EURO\"", false), 0},
        {"a document type declaration", Replace(example, "<Document ", "<!DOCTYPE Document><Document ", false), 0},
        {"no root at all", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n", 0},
    };
    for (bool eventMode : {false, true}) {
        m_app->ForceSaxMode(eventMode);
        for (const auto& c : cases) {
            const std::string where = std::string(c.name) + (eventMode ? " (event mode)" : " (tree mode)");
            auto check = [&](bool guess) {
                auto doc = std::make_unique<CheckDocument>(*m_app, m_prompt);
                doc->m_tryOnePass = guess;
                doc->m_oneEventPass = guess;
                std::istringstream in(c.text);
                CArchive ar{in, "t.xml"};
                doc->Serialize(ar);
                if (doc->m_saxCheckReady) doc->RunSaxCheck(nullptr);
                return doc;
            };
            auto once = check(true), twice = check(false);
            if (c.onePass >= 0 && !eventMode) { EXPECT_EQ(once->m_singlePass, c.onePass == 1) << where; }
            EXPECT_FALSE(twice->m_singlePass) << where;
            EXPECT_EQ(U8(once->Result().messages), U8(twice->Result().messages)) << where;
            EXPECT_EQ(once->Result().findings, twice->Result().findings) << where;
            EXPECT_EQ(once->Result().state, twice->Result().state) << where;
            EXPECT_EQ(once->m_schemaPath, twice->m_schemaPath) << where;
            EXPECT_EQ(once->m_classification.debitKind, twice->m_classification.debitKind) << where;
            EXPECT_EQ(once->m_classification.austrianVariant, twice->m_classification.austrianVariant) << where;
            EXPECT_EQ(once->m_classification.edition, twice->m_classification.edition) << where;
            EXPECT_EQ(once->m_elementCount, twice->m_elementCount) << where;
        }
        // Event mode: one pass for the clean files, and a guess from the first
        // block that a later one breaks is not taken.
        if (eventMode) {
            for (const char* name : {"valid 3.0 credit transfer", "a schema error", "valid direct debits of two blocks",
                                     "a later block changes the debit kind"}) {
                const Case& c = *std::find_if(std::begin(cases), std::end(cases),
                                              [&](const Case& k) { return std::string(k.name) == name; });
                auto doc = std::make_unique<CheckDocument>(*m_app, m_prompt);
                doc->m_oneEventPass = true;
                std::istringstream in(c.text);
                CArchive ar{in, "t.xml"};
                doc->Serialize(ar);
                const bool expected = std::string(name) != "a later block changes the debit kind";
                EXPECT_EQ(doc->m_singlePass, expected) << name;
                EXPECT_EQ(doc->m_saxCheckReady, !expected) << name;
            }
        }
    }
    m_app->ForceSaxMode(false);
}

// The slip of a valid file is read from its tree (tree mode) or in the rule
// pass (event mode), without another pass: the same slip as that pass gives,
// whatever the text holds between the values.
TEST_F(CheckRun, SlipFromTheTreeIsTheSlipOfThePass) {
    const std::string example = Example();
    const std::string debit =
        ReadFile(std::string(VALORIX_SOURCE_DIR) + "/tests/fixtures/rules/direct-debit-two-blocks.xml");
    struct Case {
        const char* name;
        std::string text;
        bool fromTree;
    } cases[] = {
        {"credit transfers", example, true},
        {"direct debits of two blocks", debit, true},
        {"a comment, an entity and CDATA in values",
         Replace(Replace(example, "<Nm>Muster Werkzeugbau GmbH</Nm>", "<Nm>Muster <!-- x -->Werk&amp;zeug<![CDATA[bau]]> GmbH</Nm>",
                         false),
                 "<CtrlSum>", "<CtrlSum> \n", false),
         true},
        {"text between the elements", Replace(example, "<PmtInf>", "<PmtInf>\n\t  \n", false), true},
        {"a schema error: the pass", Replace(example, "Ccy=\"EUR\"", "Ccy=\"EURO\"", false), false},
    };
    // Event mode reads it in its rule pass.
    for (bool eventMode : {false, true}) {
        m_app->ForceSaxMode(eventMode);
        for (const auto& c : cases) {
            const std::string where = std::string(c.name) + (eventMode ? " (event mode)" : " (tree mode)");
            auto doc = std::make_unique<CheckDocument>(*m_app, m_prompt);
            doc->m_oneEventPass = doc->m_readSlipInPass = true;
            std::istringstream in(c.text);
            CArchive ar{in, "t.xml"};
            doc->Serialize(ar);
            if (doc->m_saxCheckReady) doc->RunSaxCheck(nullptr);
            EXPECT_EQ(eventMode ? doc->m_passSlip.has_value() : doc->m_schemaValid, c.fromTree) << where;
            std::istringstream file(c.text), again(c.text);
            const FileSummary fromCheck = doc->Summary(file), fromPass = Summarize(doc->m_content, again);
            EXPECT_EQ(SummaryLines(fromCheck), SummaryLines(fromPass)) << where;
            EXPECT_FALSE(fromCheck.blocks.empty()) << where;
            EXPECT_EQ(fromCheck.sha256, fromPass.sha256) << where;
            EXPECT_EQ(fromCheck.debit, fromPass.debit) << where;
        }
    }
    m_app->ForceSaxMode(false);
}

TEST_F(CheckRun, UrgentTransferVerdictDropsTheWordSepa) {
    auto doc = Check(Replace(Example(), "<Cd>SEPA</Cd>", "<Cd>URGP</Cd>"), "eil.xml");
    ASSERT_FALSE(doc->Result().messages.empty());
    EXPECT_EQ(U8(doc->Result().messages[0]), "'eil.xml' enthält ein korrektes XML Dokument (Eilüberweisungen im pain.001 "
                                      "Format gültig seit 04.11.2013)!");
}

TEST_F(CheckRun, SeveralBlocksCannotBeSentDirectly) {
    const std::string text = Example();
    const size_t from = text.find("<PmtInf>"), to = text.find("</PmtInf>") + 9;
    const std::string twoBlocks = text.substr(0, to) + text.substr(from, to - from) + text.substr(to);
    auto doc = Check(twoBlocks, "zwei.xml");
    ASSERT_EQ(doc->Result().messages.size(), 3u);
    EXPECT_EQ(U8(doc->Result().messages[0]), "'zwei.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!");
    EXPECT_EQ(U8(doc->Result().messages[1]), kRetiredCt30);
    EXPECT_EQ(U8(doc->Result().messages[2]), "Ein direkter Versand der Datei per FinTS/HBCI ist nicht möglich, da mehrere "
                                      "logische Dateien <PmtInf> in den Geschäftvorfällen nicht erlaubt sind.");
}

TEST_F(CheckRun, CreditorIdentifierPlacementInDirectDebits) {
    // Identifiers in the block and in every transaction: positive verdict and a note.
    auto both = Check(Replace(DirectDebit27(), "</MndtRltdInf>", "</MndtRltdInf>" + kCdtrId), "ls.xml");
    ASSERT_GE(both->Result().messages.size(), 2u);
    EXPECT_EQ(U8(both->Result().messages[0]),
              "'ls.xml' enthält ein korrektes SEPA XML Dokument (2.7/2.8/2.9 aktuell bis 19.11.2016)!");
    EXPECT_EQ(U8(both->Result().messages[1]), "SEPA Gläubigeridentifikationen <CdtrSchmeId> sollten nur auf Sammler oder "
                                       "Transaktionsebene vorhanden sein!");
    EXPECT_EQ(both->Result().state, 3);

    // Only one transaction carries one, none in the block: missing.
    std::string text = DirectDebit27();
    const size_t block = text.find("<CdtrSchmeId>"), end = text.find("</CdtrSchmeId>") + 14;
    text.erase(block, end - block);
    text = Replace(text, "</MndtRltdInf>", "</MndtRltdInf>" + kCdtrId, false);
    auto missing = Check(text, "ls.xml");
    ASSERT_GE(missing->Result().messages.size(), 2u);
    EXPECT_EQ(U8(missing->Result().messages[0]), "'ls.xml' enthält ein XML Dokument, das nicht der Schemadefinition "
                                          "(2.7/2.8/2.9 aktuell bis 19.11.2016) entspricht!");
    EXPECT_EQ(U8(missing->Result().messages[1]), "Es fehlen SEPA Gläubigeridentifikationen <CdtrSchmeId>!");
    EXPECT_EQ(missing->Result().state, 2);
}

TEST_F(CheckRun, OnlyUnsupportedCharactersIsStillCorrect) {
    // A schema of our own carrying both character-set patterns stands in for
    // the 3.0 credit-transfer schema; the stored schema-set version keeps it.
    WriteFile(DataFolder() + "/pain.001.001.03.xsd", ReadFile(FixturesDir() + "/charset/charset.xsd"));
    const std::string ns = "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03";
    auto doc = Check("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"" + ns +
                         "\">\n<Basic>Euro \xE2\x82\xAC</Basic>\n<Ext>M\xC3\xBC\x6Cler &amp; S\xC3\xB6hne_</Ext>\n"
                         "<Req>ok</Req>\n</Document>",
                     "zeichen.xml");
    EXPECT_EQ(U8(doc->Result().messages[0]), "'zeichen.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab "
                                      "20.11.2016), das nicht unterstützte Zeichen enthält!");
    EXPECT_EQ(doc->Result().state, 3);
    EXPECT_EQ(U8(Texts(doc->Result().findings)),
              (std::vector<std::string>{
                  "Der Wert: 'Euro €'enthält nicht unterstützte Zeichen. Erlaubt sind \"0-9\" \"a-z\" \"A-Z\" die "
                  "Zeichen \"-':?,+()/.\" sowie Leerzeichen.",
                  "Der Wert: 'Müller & Söhne_'enthält nicht unterstützte Zeichen. Erlaubt sind \"0-9\" \"a-z\" \"A-Z\" "
                  "\"äöüÜÖÄß\" die Zeichen &*%$\"-':?,+()/.\" sowie Leerzeichen."}));
    EXPECT_EQ(Kinds(doc->Result().findings), (std::vector<uint8_t>{2, 2}));
    EXPECT_EQ(Lines(doc->Result().findings), (std::vector<int>{3, 4}));

    // An empty date is no character finding: the file is not valid.
    auto date = Check("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"" + ns +
                      "\"><Dt></Dt><Req>ok</Req></Document>");
    EXPECT_EQ(U8(Texts(date->Result().findings)), std::vector<std::string>{"Leeres Datumsfeld ist nicht erlaubt!"});
    EXPECT_EQ(date->Result().state, 2);
}

TEST_F(CheckRun, SchemaThatCannotBeLoadedNeverPasses) {
    for (const std::string& content : {std::string(), std::string("<xs:schema")}) {
        WriteFile(DataFolder() + "/pain.001.001.03.xsd", content);
        auto doc = Check(Example(), "b.xml");
        EXPECT_EQ(U8(doc->Result().messages[0]), "'b.xml' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 "
                                          "aktuell ab 20.11.2016) entspricht!");
        ASSERT_EQ(doc->Result().findings.size(), 1u);
        EXPECT_EQ(doc->Result().findings[0].text, "Das Schema '" + NativeSeparators(DataFolder() + "/pain.001.001.03.xsd") +
                                                           "' konnte nicht geladen werden!");
        EXPECT_EQ(doc->Result().state, 2);
    }
}

TEST_F(CheckRun, AustrianFileGivesOnlyItsReason) {
    const std::string ns = "ISO:pain.008.001.02:APC:STUZZA:payments:003";
    auto doc = Check("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Document xmlns=\"" + ns +
                     "\"><CstmrDrctDbtInitn><PmtInf>1</PmtInf><PmtInf>2</PmtInf></CstmrDrctDbtInitn></Document>");
    EXPECT_EQ(CodeOf(doc->m_classification.formatCode), 8);
    EXPECT_EQ(doc->m_classification.austrianVariant, 1);
    EXPECT_EQ(U8(doc->Result().messages.back()),
              "Ein direkter Versand der Datei per FinTS/HBCI ist nicht möglich, da es sich nicht um ein deutsches "
              "Format handelt.");
    EXPECT_EQ(U8(doc->Result().messages[0]), "'test.xml' enthält ein XML Dokument, das nicht der Schemadefinition (SEPA "
                                      "CORE & B2B Version 5 (Österreich)) entspricht!");
}

TEST_F(CheckRun, EncodingAsTheParserReadIt) {
    const std::string body = "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"/>";
    struct Case {
        std::string declaration;
        std::vector<std::string> extra;
        bool treeModeOnly = false;  // event mode judges the declaration's text, where UTF-8 is the default
    } cases[] = {
        {"<?xml version='1.0' encoding='UTF-8'?>", {}},
        {"<?xml version='1.0' encoding='utf-8' standalone='yes'?>", {}},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>",
         {"Erlaubte Kodierungen sind UTF-8 und ISO-8859 nicht 'windows-1252'!"}},
        {"<?xml version='1.0' encoding='windows-1252'?>",
         {"Erlaubte Kodierungen sind UTF-8 und ISO-8859 nicht 'windows-1252'!"}},
        {"<?xml version=\"1.0\"?>", {"Erlaubte Kodierungen sind UTF-8 und ISO-8859, die Datei enthält keine Angabe!"},
         true},
    };
    for (bool eventMode : {false, true}) {
        m_app->ForceSaxMode(eventMode);
        for (const auto& c : cases) {
            auto doc = Check(c.declaration + body);
            std::vector<std::string> messages = U8(doc->Result().messages);
            if (!eventMode) {  // event mode composes the verdict later
                ASSERT_GE(messages.size(), 1u);
                messages.erase(messages.begin());
            }
            std::vector<std::string> expected = eventMode && c.treeModeOnly ? std::vector<std::string>{} : c.extra;
            expected.push_back(kRetiredCt30);
            EXPECT_EQ(messages, expected)
                << c.declaration << " event mode " << eventMode;
        }
    }
}

TEST_F(CheckRun, HostileInputEndsInFindings) {
    std::string deep = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Document "
                       "xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\">";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    for (int i = 0; i < 100000; ++i) deep += "</a>";
    deep += "</Document>";
    std::string utf16be = "\xFE\xFF";
    for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?><Document/>")) utf16be += std::string(1, '\0') + c;
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919) % 251 + 1);
    const std::string notWellFormed = "' ist kein oder ein formal fehlerhaftes XML Dokument!";
    struct Case {
        const char* name;
        std::string bytes;
        int state;
    } cases[] = {
        {"deeply nested", deep, 0},
        {"UTF-16 big endian", utf16be, 0},
        {"binary garbage", garbage, 0},
        {"external DTD", "<?xml version=\"1.0\"?><!DOCTYPE Document SYSTEM \"http://127.0.0.1:9/x.dtd\"><Document/>", 2},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><Document>&x;</Document>", 0},
    };
    for (const auto& c : cases) {
        auto doc = Check(c.bytes, "h.xml");
        EXPECT_EQ(doc->Result().state, c.state) << c.name;
        if (c.state == 0) {
            EXPECT_EQ(U8(doc->Result().messages.back()), "'h.xml" + notWellFormed) << c.name;
        }
        for (const std::string& t : Texts(doc->Result().findings)) EXPECT_EQ(t.find("root:"), std::string::npos) << c.name;
    }
}

TEST_F(CheckRun, NothingIsEverSaved) {
    CheckDocument doc(*m_app, m_prompt);
    EXPECT_FALSE(doc.OnSaveDocument(m_home / "x.xml"));
    EXPECT_FALSE(fs::exists(m_home / "x.xml"));
    ASSERT_EQ(m_prompt.shown.size(), 1u);
    EXPECT_EQ(U8(m_prompt.shown[0]), "Das Speichern ggfs. geänderter XML Dokumente wird derzeit nicht unterstützt");
}

}  // namespace valorix::test
