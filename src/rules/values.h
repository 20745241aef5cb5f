// Amounts and dates as the payment rules read them.
#pragma once
#include <cstdint>
#include <string>

namespace valorix {

/// Digits after the point a currency value holds: the finest fraction any
/// schema allows for a decimal amount or control sum.
inline constexpr int kAmountDigits = 17;
/// Units of a currency value per 1.
inline constexpr __int128 kUnitsPerOne = static_cast<__int128>(100000000000000000LL);

/// A currency value: a signed count of 10^-17 (every decimal with up to 17
/// digits after the point and up to 21 before it is exact) with two flags.
/// `readable` is false for a text that is not a decimal number; `valid` is
/// false for such a text and for a value or result beyond the range. Either
/// stays false through CAmountRun.
struct Currency {
    __int128 units = 0;
    bool valid = true;
    bool readable = true;
    bool operator==(const Currency& o) const { return units == o.units; }
};

/// Amounts that are subtracted from a control sum, read once: their exact
/// total, or the mark that one of them could not be read or the total left
/// the range.
class CAmountRun {
public:
    void Add(const Currency& amount);
    /// `sum` minus every amount added.
    Currency SubtractFrom(Currency sum) const;

private:
    __int128 m_total = 0;
    bool m_valid = true, m_readable = true;
};

/// The finding for a control sum minus its amounts: none (nullptr) when it is
/// exactly 0, else that the sum is wrong, or that it cannot be checked
/// because a value is unreadable or too large.
const std::string* SumFinding(const Currency& rest);

/// The leading decimal number of `text` (leading blanks and a sign allowed),
/// as a signed 32-bit value; 0 without digits.
int32_t ReadLeadingInt(const std::string& text);

/// An xs:decimal text (blanks around it, a sign, digits with at most one
/// point): "12.5" and "12.50" give 12.5, "12" gives 12, ".5" 0.5. Anything
/// else ("1e5", "abc", "", "1.-5", "1,50") is unreadable, and so is a fraction
/// with a digit other than 0 after the 17th place. A value of 10^21 or more
/// in size is readable but invalid.
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
