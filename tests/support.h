// Helpers shared by the test suites: temporary folders, files, text conversion
// and a ready application with its own data folder.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "core/checkdocument.h"
#include "platform/codepage.h"
#include "platform/prompt.h"

namespace valorix::test {

namespace fs = std::filesystem;

inline std::string CorpusDir() { return VALORIX_CORPUS_DIR; }
inline std::string SamplesDir() { return CorpusDir() + "/samples"; }
inline std::string FixturesDir() { return std::string(VALORIX_SOURCE_DIR) + "/tests/fixtures"; }

/// A fresh folder below the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir() {
        // "/" as separator on every system, so that expected texts are built alike.
        std::string templ = (fs::temp_directory_path() / "valorix-test-XXXXXX").generic_string();
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        m_path = mkdtemp(buf.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

/// How often `what` occurs in `text`.
inline int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

/// The tab-separated fields of one line, padded to at least `columns`.
inline std::vector<std::string> SplitTabs(const std::string& line, size_t columns) {
    std::vector<std::string> cols;
    size_t start = 0, tab;
    while ((tab = line.find('\t', start)) != std::string::npos) {
        cols.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    cols.push_back(line.substr(start));
    if (cols.size() < columns) cols.resize(columns);
    return cols;
}

/// A direct debit of one transaction whose mandate data is `inner`, on line 4;
/// `edition` is the message of the namespace, for example "pain.008.001.02".
inline std::string MandateFixture(const std::string& edition, const std::string& inner,
                                  const std::string& sequence = "RCUR") {
    return "<?xml version=\"1.0\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:" + edition +
           "\"><CstmrDrctDbtInitn><PmtInf><PmtTpInf><SeqTp>" + sequence +
           "</SeqTp></PmtTpInf>\n<DrctDbtTxInf><DrctDbtTx><MndtRltdInf>\n" + inner +
           "\n</MndtRltdInf></DrctDbtTx></DrctDbtTxInf></PmtInf></CstmrDrctDbtInitn></Document>";
}

/// The texts of the mandate rules (UTF-8), for the tests of both modes.
/// The hint every file of the 3.0 credit transfer (the example) gets.
inline const std::string kRetiredCt30 =
    "Hinweis: Das Format pain.001.001.03 wird von deutschen Banken seit November 2025 nicht mehr angenommen!";
inline const std::string kMissingDetails =
    "Fehler: Wenn eine Mandantsänderung angezeigt wird, müssen auch die Änderungsinformationen gefüllt sein!";
inline const std::string kDetailsNotAllowed =
    "Fehler: Änderungsdetails <AmdmntInfDtls> sind nicht erlaubt, wenn das Änderungskennzeichen <AmdmntInd> den Wert "
    "'false' hat oder nicht vorhanden ist.";
inline const std::string kSmnda = "Fehler: SMNDA ist nur mit erstmaliger Verwendung des Mandats <SeqTp>FRST</SeqTp> zulässig!";

/// CP1252 engine text as UTF-8, for comparisons with literals in this file.
inline std::string U8(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }
inline std::vector<std::string> U8(const std::vector<std::string>& v) {
    std::vector<std::string> out;
    for (const auto& s : v) out.push_back(Cp1252ToUtf8(s));
    return out;
}
/// The slip of tests/fixtures/rules/summary-two-blocks.xml (UTF-8, no line
/// end after its last line), given the file's SHA-256.
inline std::string TwoBlockSlip(const std::string& sha256) {
    return "Begleitzettel\n"
           "Nachricht: MSG-7, erstellt 2026-12-10T08:30:00, Einreicher: Verein Müller\n"
           "SHA-256: " + sha256 + "\n"
           "Transaktionen: 3 (angegeben: 3)\n"
           "Summe: 0.25 CHF + 110.5001 EUR (angegeben: 110.75, abweichend!)\n"
           "Auftrag 1 'B1': Lastschrift CORE FRST, Einzug am 2026-12-15\n"
           "  Konto: DE89370400440532013000, BIC GOODDEFFXXX, Verein Müller\n"
           "  Transaktionen: 2 (angegeben: 2)\n"
           "  Summe: 0.25 CHF + 10.50 EUR (angegeben: 10.75)\n"
           "Auftrag 2 'B2': Lastschrift B2B RCUR, Einzug am 2026-12-16\n"
           "  Konto: DE89370400440532013000, BIC GOODDEFFXXX, Verein Müller\n"
           "  Transaktionen: 1 (angegeben: 2, abweichend!)\n"
           "  Summe: 100.0001 EUR (angegeben: 100.00, abweichend!)";
}

/// One field of every finding, in order.
inline std::vector<std::string> Texts(const Findings& findings) {
    std::vector<std::string> out;
    for (const Finding& f : findings) out.push_back(f.text);
    return out;
}
inline std::vector<uint8_t> Kinds(const Findings& findings) {
    std::vector<uint8_t> out;
    for (const Finding& f : findings) out.push_back(static_cast<uint8_t>(f.kind));
    return out;
}
inline std::vector<int> Lines(const Findings& findings) {
    std::vector<int> out;
    for (const Finding& f : findings) out.push_back(f.line);
    return out;
}

/// Records what was shown; answers every question with `answer`.
class RecordingPrompt : public IPrompt {
public:
    void Message(const std::string& text) override { shown.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        shown.push_back(text);
        return answer;
    }
    bool AskCredentials(const std::string& text, std::string& user, std::string& password) override {
        shown.push_back(text);
        if (credentials.first.empty()) return false;
        user = credentials.first;
        password = credentials.second;
        return true;
    }
    bool OpenUrl(const std::string& url) override {
        opened.push_back(url);
        return false;
    }
    std::vector<std::string> shown, opened;
    bool answer = false;
    std::pair<std::string, std::string> credentials;  ///< empty: the dialog is cancelled
};

/// Points the data and configuration folders at a temporary place for the
/// whole test, and starts an application whose data folder holds the schemas.
class CheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (m_home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home / "config").c_str(), 1);
        m_app = std::make_unique<AppValues>();
        ASSERT_TRUE(m_app->Startup(m_home / "datafolder"));
    }

    /// Runs a tree-mode check of `bytes`, shown under `path`.
    std::unique_ptr<CheckDocument> Check(const std::string& bytes, const std::string& path = "test.xml") {
        auto doc = std::make_unique<CheckDocument>(*m_app, m_prompt);
        std::istringstream in(bytes);
        CArchive ar{in, path};
        doc->Serialize(ar);
        return doc;
    }
    std::unique_ptr<CheckDocument> CheckFile(const std::string& file) {
        auto doc = std::make_unique<CheckDocument>(*m_app, m_prompt);
        std::ifstream in(file, std::ios::binary);
        CArchive ar{in, file};
        doc->Serialize(ar);
        return doc;
    }
    std::string DataFolder() const { return m_app->m_strDataFolder; }

    TempDir m_home;
    std::unique_ptr<AppValues> m_app;
    RecordingPrompt m_prompt;
};

}  // namespace valorix::test
