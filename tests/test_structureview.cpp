// The tree-mode fill: rows, tree items, the rule chain with exact texts,
// lines and columns, the whole-document checks and the report.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/strutil.h"
#include "support.h"
#include "ui/displaytext.h"
#include "rules/summary.h"
#include "rules/values.h"
#include "ui/htmlpage.h"
#include "ui/report.h"
#include "xml/textcolumns.h"
#include "ui/structureview.h"
#include "ui/visiblerows.h"

namespace valorix::test {

namespace {

// Column just after the n-th `closing` on a line of `text` (1-based line).
int ColumnAfter(const std::string& text, int line, const std::string& closing, int nth = 1) {
    size_t start = 0;
    for (int l = 1; l < line; ++l) start = text.find('\n', start) + 1;
    const std::string lineText = text.substr(start, text.find('\n', start) - start);
    size_t p = std::string::npos;
    for (int i = 0; i < nth; ++i) p = lineText.find(closing, p == std::string::npos ? 0 : p + 1);
    return static_cast<int>(p + closing.size() + 1);
}

struct Finding {
    std::string text;
    int line, column, kind;
    bool operator==(const Finding& o) const {
        return text == o.text && line == o.line && column == o.column && kind == o.kind;
    }
};
void PrintTo(const Finding& f, std::ostream* os) { *os << f.line << "/" << f.column << " k" << f.kind << " " << f.text; }

}  // namespace

class Fill : public CheckTest {
protected:
    void SetUp() override {
        CheckTest::SetUp();
        SetClock(MakeDate(2026, 12, 10, 12, 0, 0));
        m_scl = DataFolder() + "/NVSCL.INI";
        WriteFile(m_scl, "[BIC]\r\nSTAND=261201\r\nATBKATWWXXX=1111\r\nGOODDEFFXXX=1111\r\n");
        m_app->UseSclDirectory(m_scl);
    }
    void TearDown() override { SetClock(std::nullopt); }

    /// Checks `xml` and fills the view.
    FillResult Run(const std::string& xml, const std::string& path = "test.xml") {
        m_doc = Check(xml, path);
        ViewTargets t;
        t.structure = &m_rows;
        t.text = &m_text;
        t.output = &m_output;
        m_view = std::make_unique<CStructureView>(*m_doc, *m_app, m_prompt, t);
        return m_view->FillView();
    }
    std::vector<Finding> Findings() const {
        std::vector<Finding> out;
        for (size_t i = 0; i < m_doc->Result().findings.size(); ++i)
            out.push_back({U8(m_doc->Result().findings[i].text), m_doc->Result().findings[i].line, m_doc->Result().findings[i].column,
                           static_cast<int>(m_doc->Result().findings[i].kind)});
        return out;
    }
    /// Only the findings of the walk and the whole-document checks (not the schema's).
    std::vector<Finding> RuleFindings() const {
        std::vector<Finding> out;
        for (const Finding& f : Findings())
            if (f.text.find(' ') != std::string::npos && (StartsWith(f.text, "Hinweis") || StartsWith(f.text, "Fehler") ||
                                                           StartsWith(f.text, "Warnung") || StartsWith(f.text, "IBAN") ||
                                                           StartsWith(f.text, "BIC") || StartsWith(f.text, "Die BIC") ||
                                                           StartsWith(f.text, "Maximal") || StartsWith(f.text, "Summe") ||
                                                           StartsWith(f.text, "Anzahl") || StartsWith(f.text, "Lt.") ||
                                                           StartsWith(f.text, "Das Institut") || StartsWith(f.text, "Länge")))
                out.push_back(f);
        return out;
    }
    std::vector<std::string> Report() const {
        std::vector<std::string> out;
        for (const auto& l : m_output.Lines()) out.push_back(U8(l.text));
        return out;
    }

    std::string m_scl;
    std::unique_ptr<CheckDocument> m_doc;
    /// The last of the view's rows named `name`.
    RowId LastRow(std::string_view name) const {
        RowId found = kNoRow;
        for (RowId r : m_view->m_rows)
            if (m_rows.Name(r) == name) found = r;
        return found;
    }

    CStructureModel m_rows;
    CTextPageModel m_text;
    COutputList m_output;
    std::unique_ptr<CStructureView> m_view;
};

// A direct debit that breaks one rule per line (not schema-valid: the rules run all the same).
const std::string kDirectDebit = ReadFile(FixturesDir() + "/rules/direct-debit.xml");

TEST_F(Fill, EveryRuleWithItsTextAndPosition) {
    ASSERT_EQ(Run(kDirectDebit), FillResult::Filled);
    ASSERT_EQ(m_doc->Result().state, 2);
    const std::string& t = kDirectDebit;
    const std::vector<Finding> expected = {
        {"Maximal zwei Nachkommastellen erlaubt!", 4, ColumnAfter(t, 4, "</CtrlSum>"), 0},
        {"Fehler: Pflichtfeld <Nm> ist nur mit Leerzeichen gefüllt!", 4, ColumnAfter(t, 4, "</Nm>"), 0},
        {"Hinweis: Das Einzugsdatum liegt nicht in der Zukunft!", 8, ColumnAfter(t, 8, "</ReqdColltnDt>"), 0},
        {"Warnung: lt. Belegungsrichtlinien sollte das Element 'PstlAdr' nicht belegt werden!", 9,
         ColumnAfter(t, 9, "</PstlAdr>"), 2},
        {"Die BIC 'ATBKATWWXXX' gehört nicht zu einem deutschen Institut.", 11, ColumnAfter(t, 11, "</BIC>"), 0},
        {"Fehler: Gläubigeridentfikation ist ungültig!", 12, ColumnAfter(t, 12, "</Id>"), 0},
        {"Hinweis: Die eindeutige Referenz sollte angegeben werden!", 13, ColumnAfter(t, 13, "</EndToEndId>"), 0},
        {"Hinweis: Das Datum '2027-01-01' liegt nicht in der Vergangenheit!!", 13, ColumnAfter(t, 13, "</DtOfSgntr>"), 0},
        {"BIC 'UNKNDEFFXXX' ist nicht im SEPA SCL Verzeichnis der Bundesbank enthalten!", 13,
         ColumnAfter(t, 13, "</BIC>"), 0},
        {"IBAN ungültig!", 13, ColumnAfter(t, 13, "</IBAN>"), 0},
        {"Summe der Beträge ist fehlerhaft!", 4, ColumnAfter(t, 4, "</CtrlSum>"), 0},
        {"Summe der Beträge ist fehlerhaft!", 6, ColumnAfter(t, 6, "</CtrlSum>"), 0},
    };
    EXPECT_EQ(RuleFindings(), expected);
    EXPECT_EQ(m_doc->m_tally.missingRefHints, 2u);
    // The report completes the hint with the number of further transactions.
    const auto report = Report();
    EXPECT_NE(std::find(report.begin(), report.end(),
                        "Zeile 13/" + std::to_string(ColumnAfter(t, 13, "</EndToEndId>")) +
                            " : Hinweis: Die eindeutige Referenz sollte angegeben werden! Diese ist auch in einem "
                            "weiteren Auftrag nicht angegeben."),
              report.end());
}

TEST_F(Fill, CountsAndSumsInDocumentOrder) {
    std::string t = kDirectDebit;
    t = t.replace(t.find("<CtrlSum>3.001</CtrlSum>"), 24, "<CtrlSum>2.01</CtrlSum>");
    t = t.replace(t.find("<CtrlSum>3.00</CtrlSum>"), 23, "<CtrlSum>2.01</CtrlSum>");
    t = t.replace(t.find("<NbOfTxs>2</NbOfTxs>"), 20, "<NbOfTxs>3</NbOfTxs>");
    t = t.replace(t.find("<NbOfTxs>2</NbOfTxs>"), 20, "<NbOfTxs>3</NbOfTxs>");
    const size_t last = t.rfind("</PmtInf>");
    t.insert(last, "<DrctDbtTxInf><InstdAmt Ccy=\"EUR\">0.01</InstdAmt></DrctDbtTxInf>\n");
    Run(t);
    std::vector<Finding> counts;
    for (const Finding& f : RuleFindings())
        if (StartsWith(f.text, "Anzahl") || StartsWith(f.text, "Summe")) counts.push_back(f);
    const std::vector<Finding> none;
    EXPECT_EQ(counts, none);

    // Amount texts 1, 1.0 and 1.00 count the same; a fourth transaction breaks both levels.
    t.insert(t.rfind("</PmtInf>"), "<DrctDbtTxInf><InstdAmt Ccy=\"EUR\">0.01</InstdAmt></DrctDbtTxInf>\n");
    Run(t);
    counts.clear();
    for (const Finding& f : RuleFindings())
        if (StartsWith(f.text, "Anzahl") || StartsWith(f.text, "Summe")) counts.push_back(f);
    const std::vector<Finding> expected = {
        {"Anzahl Transaktionen ist fehlerhaft!", 4, ColumnAfter(t, 4, "</NbOfTxs>"), 0},
        {"Anzahl Transaktionen ist fehlerhaft!", 6, ColumnAfter(t, 6, "</NbOfTxs>"), 0},
        {"Summe der Beträge ist fehlerhaft!", 4, ColumnAfter(t, 4, "</CtrlSum>"), 0},
        {"Summe der Beträge ist fehlerhaft!", 6, ColumnAfter(t, 6, "</CtrlSum>"), 0},
    };
    EXPECT_EQ(counts, expected);
}

TEST_F(Fill, RowsTreeItemsAndOccurrences) {
    ASSERT_EQ(Run(kDirectDebit), FillResult::Filled);
    const CStructureModel& m = m_rows;
    ASSERT_EQ(m.ChildCount(kGridRoot), 2u);
    const RowId xml = m.Child(kGridRoot, 0);
    EXPECT_EQ(m.Name(xml), "xml");
    EXPECT_EQ(m.Value(xml), "version=\"1.0\" encoding=\"UTF-8\"");
    EXPECT_EQ(m.Description(xml), "Xml Deklaration");
    EXPECT_EQ(m.Name(m.Child(kGridRoot, 1)), "Document");
    EXPECT_EQ(m.Parent(m.Child(kGridRoot, 1)), kGridRoot);
    // The third Nm of the file has index 2 wherever it stands; rows know their start tags.
    std::vector<RowId> nm;
    for (RowId r : m_view->m_rows)
        if (m.Name(r) == "Nm") nm.push_back(r);
    ASSERT_EQ(nm.size(), 4u);
    EXPECT_EQ(m.Occurrence(nm[2]), 2);
    EXPECT_EQ(m.Value(nm[2]), "D");
    EXPECT_FALSE(m.IsGroup(nm[2]));
    EXPECT_EQ(m_text.GetText().substr(static_cast<size_t>(m.TextPos(nm[2])), 6), "<Nm>D<");
    EXPECT_EQ(m.Name(m.Parent(nm[2])), "Dbtr");
    // A leaf with an attribute: a group with the attribute row (icon 3) and a "Text" row (icon 5).
    const RowId amount = LastRow("InstdAmt");
    ASSERT_NE(amount, kNoRow);
    EXPECT_TRUE(m.IsGroup(amount));
    ASSERT_EQ(m.ChildCount(amount), 2u);
    EXPECT_EQ(m.Name(m.Child(amount, 0)), "Ccy");
    EXPECT_EQ(m.Icon(m.Child(amount, 0)), 3u);
    EXPECT_EQ(m.Name(m.Child(amount, 1)), "Text");
    EXPECT_EQ(m.Value(m.Child(amount, 1)), "1.00");
    EXPECT_EQ(m.Icon(m.Child(amount, 1)), 5u);
    EXPECT_EQ(m.TreeImage(amount), 4);
    EXPECT_EQ(m.TreeChildCount(amount), 0u);  // attribute and text rows are not tree items
    // Tree: the root item (image 0) holds the message element (image 1); every item is expanded.
    ASSERT_EQ(m.TreeChildCount(kGridRoot), 1u);
    const RowId root = m.TreeChild(kGridRoot, 0);
    EXPECT_EQ(m.TreeImage(root), 0);
    EXPECT_EQ(m.Name(m.TreeChild(root, 0)), "CstmrDrctDbtInitn");
    EXPECT_EQ(m.TreeImage(m.TreeChild(root, 0)), 1);
    int collapsed = 0, items = 0;
    m.ForEachTreeItem([&](RowId item, int) {
        ++items;
        collapsed += m.TreeChildCount(item) != 0 && !m.IsTreeExpanded(item);
    });
    EXPECT_EQ(collapsed, 0);
    // One item for every element row and the root.
    size_t elements = 0;
    for (RowId r : m_view->m_rows) elements += m.IsTreeItem(r);
    EXPECT_EQ(static_cast<size_t>(items), elements);
}

TEST_F(Fill, ExpandOptionZeroLimitsTheLevels) {
    m_app->m_profile.WriteInt("OPTION", "EXPAND", 0);
    Run(kDirectDebit);
    m_rows.ForEachTreeItem([&](RowId item, int depth) {
        if (m_rows.TreeChildCount(item) != 0) {
            EXPECT_EQ(m_rows.IsTreeExpanded(item), depth < 3) << m_rows.Name(item) << " at depth " << depth;
        }
    });
    const RowId othr = LastRow("Othr");  // Document/CstmrDrctDbtInitn/PmtInf/CdtrSchmeId/Id/PrvtId/Othr: level 7
    ASSERT_NE(othr, kNoRow);
    EXPECT_FALSE(m_rows.IsExpanded(othr));
    EXPECT_TRUE(m_rows.IsExpanded(m_rows.Child(kGridRoot, 1)));
}

TEST_F(Fill, NoFileAndNotWellFormedStates) {
    CheckDocument empty(*m_app, m_prompt);
    ViewTargets t;
    t.structure = &m_rows;
    t.output = &m_output;
    CStructureView view(empty, *m_app, m_prompt, t);
    EXPECT_EQ(view.FillView(), FillResult::NoFile);
    ASSERT_EQ(m_rows.ChildCount(kGridRoot), 1u);
    const RowId file = m_rows.Child(kGridRoot, 0);
    EXPECT_EQ(m_rows.Name(file), "Dateiname");
    EXPECT_EQ(m_rows.Value(file), "unbenannt");
    EXPECT_EQ(U8(std::string(m_rows.Description(file))), "Bitte wählen Sie eine Datei über das Menü.");
    EXPECT_EQ(m_rows.GetCurSel(), file);
    EXPECT_TRUE(m_output.Lines().empty());

    // A Latin-1 file declared as UTF-8: stray characters in text order, then the parser's finding.
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n<b>M\xFCller \xC4rger</b>\n<c>\xDF \xF6</c>\n</a>";
    EXPECT_EQ(Run(latin1, "l.xml"), FillResult::NotWellFormed);
    ASSERT_EQ(m_rows.ChildCount(kGridRoot), 1u);
    EXPECT_EQ(m_rows.Name(m_rows.Child(kGridRoot, 0)), "l.xml");
    EXPECT_EQ(U8(std::string(m_rows.Value(m_rows.Child(kGridRoot, 0)))), "Keine gültige XML Datei");
    const auto report = Report();
    ASSERT_EQ(report.size(), 6u);
    EXPECT_EQ(report[0], "'l.xml' ist kein oder ein formal fehlerhaftes XML Dokument!");
    EXPECT_EQ(report[1], "Zeile 3/5 : Text enthält ungültige(s) Zeichen!");
    EXPECT_EQ(report[2], "Zeile 3/11 : Text enthält ungültige(s) Zeichen!");
    EXPECT_EQ(report[3], "Zeile 4/4 : Text enthält ungültige(s) Zeichen!");
    EXPECT_EQ(report[4], "Zeile 4/6 : Text enthält ungültige(s) Zeichen!");
    EXPECT_EQ(report[5].find("ungültige(s)"), std::string::npos);  // the parser's finding follows
    EXPECT_EQ(m_output.Lines()[1].position, 47);
    ASSERT_GE(m_text.Marks().size(), 4u);
    EXPECT_EQ(m_text.Marks()[0].start, 47);
    EXPECT_EQ(m_text.Marks()[0].rgb, kRed);

    // Many stray characters: the first hundred are listed, the rest counted in
    // one line; each is marked, a run of adjacent ones as one mark.
    Run("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>" + std::string(250, '\xE4') + " \xFC</a>", "v.xml");
    const auto many = Report();
    ASSERT_EQ(many.size(), 1u + 100 + 1 + 1);
    EXPECT_EQ(many[100], "Zeile 2/103 : Text enthält ungültige(s) Zeichen!");
    EXPECT_EQ(many[101], "151 weitere ungültige Zeichen werden nicht einzeln aufgeführt!");
    EXPECT_EQ(m_output.Lines()[101].position, 42 + 100);
    ASSERT_GE(m_text.Marks().size(), 2u);
    EXPECT_EQ(m_text.Marks()[0].start, 42);
    EXPECT_EQ(m_text.Marks()[0].end, 42 + 250);
    EXPECT_EQ(m_text.Marks()[1].start, 42 + 251);

    // Without an XML declaration no stray-character lines.
    Run("<a>\n<b>M\xFCller</b>\n</a>", "n.xml");
    for (const auto& line : Report()) EXPECT_EQ(line.find("ungültige(s)"), std::string::npos) << line;
}

TEST_F(Fill, VerdictReadsAsFailureWhenTheWalkFindsAnError) {
    std::string text = ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.03.xml");
    text.replace(text.find("<Nm>Erika Mustermann</Nm>"), 25, "<Nm>   </Nm>");
    Run(text, "b.xml");
    EXPECT_EQ(U8(m_doc->Result().messages[0]), "'b.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!");
    const auto report = Report();
    EXPECT_EQ(report[0], "'b.xml' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab "
                         "20.11.2016) entspricht!");
    EXPECT_EQ(report[1], kRetiredCt30);
    EXPECT_EQ(report[2].substr(report[2].find(':') + 2), "Fehler: Pflichtfeld <Nm> ist nur mit Leerzeichen gefüllt!");
    std::string print;
    for (const auto& line : m_output.Lines()) print += (print.empty() ? "" : "\r") + line.text;
    EXPECT_EQ(m_view->m_strPrintText, print);
}

TEST_F(Fill, RecordWithoutPositionReadsLineZero) {
    WriteFile(DataFolder() + "/pain.001.001.03.xsd", "");
    Run(ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.03.xml"), "b.xml");
    const auto report = Report();
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[2], "Zeile 0/0 : Das Schema '" + U8(NativeSeparators(DataFolder() + "/pain.001.001.03.xsd")) +
                             "' konnte nicht geladen werden!");
    EXPECT_EQ(m_output.Lines()[2].position, -1);
}

TEST_F(Fill, ClosingTagWithSpaceEndsTheElement) {
    const std::string text = "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\">"
                             "<CstmrCdtTrfInitn><GrpHdr><InitgPty>\n  <Nm>   </Nm ></InitgPty></GrpHdr></CstmrCdtTrfInitn></Document>";
    Run(text);
    const auto findings = RuleFindings();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].line, 3);
    EXPECT_EQ(findings[0].column, 16);  // just after "</Nm >"
}

TEST_F(Fill, GuidelineWarnings) {
    const std::string longText(150, 'x');
    const std::string text =
        "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><CstmrCdtTrfInitn>\n"
        "<RmtInf><Ustrd>a</Ustrd></RmtInf>\n"
        "<RmtInf><Strd><AddtlRmtInf>b</AddtlRmtInf></Strd></RmtInf>\n"
        "<RmtInf><Strd><AddtlRmtInf>" + longText + "</AddtlRmtInf></Strd></RmtInf>\n"
        "<UltmtCdtr><Nm>U</Nm><Id><OrgId><BICOrBEI>GOODDEFF</BICOrBEI></OrgId></Id></UltmtCdtr>\n"
        "<CdtrAgt><FinInstnId><BIC>GOODDEFFXXX</BIC></FinInstnId><BrnchId><Id>1</Id></BrnchId></CdtrAgt>\n"
        "</CstmrCdtTrfInitn></Document>";
    Run(text);
    const std::vector<Finding> expected = {
        {"Warnung: lt. Belegungsrichtlinien sollte das Element 'Strd' nicht belegt werden!", 4,
         ColumnAfter(text, 4, "</Strd>"), 2},
        {"Lt. Belegungsrichtlinien sollte das Element 'Strd' nicht belegt werden und darf 140 Zeichen nicht "
         "übersteigen!",
         5, ColumnAfter(text, 5, "</Strd>"), 0},
        {"Warnung: lt. Belegungsrichtlinien sollte das Element 'Id' nicht belegt werden!", 6, ColumnAfter(text, 6, "</Id>"),
         2},
    };
    EXPECT_EQ(RuleFindings(), expected);

    // The 140 characters are those of the text: indentation and markup of a
    // pretty-printed reference do not count; an entity counts one.
    auto strd = [](const std::string& inner) {
        return "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><CstmrCdtTrfInitn>"
               "<RmtInf><Strd>" + inner + "</Strd></RmtInf></CstmrCdtTrfInitn></Document>";
    };
    const std::string pretty = "\n        <CdtrRefInf>\n            <Tp><CdOrPrtry><Cd>SCOR</Cd></CdOrPrtry></Tp>\n"
                               "            <Ref>RF18539007547034</Ref>\n        </CdtrRefInf>\n" + std::string(60, ' ');
    for (const auto& [inner, kind] : std::vector<std::pair<std::string, uint8_t>>{
             {pretty, 2}, {"<AddtlRmtInf>" + std::string(136, 'x') + "&amp;</AddtlRmtInf>", 2},
             {"<AddtlRmtInf>" + std::string(141, 'x') + "</AddtlRmtInf>", 0}}) {
        Run(strd(inner));
        ASSERT_EQ(RuleFindings().size(), 1u) << inner;
        EXPECT_EQ(RuleFindings()[0].kind, kind) << inner;
    }

    // Nested blocks, the outer one first: each warns at the end of its own
    // child; the text of the inner block counts for the outer Strd too (151
    // characters), a comment does not.
    const std::string nested =
        "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><CstmrCdtTrfInitn>\n"
        "<RmtInf><Ustrd>a</Ustrd><Strd>\n<RmtInf><Ustrd>b</Ustrd><Strd><!-- <x> -->" + std::string(100, 'y') +
        "</Strd>\n</RmtInf>" + std::string(50, 'z') + "</Strd>\n</RmtInf></CstmrCdtTrfInitn></Document>";
    Run(nested);
    const std::vector<Finding> nestedExpected = {
        {"Lt. Belegungsrichtlinien sollte das Element 'Strd' nicht belegt werden und darf 140 Zeichen nicht "
         "übersteigen!",
         5, ColumnAfter(nested, 5, "</Strd>"), 0},
        {"Warnung: lt. Belegungsrichtlinien sollte das Element 'Strd' nicht belegt werden!", 4,
         ColumnAfter(nested, 4, "</Strd>"), 2},
    };
    EXPECT_EQ(RuleFindings(), nestedExpected);
}

TEST_F(Fill, MandateRulesOfTreeMode) {
    auto mandate = [](const std::string& inner, const std::string& seq = "RCUR") {
        return MandateFixture("pain.008.003.02", inner, seq);
    };
    const std::string& missingDetails = kMissingDetails;
    const std::string& notAllowed = kDetailsNotAllowed;
    const std::string& smnda = kSmnda;
    const std::string bothOriginals = "Fehler: Es darf nur das Element 'OrgnlDbtrAcct' oder 'OrgnlDbtrAgt' belegt werden!";
    const std::string details = "<AmdmntInfDtls><OrgnlDbtrAgt><FinInstnId><Othr><Id>SMNDA</Id></Othr></FinInstnId>"
                                "</OrgnlDbtrAgt></AmdmntInfDtls>";
    struct Case {
        const char* name;
        std::string inner;
        std::vector<std::pair<std::string, std::string>> findings;  // text, closing tag after which it stands
    } cases[] = {
        {"signature date last", "<MndtId>1</MndtId><DtOfSgntr>2020-01-01</DtOfSgntr>", {}},
        {"indicator without details", "<MndtId>1</MndtId><AmdmntInd>TRUE</AmdmntInd>", {{missingDetails, "</AmdmntInd>"}}},
        {"details with indicator false", "<AmdmntInd>false</AmdmntInd>" + details, {{notAllowed, "</AmdmntInd>"}}},
        {"details without indicator", "<MndtId>1</MndtId>" + details, {{notAllowed, "</MndtId>"}}},
        {"SMNDA with RCUR below 3.0", "<AmdmntInd>true</AmdmntInd>" + details, {{smnda, "</OrgnlDbtrAgt>"}}},
        {"signature and both originals",
         "<AmdmntInd>true</AmdmntInd><AmdmntInfDtls><OrgnlDbtrAcct><Id><IBAN>X</IBAN></Id></OrgnlDbtrAcct>"
         "<OrgnlDbtrAgt><FinInstnId><BIC>A</BIC></FinInstnId></OrgnlDbtrAgt></AmdmntInfDtls><ElctrncSgntr>s</ElctrncSgntr>",
         {{"Fehler: Das Element 'ElctrncSgntr' darf derzeit nicht belegt werden!", "</ElctrncSgntr>"},
          {bothOriginals, "</OrgnlDbtrAgt>"}}},
        {"each signature after the date at its own end", "<DtOfSgntr>2020-01-01</DtOfSgntr><ElctrncSgntr>s</ElctrncSgntr><ElctrncSgntr/>",
         {{"Fehler: Das Element 'ElctrncSgntr' darf derzeit nicht belegt werden!", "<ElctrncSgntr/>"},
          {"Fehler: Das Element 'ElctrncSgntr' darf derzeit nicht belegt werden!", "</ElctrncSgntr>"}}},
        {"a later edition's last child stops the walk", "<AmdmntInd>true</AmdmntInd><Frqcy>MNTH</Frqcy>", {}},
    };
    for (const auto& c : cases) {
        const std::string text = mandate(c.inner);
        Run(text);
        std::vector<Finding> expected;
        for (const auto& [message, closing] : c.findings)
            expected.push_back({message, 4, ColumnAfter(text, 4, closing), 0});
        std::vector<Finding> got;
        for (const Finding& f : RuleFindings())
            if (StartsWith(f.text, "Fehler")) got.push_back(f);
        EXPECT_EQ(got, expected) << c.name;
    }
    // SMNDA with FRST is fine.
    Run(mandate("<AmdmntInd>true</AmdmntInd>" + details, "FRST"));
    for (const Finding& f : RuleFindings()) EXPECT_FALSE(StartsWith(f.text, "Fehler")) << f.text;
}

TEST_F(Fill, SelectElementAndGoToPosition) {
    Run(kDirectDebit);
    const RowId ctry = LastRow("PstlAdr");
    ASSERT_NE(ctry, kNoRow);
    m_rows.SetExpanded(m_rows.Parent(ctry), false);
    m_view->SelectElement("PstlAdr", ctry);
    EXPECT_EQ(m_text.GetText().substr(static_cast<size_t>(m_text.SelStart()),
                                      static_cast<size_t>(m_text.SelEnd() - m_text.SelStart())),
              "<PstlAdr><Ctry>DE</Ctry></PstlAdr>");
    EXPECT_EQ(m_rows.GetCurSel(), ctry);
    EXPECT_TRUE(m_rows.IsExpanded(m_rows.Parent(ctry)));

    // Without a start position the (n+1)-th start tag of the name is used.
    RowId nm = kNoRow;
    for (RowId r : m_view->m_rows)
        if (m_rows.Name(r) == "Nm" && m_rows.Occurrence(r) == 1) nm = r;
    ASSERT_NE(nm, kNoRow);
    m_rows.SetTextPos(nm, 0);
    m_view->SelectElement("Nm", nm);
    EXPECT_EQ(m_text.GetText().substr(static_cast<size_t>(m_text.SelStart()),
                                      static_cast<size_t>(m_text.SelEnd() - m_text.SelStart())),
              "<Nm>Glaeubiger</Nm>");

    m_view->GoToPosition(m_rows.TextPos(ctry));
    EXPECT_EQ(m_rows.GetCurSel(), ctry);
    EXPECT_EQ(m_text.SelStart(), m_rows.TextPos(ctry));
    EXPECT_EQ(m_text.GetFirstVisibleLine(), 8);
}

TEST(StructureModel, RowsByIndexAndTruncation) {
    CStructureModel m;
    const RowId a = m.AddRow(kGridRoot, "A", "");
    m.SetTreeItem(a, 0);
    const RowId b = m.AddRow(a, "B", "b-value", 0, "beschrieben");
    m.SetTreeItem(b, 4);
    const RowId attr = m.AddRow(a, "Ccy", "EUR", 3);
    EXPECT_TRUE(m.IsGroup(a));
    EXPECT_FALSE(m.IsGroup(b));
    ASSERT_EQ(m.ChildCount(a), 2u);
    EXPECT_EQ(m.Child(a, 1), attr);
    EXPECT_EQ(m.TreeChildCount(a), 1u);  // the attribute row is no tree item
    EXPECT_EQ(m.Description(b), "beschrieben");
    EXPECT_EQ(m.Description(attr), "");
    // Asked once, then grown: children by index follow the new rows.
    const RowId c = m.AddRow(a, "C", "c");
    m.SetTreeItem(c, 1);
    const RowId d = m.AddRow(c, "D", "d");
    EXPECT_EQ(m.ChildCount(a), 3u);
    EXPECT_EQ(m.TreeChild(a, 1), c);
    // A value given later stays when later rows go; the removed rows' values go.
    m.SetValue(b, "later");
    const RowId e = m.AddRow(c, "E", "e-value");
    m.SetCurSel(e);
    m.DropChildren(c);
    EXPECT_EQ(m.Size(), static_cast<size_t>(d));
    EXPECT_EQ(m.ChildCount(c), 0u);
    EXPECT_EQ(m.GetCurSel(), kNoRow);
    EXPECT_EQ(m.Value(b), "later");
    EXPECT_EQ(m.Value(c), "c");
    const RowId f = m.AddRow(c, "F", "f");
    EXPECT_EQ(m.Value(f), "f");
    EXPECT_EQ(m.Child(c, 0), f);
    // Removing the last child of a row leaves it without children.
    m.Truncate(f);
    EXPECT_EQ(m.ChildCount(c), 0u);
    m.EnsureVisible(c);
    m.SetExpanded(a, false);
    m.EnsureVisible(c);
    EXPECT_TRUE(m.IsExpanded(a));
    m.Clear();
    EXPECT_EQ(m.Size(), 1u);
    EXPECT_EQ(m.ChildCount(kGridRoot), 0u);
}

TEST(Progress, PercentageArithmetic) {
    struct Case {
        int lower, upper, pos;
        const char* text;
    } cases[] = {{0, 9999, 5000, "50%"}, {0, 100, 100, "100%"}, {0, 100, 150, "50%"}, {0, 100, 0, "0%"},
                 {10, 10, 10, "100%"}, {0, 3, 1, "33%"}};
    for (const auto& c : cases) EXPECT_EQ(ProgressPercentText(c.lower, c.upper, c.pos), c.text);
    CCancelFlag flag;
    flag.Press();
    flag.Press();
    EXPECT_TRUE(flag.Check());
    EXPECT_FALSE(flag.Check());
}


namespace valorix::test {

TEST(MarkFinding, TagsFromTheLineOrTheMessage) {
    struct Case {
        const char* name;
        std::string text;
        int line, column;
        std::string message;
        int kind;
        long result;
        std::string marked;  // "" when nothing is marked
        bool utf8 = true;    // how the parser read the text
    } cases[] = {
        {"line tags: closing tag before the column", "<a>\n  <Nm>abc</Nm>\n</a>", 2, 15, "value 'abc' is bad", 0, 6,
         "<Nm>abc</Nm>"},
        {"line tags: opening tag only", "<a>\n  <Nm x=\"1\">abc</Nm>\n</a>", 2, 13, "bad attribute", 0, 6,
         "<Nm x=\"1\">"},
        {"message tags", "<a>\n<b><Unk>t</Unk></b>\n</a>", 2, 9, "Element 'Unk' is not allowed", 2, 7, "<Unk>t</Unk>"},
        {"empty-element tag: the previous start tag of the name", "<a><Nm>x</Nm>\n<Nm/>\n</a>", 2, 6,
         "Unknown element 'Nm'", 0, 3, "<Nm>x</Nm>"},
        {"umlaut in two bytes before the column", "<a>\n<Nm>M\xC3\xBCller</Nm>\n</a>", 2, 16, "bad", 0, 4,
         "<Nm>M\xC3\xBCller</Nm>"},
        {"no tag in front: character data", "<a>\n  text<b/>\n</a>", 2, 7, "No character data is allowed", 0, 3,
         "\n  text"},
        {"character data at the start of a line: up to the previous line's end", "<a>\n  text\n</a>", 2, 3,
         "No character data is allowed", 0, 3, ""},
        {"no tag in front, other message", "<a>\n  text\n</a>", 2, 3, "something else", 0, -1, ""},
        {"no position", "<a/>", -1, -1, "Das Schema 'x' konnte nicht geladen werden!", 0, -1, ""},
        {"column 0 of an existing line", "<a>\n<b/>\n</a>", 2, 0, "Zeile 0/0", 0, -1, ""},
        // Columns count characters: three bytes of "€", a character beyond U+FFFF (two
        // columns), a byte-order mark (none); a Latin-1 "Ã" is one byte and one column.
        {"euro signs before the column", "<a>\n<Nm>\xE2\x82\xAC\xE2\x82\xAC</Nm>\n</a>", 2, 12, "bad", 0, 4,
         "<Nm>\xE2\x82\xAC\xE2\x82\xAC</Nm>"},
        {"character beyond U+FFFF", "<a>\n<Nm>\xF0\x9F\x98\x80</Nm><X>1</X>\n</a>", 2, 20, "bad", 0, 17, "<X>1</X>"},
        {"byte-order mark on line 1", "\xEF\xBB\xBF<a><Nm>x</Nm></a>", 1, 14, "bad", 0, 6, "<Nm>x</Nm>"},
        {"Latin-1 text with \xC3", "<a>\n<Nm>\xC3</Nm><X>y</X>z\n</a>", 2, 19, "bad", 0, 14, "<X>y</X>", false},
        // The messages of the parser we ship name the element.
        {"no declaration found", "<a>\n<b><Unk>t</Unk></b>\n</a>", 2, 9, "no declaration found for element 'Unk'", 0, 7,
         "<Unk>t</Unk>"},
        {"not allowed for content model", "<a>\n<b><Unk>t</Unk></b>\n</a>", 2, 9,
         "element 'Unk' is not allowed for content model '(x)'", 0, 7, "<Unk>t</Unk>"},
        {"no character data is allowed", "<a>\n  text<b/>\n</a>", 2, 7, "no character data is allowed by content model",
         0, 3, "\n  text"},
    };
    for (const auto& c : cases) {
        CTextPageModel page;
        page.SetText(c.text);
        const CTextColumns columns(page.GetText(), c.utf8);
        EXPECT_EQ(MarkFinding(page, columns, c.line, c.column, c.message, c.kind), c.result) << c.name;
        if (c.marked.empty()) {
            EXPECT_TRUE(page.Marks().empty()) << c.name;
            continue;
        }
        ASSERT_EQ(page.Marks().size(), 1u) << c.name;
        const auto& m = page.Marks()[0];
        EXPECT_EQ(page.GetText().substr(static_cast<size_t>(m.start), static_cast<size_t>(m.end - m.start)), c.marked)
            << c.name;
        EXPECT_EQ(m.rgb, c.kind == 2 ? kBlue : kRed) << c.name;
    }
}

TEST(TextPage, LineEndsCountOneCharacter) {
    CTextPageModel page;
    page.SetText("ab\r\ncd\re\nf");
    EXPECT_EQ(page.GetText(), "ab\ncd\ne\nf");
    EXPECT_EQ(page.GetLineCount(), 4);
    EXPECT_EQ(page.LineIndex(1), 3);
    EXPECT_EQ(page.LineFromChar(4), 1);
    EXPECT_EQ(page.LineIndex(2), 6);
    EXPECT_EQ(page.LineIndex(3), 8);
    EXPECT_EQ(page.LineIndex(9), -1);
    // Whole words, case, directions and ranges.
    page.SetText("<Nm>x</Nm><NmX/><nm/>");
    EXPECT_EQ(page.Find("<Nm", 1, -1, {true, true, true}), -1);
    EXPECT_EQ(page.Find("<nm", 1, -1, {true, false, false}), 10);  // not as a whole word: <NmX matches
    EXPECT_EQ(page.Find("<Nm", 0, -1, {true, true, true}), 0);
    EXPECT_EQ(page.Find("</nm>", 0, 8, {true, false, false}), -1);
    EXPECT_EQ(page.Find("</nm>", 0, 10, {true, false, false}), 5);
    EXPECT_EQ(page.Find("<Nm", 21, -1, {false, false, true}), 10);
    EXPECT_EQ(page.Find("\xE4", 0, -1, {true, false, false}), -1);
}

// A shared text is read where it stands unless its line ends must be rewritten.
TEST(TextPage, SharedTextReadsLikeACopy) {
    for (const std::string text : {"<a>\n<b/>\n</a>", "<a>\r\n<b/>\r</a>", ""}) {
        CTextPageModel copied, shared;
        copied.SetText(text);
        shared.ShareText(text);
        EXPECT_EQ(shared.GetText(), copied.GetText());
        EXPECT_EQ(shared.GetLineCount(), copied.GetLineCount());
        EXPECT_EQ(shared.Find("<b", 0, -1, {true, true, true}), copied.Find("<b", 0, -1, {true, true, true}));
        EXPECT_EQ(&shared.GetText() == &text, text.find('\r') == std::string::npos) << text;
        shared.SetText("x");  // a later own text ends the sharing
        EXPECT_NE(&shared.GetText(), &text);
    }
}

// Searches that remember earlier ones answer as a search on a fresh page does,
// in any order of places, forward and backward.
TEST(TextPage, RememberedSearchesAnswerAsFreshOnes) {
    const std::string text = "<a><b>x</b><B/><b>y</b>  <c><b></b></c></a>";
    CTextPageModel remembering;
    remembering.SetText(text);
    const long places[] = {44, 40, 40, 44, 20, 3, 0, 2, 30, 12, 44, 7, 8, 44, 1};
    for (const char* what : {"<b", "</b>", "<a", "<c", "z"}) {
        for (const SearchOptions& o : {SearchOptions{false, false, false}, SearchOptions{false, true, true},
                                       SearchOptions{true, false, false}}) {
            for (long from : places) {
                CTextPageModel fresh;
                fresh.SetText(text);
                EXPECT_EQ(remembering.Find(what, from, -1, o), fresh.Find(what, from, -1, o))
                    << what << " from " << from << (o.forward ? " forward" : " backward");
            }
        }
    }
}

// The text page's bytes on the screen: UTF-8 of a UTF-8 file as it is, every
// other byte above 0x7F as its Windows-1252 character; positions map both ways.
TEST(DisplayText, ShowsTheFilesCharactersAndMapsPositions) {
    struct Case {
        std::string page;
        bool utf8;
        std::string shown;
        std::vector<std::pair<long, long>> map;  // page position, screen position
    } cases[] = {
        {"M\xC3\xBCller StraÃŸe", true, "Müller StraÃŸe", {{0, 0}, {1, 1}, {3, 3}, {16, 16}}},
        {"M\xFCller", false, "Müller", {{1, 1}, {2, 3}, {7, 8}}},
        {"M\xC3\xBCller", false, "MÃ¼ller", {{1, 1}, {2, 3}, {3, 5}}},
        // Bytes that are no valid UTF-8 in a UTF-8 file: shown as Windows-1252.
        {"a\xFC\x80" "b\xE2\x82", true, "aü€bâ‚", {{1, 1}, {2, 3}, {3, 6}, {4, 7}, {5, 9}, {6, 12}}},
        {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", true, "À¯í\xC2\xA0€ô\xC2\x90€€", {{9, 21}}},
        {"\xF0\x9F\x98\x80!", true, "\xF0\x9F\x98\x80!", {{4, 4}}},
        {"", true, "", {{0, 0}}},
    };
    for (const Case& c : cases) {
        CDisplayText display;
        std::string shown;
        display.Build(c.page, c.utf8, [&](std::string_view piece) { shown += piece; }, 4);
        EXPECT_EQ(shown, c.shown) << c.page;
        for (auto [page, screen] : c.map) {
            EXPECT_EQ(display.ToDisplay(page), screen) << c.page << " at " << page;
            EXPECT_EQ(display.FromDisplay(screen), page) << c.page << " at " << screen;
        }
    }
    // A screen position inside a widened byte gives that byte.
    CDisplayText display;
    display.Build("a\xFC" "b", false, [](std::string_view) {});
    EXPECT_EQ(display.FromDisplay(2), 1);
    EXPECT_EQ(display.FromDisplay(3), 2);
    // Pieces end between characters.
    std::vector<std::string> pieces;
    display.Build("\xC3\xBC\xC3\xBC\xC3\xBC", true, [&](std::string_view piece) { pieces.emplace_back(piece); }, 3);
    EXPECT_EQ(pieces, (std::vector<std::string>{"üü", "ü"}));
}

// The browser page of a file: every piece of the file's text escaped, tags,
// attributes and values in their classes, elements with children collapsible,
// each finding after its element in its colour, the report linking to them.
TEST(HtmlPage, EscapesTheTextAndPlacesTheFindings) {
    const std::string text =
        "<?xml version=\"1.0\"?>\n<!-- <b>x</b> -->\n<Doc a=\"1&amp;2\" b='&lt;script&gt;'>\n"
        " <Nm>M\xC3\xBCller &amp; <![CDATA[<script>alert(1)</script>]]></Nm>\n <Leer/>\n"
        " <Grp><Id>x\xFC</Id></Grp>\n</Doc>";
    const long nm = static_cast<long>(text.find("<Nm>")), leer = static_cast<long>(text.find("<Leer/>"));
    COutputList report;
    report.AddLine(A("'/d/ä.xml' enthält Fehler"), 0);
    report.AddLine(A("Zeile 4/2 : Fehler: <Nm> ist falsch"), nm);
    report.AddLine(A("Zeile 5/2 : Hinweis: leer"), leer);
    report.AddLine("Zeile 9/9 : ohne Element", -1);
    const std::vector<CTextPageModel::Mark> marks{{nm, nm + 10, kRed}, {leer, leer + 7, kRed}};
    HtmlPageInput in;
    in.text = &text;
    in.utf8 = true;
    in.title = "/d/ä <x>.xml";
    in.report = &report;
    in.marks = &marks;
    const std::string page = HtmlPage(in);
    for (const char* part : {
             "<title>/d/ä &lt;x&gt;.xml</title>",
             "<li>&#39;/d/ä.xml&#39; enthält Fehler</li>",
             "<li><a class=\"err\" href=\"#f1\" onclick=\"openTo('f1')\">Zeile 4/2 : Fehler: &lt;Nm&gt; ist falsch</a></li>",
             "<li><a class=\"warn\" href=\"#f2\"",
             "<li>Zeile 9/9 : ohne Element</li>",
             "<div class=\"pi\">&lt;?xml version=&quot;1.0&quot;?&gt;</div>",
             "<div class=\"cm\">&lt;!-- &lt;b&gt;x&lt;/b&gt; --&gt;</div>",
             "<details open><summary><span class=\"tag\">&lt;Doc</span> <span class=\"an\">a</span>=<span "
             "class=\"av\">&quot;1&amp;amp;2&quot;</span> <span class=\"an\">b</span>=<span "
             "class=\"av\">&#39;&amp;lt;script&amp;gt;&#39;</span><span class=\"tag\">&gt;</span></summary>",
             // Text and a CDATA section: each on a line of its own.
             "<details open class=\"err\"><summary><span class=\"tag\">&lt;Nm</span><span class=\"tag\">&gt;</span>"
             "</summary><div class=\"msg err\" id=\"f1\">Zeile 4/2 : Fehler: &lt;Nm&gt; ist falsch</div><div "
             "class=\"in\"><div><span class=\"tx\">Müller &amp;amp;</span></div><div "
             "class=\"tx\">&lt;![CDATA[&lt;script&gt;alert(1)&lt;/script&gt;]]&gt;</div></div><div><span "
             "class=\"tag\">&lt;/Nm&gt;</span></div></details>",
             "<div class=\"warn\"><span class=\"tag\">&lt;Leer</span><span class=\"tag\">/&gt;</span></div><div "
             "class=\"msg warn\" id=\"f2\">Zeile 5/2 : Hinweis: leer</div>",
             "<span class=\"tx\">xü</span>",  // no valid UTF-8: the byte as Windows-1252
         })
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
    // Nothing of the file's markup reaches the page unescaped.
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(std::count(page.begin(), page.end(), '\0'), 0);
    size_t opened = 0, closed = 0;
    for (size_t p = 0; (p = page.find("<details", p)) != std::string::npos; ++p) ++opened;
    for (size_t p = 0; (p = page.find("</details>", p)) != std::string::npos; ++p) ++closed;
    EXPECT_EQ(opened, 3u);
    EXPECT_EQ(closed, 3u);
    // A text cut off inside its elements still closes every one of them.
    const std::string cut = text.substr(0, text.find("<Id>"));
    in.text = &cut;
    const std::string partial = HtmlPage(in);
    opened = closed = 0;
    for (size_t p = 0; (p = partial.find("<details", p)) != std::string::npos; ++p) ++opened;
    for (size_t p = 0; (p = partial.find("</details>", p)) != std::string::npos; ++p) ++closed;
    EXPECT_EQ(opened, closed);
}

// The report's hash, at the padding's edges: 0, 3, 55 and 56 bytes, and a
// million (several blocks).
TEST(HtmlPage, Sha256KnownVectors) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Markup and quotes escaped; control characters, which XML does not allow and
// a browser does not show, as their pictures.
TEST(HtmlPage, EscapeShowsControlCharacters) {
    EXPECT_EQ(HtmlEscape(std::string("a\x01<b>\t&'\"\r\n\x1B\0", 13)),
              "a\u2401&lt;b&gt;\t&amp;&#39;&quot;\r\n\u241B\u2400");
    // What XML does not allow either: U+FFFE and U+FFFF by their code, a
    // byte that is no UTF-8 as its Windows-1252 character. A name (one line)
    // shows its line ends and tabs as pictures, too.
    struct Case {
        std::string text, escaped, line;
    } cases[] = {
        {"x\xEF\xBF\xBFy\xEF\xBF\xBE", "x\\uFFFFy\\uFFFE", "x\\uFFFFy\\uFFFE"},
        {"\xEF\xBF\xBD\xEF\xBF", "\xEF\xBF\xBD\u00EF\u00BF", "\xEF\xBF\xBD\u00EF\u00BF"},
        {"a\x80\xF0\x9F\x98\x80", "a\u20AC\xF0\x9F\x98\x80", "a\u20AC\xF0\x9F\x98\x80"},
        {"a\nb\tc\r", "a\nb\tc\r", "a\u240Ab\u2409c\u240D"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HtmlEscape(c.text), c.escaped) << c.text;
        EXPECT_EQ(HtmlEscapeLine(c.text), c.line) << c.text;
    }
}

// A '>' inside a quoted value does not end the tag: the value keeps its
// colour and the element its children. A quote without its partner before
// the next '<' quotes nothing.
TEST(HtmlPage, QuotedGreaterThanStaysInTheValue) {
    const std::string text = "<Doc a=\"x>y\" b='>'>\n <A c=\"1>2\"/>\n <B d=\"o>t</B>\n</Doc>";
    HtmlPageInput in;
    in.text = &text;
    in.title = "eine\nZeile";
    const std::string page = HtmlPage(in);
    for (const char* part :
         {"<span class=\"tag\">&lt;Doc</span> <span class=\"an\">a</span>=<span class=\"av\">&quot;x&gt;y&quot;</span> "
          "<span class=\"an\">b</span>=<span class=\"av\">&#39;&gt;&#39;</span><span class=\"tag\">&gt;</span>",
          "<span class=\"tag\">&lt;A</span> <span class=\"an\">c</span>=<span class=\"av\">&quot;1&gt;2&quot;</span>"
          "<span class=\"tag\">/&gt;</span>",
          "<span class=\"tag\">&lt;B</span> <span class=\"an\">d</span>=<span class=\"av\">&quot;o</span>"
          "<span class=\"tag\">&gt;</span><span class=\"tx\">t</span>",
          "<title>eine\u240AZeile</title>", "<h1>eine\u240AZeile</h1>"})
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
}

// A finding whose position starts no element still gets its place on the
// page, so that its link leads somewhere; in a report it gets its line too.
TEST(HtmlPage, EveryFindingHasItsPlace) {
    const std::string text = "<Doc>\n <A>x</A>\n</Doc>";
    COutputList report;
    report.AddLine(A("Zeile 2/5 : Fehler: im Text"), static_cast<long>(text.find("x<")));
    report.AddLine(A("Zeile 3/1 : Hinweis: ohne Position"), 0);
    HtmlPageInput in;
    in.text = &text;
    in.report = &report;
    const std::string page = HtmlPage(in);
    EXPECT_NE(page.find("<div class=\"msg err\" id=\"f0\">Zeile 2/5"), std::string::npos) << page;
    const HtmlReportFacts facts = ReportFacts(text, "d.xml", MakeDate(2026, 12, 1, 8, 5, 9), "1.0", "n.a.", false);
    EXPECT_EQ(facts.checkTime, "01.12.2026 08:05:09");
    in.facts = &facts;
    const std::string shared = HtmlPage(in);
    for (const char* part : {"<td class=\"num\">2</td><td class=\"num\">5</td><td>Fehler</td><td><a class=\"err\" "
                             "href=\"#f0\">",
                             "<td class=\"num\">3</td><td class=\"num\">1</td><td>Hinweis</td><td><a class=\"warn\" "
                             "href=\"#f1\">",
                             "id=\"f0\"", "<div class=\"msg warn\" id=\"f1\">", "<span class=\"ln\">2</span>"})
        EXPECT_NE(shared.find(part), std::string::npos) << part << "\n" << shared;
}

TEST(LargeFilePage, LinksTheFile) {
    // A UTF-8 name outside Windows-1252, and characters a URL reads otherwise.
    EXPECT_EQ(LargeFilePageText("/daten/Żabka groß #1.xml"),
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n"
              "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n<html>\r\n<head>\r\n"
              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n<title>Titel</title>\r\n"
              "</head>\r\n<body>\r\n <p>Große XML Dateien in einem Browser anzuzeigen, kann zu sehr großem "
              "Resoucenverbrauch führen.</p>\r\n <a href=\"file:///daten/%C5%BBabka%20gro%C3%9F%20%231.xml\">Um die "
              "Daten dennoch anzuzeigen, klicken Sie bitte auf diesen Link</a>\r\n</body>\r\n</html> ");
    EXPECT_NE(LargeFilePageText("C:\\daten\\a.xml").find("file:///C:/daten/a.xml"), std::string::npos);
    TempDir dir;
    EXPECT_TRUE(WriteLargeFilePage(dir / "1A2B.htm", "/x.xml"));
    EXPECT_FALSE(WriteLargeFilePage(dir / "missing/1A2B.htm", "/x.xml"));
}

}  // namespace valorix::test

namespace valorix::test {

TEST_F(Fill, SchemaFindingsOfTheParserAreMarkedAtTheirElement) {
    // Real files through Xerces: each message that names an element, or text
    // where none is allowed, marks that element's text.
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:pain.001.001.03\"><CstmrCdtTrfInitn>\n";
    struct Case {
        const char* name;
        std::string body;
        std::string messageStart;
        std::string marked;
    } cases[] = {
        {"no declaration found", "<GrpHdr><Unbekannt>x</Unbekannt></GrpHdr>", "no declaration found for element 'Unbekannt'",
         "<Unbekannt>x</Unbekannt>"},
        {"not allowed for content model", "<GrpHdr><MsgId>1</MsgId><MsgId>2</MsgId></GrpHdr>",
         "element 'MsgId' is not allowed for content model", "<MsgId>2</MsgId>"},
        {"no character data", "<GrpHdr>\n\xE2\x82\xAC text\n<MsgId>1</MsgId></GrpHdr>", "no character data is allowed", ""},
    };
    for (const auto& c : cases) {
        Run(head + c.body + "\n</CstmrCdtTrfInitn></Document>");
        bool found = false;
        for (size_t i = 0; i < m_doc->Result().findings.size() && !found; ++i) {
            if (!StartsWith(m_doc->Result().findings[i].text, c.messageStart)) continue;
            found = true;
            const long position = m_output.Lines()[m_output.Lines().size() - m_doc->Result().findings.size() + i].position;
            EXPECT_GE(position, 0) << c.name;
            bool marked = c.marked.empty() && !m_text.Marks().empty();
            for (const auto& m : m_text.Marks())
                marked = marked || m_text.GetText().substr(static_cast<size_t>(m.start),
                                                           static_cast<size_t>(m.end - m.start)).find(c.marked) == 0;
            EXPECT_TRUE(marked) << c.name;
        }
        EXPECT_TRUE(found) << c.name << "\n" << ::testing::PrintToString(U8(Texts(m_doc->Result().findings)));
    }
}

}  // namespace valorix::test

// The lines of a virtual view: collapsing and expanding splice them, and a
// row is revealed by expanding what lies above it.
TEST(VisibleRows, ExpandCollapseAndReveal) {
    CStructureModel m;
    const RowId a = m.AddRow(kGridRoot, "A", "");
    m.SetTreeItem(a, 0);
    const RowId b = m.AddRow(a, "B", "");
    m.SetTreeItem(b, 1);
    const RowId c = m.AddRow(b, "C", "c");
    m.SetTreeItem(c, 4);
    m.AddRow(b, "attr", "v", 3);
    const RowId d = m.AddRow(a, "D", "d");
    m.SetTreeItem(d, 4);
    const RowId x = m.AddRow(kGridRoot, "xml", "1.0");
    auto names = [&](const CVisibleRows& v) {
        std::string out;
        for (size_t i = 0; i < v.Count(); ++i) out += std::string(v.Depth(i), '.') + std::string(m.Name(v.At(i))) + " ";
        return out;
    };
    CVisibleRows grid(m, CVisibleRows::Kind::Grid);
    grid.Rebuild();  // grid groups start expanded
    EXPECT_EQ(names(grid), "A .B ..C ..attr .D xml ");
    EXPECT_TRUE(grid.SetExpanded(1, false));
    EXPECT_FALSE(grid.SetExpanded(1, false));
    EXPECT_FALSE(grid.SetExpanded(2, true));  // D has no children
    EXPECT_EQ(names(grid), "A .B .D xml ");
    EXPECT_TRUE(grid.SetExpanded(0, false));
    EXPECT_EQ(names(grid), "A xml ");
    EXPECT_EQ(grid.LineOf(x), 1);
    EXPECT_EQ(grid.Reveal(c), 2);  // A and B are expanded again
    EXPECT_EQ(names(grid), "A .B ..C ..attr .D xml ");

    CVisibleRows tree(m, CVisibleRows::Kind::Tree);
    tree.Rebuild();  // tree items start collapsed; attribute rows and "xml" are no items
    EXPECT_EQ(names(tree), "A ");
    EXPECT_EQ(tree.Reveal(c), 2);
    EXPECT_EQ(names(tree), "A .B ..C .D ");
    EXPECT_TRUE(m.IsTreeExpanded(a));
    EXPECT_EQ(tree.Reveal(x), -1);
    EXPECT_EQ(tree.Reveal(kNoRow), -1);
}

// The slip of a payment file at the top of both pages, as tables: the file's
// values, one row per block and the totals, differences marked; engine text
// escaped; a page without a slip is the page it was.
TEST(HtmlPage, SummarySlipAtTheTop) {
    FileSummary slip;
    slip.debit = true;
    slip.messageId = "M<1>";
    slip.created = "2026-12-10T08:30:00";
    slip.initiator = A("Verein Müller");
    slip.sha256 = std::string(64, 'a');
    slip.totals.count = 3;
    slip.totals.declaredCount = "3";
    slip.totals.declaredSum = "110.75";
    slip.totals.sums = {{"CHF", ParseAmount("0.25").units}, {"EUR", ParseAmount("110.5001").units}};
    BlockSummary b;
    b.id = "B1";
    b.scheme = "CORE";
    b.sequence = "FRST";
    b.date = "2026-12-15";
    b.name = A("Verein Müller");
    b.iban = "DE89370400440532013000";
    b.bic = "GOODDEFFXXX";
    b.totals.count = 1;
    b.totals.declaredCount = "2";
    b.totals.sums = {{"EUR", ParseAmount("100.50").units}};
    slip.blocks.push_back(b);
    const std::string html = SummaryHtml(slip);
    for (const char* part : {
             "<h2>Begleitzettel</h2>",
             "<tr><th>Nachricht (MsgId)</th><td>M&lt;1&gt;</td></tr>",
             "<tr><th>Einreicher</th><td>Verein Müller</td></tr>",
             "<th>Einzug am</th>",
             "<tr><td class=\"num\">1</td><td>B1</td><td>Lastschrift CORE FRST</td><td>2026-12-15</td><td "
             "class=\"num\">1<br/>(angegeben: 2, <span class=\"diff\">abweichend!</span>)</td><td class=\"num\">100.50 "
             "EUR</td><td>Verein Müller</td><td>DE89370400440532013000</td><td>GOODDEFFXXX</td></tr>",
             "<tr><th colspan=\"4\">Datei gesamt</th><td class=\"num\">3<br/>(angegeben: 3)</td><td "
             "class=\"num\">0.25 CHF<br/>110.5001 EUR<br/>(angegeben: 110.75, <span "
             "class=\"diff\">abweichend!</span>)</td><td colspan=\"3\"></td></tr>",
         })
        EXPECT_NE(html.find(part), std::string::npos) << part << "\n" << html;
    const std::string text = "<?xml version=\"1.0\"?>\n<Doc/>";
    COutputList report;
    report.AddLine("Urteil", 0);
    HtmlPageInput in;
    in.text = &text;
    in.title = "t.xml";
    in.report = &report;
    const std::string plain = HtmlPage(in);
    EXPECT_EQ(plain.find("Begleitzettel"), std::string::npos);
    EXPECT_EQ(plain.find("table.slip"), std::string::npos);
    in.summary = &slip;
    const std::string page = HtmlPage(in);
    EXPECT_NE(page.find("table.slip{"), std::string::npos);
    EXPECT_NE(page.find("<h1>t.xml</h1>\n" + html + "<ul class=\"report\">"), std::string::npos);
    const HtmlReportFacts facts;
    in.facts = &facts;
    const std::string shared = HtmlPage(in);
    EXPECT_NE(shared.find("</table>\n" + html + "<ul class=\"report\">"), std::string::npos);
    in.summary = nullptr;
    EXPECT_EQ(HtmlPage(in).find("Begleitzettel"), std::string::npos);
}

}  // namespace valorix::test
