#include <gtest/gtest.h>

#include <set>

#include "app/schemastore.h"
#include "core/detect.h"
#include "platform/strutil.h"
#include "support.h"
#include "xml/parsedtree.h"

namespace valorix::test {

namespace {

struct Detected {
    Detection d;
    std::vector<std::string> messages;  // UTF-8
};

// Tree mode: parses `text` without schema and runs detection over it.
Detected DetectTree(const std::string& text, DetectInput* overrides = nullptr) {
    ParsedTree parser(text, "");
    Findings findings;
    EXPECT_TRUE(parser.Parse(findings)) << (findings.empty() ? "" : findings[0].text);
    DetectInput in = overrides ? *overrides : DetectInput{};
    in.root = parser.GetName();
    in.ns = parser.GetNamespace();
    parser.GetAttributes(in.attrNames, in.attrValues);
    in.text = &text;
    if (!in.eventMode) in.tree = &parser;
    std::vector<std::string> messages;
    Detected out{DetectFormat(in, messages), {}};
    out.messages = U8(messages);
    return out;
}

std::string Doc(const std::string& root, const std::string& ns, const std::string& body) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root;
    if (!ns.empty()) xml += " xmlns=\"" + ns + "\"";
    return xml + ">" + body + "</" + root + ">";
}

const std::string kCt = "<CstmrCdtTrfInitn/>";
const std::string kDd = "<CstmrDrctDbtInitn/>";
const std::string kIso = "urn:iso:std:iso:20022:tech:xsd:";

}  // namespace

// One fixture per format code and schema row: a corpus file where one exists.
TEST(Detect, FormatCodesAndSchemaRows) {
    struct Case {
        const char* name;
        std::string text;
        int format;
        int debitKind;
        int austrian;
        const char* schema;
        const char* edition;
        std::string expectedNs;
    } cases[] = {
        {"foreign-trade report", Doc("LIEFERUNG-AWZEL", kBbkNamespace, ""), -10, 0, 0, "BbkXmwAwzel.xsd",
         "EMW Einlieferung", kBbkNamespace},
        {"camt.054", ReadFile(SamplesDir() + "/camt054.v2.xml"), -4, 0, 0, "ZKA.camt.054.001.02.v02.xsd",
         "CAMT 2.x gültig seit 01.11.2009", kIso + "camt.054.001.02"},
        {"camt.053", ReadFile(SamplesDir() + "/camt053.v2.minimal.xml"), -3, 0, 0, "ZKA.camt.053.001.02.v02.xsd",
         "CAMT 2.x gültig seit 01.11.2009", kIso + "camt.053.001.02"},
        {"camt.052", ReadFile(SamplesDir() + "/camt052.v2.xml"), -2, 0, 0, "ZKA.camt.052.001.02.v02.xsd",
         "CAMT 2.x gültig seit 01.11.2009", kIso + "camt.052.001.02"},
        {"2.3 CT", ReadFile(SamplesDir() + "/test-pain-parse-00100102.xml"), 0, 0, 0, "pain.001.001.02.xsd",
         "2.3 aktuell bis 31.10.2009", "urn:sepade:xsd:pain.001.001.02"},
        {"2.3 DD", Doc("Document", "urn:sepade:xsd:pain.008.001.01", "<pain.008.001.01/>"), 0, 1, 0,
         "pain.008.001.01.xsd", "2.3 aktuell bis 31.10.2009", "urn:sepade:xsd:pain.008.001.01"},
        {"2.3 container CT", Doc("sepade", "urn:sepade:xsd:pain.001.001.02.con", "<pain.001.001.02/>"), 1, 0, 0,
         "pain.001.001.02.con.xsd", "2.3 aktuell bis 31.10.2009", "urn:sepade:xsd:pain.001.001.02.con"},
        {"2.3 container DD", Doc("sepade", "urn:sepade:xsd:pain.008.001.01.con", "<pain.008.001.01/>"), 1, 1, 0,
         "pain.008.001.01.con.xsd", "2.3 aktuell bis 31.10.2009", "urn:sepade:xsd:pain.008.001.01.con"},
        {"2.3 grouped CT", Doc("Document", "urn:sepade:xsd:pain.001.001.02.grp", "<pain.001.001.02/>"), 2, 0, 0,
         "pain.001.001.02.grp.xsd", "2.3 aktuell bis 31.10.2009", "urn:sepade:xsd:pain.001.001.02.grp"},
        {"2.3 grouped DD", Doc("Document", "urn:sepade:xsd:pain.008.001.01.grp", "<pain.008.001.01/>"), 2, 1, 0,
         "pain.008.001.01.grp.xsd", "2.3 aktuell bis 31.10.2009", "urn:sepade:xsd:pain.008.001.01.grp"},
        {"2.4 container", Doc("conxml", "urn:conxml:xsd:container.nnn.002", ""), 3, 0, 0, "container.nnn.002.xsd",
         "2.4 aktuell bis 01.11.2009", "urn:conxml:xsd:container.nnn.002"},
        {"2.4 CT", ReadFile(SamplesDir() + "/test-pain-parse-00100202.xml"), 4, 0, 0, "pain.001.002.02.xsd",
         "2.4 aktuell bis 01.11.2010", "urn:swift:xsd:$pain.001.002.02"},
        {"2.4 DD", Doc("Document", "urn:swift:xsd:$pain.008.002.01", kDd), 4, 1, 0, "pain.008.002.01.xsd",
         "2.4 aktuell bis 01.11.2010", "urn:swift:xsd:$pain.008.002.01"},
        {"Austrian version 2 CT", Doc("Document", "APC:STUZZA:payments:ISO:pain:001:001:02:austrian:002", kCt), 4, 0,
         1, "ISO.pain.001.001.02.austrian.002.xsd", "SEPA CORE Version 2 (Österreich)",
         "APC:STUZZA:payments:ISO:pain:001:001:02:austrian:002"},
        {"Austrian version 2 DD", Doc("Document", "APC:STUZZA:payments:ISO:pain:008:001:01:austrian:002", kDd), 4, 1,
         1, "ISO.pain.008.001.01.austrian.002.xsd", "SEPA CORE & B2B Version 2 (Österreich)",
         "APC:STUZZA:payments:ISO:pain:008:001:01:austrian:002"},
        {"2.5 container", Doc("conxml", "urn:conxml:xsd:container.nnn.002.02", ""), 5, 0, 0,
         "container.nnn.002.02.xsd", "2.5/2.6 aktuell bis 03.11.2013", "urn:conxml:xsd:container.nnn.002.02"},
        {"2.5 CT", ReadFile(SamplesDir() + "/test-pain-parse-00100203.xml"), 6, 0, 0, "pain.001.002.03.xsd",
         "2.5/2.6 aktuell bis 03.11.2013", kIso + "pain.001.002.03"},
        {"2.5 DD", ReadFile(SamplesDir() + "/php-sepa-xml_pain.008.002.02.xml"), 6, 1, 0, "pain.008.002.02.xsd",
         "2.5/2.6 aktuell bis 03.11.2013", kIso + "pain.008.002.02"},
        {"Austrian version 3 CT", Doc("Document", "ISO:pain.001.001.03:APC:STUZZA:payments:001", kCt), 6, 0, 1,
         "ISO.pain.001.001.03.austrian.001.xsd", "SEPA TRF Version 3 (Österreich)",
         "ISO:pain.001.001.03:APC:STUZZA:payments:001"},
        {"Austrian version 3 DD", Doc("Document", "ISO:pain.008.001.02:APC:STUZZA:payments:001", kDd), 6, 1, 1,
         "ISO.pain.008.001.02.austrian.001.xsd", "SEPA CORE & B2B Version 3 (Österreich)",
         "ISO:pain.008.001.02:APC:STUZZA:payments:001"},
        {"2.7 container", Doc("conxml", "urn:conxml:xsd:container.nnn.003.02", ""), 7, 0, 0,
         "container.nnn.003.02.xsd", "2.7/2.8/2.9 aktuell bis 19.11.2016", "urn:conxml:xsd:container.nnn.003.02"},
        {"2.7 CT", ReadFile(SamplesDir() + "/sepa_king_pain.001.003.03.xml"), 8, 0, 0, "pain.001.003.03.xsd",
         "2.7/2.8/2.9 aktuell bis 19.11.2016", kIso + "pain.001.003.03"},
        {"2.7 DD", ReadFile(SamplesDir() + "/sepa_king_pain.008.003.02.xml"), 8, 1, 0, "pain.008.003.02.xsd",
         "2.7/2.8/2.9 aktuell bis 19.11.2016", kIso + "pain.008.003.02"},
        {"Austrian version 5 CT", Doc("Document", "ISO:pain.001.001.03:APC:STUZZA:payments:003", kCt), 8, 0, 1,
         "ISO.pain.001.001.03.austrian.003.xsd", "SEPA TRF Version 5 (Österreich)",
         "ISO:pain.001.001.03:APC:STUZZA:payments:003"},
        {"Austrian version 5 DD", Doc("Document", "ISO:pain.008.001.02:APC:STUZZA:payments:003", kDd), 8, 1, 1,
         "ISO.pain.008.001.02.austrian.003.xsd", "SEPA CORE & B2B Version 5 (Österreich)",
         "ISO:pain.008.001.02:APC:STUZZA:payments:003"},
        {"ISO namespace, Austrian IBAN, CT",
         Doc("Document", kIso + "pain.001.001.03", "<CstmrCdtTrfInitn><IBAN>AT611904300234573201</IBAN></CstmrCdtTrfInitn>"),
         8, 0, 2, "ISO.A.pain.001.001.03.xsd", "SEPA TRF Version 5 (Österreich)", kIso + "pain.001.001.03"},
        {"ISO namespace, Austrian IBAN, DD",
         Doc("Document", kIso + "pain.008.001.02", "<CstmrDrctDbtInitn><IBAN>AT611904300234573201</IBAN></CstmrDrctDbtInitn>"),
         8, 1, 2, "ISO.A.pain.008.001.02.xsd", "SEPA CORE & B2B Version 5 (Österreich)", kIso + "pain.008.001.02"},
        {"3.0 container", Doc("conxml", "urn:conxml:xsd:container.nnn.001.02", ""), 9, 0, 0,
         "container.nnn.001.02.xsd", "3.0 aktuell ab 20.11.2016", "urn:conxml:xsd:container.nnn.001.02"},
        {"3.0 CT", ReadFile(SamplesDir() + "/sepa_king_pain.001.001.03.xml"), 10, 0, 0, "pain.001.001.03.xsd",
         "3.0 aktuell ab 20.11.2016", kIso + "pain.001.001.03"},
        {"3.0 DD", ReadFile(SamplesDir() + "/php-sepa-xml_pain.008.001.02.xml"), 10, 1, 0, "pain.008.001.02.xsd",
         "3.0 aktuell ab 20.11.2016", kIso + "pain.008.001.02"},
        // the editions after 3.0
        {"3.9 CT", ReadFile(SamplesDir() + "/php-sepa-xml_pain.001.001.09.xml"), 11, 0, 0,
         "GBIC_5/pain.001.001.09.xsd", "3.9 (GBIC_5) aktuell ab November 2025", kIso + "pain.001.001.09"},
        {"3.9 DD", ReadFile(SamplesDir() + "/php-sepa-xml_pain.008.001.08.xml"), 11, 1, 0,
         "GBIC_5/pain.008.001.08.xsd", "3.9 (GBIC_5) aktuell ab November 2025", kIso + "pain.008.001.08"},
        {"GBIC container CT", Doc("conxml", "urn:conxml:xsd:container.nnn.001.GBIC4", "<MsgPain001>" + kCt + "</MsgPain001>"),
         12, 0, 0, "GBIC_5/container.nnn.001.GBIC4.xsd", "3.9 (GBIC_5) aktuell ab November 2025",
         "urn:conxml:xsd:container.nnn.001.GBIC4"},
        {"GBIC container DD", Doc("conxml", "urn:conxml:xsd:container.nnn.001.GBIC4", "<MsgPain008>" + kDd + "</MsgPain008>"),
         12, 1, 0, "GBIC_5/container.nnn.001.GBIC4.xsd", "3.9 (GBIC_5) aktuell ab November 2025",
         "urn:conxml:xsd:container.nnn.001.GBIC4"},
        {"status report", ReadFile(SamplesDir() + "/test-pain-parse-0020110-03.xml"), 13, 0, 0, "pain.002.001.10.xsd",
         "Statusbericht 3.7 gültig seit November 2023", kIso + "pain.002.001.10"},
        {"reversal", Doc("Document", kIso + "pain.007.001.09", "<CstmrPmtRvsl/>"), 14, 0, 0,
         "GBIC_5/pain.007.001.09.xsd", "3.9 (GBIC_5) aktuell ab November 2025", kIso + "pain.007.001.09"},
        {"camt.052 3.7", ReadFile(SamplesDir() + "/camt052.v8.xml"), -5, 0, 0, "camt.052.001.08.xsd",
         "CAMT 3.7 gültig seit November 2023", kIso + "camt.052.001.08"},
        {"camt.053 3.7", ReadFile(SamplesDir() + "/camt053.v8.xml"), -6, 0, 0, "camt.053.001.08.xsd",
         "CAMT 3.7 gültig seit November 2023", kIso + "camt.053.001.08"},
        {"camt.054 3.7", ReadFile(SamplesDir() + "/camt054.v8.xml"), -7, 0, 0, "camt.054.001.08.xsd",
         "CAMT 3.7 gültig seit November 2023", kIso + "camt.054.001.08"},
    };
    for (const auto& c : cases) {
        Detected r = DetectTree(c.text);
        EXPECT_FALSE(r.d.stopped) << c.name;
        EXPECT_EQ(CodeOf(r.d.formatCode), c.format) << c.name;
        EXPECT_EQ(r.d.debitKind, c.debitKind) << c.name;
        EXPECT_EQ(r.d.austrianVariant, c.austrian) << c.name;
        EXPECT_EQ(r.d.schemaFile, c.schema) << c.name;
        EXPECT_EQ(U8(r.d.edition), c.edition) << c.name;
        EXPECT_EQ(r.d.expectedNamespace, c.expectedNs) << c.name;
        EXPECT_EQ(r.messages, std::vector<std::string>{}) << c.name;
        const bool container =
            c.format == 1 || c.format == 3 || c.format == 5 || c.format == 7 || c.format == 9 || c.format == 12;
        EXPECT_EQ(r.d.directPossible, !container && c.austrian == 0) << c.name;
    }
}

// What detection and the schema selection rely on in the edition table.
TEST(Detect, EditionTableIsComplete) {
    std::set<std::string> stored;
    for (const SchemaRow& row : kSchemaTable) stored.insert(row.fileName);
    for (const EditionRow& e : Editions()) {
        const std::string name = std::to_string(CodeOf(e.code)) + " " + e.ns;
        ASSERT_NE(e.edition, nullptr) << name;
        if (e.step == EditionStep::None) continue;
        // every schema an edition names is written into the data folder
        ASSERT_NE(e.schema, nullptr) << name;
        EXPECT_TRUE(stored.count(e.schema)) << name << ": " << e.schema;
        // the schema selection finds the row again
        for (int debit : {0, 1}) {
            if (e.debitKind != kDebitFromText && e.debitKind != debit) continue;
            const SchemaChoice c = SelectSchema(e.code, debit != 0, e.austrian, e.subset);
            EXPECT_STREQ(c.file, e.schema) << name << " debit " << debit;
            EXPECT_STREQ(c.edition, e.edition) << name << " debit " << debit;
        }
    }
    // Every step after the first three ends, for either debit kind, with a
    // row whose test always holds: detection never comes away without a row.
    for (EditionStep step : {EditionStep::AustrianIban, EditionStep::Austrian, EditionStep::Iso, EditionStep::Swift,
                             EditionStep::Grouped, EditionStep::Sepade, EditionStep::SepadeContainer,
                             EditionStep::Container})
        for (int debit : {0, 1}) {
            bool ends = false;
            for (const EditionRow& e : Editions())
                if (e.step == step && (e.debitKind == debit || e.debitKind == kDebitFromText) && *e.test == '\0')
                    ends = true;
            EXPECT_TRUE(ends) << static_cast<int>(step) << " debit " << debit;
        }
}

// A namespace may hold the tests of two rows: the first row in the order of
// the tests wins.
TEST(Detect, NamespaceTestsKeepTheirOrder) {
    struct Case {
        const char* name;
        std::string text;
        int format;
        const char* schema;
        const char* edition;
        std::string expectedNs;
    } cases[] = {
        {"CT: 2.7 before 3.0", Doc("Document", kIso + "pain.001.003.03.001.03", kCt), 8, "pain.001.003.03.xsd",
         "2.7/2.8/2.9 aktuell bis 19.11.2016", kIso + "pain.001.003.03"},
        {"DD: 3.0 before 2.7", Doc("Document", kIso + "pain.008.003.02.001.02", kDd), 10, "pain.008.001.02.xsd",
         "3.0 aktuell ab 20.11.2016", kIso + "pain.008.001.02"},
        {"container: 2.5 before 3.0", Doc("conxml", "urn:conxml:xsd:container.nnn.001.02.nnn.002.02", ""), 5,
         "container.nnn.002.02.xsd", "2.5/2.6 aktuell bis 03.11.2013", "urn:conxml:xsd:container.nnn.002.02"},
        {"Austrian: the words in any order", Doc("Document", "payments:003:STUZZA:pain.001.001.03", kCt), 8,
         "ISO.pain.001.001.03.austrian.003.xsd", "SEPA TRF Version 5 (Österreich)",
         "ISO:pain.001.001.03:APC:STUZZA:payments:003"},
        {"Austrian: another message is version 2", Doc("Document", "ISO:pain.008.001.02:APC:STUZZA:payments:003", kCt),
         4, "ISO.pain.001.001.02.austrian.002.xsd", "SEPA CORE Version 2 (Österreich)",
         "APC:STUZZA:payments:ISO:pain:001:001:02:austrian:002"},
        // a container in an Austrian namespace is told the container's name alone
        {"container in an Austrian namespace", Doc("conxml", "APC:STUZZA:container.nnn.003.02", ""), 7,
         "container.nnn.003.02.xsd", "2.7/2.8/2.9 aktuell bis 19.11.2016", "container.nnn.003.02"},
        {"a camt namespace decides before the root", Doc("conxml", kIso + "camt.053.001.02", ""), -3,
         "ZKA.camt.053.001.02.v02.xsd", "CAMT 2.x gültig seit 01.11.2009", kIso + "camt.053.001.02"},
        {"another camt message is a credit transfer", Doc("Document", kIso + "camt.055.001.01", kDd), 6,
         "pain.001.002.03.xsd", "2.5/2.6 aktuell bis 03.11.2013", kIso + "pain.001.002.03"},
        {"foreign-trade report without a namespace", Doc("LIEFERUNG-AWZEL", "", ""), -10, "BbkXmwAwzel.xsd", "", ""},
    };
    for (const auto& c : cases) {
        Detected r = DetectTree(c.text);
        EXPECT_EQ(CodeOf(r.d.formatCode), c.format) << c.name;
        EXPECT_EQ(r.d.schemaFile, c.schema) << c.name;
        EXPECT_EQ(U8(r.d.edition), c.edition) << c.name;
        EXPECT_EQ(r.d.expectedNamespace, c.expectedNs) << c.name;
    }
}

TEST(Detect, EditionsAfterThreeZero) {
    // Only the exact namespace with its own root makes one of them; near misses stay older editions.
    struct Case {
        const char* name;
        std::string text;
        int format;
    } near[] = {
        {"unknown ISO edition", Doc("Document", kIso + "pain.008.001.09", kDd), 6},
        {"sepade namespace", Doc("Document", "urn:sepade:xsd:pain.001.001.09", kCt), 0},
        {"container namespace on Document", Doc("Document", "urn:conxml:xsd:container.nnn.001.GBIC4", kCt), 0},
        {"camt.053 edition 4", Doc("Document", kIso + "camt.053.001.04", ""), -3},
    };
    for (const auto& c : near) EXPECT_EQ(CodeOf(DetectTree(c.text).d.formatCode), c.format) << c.name;

    // Credit transfers and direct debits in one file stop as in the older editions.
    Detected mixed = DetectTree(Doc("Document", kIso + "pain.001.001.09", kCt + kDd));
    EXPECT_TRUE(mixed.d.stopped);
    EXPECT_EQ(mixed.messages,
              std::vector<std::string>{"Es handelt sich nicht um eine SEPA Datei aus Lastschriften oder Überweisungen!"});

    // The subset: 5 unless 4 is asked for; only the DK subsets have one.
    const std::string ct = Doc("Document", kIso + "pain.001.001.09", kCt);
    for (int asked : {0, 4, 5, 7}) {
        DetectInput in;
        in.subset = asked;
        Detected r = DetectTree(ct, &in);
        EXPECT_EQ(r.d.subset, asked == 4 ? 4 : 5) << asked;
        EXPECT_EQ(r.d.schemaFile, asked == 4 ? "GBIC_4/pain.001.001.09.xsd" : "GBIC_5/pain.001.001.09.xsd") << asked;
        EXPECT_EQ(U8(r.d.edition),
                  asked == 4 ? "3.7 (GBIC_4) aktuell ab November 2023" : "3.9 (GBIC_5) aktuell ab November 2025");
    }
    EXPECT_EQ(DetectTree(Doc("Document", kIso + "pain.002.001.10", "")).d.subset, 0);
    EXPECT_EQ(DetectTree(Doc("Document", kIso + "pain.001.001.03", kCt)).d.subset, 0);
}

TEST(Detect, RetiredEditionHint) {
    const char* hint = "Hinweis: Das Format %s wird von deutschen Banken seit November 2025 nicht mehr angenommen!";
    auto expected = [&](const char* message) { return Format(hint, message); };
    struct Case {
        const char* name;
        std::string text;
        std::string hint;
    } cases[] = {
        {"2.3 container", Doc("sepade", "urn:sepade:xsd:pain.001.001.02.con", "<pain.001.001.02/>"),
         expected("pain.001.001.02")},
        {"2.3 grouped DD", Doc("Document", "urn:sepade:xsd:pain.008.001.01.grp", "<pain.008.001.01/>"),
         expected("pain.008.001.01")},
        {"2.7 DD", Doc("Document", kIso + "pain.008.003.02", kDd), expected("pain.008.003.02")},
        {"3.0 container", Doc("conxml", "urn:conxml:xsd:container.nnn.001.02", ""), expected("container.nnn.001.02")},
        {"3.0 CT", Doc("Document", kIso + "pain.001.001.03", kCt), expected("pain.001.001.03")},
        {"3.9 CT", Doc("Document", kIso + "pain.001.001.09", kCt), ""},
        // A namespace the checker does not know as its own: the hint names
        // the file's message, never the edition the check fell back to.
        {"status report 3.0", Doc("Document", kIso + "pain.002.001.03", "<CstmrPmtStsRpt/>"),
         expected("pain.002.001.03")},
        {"2.4 status report", Doc("Document", "urn:swift:xsd:$pain.002.002.02", ""), expected("pain.002.002.02")},
        {"unknown DD edition", Doc("Document", kIso + "pain.008.001.10", kDd), ""},
        {"unknown CT edition", Doc("Document", kIso + "pain.001.001.05", kCt), ""},
        {"no namespace", Doc("Document", "", kCt), ""},
        {"GBIC container", Doc("conxml", "urn:conxml:xsd:container.nnn.001.GBIC4", ""), ""},
        {"Austrian", Doc("Document", "ISO:pain.001.001.03:APC:STUZZA:payments:003", kCt), ""},
        {"camt", Doc("Document", kIso + "camt.053.001.02", ""), ""},
        {"foreign-trade report", Doc("LIEFERUNG-AWZEL", kBbkNamespace, ""), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(U8(RetiredEditionHint(DetectTree(c.text).d)), c.hint) << c.name;
}

TEST(Detect, EarlyStopsAndDirectSendingReasons) {
    Detected r = DetectTree(Doc("Foo", kIso + "pain.001.001.03", kCt));
    EXPECT_TRUE(r.d.stopped);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Es handelt sich nicht um eine SEPA XML Datei!"});

    r = DetectTree(Doc("Document", kIso + "pain.001.001.03", kCt + kDd));
    EXPECT_TRUE(r.d.stopped);
    EXPECT_EQ(CodeOf(r.d.formatCode), -1);
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"Es handelt sich nicht um eine SEPA Datei aus Lastschriften oder Überweisungen!"});

    r = DetectTree(Doc("Document", "ISO:pain.001.001.03:APC:STUZZA:payments:003", kCt));
    EXPECT_EQ(U8(r.d.directReason), ", da es sich nicht um ein deutsches Format handelt.");
    r = DetectTree(Doc("conxml", "urn:conxml:xsd:container.nnn.001.02", ""));
    EXPECT_EQ(U8(r.d.directReason), ", da Containerformate nicht unterstützt werden.");
}

TEST(Detect, StructuralAndNamespaceChecksInTreeMode) {
    const std::string ct = kIso + "pain.001.001.03";
    const std::string dd = kIso + "pain.008.001.02";
    auto blocks = [](std::initializer_list<const char*> codes, const char* element) {
        std::string body = "<CstmrDrctDbtInitn>";
        for (const char* c : codes) body += std::string("<") + element + "><Cd>" + c + "</Cd></" + element + ">";
        return body + "</CstmrDrctDbtInitn>";
    };
    auto transfers = [](std::initializer_list<const char*> codes) {
        std::string body = "<CstmrCdtTrfInitn>";
        for (const char* c : codes) body += std::string("<SvcLvl><Cd>") + c + "</Cd></SvcLvl>";
        return body + "</CstmrCdtTrfInitn>";
    };
    const std::string xsi = "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"";
    auto located = [&](const std::string& ns, const std::string& location) {
        return "<Document xmlns=\"" + ns + "\" " + xsi + location + "\">" + kCt + "</Document>";
    };
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> messages;
        int debitKind;
        int subtype;
        const char* edition;
    } cases[] = {
        {"prefixed root", "<p:Document xmlns:p=\"" + ct + "\">" + kCt + "</p:Document>",
         {"Elementnamen mit mit Präfix sollten nicht verwendet werden!"}, 0, 0, "3.0 aktuell ab 20.11.2016"},
        {"prefixed document in a container",
         "<conxml xmlns=\"urn:conxml:xsd:container.nnn.003.02\"><MsgPain001><p:Document xmlns:p=\"" + ct +
             "\"/></MsgPain001></conxml>",
         {"Elementnamen mit mit Präfix sollten nicht verwendet werden!"}, 0, 0,
         "2.7/2.8/2.9 aktuell bis 19.11.2016"},
        {"all COR1 in 3.0", Doc("Document", dd, blocks({"COR1", "COR1"}, "LclInstrm")),
         {"COR1 ist in Version 3.0 nicht mehr zulässig!"}, 3, 0, "3.0 aktuell ab 20.11.2016"},
        {"B2B", Doc("Document", dd, blocks({"B2B", "B2B"}, "LclInstrm")), {}, 2, 0, "3.0 aktuell ab 20.11.2016"},
        {"CORE, CORE, B2B", Doc("Document", dd, blocks({"CORE", "CORE", "B2B"}, "LclInstrm")),
         {"B2B,COR1 und CORE Lastschriften dürfen nicht in einer Datei enthalten sein!"}, 1, 0,
         "3.0 aktuell ab 20.11.2016"},
        {"codes before the scheme are passed over", Doc("Document", dd, blocks({"XYZ", "CORE"}, "LclInstrm")), {}, 1, 0,
         "3.0 aktuell ab 20.11.2016"},
        {"urgent credit transfer", Doc("Document", ct, transfers({"URGP", "URGP"})), {}, 0, 2,
         "Eilüberweisungen im pain.001 Format gültig seit 04.11.2013"},
        {"mixed service levels", Doc("Document", ct, transfers({"SEPA", "URGP"})),
         {"SEPA Überweisungen und Eilüberweisungen dürfen nicht in einer Datei enthalten sein!"}, 0, 0,
         "3.0 aktuell ab 20.11.2016"},
        {"schemaLocation matches", located(ct, ct + " pain.001.001.03.xsd"), {}, 0, 0, "3.0 aktuell ab 20.11.2016"},
        {"schemaLocation with a local path", located(ct, ct + " C:\\sepa\\pain.001.001.03.xsd"),
         {"Die Angabe eines lokalen Pfades im Attribut 'schemaLocation' kann in den Verarbeitungssystemen zur "
          "Abweisung der gesamten Datei führen."},
         0, 0, "3.0 aktuell ab 20.11.2016"},
        {"schemaLocation names another schema", located(ct, ct + " pain.001.003.03.xsd"),
         {"Das Attribut 'schemaLocation' enthält eine nicht zum Namensraum passende XSD Datei-Angabe : "
          "pain.001.003.03.xsd"},
         0, 0, "3.0 aktuell ab 20.11.2016"},
        {"schemaLocation of another namespace", located(ct, "urn:other pain.001.001.03.xsd"),
         {"Das Attribut 'schemaLocation' enthält eine vom Namensraum abweichende Angabe!"}, 0, 0,
         "3.0 aktuell ab 20.11.2016"},
        {"no namespace", Doc("Document", "", kCt),
         {"Es ist kein Namensraum für das Root-Element 'Document' angegeben!"}, 0, 0, "2.3 aktuell bis 31.10.2009"},
        {"payment status report", Doc("Document", kIso + "pain.002.001.03", "<CstmrPmtStsRpt/>"),
         {"Der Namensraum '" + kIso + "pain.002.001.03' des Wurzelelements 'Document' entspricht nicht dem "
                                      "erforderlichen Namensraum '" + ct + "'"},
         0, 0, "3.0 aktuell ab 20.11.2016"},
        {"camt.053.001.04", Doc("Document", kIso + "camt.053.001.04", "<BkToCstmrStmt/>"),
         {"Der Namensraum '" + kIso + "camt.053.001.04' des Wurzelelements 'Document' entspricht nicht dem "
                                      "erforderlichen Namensraum '" + kIso + "camt.053.001.02'"},
         0, 1, "CAMT 2.x gültig seit 01.11.2009"},
        {"edition 2.3 has no structural checks",
         "<p:Document xmlns:p=\"urn:sepade:xsd:pain.001.001.02\"><pain.001.001.02/></p:Document>", {}, 0, 0,
         "2.3 aktuell bis 31.10.2009"},
    };
    for (const auto& c : cases) {
        Detected r = DetectTree(c.text);
        EXPECT_EQ(r.messages, c.messages) << c.name;
        EXPECT_EQ(r.d.debitKind, c.debitKind) << c.name;
        EXPECT_EQ(r.d.subtype, c.subtype) << c.name;
        EXPECT_EQ(U8(r.d.edition), c.edition) << c.name;
    }
}

TEST(Detect, EventModeUsesTheCollectedCodes) {
    const std::string dd = Doc("Document", kIso + "pain.008.001.02", kDd);
    const std::string ct27 = Doc("Document", kIso + "pain.001.003.03", kCt);
    struct Case {
        const char* name;
        std::string text;
        int prefixCount;
        std::vector<std::string> instruments;
        std::vector<std::string> serviceLevels;
        std::vector<std::string> messages;
        int debitKind;
        int subtype;
    } cases[] = {
        {"COR1 in 3.0: no message in event mode", dd, 0, {"COR1", "COR1"}, {}, {}, 3, 0},
        {"codes must be equal", dd, 0, {"CORE", "B2B"}, {},
         {"B2B,COR1 und CORE Lastschriften dürfen nicht in einer Datei enthalten sein!"}, 1, 0},
        {"prefix counted", dd, 2, {}, {}, {"Elementnamen mit mit Präfix sollten nicht verwendet werden!"}, 1, 0},
        {"one urgent service level", ct27, 0, {}, {"URGP"}, {}, 0, 2},
        {"two service levels", ct27, 0, {}, {"SEPA", "URGP"},
         {"SEPA Überweisungen und Eilüberweisungen dürfen nicht in einer Datei enthalten sein!"}, 0, 0},
    };
    for (const auto& c : cases) {
        DetectInput in;
        in.eventMode = true;
        in.prefixCount = c.prefixCount;
        in.localInstruments = c.instruments;
        in.serviceLevels = c.serviceLevels;
        Detected r = DetectTree(c.text, &in);
        EXPECT_EQ(r.messages, c.messages) << c.name;
        EXPECT_EQ(r.d.debitKind, c.debitKind) << c.name;
        EXPECT_EQ(r.d.subtype, c.subtype) << c.name;
    }
}

}  // namespace valorix::test
