#pragma once
// How late an alarm comes: the moment a due record's alarm belongs to, so that alarms missed while the
// computer was off or asleep can be told from the ones that are merely seconds late.

#include "core/reminder.h"
#include "scheduler/moment_key.h"

namespace kalvo::scheduler {

// For a record whose alarm is due at (today, t): the moment of the event when it has passed, else the
// moment of the latest advance notice that has come (a series missed for days counts from its last
// notice, not its first).
SecondKey FellDueAt(const TReminder& r, DayNumber today, double t);

}  // namespace kalvo::scheduler
