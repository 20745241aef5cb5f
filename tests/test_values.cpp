#include <gtest/gtest.h>

#include <sstream>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "rules/findings.h"
#include "rules/summary.h"
#include "rules/values.h"
#include "support.h"

namespace valorix::test {

// Every amount text as a decimal exact to 17 places, or marked: "unreadable"
// for what is no decimal number, "too large" beyond 21 places before the point.
TEST(Amount, ParsesExactlyOrMarksTheText) {
    struct Case {
        const char* text;
        const char* value;  // as Amount prints it; "unreadable" or "too large"
    } cases[] = {
        {"12.5", "12.50"}, {"12.50", "12.50"}, {"12", "12.00"}, {"0.01", "0.01"}, {" 7.25\n", "7.25"},
        {"-1.50", "-1.50"}, {"+3", "3.00"}, {".5", "0.50"}, {"5.", "5.00"}, {"-0", "0.00"}, {"007.10", "7.10"},
        {"1.123456", "1.123456"}, {"0.12345678901234567", "0.12345678901234567"},
        {"1.000000000000000000000", "1.00"},  // zeros beyond the 17th place change nothing
        // The largest control sums the schemas allow, and the 64-bit edge the value once had.
        {"9999999999999999.99", "9999999999999999.99"}, {"999999999999999999", "999999999999999999.00"},
        {"922337203685477.5808", "922337203685477.5808"}, {"922337203685478", "922337203685478.00"},
        {"999999999999999999999.99999999999999999", "999999999999999999999.99999999999999999"},
        {"1000000000000000000000", "too large"}, {"-1000000000000000000000", "too large"},
        {"1e5", "unreadable"}, {"2E-1", "unreadable"}, {"abc", "unreadable"}, {"", "unreadable"},
        {"  ", "unreadable"}, {"1.-5", "unreadable"}, {"1,50", "unreadable"}, {"1.2.3", "unreadable"},
        {"-", "unreadable"}, {".", "unreadable"}, {"1 000", "unreadable"}, {"--1", "unreadable"},
        {"0.000000000000000001", "unreadable"},  // a digit beyond the 17th place
        {"12x", "unreadable"}, {"1000000000000000000000x", "unreadable"},
    };
    for (const auto& c : cases) {
        const Currency a = ParseAmount(c.text);
        const std::string got = !a.readable ? "unreadable" : !a.valid ? "too large" : Amount(a.units);
        EXPECT_EQ(got, c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseAmount("10").units, ParseAmount("10.00").units);
    EXPECT_EQ(ParseAmount("0.01").units, kUnitsPerOne / 100);
    EXPECT_EQ(ReadLeadingInt("  42x"), 42);
    EXPECT_EQ(ReadLeadingInt("-3"), -3);
    EXPECT_EQ(ReadLeadingInt("99999999999"), INT32_MAX);
}

// A control sum minus its amounts, and what the check says of it: unreadable
// wins over too large, either over a wrong sum; nothing is claimed that the
// values cannot tell.
TEST(Amount, ControlSumAgainstItsAmounts) {
    const std::string wrong = finding::kSumWrong, large = finding::kSumTooLarge, unreadable = finding::kSumUnreadable;
    struct Case {
        const char* name;
        std::vector<std::string> amounts;
        const char* sum;
        std::string finding;  // "" when the sum matches
    } cases[] = {
        {"no amounts", {}, "0", ""},
        {"ordinary", {"1.50", "2.25", "100"}, "103.75", ""},
        {"a cent off", {"1.50", "2.25", "100"}, "103.74", wrong},
        {"beyond 64 bits, exact", {"922337203685477.58", "0.01"}, "922337203685477.59", ""},
        {"the largest sum of two places", {"9999999999999999.98", "0.01"}, "9999999999999999.99", ""},
        {"five places count", {"0.00001", "0.00001"}, "0.00002", ""},
        {"a sixth place is not cut", {"1.123456"}, "1.12345", wrong},
        {"negative amounts", {"-5", "3"}, "-2", ""},
        {"the total beyond the range", {"999999999999999999999", "999999999999999999999"}, "1", large},
        {"a control sum too large", {"1"}, "1000000000000000000000", large},
        {"an amount in exponent notation", {"1e5"}, "1", unreadable},
        {"an empty amount", {"5", ""}, "5", unreadable},
        {"letters in the control sum", {"5"}, "abc", unreadable},
        {"unreadable and too large", {"999999999999999999999", "999999999999999999999", "x"}, "1", unreadable},
    };
    for (const auto& c : cases) {
        CAmountRun run;
        for (const std::string& a : c.amounts) run.Add(ParseAmount(a));
        const std::string* got = SumFinding(run.SubtractFrom(ParseAmount(c.sum)));
        EXPECT_EQ(got ? *got : std::string(), c.finding) << c.name;
    }
}

// The slip's count and sum lines of a file read as the check reads it: exact
// beyond 64 bits, and a value it cannot read marked, never called a match or
// "abweichend!".
TEST(Amount, SlipMarksWhatItCannotRead) {
    struct Case {
        const char* count;
        const char* sum;
        std::vector<std::string> amounts;
        const char* countLine;
        const char* sumLine;
    } cases[] = {
        {"2", "10.50", {"10", "0.50"}, "Transaktionen: 2 (angegeben: 2)", "Summe: 10.50 EUR (angegeben: 10.50)"},
        {"3", "10.49", {"10", "0.50"}, "Transaktionen: 2 (angegeben: 3, abweichend!)",
         "Summe: 10.50 EUR (angegeben: 10.49, abweichend!)"},
        {"2", "922337203685477.59", {"922337203685477.58", "0.01"}, "Transaktionen: 2 (angegeben: 2)",
         "Summe: 922337203685477.59 EUR (angegeben: 922337203685477.59)"},
        {"1", "1.12", {"1.123456"}, "Transaktionen: 1 (angegeben: 1)", "Summe: 1.123456 EUR (angegeben: 1.12, abweichend!)"},
        {"1e5", "1", {"1e5"}, "Transaktionen: 1 (angegeben: 1e5, nicht lesbar)",
         "Summe: 0.00 EUR (nicht alle Beträge lesbar) (angegeben: 1)"},
        {"99999999999999999999", "5", {"5", ""}, "Transaktionen: 2 (angegeben: 99999999999999999999, abweichend!)",
         "Summe: 5.00 EUR (nicht alle Beträge lesbar) (angegeben: 5)"},
        {"1", "abc", {"2"}, "Transaktionen: 1 (angegeben: 1)", "Summe: 2.00 EUR (angegeben: abc, nicht lesbar)"},
    };
    for (const auto& c : cases) {
        std::string xml = "<Document><CstmrCdtTrfInitn><GrpHdr><NbOfTxs>" + std::string(c.count) + "</NbOfTxs><CtrlSum>" +
                          c.sum + "</CtrlSum></GrpHdr><PmtInf>";
        for (const std::string& a : c.amounts)
            xml += "<CdtTrfTxInf><Amt><InstdAmt Ccy=\"EUR\">" + a + "</InstdAmt></Amt></CdtTrfTxInf>";
        xml += "</PmtInf></CstmrCdtTrfInitn></Document>";
        std::istringstream file(xml);
        const std::vector<std::string> lines = SummaryLines(Summarize(xml, file));
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(Cp1252ToUtf8(lines[3]), c.countLine) << c.count;
        EXPECT_EQ(Cp1252ToUtf8(lines[4]), c.sumLine) << c.sum;
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
