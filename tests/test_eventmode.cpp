// Event mode: the SAX pass and its processors, the rule processor's findings
// next to tree mode's on the same fixtures, cancellation, and the agreement
// of both modes over the corpus.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli.h"
#include "platform/clock.h"
#include "platform/strutil.h"
#include "rules/blzdirectory.h"
#include "rules/eventrules.h"
#include "core/verdict.h"
#include "support.h"
#include "ui/eventrows.h"
#include "ui/structureview.h"
#include "xml/nvexception.h"
#include "xml/saxpass.h"

namespace valorix::test {

namespace {

std::vector<std::pair<std::string, std::string>> Pairs(const CStdXmlDoc& p) {
    std::vector<std::pair<std::string, std::string>> out;
    for (size_t i = 0; i < p.m_paths.size(); ++i) out.push_back({p.m_paths[i], p.m_values[i]});
    return out;
}

// A processor that says FALSE at the first start tag.
class Refusing : public CStdXmlDoc {
public:
    bool StartElement(const std::string&, const std::string&, const std::string&, const std::vector<std::string>&,
                      const std::vector<std::string>&) override {
        return false;
    }
};

// A processor that records the continued flags of the text events.
class Pieces : public CStdXmlDoc {
public:
    bool Characters(const std::string& text, bool continued) override {
        flags.push_back(continued);
        return CStdXmlDoc::Characters(text, continued);
    }
    std::vector<bool> flags;
};

}  // namespace

TEST(SaxPass, PathsAndTexts) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::pair<std::string, std::string>> pairs;
    } cases[] = {
        {"repeated paths stay separate", "<D><P><M>1</M><N>n</N></P><P><M>2</M></P></D>",
         {{"D/P/M", "1"}, {"D/P/N", "n"}, {"D/P/M", "2"}}},
        {"the same path without text between joins", "<D><P><M>1</M></P><P><M>2</M></P></D>", {{"D/P/M", "12"}}},
        {"prefixes are kept", "<p:D xmlns:p=\"urn:x\"><p:G><p:M>x</p:M></p:G></p:D>", {{"p:D/p:G/p:M", "x"}}},
        {"mixed content gives two pairs", "<D><A>a<B>b</B>c</A></D>", {{"D/A", "a"}, {"D/A/B", "b"}, {"D/A", "c"}}},
    };
    for (const auto& c : cases) {
        CStdXmlDoc p;
        EXPECT_EQ(RunSaxPass(c.text, &p, "", true), 0) << c.name;
        EXPECT_TRUE(p.m_findings.empty()) << c.name;
        EXPECT_EQ(Pairs(p), c.pairs) << c.name;
    }
    // A text in several pieces: the later pieces are continued and join the same value.
    Pieces pieces;
    RunSaxPass("<D><M>a&amp;b</M></D>", &pieces, "", true);
    EXPECT_EQ(Pairs(pieces), (std::vector<std::pair<std::string, std::string>>{{"D/M", "a&b"}}));
    ASSERT_GE(pieces.flags.size(), 2u);
    EXPECT_FALSE(pieces.flags[0]);
    EXPECT_TRUE(pieces.flags[1]);
}

TEST(SaxPass, FailuresAndFindings) {
    CStdXmlDoc missingEnd;
    EXPECT_EQ(RunSaxPass("<D>\n<M>1</M>\n", &missingEnd, "", true), 0);
    ASSERT_EQ(missingEnd.m_findings.size(), 1u);
    EXPECT_EQ(missingEnd.m_findings[0].kind, FindingKind::Fatal);
    EXPECT_EQ(missingEnd.m_findings[0].line, 3);

    Refusing refusing;
    try {
        RunSaxPass("<D/>", &refusing, "", true);
        FAIL() << "no exception";
    } catch (const CNvException& e) {
        EXPECT_EQ(e.Text(), "Abbruch");
    }
    try {
        RunSaxPass("<D>\n<M></D>", nullptr, "", true);
        FAIL() << "no exception";
    } catch (const CNvException& e) {
        EXPECT_EQ(e.Text().rfind("Schwerwiegender Fehler in Zeile 2, Spalte ", 0), 0u) << e.Text();
    }
}

TEST(SaxPass, CollectingPass) {
    std::vector<std::string> names, values;
    EventRuleProcessor p(&names, &values);
    const std::string text =
        "<p:Document xmlns:p=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\" a=\"1\"><p:X>"
        "<p:PmtTpInf><p:SvcLvl><p:Cd>SEPA</p:Cd></p:SvcLvl></p:PmtTpInf>"
        "<PmtTpInf><SvcLvl><Cd>SEPA</Cd></SvcLvl><LclInstrm><Cd>CORE</Cd></LclInstrm></PmtTpInf>"
        "<PmtTpInf><SvcLvl><Cd>URGP</Cd></SvcLvl><LclInstrm><Cd>B2B</Cd></LclInstrm></PmtTpInf>"
        "<PmtTpInf><SvcLvl><Cd>SEPA</Cd></SvcLvl></PmtTpInf></p:X></p:Document>";
    ASSERT_EQ(RunSaxPass(text, &p, "", true), 0);
    EXPECT_EQ(p.m_rootName, "p:Document");
    EXPECT_EQ(p.m_rootUri, "urn:iso:std:iso:20022:tech:xsd:pain.008.001.02");
    EXPECT_EQ(names, (std::vector<std::string>{"p", "a"}));  // local names
    EXPECT_EQ(p.m_prefixedNameCount, 5u);
    // "p:Cd" is no "Cd"; a code equal to the first one is not repeated.
    EXPECT_EQ(p.m_serviceLevelCodes, (std::vector<std::string>{"SEPA", "URGP"}));
    EXPECT_EQ(p.m_localInstrumentCodes, (std::vector<std::string>{"CORE", "B2B"}));
    EXPECT_EQ(p.m_elementCount, 18u);
    EXPECT_TRUE(p.m_findings.empty());
}

class EventMode : public CheckTest {
protected:
    void SetUp() override {
        CheckTest::SetUp();
        SetClock(MakeDate(2026, 12, 10, 12, 0, 0));
        WriteFile(DataFolder() + "/NVSCL.INI", "[BIC]\r\nSTAND=261201\r\nATBKATWWXXX=1111\r\nGOODDEFFXXX=1111\r\n");
        m_app->UseSclDirectory(DataFolder() + "/NVSCL.INI");
    }
    void TearDown() override { SetClock(std::nullopt); }

    /// Checks and fills in the given mode; returns the report lines (UTF-8).
    std::vector<std::string> Report(const std::string& xml, bool sax, const std::string& path = "f.xml") {
        m_app->ForceSaxMode(sax);
        m_doc = Check(xml, path);
        ViewTargets t;
        t.structure = &m_rows;
        t.output = &m_output;
        m_view = std::make_unique<CStructureView>(*m_doc, *m_app, m_prompt, t);
        m_result = m_view->FillView();
        std::vector<std::string> out;
        for (const auto& l : m_output.Lines()) out.push_back(U8(l.text));
        return out;
    }
    /// The report's finding lines that come from the rules (not the schema).
    static std::vector<std::string> RuleLines(const std::vector<std::string>& report) {
        std::vector<std::string> out;
        for (const auto& l : report)
            if (StartsWith(l, "Zeile") && l.find(" : element '") == std::string::npos &&
                l.find(" : missing elements") == std::string::npos && l.find(" : value '") == std::string::npos)
                out.push_back(l);
        return out;
    }

    std::unique_ptr<CheckDocument> m_doc;
    CStructureModel m_rows;
    COutputList m_output;
    std::unique_ptr<CStructureView> m_view;
    FillResult m_result = FillResult::NoFile;
};

const std::string kDebit = ReadFile(FixturesDir() + "/rules/direct-debit.xml");

TEST_F(EventMode, SameFixtureBothModes) {
    const auto tree = RuleLines(Report(kDebit, false));
    const auto event = RuleLines(Report(kDebit, true));
    EXPECT_EQ(m_result, FillResult::Filled);
    // Event mode: the same positions; no decimal-places rule; the creditor
    // identifier's message without "Fehler: "; the block's sum before the
    // group header's (they are checked as the elements end).
    const std::vector<std::string> expectedEvent = {
        "Zeile 4/91 : Fehler: Pflichtfeld <Nm> ist nur mit Leerzeichen gefüllt!",
        "Zeile 8/40 : Hinweis: Das Einzugsdatum liegt nicht in der Zukunft!",
        "Zeile 9/60 : Warnung: lt. Belegungsrichtlinien sollte das Element 'PstlAdr' nicht belegt werden!",
        "Zeile 11/44 : Die BIC 'ATBKATWWXXX' gehört nicht zu einem deutschen Institut.",
        "Zeile 12/59 : Gläubigeridentfikation ist ungültig!",
        "Zeile 13/58 : Hinweis: Die eindeutige Referenz sollte angegeben werden! Diese ist auch in einem weiteren "
        "Auftrag nicht angegeben.",
        "Zeile 13/177 : Hinweis: Das Datum '2027-01-01' liegt nicht in der Vergangenheit!!",
        "Zeile 13/246 : BIC 'UNKNDEFFXXX' ist nicht im SEPA SCL Verzeichnis der Bundesbank enthalten!",
        "Zeile 13/341 : IBAN ungültig!",
        "Zeile 6/66 : Summe der Beträge ist fehlerhaft!",
        "Zeile 4/69 : Summe der Beträge ist fehlerhaft!",
    };
    EXPECT_EQ(event, expectedEvent);
    const std::vector<std::string> expectedTree = {
        "Zeile 4/69 : Maximal zwei Nachkommastellen erlaubt!",
        expectedEvent[0], expectedEvent[1], expectedEvent[2], expectedEvent[3],
        "Zeile 12/59 : Fehler: Gläubigeridentfikation ist ungültig!",
        expectedEvent[5], expectedEvent[6], expectedEvent[7], expectedEvent[8],
        "Zeile 4/69 : Summe der Beträge ist fehlerhaft!",
        "Zeile 6/66 : Summe der Beträge ist fehlerhaft!",
    };
    EXPECT_EQ(tree, expectedTree);
    // Event-mode rows: groups, values and text positions like the walk's.
    const CStructureModel& m = m_rows;
    ASSERT_EQ(m.ChildCount(kGridRoot), 2u);
    EXPECT_EQ(m.Name(m.Child(kGridRoot, 1)), "Document");
    RowId amount = kNoRow, nm = kNoRow;
    for (RowId r : m_view->m_rows) {
        if (m.Name(r) == "InstdAmt") amount = r;
        if (m.Name(r) == "Nm" && m.Occurrence(r) == 2) nm = r;
    }
    ASSERT_NE(amount, kNoRow);
    ASSERT_EQ(m.ChildCount(amount), 2u);
    EXPECT_EQ(m.Name(m.Child(amount, 0)), "Ccy");
    EXPECT_EQ(m.Name(m.Child(amount, 1)), "Text");
    EXPECT_EQ(m.Value(m.Child(amount, 1)), "1.00");
    EXPECT_EQ(m.TreeImage(amount), 4);
    ASSERT_NE(nm, kNoRow);  // a leaf: its text is its value
    EXPECT_EQ(m.Value(nm), "D");
    EXPECT_FALSE(m.IsGroup(nm));
    EXPECT_EQ(m.Name(m.Parent(nm)), "Dbtr");
    EXPECT_EQ(m.TreeImage(m.TreeChild(kGridRoot, 0)), 0);
}

// The editions after 3.0 name some elements anew (<BICFI>, the requested
// execution date as <Dt> or <DtTm> in <ReqdExctnDt>, the amount in <Amt>):
// every rule reads them as it reads the older names, in both modes.
TEST_F(EventMode, EditionsAfterThreeZeroHaveTheSameRules) {
    const std::string nm = "Fehler: Pflichtfeld <Nm> ist nur mit Leerzeichen gefüllt!";
    const std::string guideline = "Warnung: lt. Belegungsrichtlinien sollte das Element 'PstlAdr' nicht belegt werden!";
    const std::string foreign = "Die BIC 'ATBKATWWXXX' gehört nicht zu einem deutschen Institut.";
    const std::string unknown = "BIC 'UNKNDEFFXXX' ist nicht im SEPA SCL Verzeichnis der Bundesbank enthalten!";
    const std::string sum = "Summe der Beträge ist fehlerhaft!";
    const std::string executed = "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!";
    struct Case {
        const char* fixture;
        std::vector<std::string> event, tree;
    } cases[] = {
        // the direct debit of the older edition with <BICFI>: four columns more after each
        {"direct-debit-2019.xml",
         {"Zeile 4/91 : " + nm, "Zeile 8/40 : Hinweis: Das Einzugsdatum liegt nicht in der Zukunft!",
          "Zeile 9/60 : " + guideline, "Zeile 11/48 : " + foreign, "Zeile 12/59 : Gläubigeridentfikation ist ungültig!",
          "Zeile 13/58 : Hinweis: Die eindeutige Referenz sollte angegeben werden! Diese ist auch in einem weiteren "
          "Auftrag nicht angegeben.",
          "Zeile 13/177 : Hinweis: Das Datum '2027-01-01' liegt nicht in der Vergangenheit!!",
          "Zeile 13/250 : " + unknown, "Zeile 13/345 : IBAN ungültig!", "Zeile 6/66 : " + sum, "Zeile 4/69 : " + sum},
         {"Zeile 4/69 : Maximal zwei Nachkommastellen erlaubt!", "Zeile 4/91 : " + nm,
          "Zeile 8/40 : Hinweis: Das Einzugsdatum liegt nicht in der Zukunft!", "Zeile 9/60 : " + guideline,
          "Zeile 11/48 : " + foreign, "Zeile 12/59 : Fehler: Gläubigeridentfikation ist ungültig!",
          "Zeile 13/58 : Hinweis: Die eindeutige Referenz sollte angegeben werden! Diese ist auch in einem weiteren "
          "Auftrag nicht angegeben.",
          "Zeile 13/177 : Hinweis: Das Datum '2027-01-01' liegt nicht in der Vergangenheit!!",
          "Zeile 13/250 : " + unknown, "Zeile 13/345 : IBAN ungültig!", "Zeile 4/69 : " + sum, "Zeile 6/66 : " + sum}},
        // a credit transfer: the date in <Dt> (line 7) and, with a time, in <DtTm> (line 15)
        {"credit-transfer-2019.xml",
         {"Zeile 4/129 : " + nm, "Zeile 7/33 : " + executed, "Zeile 8/80 : " + guideline, "Zeile 10/48 : " + foreign,
          "Zeile 11/57 : Hinweis: Die eindeutige Referenz sollte angegeben werden!", "Zeile 11/158 : " + unknown,
          "Zeile 11/253 : IBAN ungültig!", "Zeile 15/46 : " + executed, "Zeile 14/87 : " + sum,
          "Zeile 4/83 : Anzahl Transaktionen ist fehlerhaft!", "Zeile 4/107 : " + sum},
         {"Zeile 4/107 : Maximal zwei Nachkommastellen erlaubt!", "Zeile 4/129 : " + nm, "Zeile 7/33 : " + executed,
          "Zeile 8/80 : " + guideline, "Zeile 10/48 : " + foreign,
          "Zeile 11/57 : Hinweis: Die eindeutige Referenz sollte angegeben werden!", "Zeile 11/158 : " + unknown,
          "Zeile 11/253 : IBAN ungültig!", "Zeile 15/46 : " + executed, "Zeile 4/83 : Anzahl Transaktionen ist fehlerhaft!",
          "Zeile 4/107 : " + sum, "Zeile 14/87 : " + sum}},
    };
    for (const auto& c : cases) {
        const std::string text = ReadFile(FixturesDir() + "/rules/" + c.fixture);
        EXPECT_EQ(RuleLines(Report(text, true)), c.event) << c.fixture;
        EXPECT_EQ(CodeOf(m_doc->m_classification.formatCode), 11) << c.fixture;
        EXPECT_EQ(RuleLines(Report(text, false)), c.tree) << c.fixture;
    }
}

TEST_F(EventMode, MandateRulesDifferFromTreeMode) {
    auto mandate = [](const std::string& inner, const char* edition) { return MandateFixture(edition, inner); };
    const std::string& missing = kMissingDetails;
    const std::string& notAllowed = kDetailsNotAllowed;
    const std::string& smnda = kSmnda;
    const std::string details = "<AmdmntInfDtls><OrgnlMndtId>X</OrgnlMndtId></AmdmntInfDtls>";
    const std::string smndaDetails =
        "<AmdmntInfDtls><OrgnlDbtrAgt><FinInstnId><Othr><Id>SMNDA</Id></Othr></FinInstnId></OrgnlDbtrAgt></AmdmntInfDtls>";
    struct Case {
        const char* name;
        std::string inner;
        std::vector<std::string> event, tree;  // "text@column" on line 4
        const char* edition = "pain.008.001.02";
    } cases[] = {
        {"indicator without details", "<AmdmntInd>TRUE</AmdmntInd>", {missing + "@28"}, {missing + "@28"}},
        {"details, indicator false", "<AmdmntInd>false</AmdmntInd>" + details, {notAllowed + "@29"}, {notAllowed + "@29"}},
        {"details without indicator", "<MndtId>1</MndtId>" + details, {notAllowed + "@78"}, {notAllowed + "@19"}},
        {"SMNDA with RCUR in 3.0 is allowed", "<AmdmntInd>true</AmdmntInd>" + smndaDetails, {}, {}},
        {"SMNDA with RCUR in 2.7: at the identifier, after the original agent", "<AmdmntInd>true</AmdmntInd>" + smndaDetails,
         {smnda + "@89"}, {smnda + "@124"}, "pain.008.003.02"},
        {"SMNDA as a mandate identifier is no amendment", "<MndtId>SMNDA</MndtId>", {}, {}, "pain.008.003.02"},
        {"SMNDA with RCUR in 3.9 is allowed", "<AmdmntInd>true</AmdmntInd>" + smndaDetails, {}, {}, "pain.008.001.08"},
        {"3.9: details without indicator", "<MndtId>1</MndtId>" + details, {notAllowed + "@78"}, {notAllowed + "@19"},
         "pain.008.001.08"},
        {"3.9: indicator without details", "<AmdmntInd>true</AmdmntInd>", {missing + "@28"}, {missing + "@28"},
         "pain.008.001.08"},
        {"SMNDA without a true indicator", "<AmdmntInd>false</AmdmntInd>" + smndaDetails, {notAllowed + "@29"},
         {notAllowed + "@29"}, "pain.008.003.02"},
        {"the boolean 1 is true", "<AmdmntInd>1</AmdmntInd>", {missing + "@25"}, {missing + "@25"}},
        {"the boolean 0 is false", "<AmdmntInd>0</AmdmntInd>" + details, {notAllowed + "@25"}, {notAllowed + "@25"}},
        {"empty details with indicator true", "<AmdmntInd>true</AmdmntInd><AmdmntInfDtls></AmdmntInfDtls>",
         {missing + "@28"}, {missing + "@28"}},
        {"empty details without indicator: tree mode only", "<MndtId>1</MndtId><AmdmntInfDtls></AmdmntInfDtls>", {},
         {notAllowed + "@19"}},
    };
    for (const auto& c : cases) {
        for (bool sax : {true, false}) {
            std::vector<std::string> got;
            for (const auto& line : RuleLines(Report(mandate(c.inner, c.edition), sax))) {
                if (line.find("Fehler:") == std::string::npos) continue;
                const size_t slash = line.find('/'), colon = line.find(" : ");
                EXPECT_EQ(line.substr(6, slash - 6), "4") << c.name;
                got.push_back(line.substr(colon + 3) + "@" + line.substr(slash + 1, colon - slash - 1));
            }
            EXPECT_EQ(got, sax ? c.event : c.tree) << c.name << (sax ? " (event mode)" : " (tree mode)");
        }
    }
}

TEST_F(EventMode, HintsDoNotFailButWarningsDo) {
    std::string text = ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.03.xml");
    text.replace(text.find("<EndToEndId>LOHN-2026-12-0001</EndToEndId>"), 42, "<EndToEndId>NOTPROVIDED</EndToEndId>");
    EXPECT_EQ(Report(text, true, "h.xml")[0],
              "'h.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!");
    EXPECT_EQ(m_doc->Result().state, 2);
    ASSERT_EQ(m_doc->Result().findings.size(), 1u);
    // A guideline warning is no hint: event mode fails the file, tree mode only warns (kind 2).
    text.replace(text.find("<Nm>Erika Mustermann</Nm>"), 25, "<Nm>Erika Mustermann</Nm><PstlAdr><Ctry>DE</Ctry></PstlAdr>");
    EXPECT_EQ(Report(text, true, "h.xml")[0], "'h.xml' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 "
                                              "aktuell ab 20.11.2016) entspricht!");
    EXPECT_EQ(Report(text, false, "h.xml")[0],
              "'h.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!");
}

TEST_F(EventMode, CreditorIdentifierPlacement) {
    const std::string id = "<CdtrSchmeId><Id><PrvtId><Othr><Id>DE98ZZZ09999999999</Id></Othr></PrvtId></Id></CdtrSchmeId>";
    auto block = [&](bool atBlock, std::initializer_list<bool> perTx) {
        std::string b = "<PmtInf>" + std::string(atBlock ? id : "");
        for (bool t : perTx) b += "<DrctDbtTxInf><DrctDbtTx>" + std::string(t ? id : "") + "</DrctDbtTx></DrctDbtTxInf>";
        return b + "</PmtInf>";
    };
    struct Case {
        const char* name;
        std::string blocks;
        int placement;
    } cases[] = {
        {"block level only", block(true, {false, false}), 0},
        {"every transaction", block(false, {true, true}), 0},
        {"both levels", block(true, {true, true}), 1},
        {"some transactions, also with a block identifier", block(true, {true, false}), 1},
        {"some transactions, none at block level", block(false, {true, false}), -1},
        {"first block missing, second both", block(false, {false}) + block(true, {true}), -1},
        {"first block both, second missing", block(true, {true}) + block(false, {false}), -1},
    };
    for (const auto& c : cases) {
        const std::string text = "<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.001.02\">"
                                 "<CstmrDrctDbtInitn>" + c.blocks + "</CstmrDrctDbtInitn></Document>";
        Report(text, true);
        EXPECT_EQ(m_doc->m_processor->m_creditorIdPlacement, c.placement) << c.name;
        // Both modes read the placement alike.
        ParsedTree parser(text, "");
        Findings findings;
        ASSERT_TRUE(parser.Parse(findings)) << c.name;
        EXPECT_EQ(CheckCreditorIdPlacement(parser), c.placement) << c.name << " (tree mode)";
    }
}

// Stops the pass at the first cancel check.
class CancellingSink : public IEventSink {
public:
    void OnStartElement(const std::string&, const std::vector<std::string>&, const std::vector<std::string>&,
                        bool) override {}
    void OnCharacters(const std::string&) override {}
    void OnEndElement(bool) override {}
    bool OnProgress(int, bool checkCancel) override { return checkCancel; }
    void OnCancel() override { cancelled = true; }
    int ProgressUpper() const override { return 100; }
    void ExpandTree(int) override {}
    bool cancelled = false;
};

TEST_F(EventMode, CancellationComposesNoVerdict) {
    std::string text = "<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><a>";
    for (int i = 0; i < 60; ++i) text += "<b>x</b>";
    text += "</a></Document>";
    m_app->ForceSaxMode(true);
    auto doc = Check(text);
    const size_t messages = doc->Result().messages.size();
    CancellingSink sink;
    m_prompt.answer = false;  // "No": the pass goes on
    doc->RunSaxCheck(&sink);
    EXPECT_EQ(doc->Result().messages.size(), messages + 1);
    auto again = Check(text);
    m_prompt.answer = true;
    try {
        again->RunSaxCheck(&sink);
        FAIL() << "not cancelled";
    } catch (int code) {
        EXPECT_EQ(code, 1);
    }
    EXPECT_TRUE(sink.cancelled);
    EXPECT_EQ(again->Result().messages.size(), messages);
    EXPECT_TRUE(again->Result().findings.empty());
}

// Tree mode and event mode agree on every corpus file, except where the
// event-mode rule applies that any finding which is not a hint fails the file:
// then tree mode's verdict is positive and event mode holds such a finding.
TEST_F(EventMode, CorpusVerdictsAgree) {
    int files = 0, named = 0;
    for (const auto& entry : fs::directory_iterator(SamplesDir())) {
        if (entry.path().extension() != ".xml") continue;
        ++files;
        const std::string text = ReadFile(entry.path().string());
        const std::string tree = Report(text, false)[0];
        const std::string event = Report(text, true)[0];
        if (tree == event) continue;
        ++named;
        bool notHint = false;
        for (const std::string& t : Texts(m_doc->Result().findings)) notHint = notHint || !StartsWith(t, "Hinweis:");
        EXPECT_TRUE(Contains(tree, "korrekte") && notHint) << entry.path().filename() << ": " << tree << " / " << event;
    }
    EXPECT_EQ(files, 88);
    EXPECT_LT(named, files);
}

}  // namespace valorix::test

namespace valorix::test {

TEST_F(EventMode, EarlyStopAndRepeatedNamespaceInBothModes) {
    const std::string hint = "Eine Wiederholung des Namensraum Attributs (xmlns) ist in Sub Feldern (Tags) nicht nötig "
                             "und kann in den Verarbeitungssystemen zur Abweisung der gesamten Datei führen.";
    const std::string ns = "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03";
    struct Case {
        const char* name;
        std::string text;
        bool verdict;  // a verdict heads the report
        bool repeated;
    } cases[] = {
        {"not a SEPA root: no verdict, no hint", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Foo xmlns=\"urn:x\"><a>1</a></Foo>", false,
         false},
        {"a child repeats the root's namespace",
         "<?xml version=\"1.0\"?><Document xmlns=\"" + ns + "\"><CstmrCdtTrfInitn xmlns=\"" + ns +
             "\"><GrpHdr/></CstmrCdtTrfInitn></Document>",
         true, true},
        {"a nested Document does not count",
         "<?xml version=\"1.0\"?><Document xmlns=\"" + ns + "\"><CstmrCdtTrfInitn><Document xmlns=\"" + ns +
             "\"/></CstmrCdtTrfInitn></Document>",
         true, false},
    };
    for (const auto& c : cases) {
        for (bool sax : {false, true}) {
            const auto report = Report(c.text, sax);
            const char* mode = sax ? " (event mode)" : " (tree mode)";
            ASSERT_FALSE(report.empty()) << c.name << mode;
            EXPECT_EQ(report[0].rfind("'f.xml' enthält", 0) == 0, c.verdict) << c.name << mode << ": " << report[0];
            if (!c.verdict) {
                EXPECT_EQ(report, std::vector<std::string>{"Es handelt sich nicht um eine SEPA XML Datei!"}) << mode;
            }
            EXPECT_EQ(std::find(report.begin(), report.end(), hint) != report.end(), c.repeated) << c.name << mode;
        }
    }
}

}  // namespace valorix::test

namespace valorix::test {

TEST_F(EventMode, CountsAndSumsAsTheElementsEnd) {
    auto file = [](const std::string& blocks, const std::string& group) {
        return "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><CstmrCdtTrfInitn>\n"
               "<GrpHdr>" + group + "</GrpHdr>\n" + blocks + "</CstmrCdtTrfInitn></Document>";
    };
    auto tx = [](const char* amount) {
        return std::string("<CdtTrfTxInf><Amt><InstdAmt Ccy=\"EUR\">") + amount + "</InstdAmt></Amt></CdtTrfTxInf>";
    };
    const std::string declared3 = "<NbOfTxs>3</NbOfTxs><CtrlSum>30.00</CtrlSum>";
    const std::string three = tx("10") + tx("10.0") + tx("10.00");
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> findings;  // "line: text", in report order
    } cases[] = {
        {"consistent: 10, 10.0 and 10.00 count the same", file("<PmtInf>" + declared3 + "\n" + three + "</PmtInf>\n", declared3),
         {}},
        {"a fourth transaction: the block's pair, then the group header's",
         file("<PmtInf>" + declared3 + "\n" + three + tx("0.01") + "</PmtInf>\n", declared3),
         {"4: Anzahl Transaktionen ist fehlerhaft!", "4: Summe der Beträge ist fehlerhaft!",
          "3: Anzahl Transaktionen ist fehlerhaft!", "3: Summe der Beträge ist fehlerhaft!"}},
        {"a block without declarations is not checked and inherits nothing",
         file("<PmtInf>" + declared3 + "\n" + three + "</PmtInf>\n<PmtInf>\n" + tx("5") + "</PmtInf>\n",
              "<NbOfTxs>4</NbOfTxs><CtrlSum>35</CtrlSum>"),
         {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const auto& line : RuleLines(Report(c.text, true))) {
            const size_t slash = line.find('/'), colon = line.find(" : ");
            got.push_back(line.substr(6, slash - 6) + ": " + line.substr(colon + 3));
        }
        EXPECT_EQ(got, c.findings) << c.name;
    }

    // Large and unreadable values, in both modes: sums are exact far beyond
    // 64 bits; a value beyond the range, or one that is no decimal number, is
    // said to be unchecked, never reported as a wrong or a right sum.
    const std::string billion = tx("1000000000.00");  // one cent above the schema's limit: the sum is what counts here
    const std::string tooLarge = "3: Summe der Beträge kann nicht geprüft werden, der Wert ist zu groß!";
    const std::string unreadable = "3: Summe der Beträge kann nicht geprüft werden, ein Wert ist nicht lesbar!";
    struct Large {
        const char* name;
        std::string group;
        std::string transactions;
        std::vector<std::string> findings;
    } large[] = {
        {"3,000,000,000.00 adds up", "<NbOfTxs>3</NbOfTxs><CtrlSum>3000000000.00</CtrlSum>", billion + billion + billion,
         {}},
        {"2,147,483,648.00 differs by a cent", "<NbOfTxs>2</NbOfTxs><CtrlSum>2147483648.00</CtrlSum>",
         tx("1147483648.00") + tx("999999999.99"), {"3: Summe der Beträge ist fehlerhaft!"}},
        {"beyond 64 bits, adds up", "<NbOfTxs>2</NbOfTxs><CtrlSum>922337203685477.59</CtrlSum>",
         tx("922337203685477.58") + tx("0.01"), {}},
        {"the largest control sum of the schemas, a cent off", "<NbOfTxs>1</NbOfTxs><CtrlSum>9999999999999999.99</CtrlSum>",
         tx("9999999999999999.98"), {"3: Summe der Beträge ist fehlerhaft!"}},
        {"a sixth decimal place counts", "<NbOfTxs>1</NbOfTxs><CtrlSum>1.12345</CtrlSum>", tx("1.123456"),
         {"3: Summe der Beträge ist fehlerhaft!"}},
        {"a control sum beyond the range", "<NbOfTxs>1</NbOfTxs><CtrlSum>1000000000000000000000.00</CtrlSum>", billion,
         {tooLarge}},
        {"amounts whose sum leaves the range", "<NbOfTxs>2</NbOfTxs><CtrlSum>1</CtrlSum>",
         tx("999999999999999999999") + tx("999999999999999999999"), {tooLarge}},
        {"amounts in exponent notation and letters", "<NbOfTxs>2</NbOfTxs><CtrlSum>100001</CtrlSum>",
         tx("1e5") + tx("abc"), {unreadable}},
        {"an empty amount", "<NbOfTxs>2</NbOfTxs><CtrlSum>5</CtrlSum>", tx("5") + tx(""), {unreadable}},
        {"an empty control sum", "<NbOfTxs>1</NbOfTxs><CtrlSum/>", tx("5"), {unreadable}},
        {"a malformed control sum", "<NbOfTxs>1</NbOfTxs><CtrlSum>1.-5</CtrlSum>", tx("1.05"), {unreadable}},
        {"the smallest 32-bit count", "<NbOfTxs>-2147483648</NbOfTxs><CtrlSum>2000000000</CtrlSum>", billion + billion,
         {"3: Anzahl Transaktionen ist fehlerhaft!"}},
    };
    for (bool sax : {false, true}) {
        for (const auto& c : large) {
            std::vector<std::string> got;
            for (const auto& line : RuleLines(Report(file("<PmtInf>\n" + c.transactions + "</PmtInf>\n", c.group), sax))) {
                const size_t slash = line.find('/'), colon = line.find(" : ");
                if (line.compare(colon + 3, 6, "Anzahl") != 0 && line.compare(colon + 3, 5, "Summe") != 0)
                    continue;  // the schema's own findings of the values
                got.push_back(line.substr(6, slash - 6) + ": " + line.substr(colon + 3));
            }
            EXPECT_EQ(got, c.findings) << c.name << (sax ? " (event mode)" : " (tree mode)");
        }
    }
}

}  // namespace valorix::test

namespace valorix::test {

namespace {
// "Zeile L/C" just after the n-th `tag` on line `line` of `text`, C counted in
// characters as the parser counts them.
std::string After(const std::string& text, int line, const std::string& tag, int nth = 1) {
    size_t start = 0;
    for (int l = 1; l < line; ++l) start = text.find('\n', start) + 1;
    size_t hit = start - 1;
    for (int n = 0; n < nth; ++n) hit = text.find(tag, hit + 1);
    int chars = 0;
    for (size_t i = start; i < hit + tag.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++chars;
    return "Zeile " + std::to_string(line) + "/" + std::to_string(chars + 1) + " : ";
}
}  // namespace

TEST_F(EventMode, FindingsStandAfterTheirOwnElementInBothModes) {
    // Nested and repeated names, empty-element tags and characters of several
    // bytes in front of the findings: both modes give the parser's position
    // just after the element itself.
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.008.003.02\"><CstmrDrctDbtInitn>\n"
        "<GrpHdr><MsgId>1</MsgId><InitgPty><Nm>M\xC3\xBCller \xE2\x82\xAC</Nm><PstlAdr/></InitgPty></GrpHdr>\n"
        "<PmtInf><PmtTpInf><SeqTp>RCUR</SeqTp></PmtTpInf><ReqdColltnDt>2020-01-15Z</ReqdColltnDt><CdtrSchmeId><Id><PrvtId><Othr><Id>DE00ZZZ00099999999</Id>"
        "<SchmeNm><Prtry>SEPA</Prtry></SchmeNm></Othr></PrvtId></Id></CdtrSchmeId>\n"
        "<DrctDbtTxInf><PmtId><EndToEndId/></PmtId><DrctDbtTx><MndtRltdInf><MndtId>1</MndtId>"
        "<DtOfSgntr>2020-01-01</DtOfSgntr><ElctrncSgntr/></MndtRltdInf></DrctDbtTx></DrctDbtTxInf>\n"
        "<DrctDbtTxInf><PmtId><EndToEndId>\xE2\x82\xAC\xE2\x82\xAC</EndToEndId></PmtId><DbtrAcct><Id>"
        "<IBAN>DE00123456780000000000</IBAN></Id></DbtrAcct></DrctDbtTxInf>\n"
        "</PmtInf></CstmrDrctDbtInitn></Document>";
    const std::vector<std::string> tree = {
        After(text, 3, "<PstlAdr/>") + "Warnung: lt. Belegungsrichtlinien sollte das Element 'PstlAdr' nicht belegt werden!",
        After(text, 4, "</ReqdColltnDt>") + "Hinweis: Das Einzugsdatum liegt nicht in der Zukunft!",
        After(text, 4, "</Id>") + "Fehler: Gläubigeridentfikation ist ungültig!",
        After(text, 5, "<EndToEndId/>") + "Hinweis: Die eindeutige Referenz sollte angegeben werden!",
        After(text, 6, "</IBAN>") + "IBAN ungültig!",
        After(text, 5, "<ElctrncSgntr/>") + "Fehler: Das Element 'ElctrncSgntr' darf derzeit nicht belegt werden!",
    };
    // The schema's own findings (in English) are the parser's, positioned alike.
    auto rules = [](const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const std::string& l : RuleLines(lines))
            if (std::isupper(static_cast<unsigned char>(l[l.find(" : ") + 3]))) out.push_back(l);
        return out;
    };
    EXPECT_EQ(rules(Report(text, false)), tree);
    // Event mode positions its findings at the parser's end of element; it has
    // no hint for an empty reference and words the identifier without "Fehler: ".
    const std::vector<std::string> event = rules(Report(text, true));
    for (const std::string& line :
         {tree[0], tree[1], After(text, 4, "</Id>") + "Gläubigeridentfikation ist ungültig!", tree[4], tree[5]})
        EXPECT_NE(std::find(event.begin(), event.end(), line), event.end()) << line << "\n" << ::testing::PrintToString(event);
}

// A payment block id repeated in the file and an end-to-end reference
// repeated within its block are warned at the second occurrence, alike in
// both modes; "NOTPROVIDED", a reference of another block and one that
// differs in case are none. The warnings leave the verdict positive.
TEST_F(EventMode, DuplicateReferencesInBothModes) {
    const std::string fixture = ReadFile(FixturesDir() + "/rules/duplicate-references.xml");
    const std::string hint = "Zeile 11/57 : Hinweis: Die eindeutige Referenz sollte angegeben werden! Diese ist auch in "
                             "einem weiteren Auftrag nicht angegeben.";
    auto replaced = [&](const std::string& from, const std::string& to, size_t occurrence) {
        std::string text = fixture;
        size_t p = text.find(from);
        for (size_t i = 0; i < occurrence; ++i) p = text.find(from, p + 1);
        return text.replace(p, from.size(), to);
    };
    struct Case {
        const char* name;
        std::string xml;
        std::vector<std::string> lines;
    } cases[] = {
        {"both repeated", fixture,
         {hint, "Zeile 13/47 : Warnung: Die Ende-zu-Ende-Referenz 'A' kommt in diesem Auftrag bereits in Zeile 10 vor!",
          "Zeile 23/24 : Warnung: Die Referenz <PmtInfId> 'P1' kommt bereits in Zeile 6 vor!"}},
        {"the third block with an id of its own", replaced("<PmtInfId>P1", "<PmtInfId>P3", 1),
         {hint, "Zeile 13/47 : Warnung: Die Ende-zu-Ende-Referenz 'A' kommt in diesem Auftrag bereits in Zeile 10 vor!"}},
        {"the second reference in lower case", replaced("<EndToEndId>A<", "<EndToEndId>a<", 1),
         {hint, "Zeile 23/24 : Warnung: Die Referenz <PmtInfId> 'P1' kommt bereits in Zeile 6 vor!"}},
    };
    for (const auto& c : cases) {
        for (bool sax : {false, true}) {
            EXPECT_EQ(RuleLines(Report(c.xml, sax)), c.lines) << c.name << (sax ? " (event mode)" : "");
            EXPECT_TRUE(m_doc->Result().verdictPositive) << c.name << (sax ? " (event mode)" : "");
        }
    }
}

// Requested dates against the TARGET2 calendar, in both modes: a date on a
// closing day gets a hint naming the day the bank executes on; a collection
// date too close to a Saturday's hand-in a warning instead; past dates keep
// the date rules' hint alone.
TEST_F(EventMode, RequestedDatesAgainstTheCalendarInBothModes) {
    const std::string transfer = ReadFile(FixturesDir() + "/rules/credit-transfer-2019.xml");
    const std::string debit = ReadFile(FixturesDir() + "/rules/direct-debit-2019.xml");
    auto with = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const std::string moved = "ist kein TARGET2-Geschäftstag, die Bank führt den Auftrag erst am ";
    struct Case {
        const char* name;
        std::string xml;
        double now;
        std::vector<std::string> lines;
    } cases[] = {
        {"Dt on Boxing Day, DtTm on New Year's Day",
         with(with(transfer, "2026-11-30", "2026-12-26"), "2026-12-09T23:59:59", "2027-01-01T10:00:00"),
         MakeDate(2026, 12, 10, 12, 0, 0),
         {"Zeile 7/33 : Hinweis: Der Ausführungstermin '2026-12-26' " + moved + "28.12.2026 aus!",
          "Zeile 15/46 : Hinweis: Der Ausführungstermin '2027-01-01' " + moved + "04.01.2027 aus!"}},
        {"past dates: the date rules only", transfer, MakeDate(2026, 12, 10, 12, 0, 0),
         {"Zeile 7/33 : Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!",
          "Zeile 15/46 : Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"}},
        {"collection on Monday, handed in on Thursday", with(debit, "2026-12-10", "2026-12-14"),
         MakeDate(2026, 12, 10, 12, 0, 0), {}},
        {"collection on Monday, handed in on Saturday", with(debit, "2026-12-10", "2026-12-14"),
         MakeDate(2026, 12, 12, 12, 0, 0),
         {"Zeile 8/40 : Warnung: Das Einzugsdatum '2026-12-14' liegt weniger als einen TARGET2-Geschäftstag in der "
          "Zukunft (frühestens 15.12.2026), die Bank wird die Lastschrift zurückweisen oder verschieben!"}},
    };
    auto dates = [](const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const std::string& l : RuleLines(lines))
            if (l.find("TARGET2") != std::string::npos || l.find("Zukunft") != std::string::npos) out.push_back(l);
        return out;
    };
    for (const auto& c : cases) {
        SetClock(c.now);
        for (bool sax : {false, true})
            EXPECT_EQ(dates(Report(c.xml, sax)), c.lines) << c.name << (sax ? " (event mode)" : "");
    }
}

}  // namespace valorix::test

namespace valorix::test {

// An agent's BIC against the bank code of its party's German IBAN, in both
// modes: the warning stands at the second of the pair (the debtor's agent
// follows its account, the creditor's agent comes before it), an 8-character
// BIC or a branch "XXX" matches any branch of the listed bank, and bank codes
// not in the file, foreign IBANs and IBANs with wrong check digits are not
// judged. The warning leaves the verdict as it is; without the lookup file
// there is no finding at all.
TEST_F(EventMode, BicAgainstTheBankCodeOfTheIbanInBothModes) {
    const std::string fixture = ReadFile(FixturesDir() + "/rules/bank-codes.xml");
    const std::string lookup = DataFolder() + "/BLZBIC.TXT";
    // Every BIC of the cases reachable: the verdict is positive but for the warning's effect.
    WriteFile(DataFolder() + "/NVSCL.INI", "[BIC]\r\nSTAND=261201\r\nCOBADEFF=1111\r\nINGDDEFF=1111\r\nMARKDEF1=1111\r\n");
    auto with = [&](std::vector<std::pair<std::string, std::string>> changes) {
        std::string text = fixture;
        for (const auto& [from, to] : changes) text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string debtorIban = "DE89370400440532013000", debtorBic = "COBADEFFXXX";
    const std::string creditorIban = "DE48500105170532013000", creditorBic = "INGDDEFFXXX";
    const std::string bundesbank = "DE98100000000532013000";
    auto warning = [](const std::string& at, const std::string& bic, const std::string& code, const std::string& listed) {
        return "Zeile " + at + " : Warnung: Die BIC '" + bic + "' passt nicht zur Bankleitzahl '" + code +
               "' der IBAN (lt. Bankleitzahlendatei: '" + listed + "').";
    };
    struct Case {
        const char* name;
        std::string xml;
        std::vector<std::string> lines;
    } cases[] = {
        {"both pairs match", fixture, {}},
        {"an 8-character BIC of the listed one", with({{debtorBic, "COBADEFF"}}), {}},
        {"the debtor's agent of another bank", with({{debtorBic, "INGDDEFFXXX"}}),
         {warning("10/48", "INGDDEFFXXX", "37040044", "COBADEFFXXX")}},
        {"the creditor's agent of another bank, judged at the IBAN", with({{creditorBic, "COBADEFF"}}),
         {warning("11/241", "COBADEFF", "50010517", "INGDDEFFXXX")}},
        {"a branch: 8 characters", with({{debtorIban, bundesbank}, {debtorBic, "MARKDEF1"}}), {}},
        {"a branch: XXX", with({{debtorIban, bundesbank}, {debtorBic, "MARKDEF1XXX"}}), {}},
        {"a branch: another one", with({{debtorIban, bundesbank}, {debtorBic, "MARKDEF1200"}}),
         {warning("10/48", "MARKDEF1200", "10000000", "MARKDEF1100")}},
        {"a bank code not in the file", with({{creditorIban, "DE65123456780532013000"}}), {}},
        {"a foreign IBAN", with({{creditorIban, "AT611904300234573201"}, {creditorBic, "COBADEFFXXX"}}), {}},
    };
    auto bankCodeLines = [](const std::vector<std::string>& report) {
        std::vector<std::string> out;
        for (const std::string& l : report)
            if (l.find("Bankleitzahl") != std::string::npos) out.push_back(l);
        return out;
    };
    for (const auto& c : cases) {
        for (bool sax : {false, true}) {
            const std::string mode = std::string(c.name) + (sax ? " (event mode)" : "");
            std::filesystem::remove(lookup);
            const std::vector<std::string> without = Report(c.xml, sax);
            EXPECT_TRUE(m_doc->Result().verdictPositive) << mode << "\n" << ::testing::PrintToString(without);
            EXPECT_EQ(bankCodeLines(without), std::vector<std::string>{}) << mode;
            ASSERT_TRUE(ImportBlzFile(FixturesDir() + "/blz/blz-file.txt", lookup, "01.12.2026").ok);
            EXPECT_EQ(bankCodeLines(Report(c.xml, sax)), c.lines) << mode;
            EXPECT_TRUE(m_doc->Result().verdictPositive) << mode;
        }
    }
    // A direct debit: the creditor's block and each debtor's transaction; the
    // debtor whose IBAN has wrong check digits (line 13) is not judged.
    const std::string debit = ReadFile(FixturesDir() + "/rules/direct-debit-2019.xml");
    for (bool sax : {false, true})
        EXPECT_EQ(bankCodeLines(Report(debit, sax)),
                  (std::vector<std::string>{warning("11/48", "ATBKATWWXXX", "37040044", "COBADEFFXXX"),
                                            warning("14/345", "GOODDEFFXXX", "37040044", "COBADEFFXXX")}))
            << (sax ? "event mode" : "tree mode");
}

}  // namespace valorix::test
