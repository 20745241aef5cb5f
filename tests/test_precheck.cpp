#include <gtest/gtest.h>

#include <sstream>

#include "core/precheck.h"
#include "support.h"

namespace valorix::test {

namespace {
const char* const kBefore =
    "Die Datei enthält Zeichen vor der XML Deklaration (<?xml...), sie werden vor dem Prüfen entfernt!";
const char* const kNoDecl = "'f.xml' beginnt nicht mit einer XML Deklaration (<?xml ...)!";
const char* const kTwoByte = "'f.xml' ist eine 2 Byte kodierte Datei und kann nicht korrekt versandt werden!";

std::string Utf16Le(const std::u16string& s) {
    std::string out = "\xFF\xFE";
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}
}  // namespace

TEST(Precheck, DeclarationWhiteSpaceAndEncodings) {
    struct Case {
        const char* name;
        std::string bytes;
        int declPosition;
        std::vector<std::string> messages;
        std::string text;  // the document text after the pre-checks
        std::string declared;
        bool extra;
    } cases[] = {
        {"plain", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>\n\n", -1, {},
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", "UTF-8", false},
        {"byte-order mark stays", "\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", 0, {kBefore},
         "\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", "UTF-8", false},
        {"leading blank lines removed", "\r\n \n<?xml version=\"1.0\"?><a/> \t", 0, {kBefore},
         "<?xml version=\"1.0\"?><a/>", "UTF-8", false},
        {"tab after <?xml", "<?xml\tversion=\"1.0\"?><a/>", 1, {kNoDecl}, "<?xml\tversion=\"1.0\"?><a/>", "UTF-8",
         false},
        {"lower-case iso-8859-15", "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><a/>", "iso-8859-15", true},
        {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\" ISO-8859-1 \"?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\" ISO-8859-1 \"?><a/>", "ISO-8859-1", false},
        {"ISO-8859 without part", "<?xml version=\"1.0\" encoding=\"ISO-8859\"?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\"ISO-8859\"?><a/>", "ISO-8859", true},
        {"single quotes", "<?xml version='1.0' encoding='utf-8' standalone='yes'?><a/>", -1, {},
         "<?xml version='1.0' encoding='utf-8' standalone='yes'?><a/>", "utf-8", false},
        {"single-quoted iso-8859-2", "<?xml version='1.0' encoding='iso-8859-2'?><a/>", -1, {},
         "<?xml version='1.0' encoding='iso-8859-2'?><a/>", "iso-8859-2", true},
        {"no closing quote", "<?xml version=\"1.0\" encoding=\"latin1?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\"latin1?><a/>", "UTF-8", false},
        {"empty file", "", 1, {kNoDecl}, "", "UTF-8", false},
        {"UTF-16 little endian", Utf16Le(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u00e4\u20ac\u4e00</a>"), -1,
         {kTwoByte}, "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xE4\x80?</a>", "UTF-16", false},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.bytes);
        std::vector<std::string> messages;
        PrecheckResult r = RunPrechecks(in, "f.xml", messages);
        EXPECT_EQ(r.declPosition, c.declPosition) << c.name;
        EXPECT_EQ(U8(messages), c.messages) << c.name;
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_EQ(r.declaredEncoding, c.declared) << c.name;
        EXPECT_EQ(r.extraEncodings, c.extra) << c.name;
    }
}

TEST(Precheck, NulEndsOnlyTheTextOfItsChunk) {
    // The first read takes 50 bytes, later reads 10000: a NUL in the first
    // chunk cuts that chunk only.
    std::string bytes = "<?xml version=\"1.0\"?>";
    bytes += std::string("<a>") + '\0' + "lost";
    bytes.resize(50, 'x');
    bytes += "<b/>";
    std::istringstream in(bytes);
    std::vector<std::string> messages;
    EXPECT_EQ(RunPrechecks(in, "f", messages).text, "<?xml version=\"1.0\"?><a><b/>");
}

TEST(Precheck, EncodingAcceptance) {
    struct Case {
        std::string encoding;
        std::string message;
    } cases[] = {
        {"UTF-8", ""},
        {"utf-8", ""},
        {"iso-8859-15", ""},
        {"ISO-8859-1", ""},
        {"windows-1252", "Erlaubte Kodierungen sind UTF-8 und ISO-8859 nicht 'windows-1252'!"},
        {"'UTF-8'", "Erlaubte Kodierungen sind UTF-8 und ISO-8859 nicht ''UTF-8''!"},
        {"", "Erlaubte Kodierungen sind UTF-8 und ISO-8859, die Datei enthält keine Angabe!"},
    };
    for (const auto& c : cases) EXPECT_EQ(U8(EncodingMessage(c.encoding)), c.message) << c.encoding;
}

}  // namespace valorix::test
