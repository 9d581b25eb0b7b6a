#pragma once
// Reminder lists that look like a real user's, in any size.

#include <cstddef>

#include "core/reminder.h"

namespace kalvo::bench {

// `n` reminders over about ten years around `today`; a share of them carry notice series and every
// tenth is a name day or birthday. With `duplicateShare` > 0 that share of records repeats the
// (Date, Time) of another record.
ReminderList MakeList(std::size_t n, DayNumber today, double duplicateShare = 0.0, unsigned seed = 42);

}  // namespace kalvo::bench
