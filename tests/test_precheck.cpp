#include <gtest/gtest.h>

#include <sstream>

#include "core/precheck.h"
#include "xml/nvexception.h"
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
    } cases[] = {
        {"plain", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>\n\n", -1, {},
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", "UTF-8"},
        {"byte-order mark stays", "\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", 0, {kBefore},
         "\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", "UTF-8"},
        {"leading blank lines removed", "\r\n \n<?xml version=\"1.0\"?><a/> \t", 0, {kBefore},
         "<?xml version=\"1.0\"?><a/>", "UTF-8"},
        {"tab after <?xml", "<?xml\tversion=\"1.0\"?><a/>", 1, {kNoDecl}, "<?xml\tversion=\"1.0\"?><a/>", "UTF-8"},
        {"lower-case iso-8859-15", "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><a/>", "iso-8859-15"},
        {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\" ISO-8859-1 \"?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\" ISO-8859-1 \"?><a/>", "ISO-8859-1"},
        {"ISO-8859 without part", "<?xml version=\"1.0\" encoding=\"ISO-8859\"?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\"ISO-8859\"?><a/>", "ISO-8859"},
        {"single quotes", "<?xml version='1.0' encoding='utf-8' standalone='yes'?><a/>", -1, {},
         "<?xml version='1.0' encoding='utf-8' standalone='yes'?><a/>", "utf-8"},
        {"single-quoted iso-8859-2", "<?xml version='1.0' encoding='iso-8859-2'?><a/>", -1, {},
         "<?xml version='1.0' encoding='iso-8859-2'?><a/>", "iso-8859-2"},
        {"no closing quote", "<?xml version=\"1.0\" encoding=\"latin1?><a/>", -1, {},
         "<?xml version=\"1.0\" encoding=\"latin1?><a/>", "UTF-8"},
        {"empty file", "", 1, {kNoDecl}, "", "UTF-8"},
        {"UTF-16 little endian", Utf16Le(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u00e4\u20ac\u4e00</a>"), -1,
         {kTwoByte}, "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xE4\x80?</a>", "UTF-16"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.bytes);
        std::vector<std::string> messages;
        PrecheckResult r = RunPrechecks(in, "f.xml", messages);
        EXPECT_EQ(r.declPosition, c.declPosition) << c.name;
        EXPECT_EQ(U8(messages), c.messages) << c.name;
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_EQ(r.declaredEncoding, c.declared) << c.name;
    }
}

TEST(Precheck, NulEndsTheText) {
    // The first read takes 50 bytes, later reads 10000: wherever the first NUL
    // stands, nothing after it is read, and its position is the parser's.
    std::string later = "<?xml version=\"1.0\"?>\n<a>";
    later.resize(10100, 'x');
    const std::string wide = Utf16Le(u"<?xml version=\"1.0\"?>\r\n<a>") + std::string(2, '\0') + Utf16Le(u"<b/>");
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
        int line, column;
    } cases[] = {
        {"in the first chunk", std::string("<?xml version=\"1.0\"?><a>\0lost", 30) + std::string(30, 'x') + "<b/>",
         "<?xml version=\"1.0\"?><a>", 1, 25},
        {"in a later chunk", later + '\0' + "<b/>", later, 2, 10079},
        {"after CR LF and a UTF-8 character", "<?xml version=\"1.0\"?>\r\n<a>\xC3\xA4  " + std::string(1, '\0') + "</a>",
         "<?xml version=\"1.0\"?>\r\n<a>\xC3\xA4", 2, 7},
        {"after a single-byte character", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r<a>\xE4" + std::string(1, '\0'),
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r<a>\xE4", 2, 5},
        {"UTF-16 NUL character", wide, "<?xml version=\"1.0\"?>\r\n<a>", 2, 4},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.bytes);
        std::vector<std::string> messages;
        const PrecheckResult r = RunPrechecks(in, "f", messages);
        EXPECT_TRUE(r.nul) << c.name;
        EXPECT_EQ(r.text, c.text) << c.name;
        EXPECT_EQ(r.nulLine, c.line) << c.name;
        EXPECT_EQ(r.nulColumn, c.column) << c.name;
    }
    std::istringstream clean("<?xml version=\"1.0\"?><a/>");
    std::vector<std::string> messages;
    EXPECT_FALSE(RunPrechecks(clean, "f", messages).nul);
}

// A file that grows while it is read: 30 bytes when asked for its size, then
// bytes without end.
class CGrowingFile : public std::streambuf {
protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        m_pos = (dir == std::ios_base::end ? 30 : dir == std::ios_base::cur ? m_pos : 0) + off;
        return m_pos;
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode) override { return m_pos = pos; }
    int_type underflow() override {
        m_chunk = std::string(4096, 'x');
        setg(m_chunk.data(), m_chunk.data(), m_chunk.data() + m_chunk.size());
        return 'x';
    }

private:
    off_type m_pos = 0;
    std::string m_chunk;
};

TEST(Precheck, ReadsTheSizeTheFileHadAtTheStart) {
    CGrowingFile file;
    std::istream in(&file);
    bool twoByte = false, nul = true;
    EXPECT_EQ(ReadDocumentText(in, &twoByte, &nul), std::string(30, 'x'));
    EXPECT_FALSE(nul);
}

TEST(Precheck, AtMostTheLargestFile) {
    const std::string bytes = "<?xml version=\"1.0\"?><a/>" + std::string((2 << 20) - 25, ' ');
    std::vector<std::string> messages;
    std::istringstream fits(bytes);
    EXPECT_EQ(RunPrechecks(fits, "f", messages, 2 << 20).text, "<?xml version=\"1.0\"?><a/>");
    std::istringstream above(bytes + " ");
    try {
        RunPrechecks(above, "f", messages, 2 << 20);
        ADD_FAILURE() << "no exception";
    } catch (const CNvException& e) {
        EXPECT_EQ(Cp1252ToUtf8(e.Text()), "sie ist 3 MB groß, geprüft werden Dateien bis 2 MB (Einstellung OPTION/MAXFILEMB)!");
    }
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
