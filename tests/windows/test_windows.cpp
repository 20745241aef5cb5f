// The platform layer as it is on Windows: the registry profile, the system's
// folders, file names outside the ANSI code page, devices and folders that
// are no files, the lock of a download, the shell, the system's name. The
// rest of the suite runs unchanged on both systems.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#include "cli/cli.h"
#include "online/version.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/filelock.h"
#include "platform/inifile.h"
#include "platform/inputfile.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/shellopen.h"
#include "platform/sha256.h"
#include "platform/strutil.h"
#include "platform/sysinfo.h"
#include "rules/sclimport.h"
#include "xml/grammarload.h"
#include "../support.h"

namespace valorix::test {

namespace {

// Unsets an environment variable for one test and restores it afterwards.
class WithoutVariable {
public:
    explicit WithoutVariable(const char* name) : m_name(name) {
        if (const char* v = std::getenv(name)) m_value = v;
        _putenv_s(name, "");
    }
    ~WithoutVariable() { _putenv_s(m_name, m_value ? m_value->c_str() : ""); }

private:
    const char* m_name;
    std::optional<std::string> m_value;
};

std::wstring RegistryText(const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[512];
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return L"-";
    return buffer;
}

}  // namespace

// Values go to HKCU\Software\Norvane\Valorix\<section>: texts as REG_SZ in
// UTF-16 (what the program writes in UTF-8 or CP1252), numbers as REG_DWORD;
// a number written by hand as text is read as well.
TEST(WindowsProfile, IsTheRegistry) {
    WithoutVariable config("XDG_CONFIG_HOME");
    const wchar_t* key = L"Software\\Norvane\\Valorix\\WINTEST";
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    CProfile profile;
    ASSERT_TRUE(profile.IsRegistry());
    EXPECT_EQ(profile.AppKeyPath(), "HKCU\\Software\\Norvane\\Valorix");

    ASSERT_TRUE(profile.WriteString("WINTEST", "Pfad", "C:\\Zahlungen\\J\xC3\xBCrgen \xCE\xA9.xml"));  // UTF-8
    ASSERT_TRUE(profile.WriteString("WINTEST", "Alt", "M\xFCller"));                               // CP1252
    ASSERT_TRUE(profile.WriteInt("WINTEST", "Zahl", -7));
    EXPECT_EQ(RegistryText(key, L"Pfad"), L"C:\\Zahlungen\\J\u00FCrgen \u03A9.xml");
    EXPECT_EQ(RegistryText(key, L"Alt"), L"M\u00FCller");
    DWORD number = 0, size = sizeof number, type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key, L"Zahl", RRF_RT_ANY, &type, &number, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(static_cast<int>(number), -7);

    EXPECT_EQ(profile.GetString("WINTEST", "Pfad", ""), "C:\\Zahlungen\\J\xC3\xBCrgen \xCE\xA9.xml");
    EXPECT_EQ(profile.GetInt("WINTEST", "Zahl", 0), -7);
    EXPECT_EQ(profile.GetString("WINTEST", "Zahl", ""), "-7");
    EXPECT_EQ(profile.GetString("WINTEST", "fehlt", "vorgabe"), "vorgabe");
    EXPECT_EQ(profile.GetInt("WINTEST", "fehlt", 5), 5);
    ASSERT_TRUE(profile.WriteString("WINTEST", "Text", " 42 "));
    EXPECT_EQ(profile.GetInt("WINTEST", "Text", 0), 42);
    EXPECT_EQ(CProfile(TempDir().Path()).IsRegistry(), false);  // a root folder keeps the file tree
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

// The legacy key moves with its values and sub-keys, and is gone afterwards.
TEST(WindowsProfile, MovesALegacyKeyTree) {
    WithoutVariable config("XDG_CONFIG_HOME");
    CProfile profile;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ValorixTest");
    const std::string from = "HKEY_CURRENT_USER\\Software\\ValorixTest\\Alt\\", to = "hkcu\\Software\\ValorixTest\\Neu";
    EXPECT_EQ(profile.MoveRegistryTree(from, to), 2);  // no such key
    const DWORD one = 1;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\ValorixTest\\Alt\\OPTION", L"SAX", REG_DWORD, &one, sizeof one),
              ERROR_SUCCESS);
    ASSERT_TRUE(profile.KeyExists(from));
    EXPECT_FALSE(profile.KeyExists(to));
    EXPECT_EQ(profile.MoveRegistryTree(from, to), 0);
    EXPECT_FALSE(profile.KeyExists(from));
    EXPECT_TRUE(profile.KeyExists("HKCU\\Software\\ValorixTest\\Neu\\OPTION"));
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\ValorixTest\\Neu\\OPTION", L"SAX", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(profile.KeyExists("HKXX\\Software"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ValorixTest");
}

TEST(WindowsFolders, ProgramAndCommonDataFolder) {
    const std::string program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), '\\');
    EXPECT_TRUE(IsFile(program + "valorix_tests.exe")) << program;

    WithoutVariable data("XDG_DATA_HOME");
    const char* programData = std::getenv("ProgramData");
    ASSERT_NE(programData, nullptr);
    EXPECT_TRUE(EqualsNoCase(BaseFolder(), programData)) << BaseFolder();
}

// File names outside the ANSI code page reach the system through its wide
// functions: the check, the event pass, the HTML report, INI files and the
// data folder all find them. The report writes the name in UTF-8.
TEST(WindowsFileNames, OutsideTheAnsiCodePage) {
    TempDir home;
    const std::string folder = home / "Zahlungen J\xC3\xBCrgen \xCE\xA9 \xE6\xBC\xA2";  // "Jürgen Ω 漢"
    ASSERT_TRUE(std::filesystem::create_directories(FsPath(folder)));
    const std::string file = folder + "/\xC3\x9C" "berweisung \xE2\x82\xAC \xCE\xA9.xml";  // "Überweisung € Ω.xml"
    const std::string example = std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.09.xml";
    {
        std::ofstream out(FsPath(file), std::ios::binary);
        out << ReadFile(example);
    }
    CInputFile input;
    ASSERT_EQ(input.Open(file), CInputFile::Status::Open);
    EXPECT_EQ(Sha256Hex(input.Stream()), Sha256Hex(ReadFile(example)));
    EXPECT_TRUE(IsFile(file));
    EXPECT_TRUE(IsDirectory(folder));

    _putenv_s("XDG_DATA_HOME", (home / "data").c_str());
    _putenv_s("XDG_CONFIG_HOME", (home / "config").c_str());
    SetClock(MakeDate(2026, 12, 1, 12, 0, 0));
    const std::string dataDir = folder + "/Daten \xCE\xA9";
    const std::string report = folder + "/Bericht \xCE\xA9.html";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--data-dir", dataDir, file},
                                                 std::vector<std::string>{"--sax", "--data-dir", dataDir, file},
                                                 std::vector<std::string>{"--html", report, file}}) {
        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(RunValorixCheck(args, in, out, err), 0) << err.str();
        // Messages quote names in the engine's code page: "?" for what it lacks.
        EXPECT_EQ(out.str().rfind("'" + Cp1252ToUtf8(PathText(file)) + "' enth\xC3\xA4lt ein korrektes SEPA XML Dokument", 0),
                  0u)
            << out.str();
    }
    SetClock(std::nullopt);
    EXPECT_TRUE(IsFile(dataDir + "/XSDVERS.INI"));
    EXPECT_NE(ReadFile(report).find("\xC3\x9C" "berweisung \xE2\x82\xAC"), std::string::npos);

    const std::string ini = folder + "/Einstellungen \xCE\xA9.ini";
    ASSERT_TRUE(WriteIniString(ini, "DATEN", "PATH", "D:\\Daten"));
    EXPECT_EQ(ReadIniString(ini, "daten", "path", "", 260), "D:\\Daten");
}

// Paths the program joins itself are shown with the system's separators,
// never as "C:\\ProgramData/Norvane/Valorix/NVSCL.INI".
TEST(WindowsFileNames, MessagesShowBackslashes) {
    TempDir home;
    const std::string csv = FixturesDir() + "/scl/scl-directory.csv";
    const SclImportResult imported = ImportSclDirectory(csv, home / "Daten");
    ASSERT_TRUE(imported.ok) << imported.message;
    EXPECT_NE(imported.message.find("\\Daten'"), std::string::npos) << imported.message;
    EXPECT_EQ(imported.message.find('/'), std::string::npos) << imported.message;

    WithoutVariable data("XDG_DATA_HOME");  // restored afterwards
    _putenv_s("XDG_DATA_HOME", (home / "data").c_str());
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunValorixCheck({"--import-scl", csv}, in, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("\\data\\Norvane\\Valorix\\NVSCL.INI'"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find('/'), std::string::npos) << out.str();
    EXPECT_EQ(SchemaLoadFailedText("C:/Daten/pain.001.001.09.xsd"),
              "Das Schema 'C:\\Daten\\pain.001.001.09.xsd' konnte nicht geladen werden!");
}

// Only a file on a disk is read: a folder and a device are refused before a
// byte is read, a name that is nowhere is missing.
TEST(WindowsFileNames, FoldersAndDevicesAreNoFiles) {
    TempDir home;
    struct Case {
        std::string path;
        CInputFile::Status status;
    } cases[] = {
        {home.Path(), CInputFile::Status::NotRegular},
        {"NUL", CInputFile::Status::NotRegular},
        {home / "fehlt.xml", CInputFile::Status::Missing},
    };
    for (const auto& c : cases) {
        CInputFile input;
        EXPECT_EQ(input.Open(c.path), c.status) << c.path;
    }
    EXPECT_FALSE(IsFile("NUL"));
}

// What Explorer shows under "Eigenschaften > Details": the version resource
// of both programs, read back from the built files (the description with its
// umlaut, as the resource compiler was told the sources are UTF-8).
TEST(WindowsSystem, ProgramsCarryTheirVersion) {
    for (const char* name : {"valorix.exe", "valorix-check.exe"}) {
        const std::wstring file = WidePath(ProgramFolder() + "..\\" + name);
        DWORD unused = 0;
        const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &unused);
        ASSERT_GT(size, 0u) << name;
        std::vector<char> data(size);
        ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, data.data())) << name;
        auto text = [&](const wchar_t* key) -> std::string {
            wchar_t* value = nullptr;
            UINT length = 0;
            const std::wstring path = std::wstring(L"\\StringFileInfo\\040704b0\\") + key;
            if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
                return "(fehlt)";
            return Utf8Path(value);
        };
        EXPECT_EQ(text(L"FileVersion"), VALORIX_VERSION_TEXT) << name;
        EXPECT_EQ(text(L"ProductVersion"), VALORIX_VERSION_TEXT) << name;
        EXPECT_EQ(text(L"ProductName"), "Valorix") << name;
        EXPECT_EQ(text(L"FileDescription"), "Valorix - SEPA-Zahlungsdateien pr\xC3\xBC" "fen") << name;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) << name;
        EXPECT_EQ(Format("%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                         HIWORD(fixed->dwFileVersionLS)),
                  VALORIX_VERSION_TEXT)
            << name;
    }
}

TEST(WindowsSystem, LockCodePageShellAndName) {
    TempDir home;
    const std::string lockFile = home / "NVSCL.INI.lock";
    {
        CFileLock first(lockFile);
        ASSERT_TRUE(first.Held());
        CFileLock second(lockFile);
        EXPECT_FALSE(second.Held());  // never waited for
    }
    EXPECT_TRUE(CFileLock(lockFile).Held());  // released with the first

    std::string temporary = home / "NVSCL.INI.down-XXXXXX";
    const int fd = CreateUniqueFile(temporary);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(temporary.find("XXXXXX"), std::string::npos);
    EXPECT_TRUE(SyncDescriptor(fd));
    CloseDescriptor(fd);
    EXPECT_TRUE(IsFile(temporary));

    EXPECT_EQ(AnsiCodePage(), 1252u);  // the prefix's system locale is a western one
    EXPECT_EQ(Sha256Hex(std::string("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_FALSE(ShellOpen(home / "fehlt.pdf"));  // nothing to open: the shell says so

    EXPECT_EQ(OperatingSystemName().rfind("WINDOWS NT ", 0), 0u) << OperatingSystemName();
    const std::string agent = BuildUserAgent();
    EXPECT_EQ(agent, "VALORIX/1.0 (Windows; I; " + OperatingSystemName() + ")");
}

}  // namespace valorix::test
