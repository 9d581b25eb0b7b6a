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

}  // namespace kalvo::scheduler
