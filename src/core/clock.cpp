#include "core/clock.h"

#include <cstdlib>
#include <ctime>

#include "core/time_zone.h"

namespace kalvo {

bool LocalCalendarTime(std::time_t instant, std::tm& out) {
#ifdef _WIN32
    // The Windows C runtime converts only 1970 to 3000 and applies the zone's present rules to every year.
    // An instant outside is moved by whole 400-year cycles, after which the calendar and its weekdays
    // repeat, so it reads as those rules make it read.
    constexpr std::time_t kCycle = 146097LL * 86400;
    constexpr std::time_t kFirst = 2 * 86400, kLast = 32535215999LL - 2 * 86400;  // room for the zone's offset
    if (instant < -4000 * kCycle || instant > 4000 * kCycle) return false;        // beyond any calendar date
    std::time_t cycles = 0;
    if (instant < kFirst) cycles = -((kFirst - instant + kCycle - 1) / kCycle);
    if (instant > kLast) cycles = (instant - kLast + kCycle - 1) / kCycle;
    const std::time_t moved = instant - cycles * kCycle;
    if (localtime_s(&out, &moved) != 0) return false;
    out.tm_year += static_cast<int>(cycles * 400);
    return true;
#else
    return localtime_r(&instant, &out) != nullptr;
#endif
}

void UseSystemTimeZone() {
#ifdef _WIN32
    _putenv_s("TZ", "");  // an empty value removes the variable
    _tzset();
#endif
}

LocalMoment SystemClock::Now() const {
    const std::time_t now = utcSeconds_ ? static_cast<std::time_t>(utcSeconds_()) : std::time(nullptr);
    const std::int64_t minute = now >= 0 ? now / 60 : (now - 59) / 60;
    const bool newMinute = zoneCheckedMinute_.load(std::memory_order_relaxed) != minute &&
                           zoneCheckedMinute_.exchange(minute, std::memory_order_relaxed) != minute;
    if (newMinute || TakeTimeZoneAnnouncement()) FollowTimeZone();
    std::tm local{};
    LocalCalendarTime(now, local);
    LocalMoment m;
    m.day = ClampDay(CivilToDay(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
    m.hour = local.tm_hour;
    m.minute = local.tm_min;
    m.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second counts as the last one
    return m;
}

}  // namespace kalvo
