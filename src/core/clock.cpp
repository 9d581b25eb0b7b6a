#include "core/clock.h"

#include <ctime>

#include "core/time_zone.h"

namespace kalvo {

LocalMoment SystemClock::Now() const {
    const std::time_t now = utcSeconds_ ? static_cast<std::time_t>(utcSeconds_()) : std::time(nullptr);
    const std::int64_t minute = now >= 0 ? now / 60 : (now - 59) / 60;
    const bool newMinute = zoneCheckedMinute_.load(std::memory_order_relaxed) != minute &&
                           zoneCheckedMinute_.exchange(minute, std::memory_order_relaxed) != minute;
    if (newMinute || TakeTimeZoneAnnouncement()) FollowTimeZone();
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    LocalMoment m;
    m.day = ClampDay(CivilToDay(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
    m.hour = local.tm_hour;
    m.minute = local.tm_min;
    m.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second counts as the last one
    return m;
}

}  // namespace kalvo
