// Every real payment file of the shared corpus, checked end to end: its
// format code and verdict, and Xerces' valid/invalid answer against the
// selected schema next to xmllint's on the same schema file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "platform/strutil.h"
#include "support.h"

namespace valorix::test {

namespace {

struct Expectation {
    int formatCode;
    std::string verdict;
    std::string oracleDifference;
};

std::map<std::string, Expectation> LoadExpectations() {
    std::map<std::string, Expectation> table;
    std::istringstream in(ReadFile(FixturesDir() + "/corpus-expectations.tsv"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> cols = SplitTabs(line, 4);
        table[cols[0]] = {std::atoi(cols[1].c_str()), cols[2], cols[3]};
    }
    return table;
}

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

using Corpus = CheckTest;

TEST_F(Corpus, EverySampleHasItsFormatVerdictAndOracleAnswer) {
    const auto table = LoadExpectations();
    const bool haveXmllint = std::system("xmllint --version >/dev/null 2>&1") == 0;
    ASSERT_TRUE(haveXmllint) << "xmllint (libxml2-utils) is needed as the independent validator";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(SamplesDir())) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".xml") continue;
        ++files;
        auto it = table.find(name);
        ASSERT_NE(it, table.end()) << name << " has no row in corpus-expectations.tsv";
        const Expectation& e = it->second;
        auto doc = CheckFile(entry.path().string());
        EXPECT_EQ(doc->m_formatCode, e.formatCode) << name;
        ASSERT_FALSE(doc->m_messages.empty()) << name;
        const bool positive = Contains(doc->m_messages[0], "korrekte");
        EXPECT_EQ(positive ? "valid" : "schema", e.verdict) << name << ": " << U8(doc->m_messages[0]);

        const bool xercesValid = doc->m_checkState >= 2 && doc->m_detailTexts.empty();
        const std::string cmd = "xmllint --noout --schema " + ShellQuote(doc->m_schemaPath) + " " +
                                ShellQuote(entry.path().string()) + " >/dev/null 2>&1";
        const bool xmllintValid = std::system(cmd.c_str()) == 0;
        if (e.oracleDifference.empty()) EXPECT_EQ(xercesValid, xmllintValid) << name << " against " << doc->m_schemaPath;
        else EXPECT_NE(xercesValid, xmllintValid) << name << ": " << e.oracleDifference;
    }
    EXPECT_EQ(files, static_cast<int>(table.size()));
}

}  // namespace valorix::test
