#include "rules/blzdirectory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/strutil.h"
#include "rules/checkdigits.h"
#include "rules/findings.h"
#include "rules/scldirectory.h"

namespace valorix {

namespace {

// The Bundesbank's published record layout of the bank code file, positions
// counted from 1: Bankleitzahl 1-8, Merkmal 9, Bezeichnung 10-67, PLZ 68-72,
// Ort 73-107, Kurzbezeichnung 108-134, PAN 135-139, BIC 140-150,
// Prüfzifferberechnungsmethode 151-152, Datensatznummer 153-158,
// Änderungskennzeichen 159, Bankleitzahllöschung 160, Nachfolge-Bankleitzahl
// 161-168, IBAN-Regel 169-174. Current files carry the IBAN rule (174
// characters); files from before it end after the successor (168); both are
// read. Only the bank code and the BIC are kept.
constexpr size_t kShortRecord = 168, kLongRecord = 174;
constexpr size_t kBic = 139, kCheckMethod = 150, kRecordNumber = 152, kChange = 158;
// Far more than there are bank codes: a file beyond it is no bank code file.
constexpr size_t kMaxBankCodes = 100000;

bool Digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool BicChars(std::string_view s) {
    return (s.size() == 8 || s.size() == 11) &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

bool ValidRecord(std::string_view r) {
    if (r.size() != kShortRecord && r.size() != kLongRecord) return false;
    if (!Digits(r.substr(0, 8)) || (r[8] != '1' && r[8] != '2')) return false;
    const std::string bic = Trim(r.substr(kBic, 11));
    if (!bic.empty() && !BicChars(bic)) return false;
    if (Trim(r.substr(kCheckMethod, 2)).size() != 2 || !Digits(r.substr(kRecordNumber, 6))) return false;
    return std::strchr("ADUM", r[kChange]) != nullptr && r[kChange] != '\0';
}

// "DD.MM.YYYY" to "YYYYMMDD", "" when it names no real day.
std::string StandOf(const std::string& date) {
    int day = 0, month = 0, year = 0;
    char extra = 0;
    if (date.size() != 10 || std::sscanf(date.c_str(), "%2d.%2d.%4d%c", &day, &month, &year, &extra) != 3) return {};
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
        (month == 2 && day == 29 && !leap))
        return {};
    return Format("%04d%02d%02d", year, month, day);
}

BlzImportResult Fail(const std::string& utf8) {
    BlzImportResult r;
    r.message = A(utf8);
    return r;
}

std::string Excerpt(std::string_view line) {
    const std::string utf8 = VisibleControls(AsUtf8(line.substr(0, 60)));
    return line.size() > 60 ? utf8 + "…" : utf8;
}

}  // namespace

std::string BlzDateText(const std::string& stand) {
    return stand.size() == 8 ? stand.substr(6, 2) + "." + stand.substr(4, 2) + "." + stand.substr(0, 4) : stand;
}

BlzImportResult ImportBlzFile(const std::string& source, const std::string& target, const std::string& validFrom) {
    if (SameFile(source, target))
        return Fail("Die Zieldatei '" + VisibleControls(NativeSeparators(target)) + "' ist die Eingabedatei '" +
                    VisibleControls(NativeSeparators(source)) + "' selbst und wird nicht überschrieben.");
    const FileStamp st = StatFile(source);
    if (!st.regular)
        return Fail("Die Datei '" + VisibleControls(source) + "' kann nicht gelesen werden.");
    std::string stand;
    if (!validFrom.empty()) {
        stand = StandOf(validFrom);
        if (stand.empty()) return Fail("'" + VisibleControls(validFrom) + "' ist kein Datum TT.MM.JJJJ.");
    } else {
        std::tm tm{};
        const std::time_t t = static_cast<std::time_t>(st.modifiedNs / 1000000000LL);
        localtime_r(&t, &tm);
        stand = Format("%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    }
    std::map<std::string, std::pair<std::string, bool>> banks;  // bank code -> BIC, from its main record
    std::string failure;
    const bool read = ForEachLine(source, [&](std::string_view text, long number, bool tooLong) {
        if (tooLong || !ValidRecord(text)) {
            if (!(tooLong || Trim(text).empty())) {
                failure = Format("Zeile %ld der Bankleitzahlendatei ist fehlerhaft: ", number) + Excerpt(text);
                return false;
            }
            if (tooLong) {
                failure = Format("Zeile %ld der Bankleitzahlendatei ist zu lang.", number);
                return false;
            }
            return true;
        }
        const std::string bic = Trim(text.substr(kBic, 11));
        if (bic.empty()) return true;
        const bool main = text[8] == '1';
        auto [it, isNew] = banks.emplace(std::string(text.substr(0, 8)), std::make_pair(bic, main));
        if (!isNew && main && !it->second.second) it->second = {bic, true};  // the main record's BIC wins
        if (banks.size() > kMaxBankCodes) {
            failure = "Die Datei enthält zu viele Bankleitzahlen für eine Bankleitzahlendatei.";
            return false;
        }
        return true;
    });
    if (!read) return Fail("Die Datei '" + VisibleControls(source) + "' kann nicht gelesen werden.");
    if (!failure.empty()) return Fail(failure);
    if (banks.empty()) return Fail("Die Bankleitzahlendatei enthält keine Bankleitzahl mit BIC.");

    std::string out = "; Bankleitzahlendatei, gueltig ab " + BlzDateText(stand) + "\r\nSTAND=" + stand + "\r\n";
    for (const auto& [code, bic] : banks) out += code + "=" + bic.first + "\r\n";
    if (!WriteFileAtomically(target, out))
        return Fail("Die Datei '" + VisibleControls(NativeSeparators(target)) + "' kann nicht geschrieben werden.");
    BlzImportResult r;
    r.ok = true;
    r.banks = static_cast<long>(banks.size());
    r.stand = stand;
    r.message = Format(A("Bankleitzahlendatei mit %ld Bankleitzahlen (gültig ab %s) nach '%s' geschrieben.").c_str(),
                       r.banks, BlzDateText(stand).c_str(), ShownPath(target).c_str());
    return r;
}

namespace {

struct BlzRecord {
    char code[8];
    char bic[11];
    uint8_t bicLength;
    std::string_view Code() const { return {code, 8}; }
};

struct BlzTable {
    std::string path;
    long long mtime = -1, size = -1;
    std::vector<BlzRecord> records;  // sorted by bank code
};

// The file named for the lookups and the table read from it last, shared by
// checks on several threads (see the directory of the BIC check).
std::mutex g_blzMutex;
std::string g_path;
bool g_revisit = true;  // the file is to be looked at before the next lookup
std::shared_ptr<const BlzTable> g_blzTable = std::make_shared<BlzTable>();

std::shared_ptr<const BlzTable> ReadBlzTable(long long mtime, long long size, bool exists);

// The table of the file, read again when the file changed; the file is looked
// at once per check, not at every lookup (a file system query costs more than
// a lookup, on Windows much more).
std::shared_ptr<const BlzTable> LoadBlzTable() {
    std::lock_guard<std::mutex> lock(g_blzMutex);
    if (!g_revisit && g_blzTable->path == g_path) return g_blzTable;
    g_revisit = false;
    const FileStamp st = StatFile(g_path);
    if (g_blzTable->path == g_path && g_blzTable->mtime == st.modifiedNs && g_blzTable->size == st.size)
        return g_blzTable;
    g_blzTable = ReadBlzTable(st.modifiedNs, st.size, st.exists);
    return g_blzTable;
}

std::shared_ptr<const BlzTable> ReadBlzTable(long long mtime, long long size, bool exists) {
    auto made = std::make_shared<BlzTable>(BlzTable{g_path, mtime, size, {}});
    BlzTable& table = *made;
    if (!exists) return made;
    bool stand = false, damaged = false;
    const bool read = ForEachLine(g_path, [&](std::string_view text, long, bool tooLong) {
        const std::string line = Trim(text);
        if (tooLong || line.empty() || line[0] == ';') return true;
        if (StartsWith(line, "STAND=")) {
            stand = true;
            return true;
        }
        const size_t eq = line.find('=');
        if (eq != 8 || !Digits(std::string_view(line).substr(0, 8)) || !BicChars(std::string_view(line).substr(9)) ||
            table.records.size() >= kMaxBankCodes) {
            damaged = true;
            return false;
        }
        BlzRecord r{};
        std::memcpy(r.code, line.data(), 8);
        r.bicLength = static_cast<uint8_t>(line.size() - 9);
        std::memcpy(r.bic, line.data() + 9, r.bicLength);
        table.records.push_back(r);
        return true;
    });
    // A damaged lookup file is no lookup file: the check stays silent.
    if (!read || damaged || !stand) {
        table.records = {};
        return made;
    }
    std::stable_sort(table.records.begin(), table.records.end(),
                     [](const BlzRecord& a, const BlzRecord& b) { return a.Code() < b.Code(); });
    table.records.shrink_to_fit();
    return made;
}

bool BlzDirectoryNamed() {
    std::lock_guard<std::mutex> lock(g_blzMutex);
    return !g_path.empty();
}

}  // namespace

void UseBlzDirectory(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_blzMutex);
    g_path = path;
    g_revisit = true;
}

void RevisitBlzDirectory() {
    std::lock_guard<std::mutex> lock(g_blzMutex);
    g_revisit = true;
}

std::string BlzLookup(const std::string& bankCode) {
    const std::shared_ptr<const BlzTable> held = LoadBlzTable();
    const BlzTable& table = *held;
    auto it = std::lower_bound(table.records.begin(), table.records.end(), std::string_view(bankCode),
                               [](const BlzRecord& r, std::string_view k) { return r.Code() < k; });
    if (it == table.records.end() || it->Code() != bankCode) return {};
    return std::string(it->bic, it->bicLength);
}

bool BicMatchesListed(const std::string& bic, const std::string& listed) {
    const std::string a = ToUpperAscii(bic), b = ToUpperAscii(listed);
    if (a.compare(0, 8, b, 0, 8) != 0) return false;
    const std::string branchA = a.size() == 11 ? a.substr(8) : "XXX", branchB = b.size() == 11 ? b.substr(8) : "XXX";
    return branchA == "XXX" || branchB == "XXX" || branchA == branchB;
}

void CBankCodePairs::NewScope() { m_dbtr = m_cdtr = Half{}; }

std::string CBankCodePairs::PartyOf(const std::string& accountOrAgent) {
    for (const char* party : {"Dbtr", "Cdtr"})
        for (const char* suffix : {"Acct", "Agt"})
            if (EndsWith(accountOrAgent, std::string(party) + suffix) &&
                !EndsWith(accountOrAgent, std::string("Ultmt") + party + suffix))
                return party;
    return {};
}

std::string CBankCodePairs::Iban(const std::string& party, const std::string& iban) {
    Half& h = party == "Dbtr" ? m_dbtr : m_cdtr;
    h.iban = ToUpperAscii(Trim(iban));
    return Pair(h);
}

std::string CBankCodePairs::Bic(const std::string& party, const std::string& bic) {
    Half& h = party == "Dbtr" ? m_dbtr : m_cdtr;
    h.bic = ToUpperAscii(Trim(bic));
    return Pair(h);
}

std::string CBankCodePairs::Pair(Half& h) {
    if (h.iban.empty() || h.bic.empty()) return {};
    const std::string iban = h.iban, bic = h.bic;
    h = Half{};
    // An IBAN with wrong check digits has its own finding; its bank code may be the mistake.
    if (iban.size() != 22 || iban.compare(0, 2, "DE") != 0 || !Digits(std::string_view(iban).substr(2)) ||
        CheckIban(iban) < 1)
        return {};
    if (!BlzDirectoryNamed()) return {};
    const std::string code = iban.substr(4, 8);
    const std::string listed = BlzLookup(code);
    if (listed.empty() || BicMatchesListed(bic, listed)) return {};
    return Format(finding::kBicNotOfBankCode.c_str(), bic.c_str(), code.c_str(), listed.c_str());
}

}  // namespace valorix
