#include "core/datetime.h"

#include <cmath>
#include <limits>

namespace kalvo {
namespace {

// Day number of 1970-01-01 in the 1899-12-30 epoch.
constexpr std::int64_t kUnixEpochDay = 25569;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[(month - 1) % 12];
}

// Howard Hinnant's days-from-civil algorithms, shifted to the 1899-12-30 epoch.
CivilDate DayToCivil(std::int64_t day) {
    const std::int64_t z = day - kUnixEpochDay + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
    return c;
}

std::int64_t CivilToDay(std::int64_t year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = month > 2 ? month - 3 : month + 9;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + kUnixEpochDay;
}

std::int64_t SameDayInYear(std::int64_t day, std::int64_t year) {
    const CivilDate c = DayToCivil(day);
    int d = c.day;
    if (c.month == 2 && d == 29 && !IsLeapYear(year)) d = 28;
    return CivilToDay(year, c.month, d);
}

int WeekDayOf(std::int64_t day) {
    // Day 0 (30 December 1899) was a Saturday.
    std::int64_t w = (day + 5) % 7;
    if (w < 0) w += 7;
    return static_cast<int>(w);
}

DayNumber ClampDay(std::int64_t day) {
    constexpr std::int64_t lo = std::numeric_limits<DayNumber>::min();
    constexpr std::int64_t hi = std::numeric_limits<DayNumber>::max();
    if (day < lo) return static_cast<DayNumber>(lo);
    if (day > hi) return static_cast<DayNumber>(hi);
    return static_cast<DayNumber>(day);
}

DayNumber DayOf(TDateTime moment) {
    if (!std::isfinite(moment)) return 0;
    const double whole = std::trunc(moment);
    if (whole <= static_cast<double>(std::numeric_limits<DayNumber>::min()))
        return std::numeric_limits<DayNumber>::min();
    if (whole >= static_cast<double>(std::numeric_limits<DayNumber>::max()))
        return std::numeric_limits<DayNumber>::max();
    return static_cast<DayNumber>(whole);
}

TimeParts SplitTime(double value) {
    TimeParts p;
    if (!std::isfinite(value)) return p;
    const double frac = std::fabs(value - std::trunc(value));
    long long ms = std::llround(frac * 86400000.0);
    ms %= 86400000LL;
    p.millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    p.second = static_cast<int>(ms % 60);
    ms /= 60;
    p.minute = static_cast<int>(ms % 60);
    p.hour = static_cast<int>(ms / 60);
    return p;
}

double TimeFraction(int hour, int minute, int second, int millisecond) {
    const long long ms = ((hour * 60LL + minute) * 60LL + second) * 1000LL + millisecond;
    return static_cast<double>(ms) / 86400000.0;
}

}  // namespace kalvo
