#pragma once
// How late an alarm comes: the moment a due record's alarm belongs to, so that alarms missed while the
// computer was off or asleep can be told from the ones that are merely seconds late.

#include "core/reminder.h"
#include "scheduler/moment_key.h"

namespace kalvo::scheduler {

// Second of the day of a time-of-day value, rounded to whole milliseconds first as the texts do.
int SecondOfTime(double time);

// For a record whose alarm is due at (today, t): the moment of the event when it has passed, else the
// moment of the latest advance notice that has come (a series missed for days counts from its last
// notice, not its first).
SecondKey FellDueAt(const TReminder& r, DayNumber today, double t);

// True when the event itself is what fires (the aftercare then archives the record).
inline bool EventFires(const TReminder& r, DayNumber today, double t) {
    return (r.Date <= today && t >= r.Time) || r.Date < today;
}

}  // namespace kalvo::scheduler
