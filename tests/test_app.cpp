#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "app/resources.h"
#include "app/schemastore.h"
#include "platform/inifile.h"
#include "platform/strutil.h"
#include "support.h"

namespace valorix::test {

namespace {
std::string SchemaSource(const char* name) {
    const std::string path = std::string(VALORIX_SCHEMA_DIR) + "/" + name;
    return fs::exists(path) ? ReadFile(path) : std::string();
}
}  // namespace

TEST(SchemaStore, FirstStartWritesAllSchemasByteForByte) {
    TempDir dir;
    ExtractSchemas(dir.Path());
    std::set<int> found;
    for (const SchemaRow& row : kSchemaTable) {
        ASSERT_TRUE(fs::is_regular_file(dir / row.fileName)) << row.fileName;
        const std::string source = SchemaSource(row.source);
        EXPECT_EQ(ReadFile(dir / row.fileName), source) << row.fileName;
        EXPECT_EQ(LoadBinaryResource("#" + std::to_string(row.id)), source) << row.id;
        if (!source.empty()) found.insert(row.id);
    }
    // as many as the build found and embedded
    EXPECT_EQ(static_cast<int>(found.size()), VALORIX_EMBEDDED_SCHEMA_COUNT);
    EXPECT_EQ(ReadIniString(dir / "XSDVERS.INI", "XSD", "VERS", "", 10), "3");
    EXPECT_EQ(LoadBinaryResource("#314"), "");
    EXPECT_EQ(LoadBinaryResource("349"), "");
}

TEST(SchemaStore, VersionDecidesBetweenRepairAndRewrite) {
    const std::string original = SchemaSource("pain.001.001.03.xsd");
    struct Case {
        const char* name;
        const char* version;  // null: no XSDVERS.INI
        bool rewritesEdited;
    } cases[] = {
        {"current version keeps edits", "3", false},
        {"no version file", nullptr, true},
        {"older version", "2", true},
        {"newer version", "4", true},
        {"a word", "zwei", true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ExtractSchemas(dir.Path());
        WriteFile(dir / "pain.001.001.03.xsd", "edited");
        fs::remove(dir / "pain.008.001.02.xsd");
        fs::remove(dir / "XSDVERS.INI");
        if (c.version) WriteIniString(dir / "XSDVERS.INI", "XSD", "VERS", c.version);
        ExtractSchemas(dir.Path());
        EXPECT_EQ(ReadFile(dir / "pain.001.001.03.xsd"), c.rewritesEdited ? original : "edited") << c.name;
        EXPECT_EQ(ReadFile(dir / "pain.008.001.02.xsd"), SchemaSource("pain.008.001.02.xsd")) << c.name;
        EXPECT_EQ(ReadIniInt(dir / "XSDVERS.INI", "XSD", "VERS", 0), 3) << c.name;
    }
}

TEST(SchemaStore, EntryThatCannotBeWrittenIsSkipped) {
    TempDir dir;
    fs::create_directory(dir / "pain.001.001.03.xsd");  // a folder in the way
    EXPECT_FALSE(ExtractSchemas(dir.Path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "pain.001.001.03.xsd"), fs::directory_iterator{}), 0);
    EXPECT_TRUE(fs::is_directory(dir / "pain.001.001.03.xsd"));
    EXPECT_EQ(ReadFile(dir / "pain.008.001.02.xsd"), SchemaSource("pain.008.001.02.xsd"));
    EXPECT_EQ(ReadIniInt(dir / "XSDVERS.INI", "XSD", "VERS", 0), 3);
    ExtractSchemas(dir.Path());  // version 3 now: the folder counts as existing
    EXPECT_TRUE(fs::is_directory(dir / "pain.001.001.03.xsd"));
}

// A folder in place is left as it is: not a file is written (each keeps its
// inode), so runs that read the schemas meanwhile are undisturbed. Only an
// empty schema, what a failed write of old left, is written again.
TEST(SchemaStore, FolderInPlaceIsNotWritten) {
    TempDir dir;
    ASSERT_TRUE(ExtractSchemas(dir.Path()));
    const auto inodes = [&] {
        std::vector<ino_t> list;
        for (const std::string& name : {std::string("XSDVERS.INI"), std::string(kSchemaTable[0].fileName),
                                        std::string(kSchemaTable[1].fileName), std::string(kSchemaTable.back().fileName)}) {
            struct stat st {};
            EXPECT_EQ(stat((dir / name).c_str(), &st), 0) << name;
            list.push_back(st.st_ino);
        }
        return list;
    };
    const std::vector<ino_t> before = inodes();
    WriteFile(dir / "pain.008.001.02.xsd", "");
    EXPECT_TRUE(ExtractSchemas(dir.Path()));
    EXPECT_EQ(inodes(), before);
    EXPECT_EQ(ReadFile(dir / "pain.008.001.02.xsd"), SchemaSource("pain.008.001.02.xsd"));
    for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

class DataFolder : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_root / "program");
        fs::create_directories(m_root / "base");
        m_app.m_programFolder = m_root / "program/";
        m_app.m_baseFolder = m_root / "base";
    }
    std::string Base(const std::string& rest) const { return m_root / ("base" + rest); }
    TempDir m_root;
    AppValues m_app{m_root.Path()};
};

TEST_F(DataFolder, DefaultIsCreated) {
    EXPECT_EQ(m_app.DetermineDataFolder(), Base("/Norvane/Valorix"));
    EXPECT_TRUE(fs::is_directory(Base("/Norvane/Valorix")));
}

TEST_F(DataFolder, ConfiguredPathThatExists) {
    fs::create_directory(m_root / "mine");
    fs::create_directories(Base("/BRELOT/Valorix"));
    WriteIniString(m_root / "program/Valorix.ini", "DATEN", "PATH", m_root / "mine");
    EXPECT_EQ(m_app.DetermineDataFolder(), m_root / "mine");
    EXPECT_FALSE(fs::exists(Base("/Norvane")));
    EXPECT_TRUE(fs::exists(Base("/BRELOT/Valorix")));
}

TEST_F(DataFolder, ConfiguredPathThatIsMissingFallsBackWithoutMigration) {
    fs::create_directories(Base("/BRELOT/Valorix"));
    WriteIniString(m_root / "program/Valorix.ini", "DATEN", "PATH", m_root / "missing");
    EXPECT_EQ(m_app.DetermineDataFolder(), Base("/Norvane/Valorix"));
    EXPECT_TRUE(fs::exists(Base("/BRELOT/Valorix")));
    EXPECT_FALSE(fs::exists(m_root / "missing"));
}

TEST_F(DataFolder, LegacyFolderMovesWithItsContent) {
    for (bool parentExists : {true, false}) {
        fs::remove_all(Base(""));
        fs::create_directories(Base("/BRELOT/Valorix"));
        if (parentExists) fs::create_directories(Base("/Norvane"));
        WriteFile(Base("/BRELOT/Valorix/NVSCL.INI"), "[BIC]\r\nSTAND=240101\r\n");
        EXPECT_EQ(m_app.DetermineDataFolder(), Base("/Norvane/Valorix"));
        EXPECT_EQ(ReadFile(Base("/Norvane/Valorix/NVSCL.INI")), "[BIC]\r\nSTAND=240101\r\n") << parentExists;
        EXPECT_FALSE(fs::exists(Base("/BRELOT/Valorix"))) << parentExists;
    }
}

TEST_F(DataFolder, ConfiguredPathInQuotes) {
    // Windows drops one pair of quotes around a profile value.
    fs::create_directory(m_root / "mit leer");
    for (const std::string& quoted : {"\"" + (m_root / "mit leer") + "\"", "'" + (m_root / "mit leer") + "'"}) {
        WriteIniString(m_root / "program/Valorix.ini", "DATEN", "PATH", quoted);
        EXPECT_EQ(m_app.DetermineDataFolder(), m_root / "mit leer") << quoted;
    }
    WriteFile(m_root / "q.ini", "[A]\r\nHALF=\"x\r\nMIXED=\"x'\r\nINNER=a\"b\"\r\nTWO=\"\"x\"\"\r\nN=\"42\"\r\n");
    EXPECT_EQ(ReadIniString(m_root / "q.ini", "A", "HALF", "", 20), "\"x");
    EXPECT_EQ(ReadIniString(m_root / "q.ini", "A", "MIXED", "", 20), "\"x'");
    EXPECT_EQ(ReadIniString(m_root / "q.ini", "A", "INNER", "", 20), "a\"b\"");
    EXPECT_EQ(ReadIniString(m_root / "q.ini", "A", "TWO", "", 20), "\"x\"");
    EXPECT_EQ(ReadIniInt(m_root / "q.ini", "A", "N", 0), 42);
}

TEST_F(DataFolder, StartupFindsTheSclDirectory) {
    ASSERT_TRUE(m_app.Startup());
    EXPECT_EQ(m_app.m_strSclIniPath, "");
    m_app.CompleteSclIniPath();
    EXPECT_EQ(m_app.m_strSclIniPath, m_app.m_strDataFolder + "/NVSCL.INI");
    EXPECT_EQ(m_app.m_strReportFile, Format("%s/%X.htm", m_app.m_strDataFolder.c_str(), unsigned(getpid())));
    WriteFile(m_app.m_strDataFolder + "/NVSCL.INI", "[BIC]\r\nSTAND=250301\r\n");
    m_app.FindSclDirectory();
    EXPECT_EQ(m_app.m_strSclIniPath, m_app.m_strDataFolder + "/NVSCL.INI");
    EXPECT_EQ(m_app.m_strSclStand, "250301");
    // The program folder takes precedence; a long date is cut to 9 characters.
    WriteFile(m_root / "program/NVSCL.INI", "[BIC]\r\nSTAND=2503011234567\r\n");
    m_app.FindSclDirectory();
    EXPECT_EQ(m_app.m_strSclIniPath, m_root / "program/NVSCL.INI");
    EXPECT_EQ(m_app.m_strSclStand, "250301123");
}

TEST_F(DataFolder, ProfileOptions) {
    EXPECT_FALSE(m_app.SaxMode());
    EXPECT_EQ(m_app.ExpandOption(), 1);
    EXPECT_EQ(m_app.ShowSecondsOption(), 0);
    m_app.m_profile.WriteInt("OPTION", "SAX", 1);
    m_app.m_profile.WriteInt("OPTION", "EXPAND", 0);
    EXPECT_TRUE(m_app.SaxMode());
    EXPECT_EQ(m_app.ExpandOption(), 0);
    m_app.ForceSaxMode(false);
    EXPECT_FALSE(m_app.SaxMode());
}

}  // namespace valorix::test
