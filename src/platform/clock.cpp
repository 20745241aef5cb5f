#include "platform/clock.h"

#include <ctime>

namespace valorix {
namespace {
std::optional<double> g_fixed;

long DaysFromCivil(long y, unsigned m, unsigned d) {  // days since 1970-01-01
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}
}  // namespace

double MakeDate(int year, int month, int day, int hour, int minute, int second) {
    const long kEpochOffset = 25569;  // 30.12.1899 .. 01.01.1970
    double days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochOffset);
    return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}

double NowDate() {
    if (g_fixed) return *g_fixed;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return MakeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

void SetClock(std::optional<double> date) { g_fixed = date; }

}  // namespace valorix
