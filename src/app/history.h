// The local history of checked payment files: one SQLite table in the data
// folder. A file whose content, whose message id from the same initiating
// party, or one of whose payment blocks (same account, date, count and sums)
// was checked before gets a warning naming the earlier file and its time.
// Several programs may use the same history at once (WAL, a busy timeout,
// each entry written in one transaction). A history that cannot be opened or
// written never stops a check: it is said once, and the checks go on without.
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

    /// Compares the checked file with the history and records it; `path` is
    /// the file's name (UTF-8). Returns the summary lines (CP1252): the
    /// warning of a second submission, or once the hint that the history
    /// cannot be used.
    std::vector<std::string> Record(const FileSummary& summary, const std::string& path);
    /// The entries, newest first, one line each (UTF-8); false when unreadable.
    bool List(std::vector<std::string>& lines);
    /// Forgets every entry.
    bool Clear();
    /// Why the history cannot be used (UTF-8); empty when it can.
    const std::string& Error() const { return m_error; }

    static std::string FileName(const std::string& dataFolder);

private:
    bool Open();
    bool Fail(const std::string& what);
    /// The hint that the history cannot be used, the first time only.
    std::vector<std::string> Hint();

    HistorySettings m_settings;
    sqlite3* m_db = nullptr;
    bool m_tried = false;
    bool m_hintGiven = false;
    std::string m_error;
};

}  // namespace valorix
