#pragma once
// The occurrences of an RRULE under a bound. libical's iterator steps candidate by candidate inside one
// call, so a rule that never matches (the 30th of February, every second) would keep a single call busy
// for centuries. The walk therefore asks libical for one window of time at a time (each window's UNTIL
// ends the call), and stops when the candidates looked at or the time spent exceed the budget.
// Internal to the iCalendar exchange: this header names libical types.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include <libical/ical.h>

namespace kalvo::storage::ical {

// What one event may spend; shared by the events of one import through `importDeadline`.
struct WalkBudget {
    std::function<std::chrono::steady_clock::time_point()> now;
    std::chrono::steady_clock::time_point deadline;
    std::uint64_t candidatesLeft = 0;
    std::size_t occurrencesLeft = 0;  // occurrences handed out before the rule counts as too dense
};

enum class WalkEnd { Found, NoMore, TooDense, OverBudget, Unreadable };

// Calls `take` with each occurrence of `rule` from `dtstart` on (in the event's own wall clock, with
// `dtstart.zone`), first the earliest, from `from` on when the rule has no COUNT (earlier ones are
// passed over without being expanded); `take` returns true to stop. COUNT and UNTIL are kept.
WalkEnd WalkRecurrence(const icalrecurrencetype& rule, const icaltimetype& dtstart, const icaltimetype& from,
                       WalkBudget& budget, const std::function<bool(const icaltimetype&)>& take);

}  // namespace kalvo::storage::ical
