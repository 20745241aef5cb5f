// Amounts and dates as the payment rules read them.
#pragma once
#include <cstdint>
#include <string>

namespace valorix {

/// A currency value: a signed count of ten-thousandths with a validity flag.
/// A value that does not fit, or a difference that would overflow, is invalid
/// and stays invalid.
struct Currency {
    int64_t units = 0;  ///< ten-thousandths
    bool valid = true;
    bool operator==(const Currency& o) const { return units == o.units; }
    Currency& operator-=(const Currency& o) {
        if (!o.valid || __builtin_sub_overflow(units, o.units, &units)) valid = false;
        return *this;
    }
};

/// Amounts that are subtracted one after the other from control sums, read
/// once: the running total and the range of its partial sums tell for any
/// sum what subtracting every amount in order with Currency -= gives.
class CAmountRun {
public:
    void Add(const Currency& amount);
    /// `sum` minus every amount added, in their order.
    Currency SubtractFrom(Currency sum) const;

private:
    __int128 m_total = 0, m_lowest = 0, m_highest = 0;  // partial sums after the first amount on
    bool m_valid = true, m_any = false;
};

/// The leading decimal number of `text` (leading blanks and a sign allowed),
/// as a signed 32-bit value; 0 without digits.
int32_t ReadLeadingInt(const std::string& text);

/// "12.5" and "12.50" give 12.5000, "12" gives 12.0000, "0.01" 0.0100. More
/// than four places after the point are cut to four. The whole part is read
/// into 64 bits; a value beyond the range of ten-thousandths is invalid.
Currency ParseAmount(const std::string& text);

/// An xs:boolean that is true: "true" (in any letter case, as banks read it) or "1".
bool IsXsTrue(const std::string& value);

/// The date of an xs:date value: the value itself, or its first ten characters
/// when a time zone follows them ("2020-01-15Z", "2020-01-15+01:00").
std::string DatePart(const std::string& value);

/// The date rule of execution, collection and signature dates: the hint for
/// the element `name` with value `value` at local time `now` (a day count as
/// NowDate gives), or "" when the date is fine. CP1252.
std::string DateFinding(const std::string& name, const std::string& value, double now);
/// The editions after 3.0 nest the requested date in <Dt> or <DtTm> below
/// <ReqdExctnDt> (or <ReqdColltnDt>): for such an element `name` becomes the
/// outer name and a date with time its date, so the date rule reads it as the
/// older editions' plain date. Returns false, changing nothing, for any other element.
bool UnnestRequestedDate(std::string& name, const std::string& parent, std::string& value);

}  // namespace valorix
