#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/filelock.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "support.h"

namespace valorix::test {

TEST(CodePage, RoundTripsAndReplacesUnmappable) {
    struct Case {
        std::string utf8;
        std::string cp1252;
    } cases[] = {
        {"abc", "abc"},
        {"Gläubiger ß", "Gl\xE4ubiger \xDF"},
        {"€ – “x”", "\x80 \x96 \x93x\x94"},
        {"漢", "?"},      // not in the code page
        {"😀", "?"},      // outside the BMP: one character, one '?'
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252) << c.utf8;
        if (c.cp1252 != "?") {
            EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8) << c.utf8;
        }
    }
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");  // truncated sequence
    EXPECT_EQ(Utf8ToCp1252("\xFFx"), "?x");
    const char16_t withNul[] = {u'a', 0, u'b'};
    EXPECT_EQ(Utf16ToCp1252(withNul, 3), "a");
}

TEST(CodePage, PathsShowTheirControlCharacters) {
    EXPECT_EQ(VisibleControls("/tmp/a\nb\r\tc\x1B\x7F\xC2\x85\xC3\xA4 d.xml"), "/tmp/a\\nb\\r\\tc\\x1B\\x7F\\u0085\xC3\xA4 d.xml");
    EXPECT_EQ(PathText("j\xC3\xBCrgen\n.xml"), "j\xFCrgen\\n.xml");
}

TEST(IniFile, WindowsProfileSemantics) {
    TempDir dir;
    const std::string ini = dir / "t.ini";
    WriteFile(ini,
              "; comment\r\n[bic]\r\n  Stand =  240115  \r\nno equals sign\r\n;KEY=commented\r\n"
              "LONG=1234567890123\r\nNUM=42abc\r\nWORD=abc\r\n[Other]\r\nSTAND=999\r\n");
    EXPECT_EQ(ReadIniString(ini, "BIC", "STAND", "", 10), "240115");
    EXPECT_EQ(ReadIniString(ini, "BIC", "LONG", "", 10), "123456789");  // cut to buffer size - 1
    EXPECT_EQ(ReadIniString(ini, "BIC", "KEY", "dflt", 10), "dflt");
    EXPECT_EQ(ReadIniString(ini, "BIC", "no equals sign", "dflt", 10), "dflt");
    EXPECT_EQ(ReadIniString(dir / "missing.ini", "BIC", "STAND", "x", 10), "x");
    EXPECT_EQ(ReadIniInt(ini, "BIC", "NUM", 7), 42);
    EXPECT_EQ(ReadIniInt(ini, "BIC", "WORD", 7), 0);
    EXPECT_EQ(ReadIniInt(ini, "BIC", "ABSENT", 7), 7);

    ASSERT_TRUE(WriteIniString(ini, "Bic", "stand", "250101"));
    ASSERT_TRUE(WriteIniString(ini, "BIC", "NEW", "v"));
    ASSERT_TRUE(WriteIniString(ini, "XSD", "VERS", "2"));
    EXPECT_EQ(ReadIniString(ini, "BIC", "STAND", "", 10), "250101");
    EXPECT_EQ(ReadIniString(ini, "BIC", "NEW", "", 10), "v");
    EXPECT_EQ(ReadIniString(ini, "OTHER", "STAND", "", 10), "999");
    EXPECT_EQ(ReadIniInt(ini, "xsd", "vers", 0), 2);
    EXPECT_NE(ReadFile(ini).find("; comment"), std::string::npos);  // other lines are kept
}

TEST(Profile, KeysAreFoldersAndValuesAreFiles) {
    TempDir dir;
    CProfile profile(dir.Path());
    EXPECT_EQ(profile.GetInt("OPTION", "SAX", 0), 0);
    ASSERT_TRUE(profile.WriteInt("OPTION", "SAX", 1));
    EXPECT_EQ(profile.GetInt("OPTION", "SAX", 0), 1);
    EXPECT_TRUE(fs::is_regular_file(dir / "HKCU/Software/Norvane/Valorix/OPTION/SAX"));
    WriteFile(dir / "HKCU/Software/Norvane/Valorix/OPTION/EXPAND", "kaputt");
    EXPECT_EQ(profile.GetInt("OPTION", "EXPAND", 1), 1);
}

TEST(Clock, SettableForTests) {
    SetClock(MakeDate(2026, 12, 10, 12, 0, 0));
    EXPECT_DOUBLE_EQ(NowDate(), 46366.5);  // day count since 30.12.1899
    SetClock(std::nullopt);
    EXPECT_GT(NowDate(), 46000.0);
}

// A lock another holds: not had at once, not had when its bound passes,
// had as soon as the holder lets go within the bound.
TEST(FileLock, WaitsForItsHolderWithinItsBound) {
    using Clock = std::chrono::steady_clock;
    TempDir dir;
    const std::string path = dir / "x.lck";
    auto holder = std::make_unique<CFileLock>(path);
    ASSERT_TRUE(holder->Held());
    EXPECT_FALSE(CFileLock(path).Held());
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(CFileLock(path, 200).Held());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(200));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        holder.reset();
    });
    const Clock::time_point waited = Clock::now();
    const CFileLock lock(path, 20000);
    EXPECT_TRUE(lock.Held());
    EXPECT_LT(Clock::now() - waited, std::chrono::seconds(10));
    release.join();
}

// A file replaced in one step keeps its access mode; a new one gets the
// mode of any new file of the process.
TEST(WriteFileAtomically, KeepsTheModeOfTheFileItReplaces) {
#ifdef _WIN32
    GTEST_SKIP() << "no access modes on Windows";
#else
    struct Case {
        mode_t existing;  // 0: no file yet
        mode_t umask, expected;
    } cases[] = {
        {0600, 022, 0600}, {0640, 022, 0640}, {0444, 022, 0444}, {0644, 077, 0644},
        {0, 077, 0600},    {0, 022, 0644},    {0, 027, 0640},
    };
    TempDir dir;
    const mode_t saved = ::umask(022);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::oct << c.existing << " umask " << c.umask);
        const std::string path = dir / "report.html";
        fs::remove(path);
        if (c.existing) {
            WriteFile(path, "alt");
            ::chmod(path.c_str(), c.existing);
        }
        ::umask(c.umask);
        EXPECT_TRUE(WriteFileAtomically(path, "neu"));
        ::umask(022);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.expected);
        EXPECT_EQ(ReadFile(path), "neu");
    }
    ::umask(saved);
#endif
}

// A file written through a symbolic link: the link stays and the file it
// leads to is written, also when there is none yet or it leads on by links.
TEST(WriteFileAtomically, KeepsSymbolicLinks) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need rights on Windows";
#else
    struct Case {
        std::vector<std::pair<std::string, std::string>> links;  // name, where it leads
        std::string file;                                        // the file written
    } cases[] = {
        {{{"a.html", "sub/r.html"}}, "sub/r.html"},
        {{{"a.html", "sub/new.html"}}, "sub/new.html"},
        {{{"sub/b.html", "../new.html"}, {"a.html", "sub/b.html"}}, "new.html"},
        {{{"a.html", "DIR/new.html"}}, "sub/new.html"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directory(dir / "sub");
        WriteFile(dir / "sub/r.html", "alt");
        for (const auto& [name, to] : c.links) {
            std::string target = to;
            if (target.rfind("DIR/", 0) == 0) target = dir / ("sub/" + target.substr(4));
            fs::create_symlink(target, dir / name);
        }
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(WriteFileAtomically(dir / "a.html", "neu"));
        for (const auto& [name, to] : c.links) EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
        EXPECT_EQ(ReadFile(dir / c.file), "neu");
    }
#endif
}

}  // namespace valorix::test
