// Local time as the engine sees it: a day count since 30.12.1899 with the
// time of day as fraction. Tests set a fixed time.
#pragma once
#include <optional>

namespace valorix {

double NowDate();
/// Fixes the clock at `date` (nullopt returns to the real local time).
void SetClock(std::optional<double> date);
/// Day count of a calendar date and time, as NowDate returns it.
double MakeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace valorix
