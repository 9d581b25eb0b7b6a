#include "scheduler/time_signal.h"

#include <cmath>

#include "core/datetime.h"
#include "core/settings.h"

namespace kalvo::scheduler {

bool SignalRowHolds(std::int32_t interval, int hour, int minute, int lastSignalHour, double signalAt) {
    switch (interval) {
        case tsHalfHour:
            return minute == 0 || minute == 30;
        case tsHourly:
            return minute == 0;
        case tsTwoHours: {
            // Every second hour counted from the start hour. Matching the parity rather than exactly
            // lastSignalHour + 2 keeps the rhythm after an hour that had no tick at all (a pop-up left
            // open, a suspended computer); when every hour is ticked both rules agree.
            const int since = ((hour - lastSignalHour) % 24 + 24) % 24;
            return minute == 0 && since != 0 && since % 2 == 0;
        }
        case tsNoon:
            return hour == 12 && minute == 0;
        case tsAtTime: {
            if (!std::isfinite(signalAt) || signalAt < 0.0) return false;
            const TimeParts at = SplitTime(signalAt);
            return hour == at.hour && minute == at.minute;
        }
        default:
            return false;
    }
}

}  // namespace kalvo::scheduler
