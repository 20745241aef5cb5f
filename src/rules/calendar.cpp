#include "rules/calendar.h"

#include <cmath>

#include "platform/strutil.h"
#include "rules/findings.h"
#include "rules/values.h"

namespace valorix {

namespace {
// NowDate counts days from 30 December 1899.
constexpr int kNowDateOf1970 = 25569;

std::string GermanDate(int dayNumber) {
    int y = 0, m = 0, d = 0;
    CalendarDate(dayNumber, y, m, d);
    return Format("%02d.%02d.%04d", d, m, y);
}

// "YYYY-MM-DD" of a real calendar date; false for anything else.
bool ReadIsoDate(const std::string& text, int& dayNumber) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
        if (text[i] < '0' || text[i] > '9') return false;
    const int y = std::stoi(text.substr(0, 4)), m = std::stoi(text.substr(5, 2)), d = std::stoi(text.substr(8, 2));
    if (m < 1 || m > 12 || d < 1) return false;
    int ry = 0, rm = 0, rd = 0;
    dayNumber = DayNumber(y, m, d);
    CalendarDate(dayNumber, ry, rm, rd);
    return ry == y && rm == m && rd == d;  // 31 April and 29 February of other years come back changed
}
}  // namespace

// Days from civil dates and back in the proleptic Gregorian calendar, by eras of 400 years.
int DayNumber(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CalendarDate(int dayNumber, int& year, int& month, int& day) {
    const int z = dayNumber + 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = yoe + era * 400 + (month <= 2 ? 1 : 0);
}

// The anonymous Gregorian computus.
int EasterSunday(int year) {
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7, m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return DayNumber(year, month, day);
}

bool IsTarget2BusinessDay(int dayNumber) {
    const int weekday = ((dayNumber % 7) + 7 + 3) % 7;  // 0 Monday; 1 January 1970 was a Thursday
    if (weekday >= 5) return false;
    int y = 0, m = 0, d = 0;
    CalendarDate(dayNumber, y, m, d);
    if ((m == 1 && d == 1) || (m == 5 && d == 1) || (m == 12 && (d == 25 || d == 26))) return false;
    const int easter = EasterSunday(y);
    return dayNumber != easter - 2 && dayNumber != easter + 1;
}

int NextBusinessDay(int dayNumber) {
    do ++dayNumber;
    while (!IsTarget2BusinessDay(dayNumber));
    return dayNumber;
}

int EarliestCollectionDay(int today) {
    const int received = IsTarget2BusinessDay(today) ? today : NextBusinessDay(today);
    return NextBusinessDay(received);
}

std::string CalendarFinding(const std::string& name, const std::string& value, double now) {
    const bool execution = Contains(name, "ReqdExctnDt");
    if (!execution && !Contains(name, "ReqdColltnDt")) return {};
    int date = 0;
    if (!ReadIsoDate(DatePart(Trim(value)), date)) return {};
    const int today = static_cast<int>(std::floor(now)) - kNowDateOf1970;
    if (date <= today) return {};  // the date rules say that it lies in the past
    const int executed = IsTarget2BusinessDay(date) ? date : NextBusinessDay(date);
    const std::string shown = DatePart(Trim(value));
    if (!execution && executed < EarliestCollectionDay(today))
        return Format(finding::kCollectionTooEarly.c_str(), shown.c_str(),
                      GermanDate(EarliestCollectionDay(today)).c_str());
    if (executed != date)
        return Format(finding::kNotBusinessDay.c_str(), execution ? A("Der Ausführungstermin").c_str() : "Das Einzugsdatum",
                      shown.c_str(), GermanDate(executed).c_str());
    return {};
}

std::string DateOrCalendarFinding(const std::string& name, const std::string& value, double now) {
    std::string finding = DateFinding(name, value, now);
    return finding.empty() ? CalendarFinding(name, value, now) : finding;
}

}  // namespace valorix
