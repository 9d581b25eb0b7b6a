#pragma once
// Calendar arithmetic on the program's date-time convention: a double counting days since
// 30 December 1899, whose fraction is the time of day.

#include <cstdint>

namespace kalvo {

using TDateTime = double;
using DayNumber = std::int32_t;

struct CivilDate {
    std::int64_t year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
};

struct TimeParts {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

constexpr double kSecondsPerDay = 86400.0;

bool IsLeapYear(std::int64_t year);
int DaysInMonth(std::int64_t year, int month);

// Proleptic Gregorian calendar over the whole 64-bit range of day numbers.
CivilDate DayToCivil(std::int64_t day);
std::int64_t CivilToDay(std::int64_t year, int month, int day);

// Same day and month in another year; 29 February becomes 28 February in a common year.
std::int64_t SameDayInYear(std::int64_t day, std::int64_t year);

// 0 = Monday ... 6 = Sunday.
int WeekDayOf(std::int64_t day);

// Saturates instead of wrapping, so an absurd date from a damaged file stays absurd but defined.
DayNumber ClampDay(std::int64_t day);

// Whole-day part of a moment (truncated toward zero, like the toolkit's Trunc).
DayNumber DayOf(TDateTime moment);

// Time of day of a value: the fraction of its magnitude, rounded to whole milliseconds first so that
// 8:25:00 never shows as 8:24:59. Non-finite values give midnight.
TimeParts SplitTime(double value);

// Seconds since midnight as a fraction of a day.
double TimeFraction(int hour, int minute, int second, int millisecond = 0);

}  // namespace kalvo
