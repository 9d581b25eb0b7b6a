#pragma once
// A local moment to the whole second as one number, so that ticks can be compared and counted.

#include <cstdint>

#include "core/clock.h"

namespace kalvo::scheduler {

using SecondKey = std::int64_t;

inline constexpr SecondKey kSecondsPerDayKey = 86400;

inline SecondKey KeyOf(const LocalMoment& m) {
    return static_cast<SecondKey>(m.day) * kSecondsPerDayKey + m.SecondOfDay();
}

inline LocalMoment MomentOf(SecondKey key) {
    SecondKey day = key / kSecondsPerDayKey;
    SecondKey second = key % kSecondsPerDayKey;
    if (second < 0) {
        second += kSecondsPerDayKey;
        --day;
    }
    return LocalMoment::FromSecond(static_cast<DayNumber>(day), static_cast<int>(second));
}

// The minute a moment falls in, as a number.
inline SecondKey MinuteKeyOf(const LocalMoment& m) {
    return static_cast<SecondKey>(m.day) * 1440 + m.hour * 60 + m.minute;
}

}  // namespace kalvo::scheduler
