// The well-formedness check the fuzzing targets apply to every page: a check
// that let a broken page pass would make every fuzzing run worthless, so it
// is tested against the faults a piece of a hostile file could cause.
#include <gtest/gtest.h>

#include "../fuzz/markup.h"

namespace valorix::test {

using fuzz::Markup;
using fuzz::MarkupFault;

TEST(FuzzMarkup, FindsWhatBreaksAPage) {
    const std::string head = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"/><title>t</title></head><body>";
    const std::string tail = "</body></html>\n";
    struct Case {
        Markup kind;
        std::string body;
        const char* fault;  // part of the fault's text; "" for a well-formed page
    } const cases[] = {
        // What the pages use.
        {Markup::Xml, "<p class=\"a\">a &amp; &lt;b&gt; &#228; &#x1F600; \xc3\xa4</p><br/><!-- c -->", ""},
        {Markup::Xml, "<a href=\"#f1\">l</a><div id=\"f1\">x</div>", ""},
        {Markup::Html,
         "<details open class=\"err\"><summary>s</summary><div>x</div></details><meta charset=\"utf-8\"><br>"
         "<script>if(a<b&&c)go('</p>');</script><a href=\"#f0\" onclick=\"openTo('f0')\">l</a><p id=\"f0\">&auml;</p>",
         ""},
        // Characters a file may bring along.
        {Markup::Xml, "<p>a & b</p>", "'&' ohne"},
        {Markup::Xml, "<p>&nbsp;</p>", "'&' ohne"},
        {Markup::Xml, "<p>\xef\xbf\xbf</p>", "nicht erlaubt"},
        {Markup::Html, "<p>\x01</p>", "nicht erlaubt"},
        {Markup::Xml, "<p>&#1;</p>", "Zeichenreferenz"},
        {Markup::Html, "<p>\xfc\x80</p>", "kein UTF-8"},
        {Markup::Xml, "<p>\xed\xa0\x80</p>", "kein UTF-8"},  // a surrogate
        // Markup out of place.
        {Markup::Xml, "<div><span>x</div></span>", "passt nicht"},
        {Markup::Html, "<div>x", "passt nicht"},
        {Markup::Xml, "<p>]]></p>", "']]>'"},
        {Markup::Xml, "<!-- a -- b -->", "'--'"},
        {Markup::Xml, "<a title=\"a\"b\">x</a>", "Leerraum"},
        {Markup::Html, "<details open class=\"a\"b\">x</details>", "Leerraum"},
        {Markup::Xml, "<a title=\"<b>\">x</a>", "'<' in einem Attributwert"},
        {Markup::Xml, "<a title=x>x</a>", "ohne Anführungszeichen"},
        {Markup::Xml, "<details open><summary>s</summary></details>", "ohne Wert"},
        {Markup::Xml, "<p a=\"1\" a=\"2\"/>", "doppelt"},
        // What a report must not have, and links.
        {Markup::Xml, "<script>x()</script>", "Skript"},
        {Markup::Xml, "<a href=\"#f1\" onclick=\"x()\">l</a>", "Ereignisattribut"},
        {Markup::Html, "<p id=\"f1\"/><p id=\"f1\"/>", "doppelt"},
        {Markup::Html, "<a href=\"#f2\">l</a>", "ohne Ziel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const std::string fault = MarkupFault(head + c.body + tail, c.kind);
        if (*c.fault == '\0') EXPECT_EQ(fault, "");
        else EXPECT_NE(fault.find(c.fault), std::string::npos) << fault;
    }
    // One root element, nothing after it.
    EXPECT_NE(MarkupFault("<!DOCTYPE html><html></html><p/>", Markup::Xml), "");
    EXPECT_NE(MarkupFault("plain text", Markup::Html), "");
    EXPECT_NE(MarkupFault("<!DOCTYPE html>\n<html><body><div>", Markup::Html).find("ohne Ende"), std::string::npos);
    EXPECT_EQ(MarkupFault("<div><h2>Begleitzettel</h2>\n<table class=\"slip\"></table>\n</div>", Markup::Xml), "");
}

}  // namespace valorix::test
