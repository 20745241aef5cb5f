// The local history of checked payment files: an SQLite database in the data
// folder, its entries in one table, their payment blocks in another. A file
// whose content, whose message id from the same initiating party, or one of
// whose payment blocks (same account, date, count and sums) was checked
// before gets a warning naming the newest earlier entry and its time.
// Several programs may use the same history at once (WAL, a busy timeout,
// each entry written in one transaction). A history that cannot be opened or
// written never stops a check: each file that is not compared says so, and
// the checks go on without.
#pragma once
#include <string>
#include <vector>

#include "rules/summary.h"

struct sqlite3;

namespace valorix {

struct HistorySettings {
    std::string dataFolder;
    int days = 60;  ///< entries older than this are forgotten
    /// An earlier entry of the same path and content younger than this is the
    /// same check repeated (the desktop program reloading its file): no warning.
    int sameCheckMinutes = 0;
    /// How long a check waits for a history another program is writing.
    int busyMilliseconds = 5000;
};

/// Whether checks use the history: the profile's [OPTION] HISTORY (1 unless
/// set) and the environment's VALORIX_HISTORY, which switches it off with 0.
bool HistorySwitchedOn(int profileOption);

class CCheckHistory {
public:
    explicit CCheckHistory(HistorySettings settings);
    ~CCheckHistory();
    CCheckHistory(const CCheckHistory&) = delete;
    CCheckHistory& operator=(const CCheckHistory&) = delete;

    /// Compares the checked file with the history and records it, first
    /// forgetting (once per object) the entries older than the days kept;
    /// `path` is the file's name (UTF-8). Returns the summary lines (CP1252):
    /// the warning of a second submission, the hint that the history could
    /// not be used for this file, or that the file could not be entered.
    std::vector<std::string> Record(const FileSummary& summary, const std::string& path);
    /// The entries, newest first, one line each (UTF-8, control characters
    /// written visibly); false when unreadable. Listing writes nothing.
    bool List(std::vector<std::string>& lines);
    /// Forgets every entry.
    bool Clear();
    /// How SQLite runs the lookup of earlier entries (EXPLAIN QUERY PLAN, a
    /// line per step), to see that it goes by the indexes; empty when the
    /// history cannot be opened.
    std::vector<std::string> LookupPlan();
    /// Why the history cannot be used (UTF-8); empty when it can.
    const std::string& Error() const { return m_error; }

    static std::string FileName(const std::string& dataFolder);

private:
    /// Opens the history; for writing also creates or upgrades it.
    bool Open(bool forWriting);
    /// Opens the connection after looking at the file; writes nothing.
    bool Connect(bool forWriting);
    /// Closes the history; the error says `what` or what SQLite's `code` tells.
    bool Fail(const std::string& what, int code);
    /// The hint that the history could not be used for a file.
    std::vector<std::string> Hint(const std::string& reason) const;
    /// The hint that a compared file could not be entered.
    std::string Unrecorded(const std::string& reason) const;

    HistorySettings m_settings;
    sqlite3* m_db = nullptr;
    bool m_tried = false;
    bool m_empty = false;     ///< no history file yet (opened for reading)
    bool m_readOnly = false;  ///< opened read-only: a file others may write, not we
    bool m_writable = false;  ///< in WAL mode and of the current version
    bool m_forgotten = false;
    int m_version = 0;
    std::string m_error;
};

}  // namespace valorix
