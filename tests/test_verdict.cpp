#include <gtest/gtest.h>

#include "core/verdict.h"
#include "support.h"
#include "xml/parsedtree.h"

namespace valorix::test {

namespace {
const std::string kBasicFacet = "' does not match regular expression facet '([ \\-':?,+()/\\.a-zA-Z0-9])*'";
const std::string kBasicExplanation =
    "enthält nicht unterstützte Zeichen. Erlaubt sind \"0-9\" \"a-z\" \"A-Z\" die Zeichen \"-':?,+()/.\" sowie "
    "Leerzeichen.";
const std::string kExtendedExplanation =
    "enthält nicht unterstützte Zeichen. Erlaubt sind \"0-9\" \"a-z\" \"A-Z\" \"äöüÜÖÄß\" die Zeichen "
    "&*%$\"-':?,+()/.\" sowie Leerzeichen.";
}  // namespace

TEST(CharsetRule, RewritesFindingsAndTellsWhetherOnlyCharsetRemains) {
    struct Case {
        const char* name;
        std::vector<std::string> texts;  // UTF-8
        std::vector<uint8_t> kinds;
        std::vector<std::string> rewritten;
        std::vector<uint8_t> newKinds;
        bool onlyCharset;
    } cases[] = {
        {"two euro signs, basic pattern",
         {"value 'Euro €" + kBasicFacet, "value 'Müller €" + kBasicFacet},
         {0, 0},
         {"Der Wert: 'Euro €'" + kBasicExplanation, "Der Wert: 'Müller €'" + kBasicExplanation},
         {2, 2},
         true},
        {"extended pattern",
         {"value 'A_B' does not match regular expression facet '([ \\-':?,+()/\\.a-zA-Z0-9äöüÄÖÜß&*$%])*'"},
         {0},
         {"Der Wert: 'A_B'" + kExtendedExplanation},
         {2},
         true},
        {"with a missing mandatory element",
         {"value 'x€" + kBasicFacet, "element 'Nm' is not allowed for content model '(Id)'"},
         {0, 0},
         {"Der Wert: 'x€'" + kBasicExplanation, "element 'Nm' is not allowed for content model '(Id)'"},
         {2, 0},
         false},
        {"empty dates, old and new wording",
         {"Typ:SchemaDateTimeException, Text:buffer not initialized yet!.", "invalid date value ''",
          "invalid dateTime value ''"},
         {0, 0, 0},
         {"Leeres Datumsfeld ist nicht erlaubt!", "Leeres Datumsfeld ist nicht erlaubt!",
          "Leeres Datumsfeld ist nicht erlaubt!"},
         {0, 0, 0},
         false},
        {"pattern at the start is not a finding about characters",
         {"([ \\-':?,+()/\\.a-zA-Z0-9])* and more"}, {0}, {"([ \\-':?,+()/\\.a-zA-Z0-9])* and more"}, {0}, false},
        {"no closing apostrophe gives an empty value",
         {"value 'abc ([ \\-':?,+()/\\.a-zA-Z0-9])*"}, {0},
         {"Der Wert: 'abc ([ \\-'" + kBasicExplanation}, {2}, true},
        {"fatal records are passed over", {"value 'x€" + kBasicFacet}, {1}, {"value 'x€" + kBasicFacet}, {1}, false},
        {"empty list", {}, {}, {}, {}, true},
    };
    for (auto& c : cases) {
        Findings findings;
        for (size_t i = 0; i < c.texts.size(); ++i)
            findings.push_back(Finding{Utf8ToCp1252(c.texts[i]), 0, 0, static_cast<FindingKind>(c.kinds[i])});
        EXPECT_EQ(RewriteCharsetFindings(findings), c.onlyCharset) << c.name;
        std::vector<std::string> texts;
        std::vector<uint8_t> kinds;
        for (const Finding& f : findings) {
            texts.push_back(f.text);
            kinds.push_back(static_cast<uint8_t>(f.kind));
        }
        EXPECT_EQ(U8(texts), c.rewritten) << c.name;
        EXPECT_EQ(kinds, c.newKinds) << c.name;
    }
}

TEST(Verdict, EveryVariant) {
    const std::string p = "f.xml";
    struct Case {
        const char* name;
        VerdictInput in;
        std::string sentence;
        std::string note;
        bool positive;
    } cases[] = {
        {"valid", {true, false, 0, false, p, "3.0 aktuell ab 20.11.2016", FormatCode::Edition30, 0},
         "'f.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!", "", true},
        {"valid urgent transfer",
         {true, false, 0, false, p, Utf8ToCp1252("Eilüberweisungen im pain.001 Format gültig seit 04.11.2013"), FormatCode::Edition30, 2},
         "'f.xml' enthält ein korrektes XML Dokument (Eilüberweisungen im pain.001 Format gültig seit 04.11.2013)!", "",
         true},
        {"valid statement", {true, false, 0, false, p, Utf8ToCp1252("CAMT 2.x gültig seit 01.11.2009"), FormatCode::Camt053, 1},
         "'f.xml' enthält ein korrektes CAMT.053 Dokument (CAMT 2.x gültig seit 01.11.2009)!", "", true},
        {"valid foreign-trade report", {true, false, 0, true, p, "EMW Einlieferung", FormatCode::ForeignTradeReport, 0},
         "'f.xml' enthält eine korrekte EMW Einlieferung!", "", true},
        {"valid, identifiers on both levels", {true, false, 1, false, p, "3.0 aktuell ab 20.11.2016", FormatCode::Edition30, 0},
         "'f.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016)!",
         "SEPA Gläubigeridentifikationen <CdtrSchmeId> sollten nur auf Sammler oder Transaktionsebene vorhanden sein!",
         true},
        {"valid, identifiers missing", {true, false, -1, false, p, "3.0 aktuell ab 20.11.2016", FormatCode::Edition30, 0},
         "'f.xml' enthält ein XML Dokument, das nicht der Schemadefinition (3.0 aktuell ab 20.11.2016) entspricht!",
         "Es fehlen SEPA Gläubigeridentifikationen <CdtrSchmeId>!", false},
        {"only characters", {false, true, 0, false, p, "3.0 aktuell ab 20.11.2016", FormatCode::Edition30, 0},
         "'f.xml' enthält ein korrektes SEPA XML Dokument (3.0 aktuell ab 20.11.2016), das nicht unterstützte Zeichen "
         "enthält!",
         "", true},
        {"statement, only characters", {false, true, 0, false, p, Utf8ToCp1252("CAMT 2.x gültig seit 01.11.2009"), FormatCode::Camt054, 1},
         "'f.xml' enthält ein korrektes CAMT.054 Dokument (CAMT 2.x gültig seit 01.11.2009), das nicht unterstützte "
         "Zeichen enthält!",
         "", true},
        {"invalid", {false, false, 0, false, p, "2.3 aktuell bis 31.10.2009", FormatCode::Sepade23, 0},
         "'f.xml' enthält ein XML Dokument, das nicht der Schemadefinition (2.3 aktuell bis 31.10.2009) entspricht!",
         "", false},
    };
    for (const auto& c : cases) {
        Verdict v = ComposeVerdict(c.in);
        EXPECT_EQ(U8(v.sentence), c.sentence) << c.name;
        EXPECT_EQ(U8(v.note), c.note) << c.name;
        EXPECT_EQ(v.positive, c.positive) << c.name;
    }
}

TEST(Verdict, CreditorIdentifierPlacement) {
    auto block = [](int atBlock, std::initializer_list<int> perTransaction) {
        std::string b = "<PmtInf>";
        for (int i = 0; i < atBlock; ++i) b += "<CdtrSchmeId/>";
        for (int n : perTransaction) {
            b += "<DrctDbtTxInf><DrctDbtTx>";
            for (int i = 0; i < n; ++i) b += "<CdtrSchmeId/>";
            b += "</DrctDbtTx></DrctDbtTxInf>";
        }
        return b + "</PmtInf>";
    };
    struct Case {
        const char* name;
        std::string body;
        int result;
    } cases[] = {
        {"block level only", block(1, {0, 0}), 0},
        {"in every transaction", block(0, {1, 1}), 0},
        {"one transaction lacks it", block(0, {1, 0, 1}), -1},
        {"block and transactions", block(1, {1, 1}), 1},
        {"second block lacks it", block(1, {0}) + block(0, {0}), -1},
        {"block without transactions", block(1, {}), 0},
        {"no blocks", "<GrpHdr/>", 0},
    };
    for (const auto& c : cases) {
        ParsedTree doc("<Document><CstmrDrctDbtInitn>" + c.body + "</CstmrDrctDbtInitn></Document>", "");
        Findings findings;
        ASSERT_TRUE(doc.Parse(findings));
        EXPECT_EQ(CheckCreditorIdPlacement(doc), c.result) << c.name;
        EXPECT_EQ(doc.GetName(), "Document") << c.name;  // the cursor is back at the root
    }
}

TEST(Verdict, SeveralPaymentBlocks) {
    struct Case {
        std::string text;
        bool several;
    } cases[] = {
        {"<a><PmtInf>1</PmtInf><PmtInf>2</PmtInf></a>", true},
        {"<a><PmtInf>1</PmtInf></a>", false},
        {"<p:a><p:PmtInf>1</p:PmtInf><p:PmtInf>2</p:PmtInf></p:a>", true},
        {"<a><PmtInf>1</PmtInf><q:PmtInf>2</q:PmtInf></a>", false},
        {"<a></PmtInf></PmtInf></a>", true},
        {"PmtInf></PmtInf></PmtInf>", false},
        {"<a/>", false},
    };
    for (const auto& c : cases) EXPECT_EQ(HasSeveralPaymentBlocks(c.text), c.several) << c.text;
}

}  // namespace valorix::test
