#pragma once
// Runs the scheduler through a stretch of virtual time, one tick per second, as kalvo-cli simulate does.

#include "core/clock.h"
#include "scheduler/local_time.h"
#include "scheduler/scheduler.h"

namespace kalvo::scheduler {

// A clock that shows what it is told.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(SecondKey now = 0) : now_(now) {}
    LocalMoment Now() const override { return MomentOf(now_); }
    SecondKey Key() const { return now_; }
    void Set(SecondKey now) { now_ = now; }

private:
    SecondKey now_;
};

// Ticks every second from `from` to `to` inclusive. With `skipIdle` the seconds that the scheduler
// proves idle are passed over, which must end in the same alarms and files. `afterTick` runs after each
// tick that was made (it may throw to stop the run).
template <typename AfterTick>
void RunTicks(Scheduler& scheduler, VirtualClock& clock, SecondKey from, SecondKey to, bool skipIdle,
              AfterTick&& afterTick) {
    for (SecondKey now = from; now <= to;) {
        clock.Set(now);
        scheduler.Tick();
        afterTick();
        if (!skipIdle) {
            ++now;
            continue;
        }
        const std::optional<SecondKey> next = scheduler.NextActiveSecond(now, to);
        const SecondKey target = next ? *next : to + 1;
        if (target > now + 1) scheduler.SkipIdleTicksThrough(target - 1);
        now = target;
    }
}

// Ticks once per second of real time from the instant `first` to `last`, with the clock reading the
// local time of each instant as the running program reads it: on the night the clocks go forward
// 1:59:59 is followed by 3:00:00, on the night they go back 2:59:59 by 2:00:00 again.
template <typename AfterTick>
void RunLocalTicks(Scheduler& scheduler, VirtualClock& clock, Instant first, Instant last, bool skipIdle,
                   AfterTick&& afterTick) {
    for (Instant at = first; at <= last;) {
        const Instant through = SameOffsetThrough(at, last);  // the wall clock runs evenly up to here
        const SecondKey from = LocalReading(at);
        RunTicks(scheduler, clock, from, from + (through - at), skipIdle, afterTick);
        at = through + 1;
    }
}

}  // namespace kalvo::scheduler
