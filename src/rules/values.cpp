#include "rules/values.h"

#include <algorithm>
#include <cstdint>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/strutil.h"

namespace valorix {

namespace {
// The leading decimal number of `text` (leading blanks and a sign allowed) into
// `value`; false when its magnitude exceeds `limit` (`value` is then +-limit).
bool ReadLeadingNumber(const std::string& text, int64_t limit, int64_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int64_t n = 0;
    bool fits = true;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        n = n * 10 + (text[i++] - '0');
        if (n > limit) {
            n = limit;
            fits = false;
            break;
        }
    }
    value = negative ? -n : n;
    return fits;
}
}  // namespace

int32_t ReadLeadingInt(const std::string& text) {
    int64_t n = 0;
    ReadLeadingNumber(text, INT32_MAX, n);  // clamped to the 32-bit range
    return static_cast<int32_t>(n);
}

void CAmountRun::Add(const Currency& amount) {
    if (!amount.valid) m_valid = false;
    m_total += amount.units;
    m_lowest = m_any ? std::min(m_lowest, m_total) : m_total;
    m_highest = m_any ? std::max(m_highest, m_total) : m_total;
    m_any = true;
}

Currency CAmountRun::SubtractFrom(Currency sum) const {
    if (!m_valid) sum.valid = false;
    if (!sum.valid || !m_any) return sum;
    // Every step sum - partial must stay within 64 bits, as each -= checks.
    const __int128 s = sum.units;
    if (s - m_highest < INT64_MIN || s - m_lowest > INT64_MAX) {
        sum.valid = false;
        return sum;
    }
    sum.units = static_cast<int64_t>(s - m_total);
    return sum;
}

Currency ParseAmount(const std::string& text) {
    Currency c;
    int64_t whole = 0;  // 64 bits, as far as it fits as ten-thousandths
    if (!ReadLeadingNumber(text, INT64_MAX / 10000, whole)) {
        c.valid = false;
        return c;
    }
    int64_t fraction = 0;
    const size_t dot = text.find('.');
    if (dot != std::string::npos) {
        std::string after = text.substr(dot + 1);
        if (after.size() > 4) after.resize(4);
        fraction = ReadLeadingInt(after);
        for (size_t d = after.size(); d < 4; ++d) fraction *= 10;
        if (fraction < 0) fraction = -fraction;
    }
    // The sign of the number applies to its fraction too.
    const bool negative = Trim(text).rfind('-', 0) == 0;
    // |whole| <= INT64_MAX / 10000, so the fraction may only overflow at the edge.
    if (__builtin_add_overflow(whole * 10000, negative ? -fraction : fraction, &c.units)) c.valid = false;
    return c;
}

namespace {
bool IsCalendarDate(int y, int m, int d) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    int days = kDays[m - 1];
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) days = 29;
    return d <= days;
}

int LeadingNumber(const std::string& s) {
    int n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
    }
    return n;
}
}  // namespace

bool IsXsTrue(const std::string& value) {
    const std::string v = Trim(value);
    return EqualsNoCase(v, "true") || v == "1";
}

std::string DatePart(const std::string& value) {
    // "2020-01-15Z", "2020-01-15+01:00": a date with its time zone.
    if (value.size() > 10 && (value[10] == 'Z' || value[10] == '+' || value[10] == '-')) return value.substr(0, 10);
    return value;
}

std::string DateFinding(const std::string& name, const std::string& fullValue, double now) {
    const std::string value = DatePart(fullValue);
    if (value.size() < 2) return {};
    const int year = LeadingNumber(value.substr(0, 4));
    const int month = value.size() >= 7 ? LeadingNumber(value.substr(5, 2)) : 0;
    const int day = LeadingNumber(value.substr(value.size() - 2));
    const bool valid = IsCalendarDate(year, month, day);
    const bool execution = Contains(name, "ReqdExctnDt") || Contains(name, "ReqdColltnDt");
    bool finding = year < 1900;
    if (!finding && valid) {
        const double date = MakeDate(year, month, day);
        finding = execution ? date < now : date > now;
    }
    if (!finding) return {};
    std::string text = "Hinweis: ";
    if (execution) {
        text += A(Contains(name, "ReqdExctnDt") ? "Der Ausführungstermin" : "Das Einzugsdatum");
        text += " liegt nicht in der Zukunft";
        if (year < 1900) text += "und ein Wert kleiner 1900 kann nicht von jedem Programm verarbeitet werden";
    } else {
        text += "Das Datum '" + fullValue + "' ";
        text += year < 1900 ? "kann nicht von jedem Programm verarbeitet werden." : "liegt nicht in der Vergangenheit!";
    }
    return text + "!";
}

bool UnnestRequestedDate(std::string& name, const std::string& parent, std::string& value) {
    const size_t colon = name.rfind(':');
    const std::string local = colon == std::string::npos ? name : name.substr(colon + 1);
    if (local != "Dt" && local != "DtTm") return false;
    if (!Contains(parent, "ReqdExctnDt") && !Contains(parent, "ReqdColltnDt")) return false;
    name = parent;
    const std::string trimmed = Trim(value);
    if (local == "DtTm" && trimmed.size() > 10 && trimmed[10] == 'T') value = trimmed.substr(0, 10);
    return true;
}

}  // namespace valorix
