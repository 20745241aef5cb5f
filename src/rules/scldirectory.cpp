#include "rules/scldirectory.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/strutil.h"

namespace valorix {

namespace {

// Lines longer than this are no part of a directory: they are passed on
// marked as too long, with their content dropped, so a file of garbage never
// costs more memory than one such line.
constexpr size_t kMaxLine = 4096;

}  // namespace

bool ForEachLine(const std::string& path,
                 const std::function<bool(std::string_view, long, bool)>& line) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    std::array<char, 65536> buffer;
    std::string current;
    bool tooLong = false;
    long number = 0;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        size_t start = 0;
        while (start < n) {
            const char* nl = static_cast<const char*>(std::memchr(buffer.data() + start, '\n', n - start));
            const size_t end = nl ? static_cast<size_t>(nl - buffer.data()) : n;
            if (!tooLong) {
                current.append(buffer.data() + start, end - start);
                if (current.size() > kMaxLine) {
                    tooLong = true;
                    current.clear();
                }
            }
            if (!nl) break;
            if (!current.empty() && current.back() == '\r') current.pop_back();
            if (!line(current, ++number, tooLong)) return true;
            current.clear();
            tooLong = false;
            start = end + 1;
        }
    }
    if (std::ferror(file.get())) return false;
    if (!current.empty() || tooLong) {
        if (!current.empty() && current.back() == '\r') current.pop_back();
        line(current, ++number, tooLong);
    }
    return true;
}

namespace {

// An INI line: a section header, a key with its value, or something else.
struct IniLine {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string name;   // section name, or key (both trimmed)
    std::string value;  // trimmed
};

IniLine ParseIniLine(std::string_view text) {
    IniLine l;
    const std::string t = Trim(text);
    if (t.size() >= 2 && t.front() == '[') {
        const size_t close = t.find(']');
        if (close != std::string::npos) {
            l.kind = IniLine::Section;
            l.name = Trim(std::string_view(t).substr(1, close - 1));
            return l;
        }
    }
    if (t.empty() || t[0] == ';') return l;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) return l;
    l.kind = IniLine::Entry;
    l.name = Trim(std::string_view(t).substr(0, eq));
    l.value = Trim(std::string_view(t).substr(eq + 1));
    return l;
}

bool IsBicKey(std::string_view key) {
    if (key.size() != 8 && key.size() != 11) return false;
    return std::all_of(key.begin(), key.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

bool IsFlagString(std::string_view flags) {
    return !flags.empty() && flags.size() <= 9 &&
           std::all_of(flags.begin(), flags.end(), [](char c) { return c == '0' || c == '1'; });
}

std::string Unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

bool IsPlausibleStand(std::string_view stand) {
    if (stand.size() != 6 || !std::all_of(stand.begin(), stand.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int year = 2000 + (stand[0] - '0') * 10 + (stand[1] - '0');
    const int month = (stand[2] - '0') * 10 + (stand[3] - '0');
    const int day = (stand[4] - '0') * 10 + (stand[5] - '0');
    if (month < 1 || month > 12 || day < 1) return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
    // A directory is published shortly before it becomes valid, never years
    // ahead: a date that far in the future would win every comparison.
    return MakeDate(year, month, day) <= NowDate() + 366;
}

bool SclStandIsNewer(const std::string& candidate, const std::string& local) {
    if (!IsPlausibleStand(candidate)) return false;
    return !IsPlausibleStand(local) || candidate > local;
}

std::string ReadSclStand(const std::string& path) {
    std::string stand;
    bool inBic = false;
    ForEachLine(path, [&](std::string_view text, long, bool tooLong) {
        if (tooLong) return true;
        const IniLine l = ParseIniLine(text);
        if (l.kind == IniLine::Section) inBic = EqualsNoCase(l.name, "BIC");
        if (l.kind != IniLine::Entry || !inBic || !EqualsNoCase(l.name, "STAND")) return true;
        stand = Unquoted(l.value);
        return false;
    });
    return stand;
}

SclFileCheck ValidateSclDirectory(const std::string& path) {
    SclFileCheck r;
    bool inBic = false, sawStand = false;
    // The first failure is the reason, written here in UTF-8.
    auto fail = [&r](const std::string& utf8) {
        if (r.reason.empty()) r.reason = A(utf8);
        return false;
    };
    const bool read = ForEachLine(path, [&](std::string_view text, long number, bool tooLong) {
        if (tooLong) return fail(Format("Zeile %ld ist zu lang.", number));
        if (Trim(text).empty()) return true;
        const IniLine l = ParseIniLine(text);
        if (l.kind == IniLine::Section) {
            if (!EqualsNoCase(l.name, "BIC") || inBic)
                return fail(Format("Zeile %ld ist kein Abschnitt [BIC].", number));
            inBic = true;
            return true;
        }
        if (l.kind != IniLine::Entry || !inBic)
            return fail(Format("Zeile %ld ist kein Eintrag \"BIC=Kennzeichen\".", number));
        if (EqualsNoCase(l.name, "STAND")) {
            if (sawStand || !IsPlausibleStand(l.value))
                return fail(Format("Zeile %ld nennt keinen gültigen STAND.", number));
            sawStand = true;
            r.stand = l.value;
            return true;
        }
        if (!IsBicKey(l.name) || !IsFlagString(l.value))
            return fail(Format("Zeile %ld ist kein Eintrag \"BIC=Kennzeichen\".", number));
        ++r.banks;
        return true;
    });
    if (!read) r.reason = A("Die Datei kann nicht gelesen werden.");
    else if (r.reason.empty() && !sawStand) r.reason = A("Der STAND fehlt.");
    else if (r.reason.empty() && r.banks == 0) r.reason = A("Es ist kein Institut enthalten.");
    r.valid = r.reason.empty();
    return r;
}

namespace {

// One entry of the lookup table: a BIC key of 8 or 11 characters and its
// flags (at most 9), both in place, so the table costs about the file's size.
struct SclRecord {
    char key[11];
    uint8_t keyLength;
    char flags[9];
    uint8_t flagLength;
    std::string_view Key() const { return {key, keyLength}; }
};

struct SclTable {
    std::string path;
    long long mtime = -1;
    long long size = -1;
    SclDirectoryState state = SclDirectoryState::Missing;
    std::vector<SclRecord> records;  // sorted by key; the first entry of a key in the file counts
};

std::atomic<bool> g_revisit{true};  // the file is to be looked at before the next lookup
// The table read last. Checks on several threads share it; one that still
// searches a table keeps it alive while another thread reads a changed file.
std::mutex g_tableMutex;
std::shared_ptr<const SclTable> g_table = std::make_shared<SclTable>();

std::shared_ptr<const SclTable> ReadTable(const std::string& path, long long mtime, long long size, bool exists);

std::shared_ptr<const SclTable> LoadTable(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    if (!g_revisit.exchange(false) && g_table->path == path) return g_table;
    const FileStamp st = StatFile(path);
    if (g_table->path == path && g_table->mtime == st.modifiedNs && g_table->size == st.size) return g_table;
    g_table = ReadTable(path, st.modifiedNs, st.size, st.exists);
    return g_table;
}

std::shared_ptr<const SclTable> ReadTable(const std::string& path, long long mtime, long long size, bool exists) {
    auto made = std::make_shared<SclTable>(SclTable{path, mtime, size, SclDirectoryState::Missing, {}});
    SclTable& table = *made;
    if (!exists) return made;
    std::string stand;
    bool sawStand = false, inBic = false;
    long entries = 0;
    const bool read = ForEachLine(path, [&](std::string_view text, long, bool tooLong) {
        if (tooLong) return true;
        const IniLine l = ParseIniLine(text);
        if (l.kind == IniLine::Section) inBic = EqualsNoCase(l.name, "BIC");
        if (l.kind != IniLine::Entry || !inBic) return true;
        if (EqualsNoCase(l.name, "STAND")) {
            if (!sawStand) stand = Unquoted(l.value);
            sawStand = true;
            return true;
        }
        ++entries;
        // Only keys of 8 or 11 characters are ever asked for.
        if (l.name.size() != 8 && l.name.size() != 11) return true;
        SclRecord r{};
        const std::string key = ToUpperAscii(l.name);
        std::memcpy(r.key, key.data(), key.size());
        r.keyLength = static_cast<uint8_t>(key.size());
        r.flagLength = static_cast<uint8_t>(std::min<size_t>(l.value.size(), sizeof r.flags));
        std::memcpy(r.flags, l.value.data(), r.flagLength);
        table.records.push_back(r);
        return true;
    });
    if (!read) table.state = SclDirectoryState::Damaged;
    else if (entries == 0) table.state = SclDirectoryState::Missing;
    else if (!IsPlausibleStand(stand)) table.state = SclDirectoryState::Damaged;
    else table.state = SclDirectoryState::Valid;
    if (table.state != SclDirectoryState::Valid) {
        table.records = {};
        return made;
    }
    std::stable_sort(table.records.begin(), table.records.end(),
                     [](const SclRecord& a, const SclRecord& b) { return a.Key() < b.Key(); });
    table.records.erase(std::unique(table.records.begin(), table.records.end(),
                                    [](const SclRecord& a, const SclRecord& b) { return a.Key() == b.Key(); }),
                        table.records.end());
    table.records.shrink_to_fit();
    return made;
}

}  // namespace

std::string SclLookup(const std::string& path, const std::string& key) {
    const std::shared_ptr<const SclTable> held = LoadTable(path);
    const SclTable& table = *held;
    const std::string wanted = ToUpperAscii(key);
    auto it = std::lower_bound(table.records.begin(), table.records.end(), std::string_view(wanted),
                               [](const SclRecord& r, std::string_view k) { return r.Key() < k; });
    if (it == table.records.end() || it->Key() != wanted) return {};
    return std::string(it->flags, it->flagLength);
}

SclDirectoryState SclDirectoryStateOf(const std::string& path) { return LoadTable(path)->state; }

void RevisitSclDirectory() { g_revisit = true; }

void NoteSclDirectoryNotUsed(SclDirectoryState& worst, SclDirectoryState state) {
    if (state == SclDirectoryState::Damaged || worst == SclDirectoryState::Valid) worst = state;
}

std::string SclDirectoryHint(SclDirectoryState worst) {
    switch (worst) {
        case SclDirectoryState::Valid: return {};
        case SclDirectoryState::Missing:
            return A("Hinweis: Kein SCL Verzeichnis vorhanden, die BICs wurden nicht gegen das SEPA SCL Verzeichnis "
                     "der Bundesbank geprüft.");
        case SclDirectoryState::Damaged:
            return A("Hinweis: Das SCL Verzeichnis ist beschädigt (nicht lesbar oder ohne gültigen STAND), die BICs "
                     "wurden nicht gegen das SEPA SCL Verzeichnis der Bundesbank geprüft.");
    }
    return {};
}

}  // namespace valorix
