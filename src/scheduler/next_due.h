#pragma once
// The first tick at which a reminder becomes due, found with the due test itself, so that a run of
// ticks can be skipped only where ticking every second would have fired nothing.

#include <optional>

#include "core/reminder.h"
#include "scheduler/moment_key.h"

namespace kalvo::scheduler {

// The first whole second at or after `from` at which ReminderDue holds for `r`, as the tick of that
// second sees it; none when it never will. Seconds after `limit` are not looked at (none is returned
// for them).
std::optional<SecondKey> FirstDueSecond(const TReminder& r, SecondKey from, SecondKey limit);

}  // namespace kalvo::scheduler
