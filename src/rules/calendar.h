// The TARGET2 calendar. Banks settle SEPA payments only on TARGET2 business
// days: Monday to Friday except 1 January, Good Friday, Easter Monday,
// 1 May, 25 and 26 December. A requested execution or collection date on any
// other day is moved by the bank to the next business day, and a direct debit
// must reach the bank at least one business day before its collection date
// (the lead time of CORE and B2B), or the bank rejects or moves it. The
// payment file says nothing of this; the sender learns it from the booking.
#pragma once
#include <string>

namespace valorix {

/// A calendar date as a count of days since 1 January 1970 (negative before).
int DayNumber(int year, int month, int day);
void CalendarDate(int dayNumber, int& year, int& month, int& day);

/// Easter Sunday of a Gregorian year.
int EasterSunday(int year);
bool IsTarget2BusinessDay(int dayNumber);
/// The first business day after `dayNumber`.
int NextBusinessDay(int dayNumber);
/// The earliest collection date of a direct debit handed in on `today`: one
/// business day after the business day the bank receives it on.
int EarliestCollectionDay(int today);

/// The finding of a requested execution date (<ReqdExctnDt>) or collection
/// date (<ReqdColltnDt>) against the calendar, for a date after today; empty
/// for other elements, other values and no finding. `now` is NowDate's day
/// count.
std::string CalendarFinding(const std::string& name, const std::string& value, double now);
/// The date rules' finding of an element, else its calendar finding.
std::string DateOrCalendarFinding(const std::string& name, const std::string& value, double now);

}  // namespace valorix
