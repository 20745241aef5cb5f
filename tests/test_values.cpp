#include <gtest/gtest.h>

#include "platform/clock.h"
#include "rules/values.h"
#include "support.h"

namespace valorix::test {

TEST(Amount, ParsesToTenThousandths) {
    struct Case {
        const char* text;
        int64_t units;
    } cases[] = {
        {"12.5", 125000}, {"12.50", 125000}, {"12", 120000}, {"0.01", 100}, {"10.0", 100000},
        {"30.001", 300010}, {"1.23456", 12345},  // more than four places are cut to four
        {" 7.25", 72500}, {"-1.50", -15000}, {"abc", 0}, {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseAmount(c.text).units, c.units) << c.text;
    // 64-bit whole part: the largest that fits, and the first that does not.
    EXPECT_EQ(ParseAmount("2147483648.00").units, 21474836480000);
    EXPECT_EQ(ParseAmount("922337203685477.5807").units, INT64_MAX);
    EXPECT_FALSE(ParseAmount("922337203685477.5808").valid);
    EXPECT_EQ(ParseAmount("-922337203685477.5807").units, -INT64_MAX);
    EXPECT_FALSE(ParseAmount("922337203685478").valid);
    Currency sum = ParseAmount("922337203685477");
    sum -= ParseAmount("-1");
    EXPECT_FALSE(sum.valid);
    EXPECT_EQ(ReadLeadingInt("  42x"), 42);
    EXPECT_EQ(ReadLeadingInt("-3"), -3);
    EXPECT_EQ(ReadLeadingInt("99999999999"), INT32_MAX);
}

// A run of amounts read once answers every control sum as subtracting its
// amounts one by one does, overflow of a partial result included.
TEST(Amount, RunOfAmountsSubtractsLikeOneByOne) {
    const char* big = "922337203685477";  // close to the largest amount
    struct Case {
        const char* name;
        std::vector<std::string> amounts;
        std::vector<std::string> sums;
    } cases[] = {
        {"no amounts", {}, {"0", "12.50", big}},
        {"ordinary", {"1.50", "2.25", "100"}, {"103.75", "103.74", "0", "-5"}},
        {"negative amounts", {"-5", "3"}, {"-2", "0"}},
        {"sum fits, the total of the amounts does not", {big, big, "-" + std::string(big)}, {big, "0", "-1"}},
        {"an early partial result leaves the range", {"-" + std::string(big), big}, {big, "1", "0", "-1"}},
        {"an amount beyond the range", {"1", "9999999999999999"}, {"1", "0"}},
    };
    for (const auto& c : cases) {
        CAmountRun run;
        for (const std::string& a : c.amounts) run.Add(ParseAmount(a));
        for (const std::string& sumText : c.sums) {
            Currency oneByOne = ParseAmount(sumText);
            for (const std::string& a : c.amounts) oneByOne -= ParseAmount(a);
            const Currency fromRun = run.SubtractFrom(ParseAmount(sumText));
            EXPECT_EQ(fromRun.valid, oneByOne.valid) << c.name << ", sum " << sumText;
            if (oneByOne.valid) {
                EXPECT_EQ(fromRun.units, oneByOne.units) << c.name << ", sum " << sumText;
            }
        }
    }
}

TEST(Dates, FutureAndPastRules) {
    const double now = MakeDate(2026, 12, 10, 9, 30, 0);
    struct Case {
        const char* name;
        const char* value;
        const char* finding;
    } cases[] = {
        {"ReqdExctnDt", "2026-12-11", ""},
        {"ReqdExctnDt", "2026-12-10", "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"},
        {"ReqdColltnDt", "2026-12-10", "Hinweis: Das Einzugsdatum liegt nicht in der Zukunft!"},
        {"ReqdColltnDt", "1899-12-31",
         "Hinweis: Das Einzugsdatum liegt nicht in der Zukunftund ein Wert kleiner 1900 kann nicht von jedem Programm "
         "verarbeitet werden!"},
        {"DtOfSgntr", "2026-12-10", ""},
        {"DtOfSgntr", "2026-12-11", "Hinweis: Das Datum '2026-12-11' liegt nicht in der Vergangenheit!!"},
        {"DtOfSgntr", "1850-01-01",
         "Hinweis: Das Datum '1850-01-01' kann nicht von jedem Programm verarbeitet werden.!"},
        {"ReqdExctnDt", "2016-02-30", ""},  // no calendar date: no finding
        {"p:ReqdExctnDt", "2020-01-01", "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"},
        // A time zone after the date: the date part counts.
        {"ReqdExctnDt", "2020-01-15Z", "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"},
        {"ReqdExctnDt", "2020-01-15+01:00", "Hinweis: Der Ausführungstermin liegt nicht in der Zukunft!"},
        {"ReqdExctnDt", "2026-12-15-05:00", ""},
        {"DtOfSgntr", "2026-12-15Z", "Hinweis: Das Datum '2026-12-15Z' liegt nicht in der Vergangenheit!!"},
    };
    for (const auto& c : cases) EXPECT_EQ(U8(DateFinding(c.name, c.value, now)), c.finding) << c.name << " " << c.value;
}

}  // namespace valorix::test
