#include "scheduler/local_time.h"

#include <ctime>

#include "core/datetime.h"

namespace kalvo::scheduler {

SecondKey LocalAfter(SecondKey from, std::int64_t seconds) {
    const SecondKey wall = from + seconds;
    const LocalMoment m = MomentOf(from);
    const CivilDate c = DayToCivil(m.day);
    std::tm local{};
    local.tm_year = static_cast<int>(c.year - 1900);
    local.tm_mon = c.month - 1;
    local.tm_mday = c.day;
    local.tm_hour = m.hour;
    local.tm_min = m.minute;
    local.tm_sec = m.second;
    local.tm_isdst = -1;
    const std::time_t start = std::mktime(&local);
    if (start == static_cast<std::time_t>(-1)) return wall;
    const std::time_t end = start + static_cast<std::time_t>(seconds);
    std::tm out{};
#ifdef _WIN32
    if (localtime_s(&out, &end) != 0) return wall;
#else
    if (localtime_r(&end, &out) == nullptr) return wall;
#endif
    const SecondKey real = CivilToDay(out.tm_year + 1900, out.tm_mon + 1, out.tm_mday) * kSecondsPerDayKey +
                           (out.tm_hour * 60 + out.tm_min) * 60 + (out.tm_sec > 59 ? 59 : out.tm_sec);
    return real > from ? real : wall;
}

}  // namespace kalvo::scheduler
