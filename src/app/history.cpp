#include "app/history.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace valorix {
namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyMilliseconds = 5000;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS checked ("
    " id INTEGER PRIMARY KEY,"
    " checked REAL NOT NULL,"      // local time, days since 30.12.1899
    " path TEXT NOT NULL,"
    " sha256 TEXT NOT NULL,"
    " msgid TEXT NOT NULL,"
    " initiator TEXT NOT NULL,"
    " blocks TEXT NOT NULL);"      // per block a line: account;date;count;sums<TAB>block id
    "CREATE INDEX IF NOT EXISTS checked_sha ON checked(sha256);"
    "CREATE INDEX IF NOT EXISTS checked_msg ON checked(msgid, initiator);";

// A block as the history compares it: account, date, count and sums.
std::string BlockKey(const BlockSummary& block) {
    std::string key = block.iban + ";" + block.date + ";" + std::to_string(block.totals.count) + ";";
    for (const auto& [currency, sum] : block.totals.sums) key += currency + " " + Amount(sum) + " ";
    return key;
}

// TT.MM.JJJJ hh:mm of a day count.
std::string DateText(double date) {
    const auto minutes = static_cast<long long>(std::floor(date * 1440.0 + 1e-6));
    long long days = minutes / 1440 - 25569 + 719468;  // days from 0000-03-01
    const int minuteOfDay = static_cast<int>(minutes % 1440);
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof text, "%02d.%02d.%04lld %02d:%02d", day, month, year, minuteOfDay / 60, minuteOfDay % 60);
    return text;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return m_stmt != nullptr; }
    Statement& Bind(int i, const std::string& text) {
        sqlite3_bind_text(m_stmt, i, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int i, double value) {
        sqlite3_bind_double(m_stmt, i, value);
        return *this;
    }
    int Step() { return sqlite3_step(m_stmt); }
    std::string Text(int i) const {
        const auto* text = sqlite3_column_text(m_stmt, i);
        return text ? reinterpret_cast<const char*>(text) : "";
    }
    double Real(int i) const { return sqlite3_column_double(m_stmt, i); }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace

bool HistorySwitchedOn(int profileOption) {
    const char* environment = std::getenv("VALORIX_HISTORY");
    return profileOption != 0 && !(environment && std::string(environment) == "0");
}

CCheckHistory::CCheckHistory(HistorySettings settings) : m_settings(std::move(settings)) {}

CCheckHistory::~CCheckHistory() { sqlite3_close_v2(m_db); }

std::string CCheckHistory::FileName(const std::string& dataFolder) { return dataFolder + "/history.sqlite"; }

// The connection is closed with close_v2: a statement of the caller may still
// be open, and the connection goes when that statement is finalized.
bool CCheckHistory::Fail(const std::string& what) {
    m_error = what + (m_db ? std::string(" (") + sqlite3_errmsg(m_db) + ")" : std::string());
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    return false;
}

bool CCheckHistory::Open() {
    if (m_tried) return m_db != nullptr;
    m_tried = true;
    std::error_code ec;
    if (m_settings.dataFolder.empty() || !std::filesystem::is_directory(FsPath(m_settings.dataFolder), ec))
        return Fail("kein Datenordner");
    if (sqlite3_open_v2(FileName(m_settings.dataFolder).c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        return Fail("nicht zu öffnen");
    sqlite3_busy_timeout(m_db, kBusyMilliseconds);
    int version = -1;
    {
        Statement read(m_db, "PRAGMA user_version");
        if (!read || read.Step() != SQLITE_ROW) return Fail("nicht lesbar");
        version = static_cast<int>(read.Real(0));
    }
    if (version > kSchemaVersion) return Fail("von einer neueren Programmversion");
    if (sqlite3_exec(m_db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Fail("nicht lesbar");
    if (version < kSchemaVersion) {
        const std::string create = std::string("BEGIN IMMEDIATE;") + kSchema + "PRAGMA user_version=" +
                                   std::to_string(kSchemaVersion) + ";COMMIT;";
        if (sqlite3_exec(m_db, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            return Fail("nicht anzulegen");
        }
    }
    Statement forget(m_db, "DELETE FROM checked WHERE checked < ?");
    if (!forget || forget.Bind(1, NowDate() - m_settings.days).Step() != SQLITE_DONE) return Fail("nicht schreibbar");
    return true;
}

std::vector<std::string> CCheckHistory::Hint() {
    if (m_hintGiven) return {};
    m_hintGiven = true;
    return {A("Hinweis: Der Prüfverlauf '" + FileName(m_settings.dataFolder) + "' ist nicht verwendbar: " + m_error +
              "; ohne Prüfung auf doppelte Einreichung geprüft.")};
}

std::vector<std::string> CCheckHistory::Record(const FileSummary& summary, const std::string& path) {
    if (summary.blocks.empty() || summary.sha256.empty()) return {};  // no payment file
    if (!Open()) return Hint();
    std::string blocks = "\n";
    for (const BlockSummary& block : summary.blocks) blocks += BlockKey(block) + "\t" + block.id + "\n";
    const double now = NowDate();
    std::vector<std::string> lines;
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {  // locked too long
        m_error = std::string("nicht schreibbar (") + sqlite3_errmsg(m_db) + ")";
        return Hint();
    }
    // The newest earlier entry of the same content, message or block.
    std::string blockMatch = "0";
    for (const BlockSummary& block : summary.blocks)
        if (!block.iban.empty()) blockMatch += " OR instr(blocks, " + std::string("'\n'||?||'\t') > 0");
    Statement find(m_db, ("SELECT checked, path, sha256 FROM checked WHERE (sha256 = ?1 OR (msgid = ?2 AND "
                          "initiator = ?3) OR " + blockMatch + ") ORDER BY checked DESC")
                             .c_str());
    bool sameCheck = false, seenSelf = false;
    if (find) {
        find.Bind(1, summary.sha256).Bind(2, summary.messageId).Bind(3, summary.initiator);
        int i = 4;
        for (const BlockSummary& block : summary.blocks)
            if (!block.iban.empty()) find.Bind(i++, BlockKey(block));
        bool warned = false;
        while (find.Step() == SQLITE_ROW) {
            const bool self = find.Text(1) == path && find.Text(2) == summary.sha256;
            seenSelf = seenSelf || self;
            if (self && now - find.Real(0) < m_settings.sameCheckMinutes / 1440.0) sameCheck = true;
            if (warned || sameCheck) continue;
            warned = true;
            lines.push_back(Utf8ToCp1252("Warnung: Diese Datei (MsgId '") + summary.messageId +
                            A("') wurde bereits am " + DateText(find.Real(0)) + " als '") +
                            PathText(find.Text(1)) + A("' geprüft. Doppelte Einreichung?"));
        }
        if (sameCheck) lines.clear();
    }
    // The same file with the same content is listed once, with its first check.
    if (!seenSelf) {
        Statement insert(m_db, "INSERT INTO checked(checked, path, sha256, msgid, initiator, blocks) "
                               "VALUES (?, ?, ?, ?, ?, ?)");
        if (insert) {
            insert.Bind(1, now).Bind(2, path).Bind(3, summary.sha256).Bind(4, summary.messageId);
            insert.Bind(5, summary.initiator).Bind(6, blocks).Step();
        }
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return lines;
}

bool CCheckHistory::List(std::vector<std::string>& lines) {
    if (!Open()) return false;
    Statement list(m_db, "SELECT checked, msgid, initiator, sha256, path FROM checked ORDER BY checked DESC, id DESC");
    if (!list) return false;
    while (list.Step() == SQLITE_ROW)
        lines.push_back(DateText(list.Real(0)) + "  MsgId '" + Cp1252ToUtf8(list.Text(1)) + "'  " +
                        Cp1252ToUtf8(list.Text(2)) + "  " + list.Text(3).substr(0, 16) + "  " + list.Text(4));
    return true;
}

bool CCheckHistory::Clear() {
    return Open() && sqlite3_exec(m_db, "DELETE FROM checked", nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace valorix
