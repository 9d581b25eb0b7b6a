#pragma once
// When the time signal sounds: the table of interval codes, evaluated for one minute of the day.

#include <cstdint>

namespace kalvo::scheduler {

// Whether the signal of `interval` belongs to minute `hour`:`minute`. `lastSignalHour` is the hour of
// the last two-hourly signal (the start hour before the first one); `signalAt` the time of day of the
// "at a chosen time" code, negative for none. The caller decides that this is the right tick for the
// minute (its first tick) and, for the two-hourly code, moves `lastSignalHour` on when it signals.
bool SignalRowHolds(std::int32_t interval, int hour, int minute, int lastSignalHour, double signalAt);

}  // namespace kalvo::scheduler
