#include "core/clock.h"

#include <ctime>

namespace kalvo {

LocalMoment SystemClock::Now() const {
    const std::time_t now = std::time(nullptr);
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
