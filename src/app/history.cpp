#include "app/history.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace valorix {
namespace {

// 1: the blocks of an entry as lines of a text column of `checked`.
// 2: the blocks in a table of their own, looked up by an index.
constexpr int kSchemaVersion = 2;

const char* const kSchema =
    "CREATE TABLE checked ("
    " id INTEGER PRIMARY KEY,"
    " checked REAL NOT NULL,"  // local time, days since 30.12.1899
    " path TEXT NOT NULL,"
    " sha256 TEXT NOT NULL,"
    " msgid TEXT NOT NULL,"
    " initiator TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS block ("
    " entry INTEGER NOT NULL,"  // checked.id
    " key TEXT NOT NULL,"       // account;date;count;sums
    " block TEXT NOT NULL);"    // the block's id
    "CREATE INDEX checked_sha ON checked(sha256);"
    "CREATE INDEX checked_msg ON checked(msgid, initiator);"
    "CREATE INDEX checked_time ON checked(checked);"
    "CREATE INDEX IF NOT EXISTS block_key ON block(key);"
    "CREATE INDEX IF NOT EXISTS block_entry ON block(entry);";

// The newest earlier entry of the same content, message or block; the blocks
// of the file are in temp.wanted, each looked up in the index of blocks (the
// CROSS JOIN keeps that order). Entries of the same second are told apart by
// their order of entry.
const char* const kLookup =
    "SELECT checked, path FROM checked WHERE id IN ("
    " SELECT id FROM checked WHERE sha256 = ?1"
    " UNION SELECT id FROM checked WHERE msgid = ?2 AND initiator = ?3"
    " UNION SELECT block.entry FROM temp.wanted CROSS JOIN block ON block.key = wanted.key)"
    " ORDER BY checked DESC, id DESC LIMIT 1";

// A block as the history compares it: account, date, count and sums.
std::string BlockKey(const BlockSummary& block) {
    std::string key = block.iban + ";" + block.date + ";" + std::to_string(block.totals.count) + ";";
    for (const auto& [currency, sum] : block.totals.sums) key += currency + " " + Amount(sum) + " ";
    return key;
}

// The day counts of 01.01.1900 and 31.12.9999: a stored time outside is not one.
constexpr double kFirstDate = 2.0, kLastDate = 2958466.0;

// TT.MM.JJJJ hh:mm of a day count; question marks for what is not a time.
std::string DateText(double date, bool readable = true) {
    if (!readable || !std::isfinite(date) || date < kFirstDate || date >= kLastDate) return "??.??.???? ??:??";
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

// What went wrong, as the hint says it; `what` when SQLite's code tells no more.
std::string Reason(int code, const std::string& what) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "von einem anderen Programm gesperrt";
    case SQLITE_FULL: return "der Datenträger ist voll";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return "beschädigt";
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return "schreibgeschützt";
    case SQLITE_NOMEM: return "zu wenig Arbeitsspeicher";
    case SQLITE_CANTOPEN: return "nicht zu öffnen";
    case SQLITE_IOERR: return what + " (Lese- oder Schreibfehler)";
    default: return what;
    }
}

// A file name as an SQLite URI: only what the URI itself reads is escaped.
std::string FileUri(const std::string& path) {
    std::string uri = path.rfind("//", 0) == 0 ? "file://" : "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
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
    Statement& Bind(int i, long long value) {
        sqlite3_bind_int64(m_stmt, i, value);
        return *this;
    }
    /// SQLITE_ROW, SQLITE_DONE or the error; a statement that could not be
    /// prepared gives the error of its preparing.
    int Step() { return m_rc = m_stmt ? sqlite3_step(m_stmt) : m_rc; }
    void Reset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    int Code() const { return m_rc; }
    std::string Text(int i) const {
        const auto* text = sqlite3_column_text(m_stmt, i);
        return text ? reinterpret_cast<const char*>(text) : "";
    }
    double Real(int i) const { return sqlite3_column_double(m_stmt, i); }
    long long Integer(int i) const { return sqlite3_column_int64(m_stmt, i); }
    /// Whether the column holds a number (a time stored by the program).
    bool Number(int i) const {
        const int type = sqlite3_column_type(m_stmt, i);
        return type == SQLITE_FLOAT || type == SQLITE_INTEGER;
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc = SQLITE_OK;
};

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// The blocks of a history of version 1 into their table: per block a line
// "account;date;count;sums<TAB>block id" in the column `blocks`.
int MoveBlocks(sqlite3* db) {
    Statement read(db, "SELECT id, blocks FROM checked");
    Statement insert(db, "INSERT INTO block(entry, key, block) VALUES (?, ?, ?)");
    if (!read) return read.Code();
    if (!insert) return insert.Code();
    int rc;
    while ((rc = read.Step()) == SQLITE_ROW) {
        const long long entry = read.Integer(0);
        const std::string blocks = read.Text(1);
        for (size_t begin = 0; begin < blocks.size();) {
            size_t end = blocks.find('\n', begin);
            if (end == std::string::npos) end = blocks.size();
            const std::string line = blocks.substr(begin, end - begin);
            begin = end + 1;
            const size_t tab = line.find('\t');
            const std::string key = line.substr(0, tab);
            if (key.empty() || key[0] == ';') continue;  // a block without account is not compared
            insert.Bind(1, entry).Bind(2, key).Bind(3, tab == std::string::npos ? std::string() : line.substr(tab + 1));
            if (insert.Step() != SQLITE_DONE) return insert.Code();
            insert.Reset();
        }
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

// Brings the history to the current version, in one transaction; another
// program may have done it meanwhile.
int Upgrade(sqlite3* db) {
    int rc = Exec(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return rc;
    int version = -1;
    {
        Statement read(db, "PRAGMA user_version");
        if (read.Step() != SQLITE_ROW) {
            Exec(db, "ROLLBACK");
            return read.Code();
        }
        version = static_cast<int>(read.Integer(0));
    }
    rc = SQLITE_OK;
    if (version == 1) {
        // The entries keep their ids; their blocks move to the table of blocks.
        rc = Exec(db, "CREATE TABLE block (entry INTEGER NOT NULL, key TEXT NOT NULL, block TEXT NOT NULL);");
        if (rc == SQLITE_OK) rc = MoveBlocks(db);
        if (rc == SQLITE_OK) rc = Exec(db, "ALTER TABLE checked RENAME TO checked_1;");
        if (rc == SQLITE_OK) rc = Exec(db, "DROP INDEX IF EXISTS checked_sha; DROP INDEX IF EXISTS checked_msg;");
    }
    if (rc == SQLITE_OK && version < kSchemaVersion) rc = Exec(db, kSchema);
    if (rc == SQLITE_OK && version == 1)
        rc = Exec(db, "INSERT INTO checked(id, checked, path, sha256, msgid, initiator) "
                      "SELECT id, checked, path, sha256, msgid, initiator FROM checked_1; DROP TABLE checked_1;");
    if (rc == SQLITE_OK && version < kSchemaVersion)
        rc = Exec(db, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK) Exec(db, "ROLLBACK");
    return rc;
}

// Whether the first bytes of an existing file are those of an SQLite
// database; an empty file is an empty database.
bool DatabaseHeader(const std::string& path) {
    std::ifstream file(FsPath(path), std::ios::binary);
    if (!file) return false;
    char header[100] = {};
    file.read(header, sizeof header);
    if (file.gcount() == 0) return true;
    if (file.gcount() < static_cast<std::streamsize>(sizeof header)) return false;
    if (std::string_view(header, 16) != std::string_view("SQLite format 3\0", 16)) return false;
    // A page size is a power of two from 512 to 65536 (1 stands for 65536).
    const unsigned pageSize = (static_cast<unsigned char>(header[16]) << 8) | static_cast<unsigned char>(header[17]);
    return pageSize == 1 || (pageSize >= 512 && (pageSize & (pageSize - 1)) == 0);
}

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
bool CCheckHistory::Fail(const std::string& what, int code) {
    m_error = Reason(code, what);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_readOnly = m_writable = false;
    // A history locked for longer than the wait is tried again by the next file.
    const int primary = code & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) m_tried = false;
    return false;
}

// Nothing is written before the file has shown itself sound: a damaged
// history stays as it is, and a read-only one is read without the files of
// its log (which would be made read-only too, and stay).
bool CCheckHistory::Open(bool forWriting) {
    if (!m_db && !(m_empty && !forWriting) && !Connect(forWriting)) return false;
    if (!forWriting || m_writable) return true;
    if (m_readOnly) {
        m_error = "schreibgeschützt";
        return false;
    }
    int rc = Exec(m_db, "PRAGMA journal_mode=WAL");
    if (rc != SQLITE_OK) return Fail("nicht schreibbar", rc);
    if (m_version < kSchemaVersion) {
        if ((rc = Upgrade(m_db)) != SQLITE_OK) return Fail("nicht anzulegen", rc);
        m_version = kSchemaVersion;
    }
    m_writable = true;
    return true;
}

bool CCheckHistory::Connect(bool forWriting) {
    if (m_tried && !m_empty) return false;
    m_tried = true;
    m_empty = false;
    std::error_code ec;
    if (m_settings.dataFolder.empty() || !std::filesystem::is_directory(FsPath(m_settings.dataFolder), ec))
        return Fail("kein Datenordner", SQLITE_OK);
    const std::string file = FileName(m_settings.dataFolder);
    const auto status = std::filesystem::status(FsPath(file), ec);
    const bool exists = std::filesystem::exists(status);
    if (exists && !std::filesystem::is_regular_file(status)) return Fail("nicht zu öffnen", SQLITE_OK);
    if (!exists && !forWriting) {
        m_empty = true;  // nothing to read, and listing makes nothing
        return true;
    }
    if (exists && !DatabaseHeader(file)) return Fail("beschädigt", SQLITE_OK);
    int rc = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE), nullptr);
    if (rc != SQLITE_OK) return Fail("nicht zu öffnen", rc);
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        m_readOnly = true;
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        // While another program has the history open, its newest entries
        // are in the log beside it: read with the log then, else as a file
        // that nobody changes (which makes no files beside it).
        const bool logged = EntryExists(file + "-wal") && EntryExists(file + "-shm");
        rc = sqlite3_open_v2((FileUri(file) + (logged ? "?mode=ro" : "?mode=ro&immutable=1")).c_str(), &m_db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) return Fail("nicht zu öffnen", rc);
    }
    sqlite3_busy_timeout(m_db, m_settings.busyMilliseconds);
    Exec(m_db, "PRAGMA temp_store=MEMORY");
    {
        Statement read(m_db, "PRAGMA user_version");
        if (read.Step() != SQLITE_ROW) return Fail("nicht lesbar", read.Code());
        m_version = static_cast<int>(read.Integer(0));
    }
    if (m_version > kSchemaVersion) return Fail("von einer neueren Programmversion", SQLITE_OK);
    // Read through once (its cost grows with the history, once per run).
    if (exists) {
        Statement check(m_db, "PRAGMA quick_check(1)");
        if (check.Step() != SQLITE_ROW) return Fail("nicht lesbar", check.Code());
        if (check.Text(0) != "ok") return Fail("beschädigt", SQLITE_OK);
    }
    return true;
}

std::vector<std::string> CCheckHistory::Hint(const std::string& reason) const {
    return {A("Hinweis: Der Prüfverlauf '" + FileName(m_settings.dataFolder) + "' ist nicht verwendbar: " + reason +
              "; ohne Prüfung auf doppelte Einreichung geprüft.")};
}

std::vector<std::string> CCheckHistory::Record(const FileSummary& summary, const std::string& path) {
    static const std::string kLookupFailed = "die Suche darin ist fehlgeschlagen";
    if (summary.blocks.empty() || summary.sha256.empty()) return {};  // no payment file
    // Every file that is not compared says so: a history can be locked for
    // one file of a batch and free again for the next.
    if (!Open(true)) return Hint(m_error);
    const double now = NowDate();
    int rc = Exec(m_db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return Hint(Reason(rc, "nicht schreibbar"));
    const auto fail = [&](int code, const std::string& what) {
        Exec(m_db, "ROLLBACK");
        return Hint(Reason(code, what));
    };
    // Entries older than the days kept are forgotten once a run, when it records.
    if (!m_forgotten) {
        Statement forgetBlocks(m_db, "DELETE FROM block WHERE entry IN (SELECT id FROM checked WHERE checked < ?)");
        Statement forgetEntries(m_db, "DELETE FROM checked WHERE checked < ?");
        if (forgetBlocks.Bind(1, now - m_settings.days).Step() != SQLITE_DONE)
            return fail(forgetBlocks.Code(), "nicht schreibbar");
        if (forgetEntries.Bind(1, now - m_settings.days).Step() != SQLITE_DONE)
            return fail(forgetEntries.Code(), "nicht schreibbar");
        m_forgotten = true;
    }
    // The blocks of this file, for the one lookup.
    if ((rc = Exec(m_db, "CREATE TEMP TABLE IF NOT EXISTS wanted (key TEXT PRIMARY KEY); DELETE FROM temp.wanted")) !=
        SQLITE_OK)
        return fail(rc, kLookupFailed);
    {
        Statement want(m_db, "INSERT OR IGNORE INTO temp.wanted(key) VALUES (?)");
        for (const BlockSummary& block : summary.blocks) {
            if (block.iban.empty()) continue;
            if (want.Bind(1, BlockKey(block)).Step() != SQLITE_DONE) return fail(want.Code(), kLookupFailed);
            want.Reset();
        }
    }
    std::vector<std::string> lines;
    {
        Statement find(m_db, kLookup);
        find.Bind(1, summary.sha256).Bind(2, summary.messageId).Bind(3, summary.initiator);
        rc = find.Step();
        if (rc == SQLITE_ROW)
            lines.push_back(Utf8ToCp1252("Warnung: Diese Datei (MsgId '") + summary.messageId +
                            A("') wurde bereits am " + DateText(find.Real(0), find.Number(0)) + " als '") +
                            PathText(AsUtf8(find.Text(1))) + A("' geprüft. Doppelte Einreichung?"));
        else if (rc != SQLITE_DONE)
            return fail(rc, kLookupFailed);
    }
    // The same file with the same content is listed once, with its first
    // check; within sameCheckMinutes of it, it is the same check repeated.
    bool seenSelf = false;
    {
        Statement self(m_db, "SELECT checked FROM checked WHERE sha256 = ? AND path = ? ORDER BY checked, id LIMIT 1");
        rc = self.Bind(1, summary.sha256).Bind(2, path).Step();
        if (rc == SQLITE_ROW) {
            seenSelf = true;
            if (self.Number(0) && now - self.Real(0) < m_settings.sameCheckMinutes / 1440.0) lines.clear();
        } else if (rc != SQLITE_DONE) {
            return fail(rc, kLookupFailed);
        }
    }
    if (!seenSelf) {
        Statement insert(m_db, "INSERT INTO checked(checked, path, sha256, msgid, initiator) VALUES (?, ?, ?, ?, ?)");
        insert.Bind(1, now).Bind(2, path).Bind(3, summary.sha256).Bind(4, summary.messageId).Bind(5, summary.initiator);
        rc = insert.Step() == SQLITE_DONE ? SQLITE_OK : insert.Code();
        const long long entry = sqlite3_last_insert_rowid(m_db);
        Statement addBlock(m_db, "INSERT INTO block(entry, key, block) VALUES (?, ?, ?)");
        for (const BlockSummary& block : summary.blocks) {
            if (rc != SQLITE_OK) break;
            if (block.iban.empty()) continue;
            addBlock.Bind(1, entry).Bind(2, BlockKey(block)).Bind(3, block.id);
            rc = addBlock.Step() == SQLITE_DONE ? SQLITE_OK : addBlock.Code();
            addBlock.Reset();
        }
        if (rc != SQLITE_OK) {
            Exec(m_db, "ROLLBACK");
            lines.push_back(Unrecorded(Reason(rc, "nicht schreibbar")));
            return lines;
        }
    }
    if ((rc = Exec(m_db, "COMMIT")) != SQLITE_OK) {
        Exec(m_db, "ROLLBACK");
        lines.push_back(Unrecorded(Reason(rc, "nicht schreibbar")));
    }
    return lines;
}

std::string CCheckHistory::Unrecorded(const std::string& reason) const {
    return A("Hinweis: Diese Datei konnte nicht in den Prüfverlauf '" + FileName(m_settings.dataFolder) +
             "' eingetragen werden: " + reason + ".");
}

bool CCheckHistory::List(std::vector<std::string>& lines) {
    if (!Open(false)) return false;
    if (m_empty || m_version == 0) return true;  // no history yet
    Statement list(m_db, "SELECT checked, msgid, initiator, sha256, path FROM checked ORDER BY checked DESC, id DESC");
    if (!list) return Fail("nicht lesbar", list.Code());
    int rc;
    const auto shown = [](const std::string& text) { return VisibleControls(AsUtf8(text)); };
    while ((rc = list.Step()) == SQLITE_ROW)
        lines.push_back(DateText(list.Real(0), list.Number(0)) + "  MsgId '" + shown(Cp1252ToUtf8(list.Text(1))) +
                        "'  " + shown(Cp1252ToUtf8(list.Text(2))) + "  " + shown(list.Text(3).substr(0, 16)) + "  " +
                        shown(list.Text(4)));
    return rc == SQLITE_DONE || Fail("nicht lesbar", rc);
}

bool CCheckHistory::Clear() {
    if (!Open(true)) {
        // A damaged history holds nothing that could still be read: clearing
        // it starts a new one in its place (with the files of its log).
        if (m_error != "beschädigt") return false;
        const std::string file = FileName(m_settings.dataFolder);
        for (const char* suffix : {"-wal", "-shm", ""}) {
            std::error_code ec;
            std::filesystem::remove(FsPath(file + suffix), ec);
            if (ec) {
                m_error = "beschädigt und nicht zu löschen";
                return false;
            }
        }
        m_tried = false;
        m_error.clear();
        return true;
    }
    const int rc = Exec(m_db, "BEGIN IMMEDIATE; DELETE FROM block; DELETE FROM checked; COMMIT");
    if (rc == SQLITE_OK) return true;
    Exec(m_db, "ROLLBACK");
    m_error = Reason(rc, "nicht schreibbar");
    return false;
}

std::vector<std::string> CCheckHistory::LookupPlan() {
    std::vector<std::string> plan;
    if (!Open(true) || Exec(m_db, "CREATE TEMP TABLE IF NOT EXISTS wanted (key TEXT PRIMARY KEY)") != SQLITE_OK)
        return plan;
    Statement explain(m_db, (std::string("EXPLAIN QUERY PLAN ") + kLookup).c_str());
    while (explain.Step() == SQLITE_ROW) plan.push_back(explain.Text(3));
    return plan;
}

}  // namespace valorix
