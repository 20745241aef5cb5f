#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <regex>
#include <sstream>

#include "app/history.h"
#include "cli/cli.h"
#include "platform/clock.h"
#include "support.h"

namespace valorix::test {

namespace {

struct CheckRun {
    int status;
    std::string out, err;
};

}  // namespace

// The suites run with the history off; these tests turn it on, each in a data
// folder of its own.
class History : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (m_home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home / "config").c_str(), 1);
        setenv("VALORIX_HISTORY", "1", 1);
        SetClock(MakeDate(2026, 12, 1, 12, 0, 0));
        m_original = ReadFile(std::string(VALORIX_SOURCE_DIR) + "/examples/ueberweisung-pain.001.001.03.xml");
        m_first = Write("first.xml", m_original);
    }
    void TearDown() override {
        SetClock(std::nullopt);
        setenv("VALORIX_HISTORY", "0", 1);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_home / name;
        WriteFile(path, bytes);
        return path;
    }
    std::string Variant(const std::string& from, const std::string& to) const { return Variant(m_original, from, to); }
    static std::string Variant(const std::string& text, const std::string& from, const std::string& to) {
        return std::regex_replace(text, std::regex(from), to);
    }
    CheckRun Call(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data-dir", m_home / "d"});
        std::istringstream in;
        std::ostringstream out, err;
        const int status = RunValorixCheck(args, in, out, err);
        return CheckRun{status, out.str(), err.str()};
    }
    TempDir m_home;
    std::string m_original, m_first;
};

TEST_F(History, SecondSubmissionIsWarnedWithoutChangingTheVerdict) {
    // The history names a file by its absolute path in the system's form.
    const std::string earlier = "') wurde bereits am 01.12.2026 12:00 als '" +
                                std::filesystem::path(m_first).lexically_normal().string() +
                                "' geprüft. Doppelte Einreichung?\n";
    struct Case {
        const char* what;
        std::string content;  ///< empty: the first file itself again
        std::vector<std::string> options;
        bool warned;
    } cases[] = {
        {"the same file again", "", {}, true},
        {"a renamed copy", m_original, {}, true},
        {"another message id, the same block", Variant("BEISPIEL-0001", "BEISPIEL-0009"), {}, true},
        {"the same message id, another date", Variant("2099-12-15", "2099-12-16"), {}, true},
        {"another file", Variant(Variant("BEISPIEL-0001", "BEISPIEL-0009"), "2099-12-15", "2099-12-16"), {}, false},
        {"a copy with --no-history", m_original, {"--no-history"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_home / "d");
        const CheckRun first = Call({m_first});
        ASSERT_EQ(first.status, 0) << first.err;
        EXPECT_EQ(Count(first.out, "Warnung:"), 0) << first.out;
        SetClock(MakeDate(2026, 12, 2, 9, 30, 0));
        std::vector<std::string> args = c.options;
        args.push_back(c.content.empty() ? m_first : Write("second.xml", c.content));
        const CheckRun second = Call(args);
        SetClock(MakeDate(2026, 12, 1, 12, 0, 0));
        EXPECT_EQ(second.status, 0) << second.err;
        EXPECT_EQ(second.out.find(earlier) != std::string::npos, c.warned) << second.out;
        // Without the warning the report is the one of a check without history.
        std::string plain = second.out;
        const size_t warning = plain.find("Warnung: Diese Datei (MsgId '");
        if (warning != std::string::npos) plain.erase(warning, plain.find('\n', warning) - warning + 1);
        EXPECT_EQ(plain, Call({"--no-history", args.back()}).out);
    }
}

TEST_F(History, OldEntriesAreForgottenAndTheCommandLineListsAndClears) {
    ASSERT_EQ(Call({m_first}).status, 0);
    SetClock(MakeDate(2026, 12, 11, 12, 0, 0));
    const std::string copy = Write("copy.xml", m_original);
    EXPECT_EQ(Count(Call({"--history-days", "20", copy}).out, "Doppelte Einreichung?"), 1);
    const CheckRun list = Call({"--history-days", "5", "--history"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out.find("first.xml"), std::string::npos) << list.out;  // forgotten
    EXPECT_NE(list.out.find("11.12.2026 12:00  MsgId 'VALORIX-BEISPIEL-0001'"), std::string::npos) << list.out;
    EXPECT_EQ(Call({"--clear-history"}).out, "Prüfverlauf gelöscht.\n");
    EXPECT_EQ(Call({"--history"}).out, "Der Prüfverlauf ist leer.\n");
}

TEST_F(History, DamagedDatabaseIsSaidOnceAndTheChecksGoOn) {
    std::filesystem::create_directories(m_home / "d");
    WriteFile(CCheckHistory::FileName(m_home / "d"), std::string(4096, 'x'));
    const CheckRun damaged = Call({m_first, m_first});
    const CheckRun plain = Call({"--no-history", m_first, m_first});
    EXPECT_EQ(damaged.status, plain.status);
    EXPECT_EQ(Count(damaged.out, "Hinweis: Der Prüfverlauf"), 1) << damaged.out;
    const size_t hint = damaged.out.find("Hinweis: Der Prüfverlauf");
    std::string rest = damaged.out;
    rest.erase(hint, rest.find('\n', hint) - hint + 1);
    EXPECT_EQ(rest, plain.out);
    EXPECT_EQ(Call({"--history"}).status, 2);
}

// In one run on several threads the history is asked in the order of the
// files: the first of two copies is entered, the second warned, exactly as in
// a run one file after the other.
TEST_F(History, ParallelChecksMeetTheHistoryInTheOrderOfTheFiles) {
    const std::string other = Write("other.xml", Variant(Variant("BEISPIEL-0001", "BEISPIEL-0009"), "2099-12-15",
                                                         "2099-12-16"));
    const std::vector<std::string> files = {m_first, other, Write("copy.xml", m_original), other,
                                            Write("copy2.xml", m_original)};
    std::string serial;
    for (const char* jobs : {"1", "3"}) {
        std::filesystem::remove_all(m_home / "d");
        std::vector<std::string> args = {"-j", jobs};
        args.insert(args.end(), files.begin(), files.end());
        const CheckRun run = Call(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(Count(run.out, "Doppelte Einreichung?"), 3) << run.out;
        // The first report of each content has no warning.
        EXPECT_EQ(run.out.find("Doppelte Einreichung?") > run.out.find("other.xml"), true) << run.out;
        if (serial.empty()) serial = run.out;
        else EXPECT_EQ(run.out, serial);
    }
}

TEST_F(History, TwoProcessesWritingAtOnceLoseNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "no fork on Windows";
#else
    constexpr int kFiles = 25;
    std::vector<std::vector<std::string>> batches(2);
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < kFiles; ++i)
            batches[p].push_back(Write("p" + std::to_string(p) + "-" + std::to_string(i) + ".xml",
                                       Variant("BEISPIEL-0001", "P" + std::to_string(p) + "-" + std::to_string(i))));
    Call({"--history"});  // the data folder exists before both start
    pid_t children[2];
    for (int p = 0; p < 2; ++p) {
        children[p] = fork();
        ASSERT_NE(children[p], -1);
        if (children[p] == 0) {
            const CheckRun run = Call(batches[p]);
            _exit(run.status == 0 && run.out.find("Prüfverlauf") == std::string::npos ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(Count(Call({"--history"}).out, "\n"), 2 * kFiles);
#endif
}

}  // namespace valorix::test
