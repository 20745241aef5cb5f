#include <gtest/gtest.h>
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/stat.h>
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

// Runs SQL on a history as another program would; false when it fails.
bool Sql(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    bool done = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
                sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

// A payment file's summary with `count` blocks numbered from `first`: block
// n has its own account, and files sharing a number share that block.
FileSummary Generated(const std::string& sha, const std::string& msgid, int count, int first = 0) {
    FileSummary summary;
    summary.sha256 = sha;
    summary.messageId = msgid;
    summary.initiator = "Firma";
    for (int n = first; n < first + count; ++n) {
        BlockSummary block;
        block.id = "B" + std::to_string(n);
        block.iban = "DE" + std::to_string(1000000000000000000LL + n);
        block.date = "2026-12-15";
        block.totals.count = 1;
        block.totals.sums["EUR"] = 10000 + n;
        summary.blocks.push_back(block);
    }
    return summary;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

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

// Listing never forgets; a check that records forgets what is older than
// its --history-days.
TEST_F(History, OnlyARecordingCheckForgetsAndTheCommandLineListsAndClears) {
    ASSERT_EQ(Call({m_first}).status, 0);
    SetClock(MakeDate(2026, 12, 11, 12, 0, 0));
    const CheckRun list = Call({"--history-days", "1", "--history"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("01.12.2026 12:00  MsgId 'VALORIX-BEISPIEL-0001'"), std::string::npos) << list.out;
    const std::string copy = Write("copy.xml", m_original);
    EXPECT_EQ(Count(Call({"--history-days", "20", copy}).out, "am 01.12.2026 12:00 als"), 1);
    SetClock(MakeDate(2026, 12, 12, 12, 0, 0));
    const CheckRun later = Call({"--history-days", "5", Write("copy2.xml", m_original)});
    EXPECT_EQ(Count(later.out, "am 11.12.2026 12:00 als"), 1) << later.out;
    const std::string left = Call({"--history"}).out;
    EXPECT_EQ(left.find("first.xml"), std::string::npos) << left;  // forgotten by the check
    EXPECT_EQ(Count(left, "\n"), 2) << left;
    EXPECT_EQ(Call({"--clear-history"}).out, "Prüfverlauf gelöscht.\n");
    EXPECT_EQ(Call({"--history"}).out, "Der Prüfverlauf ist leer.\n");
}

// Each file that is not compared says so in its own report.
TEST_F(History, DamagedDatabaseIsSaidForEachFileAndTheChecksGoOn) {
    std::filesystem::create_directories(m_home / "d");
    WriteFile(CCheckHistory::FileName(m_home / "d"), std::string(4096, 'x'));
    const CheckRun damaged = Call({m_first, m_first});
    const CheckRun plain = Call({"--no-history", m_first, m_first});
    EXPECT_EQ(damaged.status, plain.status);
    const std::string hint = "Hinweis: Der Prüfverlauf '" + CCheckHistory::FileName(m_home / "d") +
                             "' ist nicht verwendbar: beschädigt; ohne Prüfung auf doppelte Einreichung geprüft.\n";
    EXPECT_EQ(Count(damaged.out, hint), 2) << damaged.out;
    std::string rest = damaged.out;
    for (size_t at; (at = rest.find(hint)) != std::string::npos;) rest.erase(at, hint.size());
    EXPECT_EQ(rest, plain.out);
    EXPECT_EQ(Call({"--history"}).status, 2);
    // Clearing it is what a person can do about it: a new history takes its place.
    EXPECT_EQ(Call({"--clear-history"}).status, 0);
    EXPECT_EQ(Call({"--history"}).out, "Der Prüfverlauf ist leer.\n");
    EXPECT_EQ(Count(Call({m_first}).out, "nicht verwendbar"), 0);
}

// A damaged history is found before anything is written: not a byte of it
// changes, whatever asks it.
TEST_F(History, DamagedHistoryIsNeverWritten) {
    const std::string file = CCheckHistory::FileName(m_home / "d");
    std::filesystem::create_directories(m_home / "d");
    {
        CCheckHistory history(HistorySettings{m_home / "d"});
        for (int i = 0; i < 40; ++i) history.Record(Generated("sha" + std::to_string(i), "M" + std::to_string(i), 5, i * 5), "f");
    }
    // Out of WAL mode, as a history of an older program or copied around may be.
    ASSERT_TRUE(Sql(file, "PRAGMA journal_mode=DELETE"));
    const std::string sound = ReadFile(file);
    ASSERT_GT(sound.size(), 3 * 4096u);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"a page overwritten", sound.substr(0, 4096) + std::string(4096, '\xEE') + sound.substr(8192)},
        {"cut short", sound.substr(0, sound.size() - 4096)},
        {"an impossible page size", sound.substr(0, 16) + std::string("\x03\x00", 2) + sound.substr(18)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(file, c.bytes);
        CCheckHistory history(HistorySettings{m_home / "d"});
        const std::string hint = Joined(history.Record(Generated("other", "other", 1), "g"));
        EXPECT_NE(hint.find(A("ist nicht verwendbar: beschädigt;")), std::string::npos) << hint;
        std::vector<std::string> lines;
        EXPECT_FALSE(CCheckHistory(HistorySettings{m_home / "d"}).List(lines));
        EXPECT_TRUE(ReadFile(file) == c.bytes);
    }
}

// A history locked by another program for a while: each file of the time
// says so, and the next file after it is compared again.
TEST_F(History, EveryFileALockedHistoryCannotCompareSaysSo) {
    std::filesystem::create_directories(m_home / "d");
    const std::string file = CCheckHistory::FileName(m_home / "d");
    CCheckHistory history(HistorySettings{m_home / "d", 60, 0, 50});
    EXPECT_TRUE(history.Record(Generated("a", "A", 1), "a.xml").empty());
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::string hint = A("Hinweis: Der Prüfverlauf '" + file +
                               "' ist nicht verwendbar: von einem anderen Programm gesperrt; ohne Prüfung auf "
                               "doppelte Einreichung geprüft.\n");
    EXPECT_EQ(Joined(history.Record(Generated("b", "A", 1), "b.xml")), hint);
    EXPECT_EQ(Joined(history.Record(Generated("c", "C", 1), "c.xml")), hint);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Count(Joined(history.Record(Generated("d", "A", 1), "d.xml")), A("als 'a.xml' geprüft")), 1);
}

// A lookup that fails says so, and the file is not entered as if compared;
// a compared file that cannot be entered keeps its warning and says so too.
TEST_F(History, FailedLookupOrEntryIsSaid) {
    std::filesystem::create_directories(m_home / "d");
    const std::string file = CCheckHistory::FileName(m_home / "d");
    CCheckHistory history(HistorySettings{m_home / "d"});
    history.Record(Generated("a", "A", 1), "a.xml");
    ASSERT_TRUE(Sql(file, "DROP TABLE block"));
    EXPECT_EQ(Joined(history.Record(Generated("b", "B", 1), "b.xml")),
              A("Hinweis: Der Prüfverlauf '" + file + "' ist nicht verwendbar: die Suche darin ist fehlgeschlagen; "
                "ohne Prüfung auf doppelte Einreichung geprüft.\n"));
    std::vector<std::string> lines;
    ASSERT_TRUE(history.List(lines));
    EXPECT_EQ(lines.size(), 1u) << Joined(lines);

    // A history of its own folder: the first one is still open (Windows
    // would not let its folder go).
    std::filesystem::create_directories(m_home / "e");
    const std::string other = CCheckHistory::FileName(m_home / "e");
    CCheckHistory refusing(HistorySettings{m_home / "e"});
    refusing.Record(Generated("a", "A", 1), "a.xml");
    ASSERT_TRUE(Sql(other, "CREATE TRIGGER no_blocks BEFORE INSERT ON block BEGIN SELECT RAISE(FAIL, 'no'); END"));
    EXPECT_EQ(Joined(refusing.Record(Generated("b", "B", 1), "b.xml")),
              A("Warnung: Diese Datei (MsgId 'B') wurde bereits am 01.12.2026 12:00 als 'a.xml' geprüft. Doppelte "
                "Einreichung?\nHinweis: Diese Datei konnte nicht in den Prüfverlauf '" + other +
                "' eingetragen werden: nicht schreibbar.\n"));
    lines.clear();
    ASSERT_TRUE(refusing.List(lines));
    EXPECT_EQ(lines.size(), 1u) << Joined(lines);
}

// A file of thousands of blocks is one lookup through the indexes, and one
// block in common is found.
TEST_F(History, OneSharedBlockAmongThousandsIsFound) {
    for (const int blocks : {1000, 5000}) {
        SCOPED_TRACE(blocks);
        std::filesystem::remove_all(m_home / "d");
        std::filesystem::create_directories(m_home / "d");
        CCheckHistory history(HistorySettings{m_home / "d"});
        EXPECT_TRUE(history.Record(Generated("a", "A", blocks), "a.xml").empty());
        EXPECT_TRUE(history.Record(Generated("b", "B", blocks, blocks), "b.xml").empty());
        const std::string warning = Joined(history.Record(Generated("c", "C", blocks, 2 * blocks - 1), "c.xml"));
        EXPECT_EQ(Count(warning, A("als 'b.xml' geprüft. Doppelte Einreichung?")), 1) << warning;
        std::vector<std::string> lines;
        EXPECT_TRUE(history.List(lines));
        EXPECT_EQ(lines.size(), 3u);
    }
    CCheckHistory history(HistorySettings{m_home / "d"});
    const std::vector<std::string> plan = history.LookupPlan();
    ASSERT_FALSE(plan.empty());
    for (const std::string& step : plan) {
        EXPECT_EQ(step.find("SCAN checked"), std::string::npos) << Joined(plan);
        EXPECT_EQ(step.find("SCAN block"), std::string::npos) << Joined(plan);
    }
}

// Checks of one second are told apart by their order: the newest is named,
// whatever the order of the rows in the file.
TEST_F(History, WarningNamesTheNewestOfEntriesOfOneSecond) {
    std::filesystem::create_directories(m_home / "d");
    CCheckHistory history(HistorySettings{m_home / "d"});
    history.Record(Generated("x", "X", 2), "a.xml");
    EXPECT_EQ(Count(Joined(history.Record(Generated("x", "X", 2), "b.xml")), "als 'a.xml'"), 1);
    EXPECT_EQ(Count(Joined(history.Record(Generated("y", "X", 1), "c.xml")), "als 'b.xml'"), 1);
    EXPECT_EQ(Count(Joined(history.Record(Generated("z", "Z", 1, 1), "d.xml")), "als 'b.xml'"), 1);
    EXPECT_EQ(Count(Joined(history.Record(Generated("x", "Q", 1, 7), "e.xml")), "als 'b.xml'"), 1);
}

// What the listing prints comes from files and from a file others may
// change: control characters and times that are none are shown plainly.
TEST_F(History, ListingShowsControlsAndUnreadableTimesPlainly) {
    std::filesystem::create_directories(m_home / "d");
    const std::string file = CCheckHistory::FileName(m_home / "d");
    {
        CCheckHistory history(HistorySettings{m_home / "d"});
        history.Record(Generated("a", "A\x1B]0;x\x07", 1, 1), "/p/\x1B[31mrot\nzeile.xml");
        for (int i = 2; i <= 5; ++i) history.Record(Generated(std::to_string(i), std::to_string(i), 1, i), "f.xml");
    }
    ASSERT_TRUE(Sql(file, "UPDATE checked SET checked = -1e15 WHERE sha256 = '2';"
                          "UPDATE checked SET checked = 1e300 WHERE sha256 = '3';"
                          "UPDATE checked SET checked = 'gestern' WHERE sha256 = '4';"));
    std::vector<std::string> lines;
    CCheckHistory history(HistorySettings{m_home / "d"});
    ASSERT_TRUE(history.List(lines));
    const std::string listing = Joined(lines);
    EXPECT_EQ(Count(listing, "\x1B"), 0) << listing;
    EXPECT_EQ(Count(listing, "\n"), 5) << listing;
    EXPECT_NE(listing.find("MsgId 'A\\x1B]0;x\\x07'"), std::string::npos) << listing;
    EXPECT_NE(listing.find("/p/\\x1B[31mrot\\nzeile.xml\n"), std::string::npos) << listing;
    EXPECT_EQ(Count(listing, "??.??.???? ??:??  MsgId"), 3) << listing;
    EXPECT_EQ(Count(listing, "01.12.2026 12:00  MsgId"), 2) << listing;
    const std::string warning = Joined(history.Record(Generated("4", "4", 1, 4), "g.xml"));
    EXPECT_NE(warning.find("am ??.??.???? ??:?? als 'f.xml'"), std::string::npos) << warning;
}

// A history of the first layout (blocks as lines of a column) is taken over
// with all its entries, and its blocks are found as before.
TEST_F(History, HistoryOfTheFirstLayoutKeepsItsEntries) {
    std::filesystem::create_directories(m_home / "d");
    const std::string file = CCheckHistory::FileName(m_home / "d");
    const FileSummary old = Generated("old", "OLD", 3, 10);
    std::string blocks = "\n";
    for (const BlockSummary& block : old.blocks)
        blocks += block.iban + ";" + block.date + ";1;EUR " + Amount(block.totals.sums.at("EUR")) + " \t" + block.id + "\n";
    const double day = MakeDate(2026, 11, 30, 8, 15, 0);
    ASSERT_TRUE(Sql(file, "PRAGMA journal_mode=WAL;"
                          "CREATE TABLE checked (id INTEGER PRIMARY KEY, checked REAL NOT NULL, path TEXT NOT NULL,"
                          " sha256 TEXT NOT NULL, msgid TEXT NOT NULL, initiator TEXT NOT NULL, blocks TEXT NOT NULL);"
                          "CREATE INDEX checked_sha ON checked(sha256);"
                          "CREATE INDEX checked_msg ON checked(msgid, initiator);"
                          "INSERT INTO checked VALUES (4, " + std::to_string(day) + ", 'old.xml', 'old', 'OLD', 'Firma', '" +
                          blocks + "');"
                          "INSERT INTO checked VALUES (9, " + std::to_string(day) + ", 'msg.xml', 'm', 'MSG', 'Firma', '\n');"
                          "PRAGMA user_version=1;"));
    // Listing reads it as it is; the first check takes it over.
    const std::string before = ReadFile(file);
    CCheckHistory history(HistorySettings{m_home / "d"});
    std::vector<std::string> listed;
    ASSERT_TRUE(history.List(listed));
    EXPECT_EQ(listed.size(), 2u) << Joined(listed);
    EXPECT_TRUE(ReadFile(file) == before);
    EXPECT_EQ(Count(Joined(history.Record(Generated("new", "NEW", 1, 12), "new.xml")), "30.11.2026 08:15 als 'old.xml'"), 1);
    EXPECT_EQ(Count(Joined(history.Record(Generated("new2", "MSG", 1, 99), "new2.xml")), "als 'msg.xml'"), 1);
    std::vector<std::string> lines;
    ASSERT_TRUE(history.List(lines));
    EXPECT_EQ(lines.size(), 4u) << Joined(lines);
}

#ifndef _WIN32
// A history the user may read but not write is read as it is: listed, not
// compared with, and no files of a log appear beside it.
TEST_F(History, ReadOnlyHistoryIsReadWithoutFilesBesideIt) {
    const std::string folder = m_home / "d";
    std::filesystem::create_directories(folder);
    const std::string file = CCheckHistory::FileName(folder);
    CCheckHistory(HistorySettings{folder}).Record(Generated("a", "A", 1), "a.xml");
    ASSERT_FALSE(std::filesystem::exists(file + "-wal"));
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    // Root may write any file: the check runs as another user then.
    chmod(m_home.Path().c_str(), 0755);
    chmod(folder.c_str(), 0777);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
        std::vector<std::string> lines;
        CCheckHistory history(HistorySettings{folder});
        if (!history.List(lines) || lines.size() != 1) _exit(11);
        const std::string hint = Joined(history.Record(Generated("a", "A", 1), "b.xml"));
        if (hint.find(A("ist nicht verwendbar: schreibgeschützt;")) == std::string::npos) _exit(12);
        if (Joined(history.Record(Generated("c", "C", 1), "c.xml")) != hint) _exit(13);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(file + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(file + "-shm"));
    // While another program has it open, its newest entry is in the log
    // beside it: listed too, and the log is left as it is.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer,
                           "INSERT INTO checked(checked, path, sha256, msgid, initiator) "
                           "VALUES (46357.5, 'im-log.xml', 'l', 'L', 'I')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(std::filesystem::exists(file + "-wal"));
    const std::string log = ReadFile(file + "-wal");
    const pid_t reader = fork();
    ASSERT_NE(reader, -1);
    if (reader == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
        std::vector<std::string> lines;
        CCheckHistory history(HistorySettings{folder});
        if (!history.List(lines)) _exit(11);
        _exit(lines.size() == 2 && Joined(lines).find("im-log.xml") != std::string::npos ? 0 : 12);
    }
    ASSERT_EQ(waitpid(reader, &status, 0), reader);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(file + "-wal"), log);
    sqlite3_close(writer);
}
#endif

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
