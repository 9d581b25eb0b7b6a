#pragma once
// Local wall-clock arithmetic that follows the time zone's daylight-saving changes.

#include <cstdint>

#include "scheduler/moment_key.h"

namespace kalvo::scheduler {

// The local moment `seconds` of real time after the local moment `from`: ten minutes after 1:55 on the
// night the clocks go forward is 3:05. Where the clocks go back, an answer that would not lie after
// `from` on the wall clock (the hour that comes twice) counts on the wall clock instead, so it never
// comes at once.
SecondKey LocalAfter(SecondKey from, std::int64_t seconds);

// Real time as seconds since 1970-01-01 UTC, and the local clock's reading at such an instant. Where the
// system cannot convert an instant, the clock reads as UTC.
using Instant = std::int64_t;
SecondKey LocalReading(Instant at);
// The first instant at which the local clock reads `wall` or, for a reading skipped when the clocks go
// forward, the instant they jump past it.
Instant FirstInstantReading(SecondKey wall);
// The last instant at which the local clock reads `wall` (the second time, for a reading that comes
// twice) or, for a skipped reading, the instant before the clocks jump past it.
Instant LastInstantReading(SecondKey wall);
// The last instant up to `limit` at which the clock still reads `at`'s reading plus the real time
// passed, i.e. before its next change of offset.
Instant SameOffsetThrough(Instant at, Instant limit);

}  // namespace kalvo::scheduler
