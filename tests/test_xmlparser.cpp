#include <gtest/gtest.h>

#include <xercesc/dom/DOMNode.hpp>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "platform/paths.h"
#include "support.h"
#include "xml/elementguard.h"
#include "xml/saxpass.h"
#include "xml/parsedtree.h"

namespace valorix::test {

namespace {

// Findings as columns, for comparing one field of all of them at once.
struct Records {
    std::vector<std::string> texts;
    std::vector<int> lines, columns;
    std::vector<uint8_t> kinds;
    Records() = default;
    explicit Records(const Findings& findings) { Take(findings); }
    bool Parse(ParsedTree& doc) {
        Findings findings;
        const bool ok = doc.Parse(findings);
        Take(findings);
        return ok;
    }

private:
    void Take(const Findings& findings) {
        *this = Records();
        for (const Finding& f : findings) {
            texts.push_back(f.text);
            lines.push_back(f.line);
            columns.push_back(f.column);
            kinds.push_back(static_cast<uint8_t>(f.kind));
        }
    }
};

const char* const kNs = "urn:iso:std:iso:20022:tech:xsd:pain.001.001.03";

std::string TestSchema(const TempDir& dir) {
    const std::string path = dir / "charset.xsd";
    WriteFile(path, ReadFile(FixturesDir() + "/charset/charset.xsd"));
    return path;
}

}  // namespace

TEST(XmlParser, UndefinedEntityIsFatalWithPosition) {
    ParsedTree doc("<?xml version=\"1.0\"?>\n<a>\n  &nope;</a>", "");
    Records r;
    EXPECT_FALSE(r.Parse(doc));
    ASSERT_EQ(r.texts.size(), 1u);
    EXPECT_EQ(r.texts[0], "entity 'nope' not found");
    EXPECT_EQ(r.kinds[0], 1);
    EXPECT_EQ(r.lines[0], 3);
    EXPECT_EQ(r.columns[0], 9);
}

TEST(XmlParser, SchemaViolationsAreKindZeroAndTheTreeStays) {
    TempDir dir;
    const std::string doc = std::string("<Document xmlns=\"") + kNs +
                            "\">\n<Basic>a_b</Basic>\n<Dt>2026-02-30</Dt>\n<DtTm>x</DtTm>\n<Req>ok</Req>\n</Document>";
    ParsedTree parser(doc, TestSchema(dir));
    Records r;
    EXPECT_FALSE(r.Parse(parser));
    ASSERT_EQ(r.texts.size(), 3u) << ::testing::PrintToString(r.texts);
    EXPECT_EQ(r.texts[0], "value 'a_b' does not match regular expression facet '([ \\-':?,+()/\\.a-zA-Z0-9])*'");
    EXPECT_EQ(r.lines, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(r.columns, (std::vector<int>{19, 20, 15}));
    EXPECT_EQ(r.kinds, (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(parser.GetName(), "Document");
    EXPECT_EQ(parser.GetNamespace(), kNs);
}

TEST(XmlParser, ExtraEncodingsDecodeAsLatin1) {
    const std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><a>\xA4</a>";
    ParsedTree registered(text, "");
    Records r;
    ASSERT_TRUE(r.Parse(registered));
    EXPECT_EQ(registered.GetText(), "\xA4");  // the currency sign of ISO-8859-1, byte for byte
    EXPECT_EQ(registered.GetEncoding(), "ISO-8859-15");
}

TEST(XmlParser, EntityExpansionEndsInAFatalRecord) {
    std::string bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE a [\n<!ENTITY a0 \"xxxxxxxxxx\">\n";
    for (int i = 1; i < 10; ++i) {
        bomb += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) bomb += "&a" + std::to_string(i - 1) + ";";
        bomb += "\">\n";
    }
    bomb += "]>\n<a>&a9;</a>";
    ParsedTree doc(bomb, "");
    Records r;
    EXPECT_FALSE(r.Parse(doc));
    ASSERT_FALSE(r.kinds.empty());
    EXPECT_EQ(r.kinds[0], 1);
}

TEST(XmlParser, SchemaThatCannotBeLoadedIsAFinding) {
    TempDir dir;
    WriteFile(dir / "empty.xsd", "");
    WriteFile(dir / "broken.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element");
    // A schema importing a file outside its folder: the import is refused.
    fs::create_directory(dir / "data");
    WriteFile(dir / "outside.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"/>");
    WriteFile(dir / "data/escape.xsd",
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:include "
              "schemaLocation=\"../outside.xsd\"/><xs:element name=\"a\"/></xs:schema>");
    // The path reads as it is named on disk, umlauts and "%" included.
    fs::create_directories(dir / "jürgen");
    fs::create_directories(dir / "50% fertig");
    WriteFile(dir / "50% fertig/empty.xsd", "");
    for (const std::string& schema : {dir / "missing.xsd", dir / "empty.xsd", dir / "broken.xsd", dir / "data/escape.xsd",
                                      dir / "jürgen/missing.xsd", dir / "50% fertig/empty.xsd"}) {
        ParsedTree doc("<a/>", schema);
        Records r;
        EXPECT_FALSE(r.Parse(doc)) << schema;
        ASSERT_FALSE(r.texts.empty()) << schema;
        EXPECT_EQ(U8(r.texts[0]), "Das Schema '" + NativeSeparators(schema) + "' konnte nicht geladen werden!");
        EXPECT_EQ(r.kinds[0], 0);
        EXPECT_EQ(r.lines[0], -1);
    }
}

TEST(XmlParser, SchemaLocationOfTheDocumentIsNeverLoaded) {
    TempDir dir;
    const std::string schema = TestSchema(dir);
    // A schema elsewhere that would reject the document if it were read.
    fs::create_directory(dir / "elsewhere");
    WriteFile(dir / "elsewhere/strict.xsd", std::string("<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                                                        "targetNamespace=\"") + kNs + "\"/>");
    const std::string doc = std::string("<Document xmlns=\"") + kNs +
                            "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"" + kNs +
                            " " + (dir / "elsewhere/strict.xsd") + "\"><Req>ok</Req></Document>";
    ParsedTree parser(doc, schema);
    Records r;
    EXPECT_TRUE(r.Parse(parser)) << (r.texts.empty() ? "" : r.texts[0]);
}

// The walk and the rules move through the tree with the sibling steps and set
// the cursor to the scope they count or search in.
TEST(XmlParser, NavigationAndCursorScope) {
    ParsedTree doc("<r a=\"1\" b=\"2\"><x>t1<y>t2</y></x><!--c--><x/>tail</r>", "");
    Records r;
    ASSERT_TRUE(r.Parse(doc));
    std::vector<std::string> names, values;
    EXPECT_EQ(doc.GetAttributes(names, values), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(doc.GetText(), "t1t2tail");
    EXPECT_EQ(doc.GetEncoding(), "");
    EXPECT_EQ(doc.CountAllElements(), 4);
    EXPECT_EQ(doc.CountElements("x"), 2);
    std::vector<DomNode*> list;
    EXPECT_EQ(doc.GetElementChildren(list), 2);
    EXPECT_EQ(doc.FindElements("y", list), 1);

    // Sibling steps: the comment between the two x is no node.
    DomNode* root = doc.GetCurrent();
    DomNode* first = ParsedTree::FirstChild(root);
    DomNode* second = ParsedTree::NextSibling(first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ParsedTree::LastChild(root), second);
    EXPECT_EQ(ParsedTree::NextSibling(second), nullptr);
    EXPECT_EQ(ParsedTree::PreviousSibling(second), first);
    EXPECT_EQ(ParsedTree::PreviousSibling(first), nullptr);
    DomNode* y = ParsedTree::LastChild(first);
    EXPECT_EQ(ParsedTree::NameOf(y), "y");
    EXPECT_EQ(ParsedTree::ParentOf(y), first);
    EXPECT_EQ(ParsedTree::ParentOf(root), doc.GetDocument());
    EXPECT_EQ(ParsedTree::ParentOf(doc.GetDocument()), nullptr);
    EXPECT_EQ(ParsedTree::NameOf(doc.GetDocument()), "#document");
    EXPECT_TRUE(ParsedTree::IsElement(second));
    EXPECT_FALSE(ParsedTree::IsElement(doc.GetDocument()));
    EXPECT_EQ(ParsedTree::FirstChild(second), nullptr);

    // A leaf as cursor finds and counts nothing below it.
    ASSERT_TRUE(doc.SetCurrent(second));
    EXPECT_EQ(doc.FindElements("x", list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(doc.CountElements("x"), 0);
    ASSERT_TRUE(doc.SetCurrent(first));
    EXPECT_EQ(doc.GetText(), "t1t2");
    EXPECT_EQ(doc.CountElements("y"), 1);
    ASSERT_TRUE(doc.SetCurrent(doc.GetDocument()));  // the document stands for its root
    EXPECT_EQ(doc.GetName(), "r");

    // A node of another parse does not move the cursor.
    ParsedTree other("<o><p/></o>", "");
    Records r2;
    ASSERT_TRUE(r2.Parse(other));
    ASSERT_TRUE(doc.SetCurrent(first));
    EXPECT_FALSE(doc.SetCurrent(other.GetCurrent()));
    EXPECT_FALSE(doc.SetCurrent(other.GetDocument()));
    EXPECT_FALSE(doc.SetCurrent(nullptr));
    EXPECT_EQ(doc.GetName(), "x");
    EXPECT_EQ(ParsedTree::NameOf(other.GetCurrent()), "o");
    EXPECT_EQ(ParsedTree::NameOf(ParsedTree::FirstChild(other.GetCurrent())), "p");
}

// What the walk and the rules read of the tree: qualified names with their
// prefix, namespaces, attributes ordered by qualified name, the character
// data of CDATA sections and entity references but not of comments, and after
// a fatal error the elements read up to it.
TEST(XmlParser, TreeHoldsNamesAttributesAndText) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<p:r xmlns:p=\"urn:p\" z=\"3\" b=\"2\" a=\"1\"><p:x>a&amp;b<![CDATA[<c>]]><!--no-->d</p:x>"
        "<y xmlns=\"urn:y\">\xE4</y></p:r>";
    for (bool withSchema : {false, true}) {
        TempDir dir;
        const std::string schema = withSchema ? dir / "any.xsd" : std::string();
        if (withSchema)
            WriteFile(schema, "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" targetNamespace=\"urn:p\"/>");
        ParsedTree doc(text, schema);
        Records r;
        r.Parse(doc);
        std::vector<std::string> names, values;
        doc.GetAttributes(names, values);
        EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "xmlns:p", "z"})) << withSchema;
        EXPECT_EQ(values, (std::vector<std::string>{"1", "2", "urn:p", "3"})) << withSchema;
        EXPECT_EQ(doc.GetName(), "p:r");
        EXPECT_EQ(doc.GetNamespace(), "urn:p");
        EXPECT_EQ(doc.GetEncoding(), "ISO-8859-1");
        std::vector<DomNode*> children;
        ASSERT_EQ(doc.GetElementChildren(children), 2);
        EXPECT_EQ(ParsedTree::NameOf(children[0]), "p:x");
        EXPECT_EQ(ParsedTree::TextOf(children[0]), "a&b<c>d");
        EXPECT_EQ(ParsedTree::TextOf(children[1]), "\xE4");
        EXPECT_EQ(doc.GetText(), "a&b<c>d\xE4");
    }
    // A fatal error keeps what was read before it.
    ParsedTree broken("<r><a>1</a><b>2</c></r>", "");
    Records r;
    EXPECT_FALSE(r.Parse(broken));
    ASSERT_NE(broken.GetDocument(), nullptr);
    EXPECT_EQ(broken.CountAllElements(), 3);
    EXPECT_EQ(broken.GetText(), "12");
}

// Without full records the event pass hands out the parser's formatted texts.
TEST(XmlParser, FormattedRecordsNamePositions) {
    CStdXmlDoc events;
    EXPECT_EQ(RunSaxPass("<a>\n<b></a>", &events, "", false), 0);
    ASSERT_EQ(events.m_findings.size(), 1u);
    EXPECT_EQ(events.m_findings[0].text.rfind("Schwerwiegender Fehler in Zeile 2, Spalte ", 0), 0u)
        << events.m_findings[0].text;
    EXPECT_FALSE(IsValidAgainst("<a>\n<b></a>", ""));
    EXPECT_TRUE(IsValidAgainst("<a><b/></a>", ""));
}

}  // namespace valorix::test

namespace valorix::test {

// The limits read the parser's element events: neither a bracket in a comment
// of the internal subset nor an encoding without the byte "<" hides the
// elements, and the parse stops at the first element beyond a limit.
TEST(ElementGuard, DeepOrAttributeLadenElementIsAFatalRecordInBothModes) {
    auto nested = [](int depth) {
        std::string body = "<r xmlns=\"urn:x\">";
        for (int i = 0; i < depth; ++i) body += "<a>";
        for (int i = 0; i < depth; ++i) body += "</a>";
        return body + "</r>";
    };
    auto ebcdic = [](std::string ascii) {
#ifdef _WIN32
        const std::wstring wide(ascii.begin(), ascii.end());
        std::string out(ascii.size(), '\0');
        WideCharToMultiByte(37, 0, wide.data(), static_cast<int>(wide.size()), out.data(), static_cast<int>(out.size()),
                            nullptr, nullptr);
        return out;
#else
        iconv_t cd = iconv_open("IBM037", "ASCII");
        std::string out(ascii.size(), '\0');
        char* in = ascii.data();
        char* to = out.data();
        size_t inLeft = ascii.size(), outLeft = out.size();
        iconv(cd, &in, &inLeft, &to, &outLeft);
        iconv_close(cd);
        return out;
#endif
    };
    auto attributes = [](int count) {
        std::string tag = "<a";
        for (int i = 0; i < count; ++i) tag += " a" + std::to_string(1000 + i) + "=''";
        return tag + "/>";
    };
    const std::string decl = "<?xml version=\"1.0\"?>\n";
    const std::string deep = "Die Elemente sind tiefer als 1000 Ebenen verschachtelt, die Datei wird nicht verarbeitet!";
    const std::string laden = "Ein Element trägt mehr als 256 Attribute, die Datei wird nicht verarbeitet!";
    struct Case {
        const char* name;
        std::string text;
        std::string finding;  // empty: within the limits
        int line, column;
    } cases[] = {
        {"1000 levels are accepted", decl + nested(999), "", 0, 0},
        {"empty elements do not nest", decl + "<r>" + std::string(3000, ' ') + "<a/><a/><a/></r>", "", 0, 0},
        {"1001 levels", decl + nested(1000), deep, 2, 18 + 3 * 1000},
        {"bracket in a comment of the internal subset", "<!DOCTYPE r [<!-- [ -->]>\n" + nested(30000), deep, 2,
         18 + 3 * 1000},
        {"IBM037", ebcdic("<?xml version=\"1.0\" encoding=\"IBM037\"?>\n" + nested(30000)), deep, 2, 18 + 3 * 1000},
        {"256 attributes are accepted", decl + "<r>" + attributes(256) + "</r>", "", 0, 0},
        {"257 attributes", decl + "<r>\n" + attributes(257) + attributes(40000) + "</r>", laden, 3, 2 + 257 * 9 + 2 + 1},
    };
    for (const auto& c : cases) {
        ParsedTree doc(c.text, "");
        Records tree;
        const bool ok = tree.Parse(doc);
        CProcessXmlDoc events;
        EXPECT_EQ(RunSaxPass(c.text, &events, "", true), 0) << c.name;
        if (c.finding.empty()) {
            EXPECT_TRUE(ok) << c.name << ": " << (tree.texts.empty() ? "" : tree.texts[0]);
            EXPECT_TRUE(events.m_findings.empty()) << c.name;
            continue;
        }
        EXPECT_FALSE(ok) << c.name;
        EXPECT_EQ(doc.GetDocument(), nullptr) << c.name;
        const Records eventRecords(events.m_findings);
        for (const Records* r : {static_cast<const Records*>(&tree), &eventRecords}) {
            const auto& [texts, lines, columns, kinds] = *r;
            ASSERT_EQ(texts.size(), 1u) << c.name << ": " << texts[0];
            EXPECT_EQ(U8(texts[0]), c.finding) << c.name;
            EXPECT_EQ(kinds[0], 1) << c.name;
            EXPECT_EQ(lines[0], c.line) << c.name;
            EXPECT_EQ(columns[0], c.column) << c.name;  // just after the start tag
        }
    }
}

}  // namespace valorix::test
