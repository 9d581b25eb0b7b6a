#include "scheduler/local_time.h"

#include <algorithm>
#include <ctime>

#include "core/datetime.h"

namespace kalvo::scheduler {
namespace {

// The key of 1970-01-01 0:00 (day 25569 of the program's day numbers).
constexpr SecondKey kUnixEpochKey = SecondKey{25569} * kSecondsPerDayKey;
// No zone is further than this from UTC, nor changes its offset twice within it.
constexpr std::int64_t kWidestOffset = 86400;

std::int64_t OffsetAt(Instant at) { return LocalReading(at) - (at + kUnixEpochKey); }

// The instants at which the clock reads `wall`: earliest and latest, or none (first > last).
struct Readings {
    Instant first = 1, last = 0;
};

Readings InstantsReading(SecondKey wall) {
    const Instant asUtc = wall - kUnixEpochKey;
    Readings r{asUtc + kWidestOffset, asUtc - kWidestOffset};
    for (const std::int64_t offset : {OffsetAt(asUtc - kWidestOffset), OffsetAt(asUtc + kWidestOffset)}) {
        const Instant at = asUtc - offset;
        if (LocalReading(at) != wall) continue;
        r.first = std::min(r.first, at);
        r.last = std::max(r.last, at);
    }
    return r;
}

// For a reading the clock skips: the first instant whose reading lies after it.
Instant JumpPast(SecondKey wall) {
    const Instant asUtc = wall - kUnixEpochKey;
    const std::int64_t a = OffsetAt(asUtc - kWidestOffset), b = OffsetAt(asUtc + kWidestOffset);
    Instant low = asUtc - std::max(a, b), high = asUtc - std::min(a, b);  // reads before / after `wall`
    if (LocalReading(high) <= wall) return high;
    while (high - low > 1) {
        const Instant mid = low + (high - low) / 2;
        (LocalReading(mid) > wall ? high : low) = mid;
    }
    return high;
}

}  // namespace

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

SecondKey LocalReading(Instant at) {
    const auto t = static_cast<std::time_t>(at);
    std::tm out{};
#ifdef _WIN32
    if (localtime_s(&out, &t) != 0) return at + kUnixEpochKey;
#else
    if (localtime_r(&t, &out) == nullptr) return at + kUnixEpochKey;
#endif
    return CivilToDay(out.tm_year + 1900, out.tm_mon + 1, out.tm_mday) * kSecondsPerDayKey +
           (out.tm_hour * 60 + out.tm_min) * 60 + (out.tm_sec > 59 ? 59 : out.tm_sec);
}

Instant FirstInstantReading(SecondKey wall) {
    const Readings r = InstantsReading(wall);
    return r.first <= r.last ? r.first : JumpPast(wall);
}

Instant LastInstantReading(SecondKey wall) {
    const Readings r = InstantsReading(wall);
    return r.first <= r.last ? r.last : JumpPast(wall) - 1;
}

Instant SameOffsetThrough(Instant at, Instant limit) {
    const std::int64_t offset = OffsetAt(at);
    constexpr std::int64_t kProbe = 3600;  // no zone changes its offset twice within an hour
    Instant good = at;
    while (good < limit) {
        const Instant probe = std::min(good + kProbe, limit);
        if (OffsetAt(probe) == offset) {
            good = probe;
            continue;
        }
        Instant bad = probe;
        while (bad - good > 1) {
            const Instant mid = good + (bad - good) / 2;
            (OffsetAt(mid) == offset ? good : bad) = mid;
        }
        return good;
    }
    return limit;
}

}  // namespace kalvo::scheduler
