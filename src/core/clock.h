#pragma once
// Where the program learns the time. Everything that reads the time takes it from a Clock, so tests
// and the simulator can move it.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <limits>

#include "core/datetime.h"

namespace kalvo {

struct LocalMoment {
    DayNumber day = 0;  // today's day number
    int hour = 0;
    int minute = 0;
    int second = 0;

    double TimeOfDay() const { return TimeFraction(hour, minute, second); }
    TDateTime Now() const { return static_cast<double>(day) + TimeOfDay(); }
    static LocalMoment FromSecond(DayNumber day, int secondOfDay) {
        return LocalMoment{day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60};
    }
    int SecondOfDay() const { return (hour * 60 + minute) * 60 + second; }
};

class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time, to the whole second.
    virtual LocalMoment Now() const = 0;
};

// The local calendar reading of an instant, by the time zone of the process; false where the system
// cannot convert it (Windows: before 1970 or after 3000).
bool LocalCalendarTime(std::time_t instant, std::tm& out);

// Makes the time zone of the process the system's own. On Windows the C runtime would otherwise take a
// TZ variable where one is set (Cygwin and MSYS shells set one in their own format for their programs),
// read it in its own way with the United States' daylight-saving rules, and put the whole program hours
// off the Windows clock. Elsewhere TZ is the system's way of choosing a zone and stays.
void UseSystemTimeZone();

// The computer's clock in the local time zone. It follows a change of the zone while it runs: the first
// reading of each minute looks whether the zone changed (time_zone.h), the other readings only convert.
class SystemClock final : public Clock {
public:
    SystemClock() = default;
    // Tests give the seconds since 1970 UTC instead of the computer's clock.
    explicit SystemClock(std::function<std::int64_t()> utcSeconds) : utcSeconds_(std::move(utcSeconds)) {}

    LocalMoment Now() const override;

private:
    std::function<std::int64_t()> utcSeconds_;
    mutable std::atomic<std::int64_t> zoneCheckedMinute_{std::numeric_limits<std::int64_t>::min()};
};

}  // namespace kalvo
