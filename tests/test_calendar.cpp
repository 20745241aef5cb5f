// The TARGET2 calendar: Easter, business days, the lead time of a direct
// debit, and the finding a requested date gets.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/strutil.h"
#include "rules/calendar.h"
#include "rules/findings.h"
#include "support.h"

namespace valorix::test {

namespace {
int Day(const char* iso) {
    const std::string s = iso;
    return DayNumber(std::stoi(s.substr(0, 4)), std::stoi(s.substr(5, 2)), std::stoi(s.substr(8, 2)));
}
}  // namespace

TEST(Calendar, EasterAndBusinessDays) {
    // Easter Sunday, among them the earliest (22 March) and latest (25 April) possible.
    for (const char* easter : {"1818-03-22", "1943-04-25", "2019-04-21", "2024-03-31", "2025-04-20", "2026-04-05",
                               "2027-03-28", "2038-04-25", "2285-03-22"})
        EXPECT_EQ(EasterSunday(std::stoi(std::string(easter).substr(0, 4))), Day(easter)) << easter;
    struct Case {
        const char* date;
        bool business;
    } cases[] = {
        {"2026-12-14", true},  {"2026-12-12", false}, {"2026-12-13", false},  // Monday, Saturday, Sunday
        {"2026-04-02", true},  {"2026-04-03", false}, {"2026-04-06", false},  // Maundy Thursday, Good Friday, Easter Monday
        {"2026-05-01", false}, {"2026-12-24", true},  {"2026-12-25", false}, {"2026-12-26", false},
        {"2027-01-01", false}, {"2025-12-31", true},  {"2026-05-14", true},   // Ascension Day is a business day
        {"2027-03-26", false}, {"2027-03-29", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsTarget2BusinessDay(Day(c.date)), c.business) << c.date;
    int y = 0, m = 0, d = 0;
    CalendarDate(Day("2024-02-29"), y, m, d);
    EXPECT_EQ((std::vector<int>{y, m, d}), (std::vector<int>{2024, 2, 29}));
}

TEST(Calendar, LeadTimeOfADirectDebit) {
    struct Case {
        const char* today;
        const char* earliest;
    } cases[] = {
        {"2026-12-10", "2026-12-11"},  // Thursday: Friday
        {"2026-12-11", "2026-12-14"},  // Friday: Monday
        {"2026-12-12", "2026-12-15"},  // Saturday: received Monday, so Tuesday
        {"2026-12-13", "2026-12-15"},
        {"2026-12-23", "2026-12-24"},
        {"2026-12-24", "2026-12-28"},  // over Christmas and a weekend
        {"2026-04-02", "2026-04-07"},  // over Easter
        {"2026-12-31", "2027-01-04"},  // over New Year and a weekend
    };
    for (const auto& c : cases) EXPECT_EQ(EarliestCollectionDay(Day(c.today)), Day(c.earliest)) << c.today;
}

TEST(Calendar, FindingsOfRequestedDates) {
    const std::string thursday = "2026-12-10", saturday = "2026-12-12";
    const std::string moved = "ist kein TARGET2-Geschäftstag, die Bank führt den Auftrag erst am ";
    struct Case {
        std::string today, name, value, finding;
    } cases[] = {
        {thursday, "ReqdExctnDt", "2026-12-12", "Hinweis: Der Ausführungstermin '2026-12-12' " + moved + "14.12.2026 aus!"},
        {thursday, "ReqdExctnDt", "2026-12-25", "Hinweis: Der Ausführungstermin '2026-12-25' " + moved + "28.12.2026 aus!"},
        {thursday, "ReqdExctnDt", "2026-12-12+01:00",
         "Hinweis: Der Ausführungstermin '2026-12-12' " + moved + "14.12.2026 aus!"},
        {thursday, "p:ReqdColltnDt", "2026-12-13", "Hinweis: Das Einzugsdatum '2026-12-13' " + moved + "14.12.2026 aus!"},
        {thursday, "ReqdExctnDt", "2026-12-14", ""},
        {thursday, "ReqdColltnDt", "2026-12-11", ""},  // one business day ahead is enough
        // today and the past are the date rules' ("liegt nicht in der Zukunft"), even on a Saturday
        {saturday, "ReqdExctnDt", saturday, "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"},
        {thursday, "ReqdExctnDt", "2026-12-05", "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"},
        // handed in on a Saturday: Monday is too early, a Sunday as well (the warning says it all)
        {saturday, "ReqdColltnDt", "2026-12-14",
         "Warnung: Das Einzugsdatum '2026-12-14' liegt weniger als einen TARGET2-Geschäftstag in der Zukunft "
         "(frühestens 15.12.2026), die Bank wird die Lastschrift zurückweisen oder verschieben!"},
        {saturday, "ReqdColltnDt", "2026-12-13",
         "Warnung: Das Einzugsdatum '2026-12-13' liegt weniger als einen TARGET2-Geschäftstag in der Zukunft "
         "(frühestens 15.12.2026), die Bank wird die Lastschrift zurückweisen oder verschieben!"},
        {saturday, "ReqdColltnDt", "2026-12-15", ""},
        {saturday, "ReqdExctnDt", "2026-12-14", ""},  // a transfer has no lead time
        {thursday, "DtOfSgntr", "2026-12-05", ""},  // a Saturday, but no requested date
        {thursday, "ReqdExctnDt", "2026-02-30", ""},
        {thursday, "ReqdExctnDt", "2026-12-1", ""},
    };
    for (const auto& c : cases) {
        const double now = MakeDate(std::stoi(c.today.substr(0, 4)), std::stoi(c.today.substr(5, 2)),
                                    std::stoi(c.today.substr(8, 2)), 12, 0, 0);
        const std::string finding = DateOrCalendarFinding(c.name, c.value, now);
        EXPECT_EQ(U8(finding), c.finding) << c.today << " " << c.name << " " << c.value;
        // Neither makes a check fail: a hint never does, and the warning is one beyond the bank's rules.
        EXPECT_TRUE(finding.empty() || StartsWith(finding, "Hinweis:") || finding::IsAdvisory(finding)) << c.finding;
    }
}

}  // namespace valorix::test
