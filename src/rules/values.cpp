#include "rules/values.h"

#include <algorithm>
#include <cstdint>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/strutil.h"
#include "rules/findings.h"

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
    if (!amount.readable) m_readable = false;
    if (!amount.valid || __builtin_add_overflow(m_total, amount.units, &m_total)) m_valid = false;
}

Currency CAmountRun::SubtractFrom(Currency sum) const {
    if (!m_readable) sum.readable = false;
    if (!m_valid || !sum.readable || !sum.valid || __builtin_sub_overflow(sum.units, m_total, &sum.units))
        sum.valid = false;
    return sum;
}

const std::string* SumFinding(const Currency& rest) {
    if (!rest.readable) return &finding::kSumUnreadable;
    if (!rest.valid) return &finding::kSumTooLarge;
    return rest.units != 0 ? &finding::kSumWrong : nullptr;
}

Currency ParseAmount(const std::string& text) {
    Currency c;
    const std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    // The digits before and after the point, as units; at most 21 places
    // before it, so that the value stays well inside 128 bits.
    constexpr int kMaxWholeDigits = 21;
    unsigned __int128 units = 0;
    int wholeDigits = 0, fractionDigits = 0;
    bool digits = false, point = false, tooLarge = false;
    for (; i < t.size(); ++i) {
        const char ch = t[i];
        if (ch == '.' && !point) {
            point = true;
            continue;
        }
        if (ch < '0' || ch > '9') {
            c.readable = c.valid = false;
            return c;
        }
        digits = true;
        const int d = ch - '0';
        if (!point) {
            if (wholeDigits == 0 && d == 0) continue;  // leading zeros
            if (++wholeDigits > kMaxWholeDigits) tooLarge = true;
            else units = units * 10 + static_cast<unsigned>(d);
        } else if (fractionDigits < kAmountDigits) {
            units = units * 10 + static_cast<unsigned>(d);
            ++fractionDigits;
        } else if (d != 0) {
            c.readable = c.valid = false;  // finer than the value can hold
            return c;
        }
    }
    if (!digits) {
        c.readable = c.valid = false;
        return c;
    }
    if (tooLarge) {
        c.valid = false;
        return c;
    }
    for (; fractionDigits < kAmountDigits; ++fractionDigits) units *= 10;
    c.units = negative ? -static_cast<__int128>(units) : static_cast<__int128>(units);
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
