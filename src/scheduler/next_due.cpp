#include "scheduler/next_due.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/due.h"

namespace kalvo::scheduler {
namespace {

constexpr int kLastSecond = 86399;

bool DueAt(const TReminder& r, DayNumber day, int second) {
    return ReminderDue(r, day, LocalMoment::FromSecond(day, second).TimeOfDay());
}

// Within one day the due test can only turn from false to true as the time goes on (every rule is
// either independent of the time or "time >= x"), so the first due second is found by bisection.
std::optional<int> FirstDueSecondOfDay(const TReminder& r, DayNumber day, int from) {
    if (!DueAt(r, day, kLastSecond)) return std::nullopt;
    if (DueAt(r, day, from)) return from;
    int lo = from, hi = kLastSecond;  // not due at lo, due at hi
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (DueAt(r, day, mid) ? hi : lo) = mid;
    }
    return hi;
}

}  // namespace

std::optional<SecondKey> FirstDueSecond(const TReminder& r, SecondKey from, SecondKey limit) {
    if (from > limit) return std::nullopt;
    const LocalMoment start = MomentOf(from);
    auto keyOf = [](DayNumber day, int second) { return static_cast<SecondKey>(day) * kSecondsPerDayKey + second; };
    if (const auto s = FirstDueSecondOfDay(r, start.day, start.SecondOfDay())) {
        const SecondKey key = keyOf(start.day, *s);
        return key <= limit ? std::optional(key) : std::nullopt;
    }
    // Seen at the last second of each day, the rules hold from a day on for good (Date, Date + 1,
    // NoticeNext, NoticeNext + 1) or on one day only (the notice day of a name day or birthday). None
    // of them holds today, so the first later day that is due at all is one of these.
    const std::int64_t d = start.day;
    std::array<std::int64_t, 5> days{r.Date, std::int64_t{r.Date} + 1, r.NoticeNext, std::int64_t{r.NoticeNext} + 1,
                                     IsOrdinary(r) ? d : std::int64_t{r.NoticeFrom}};
    std::sort(days.begin(), days.end());
    const std::int64_t lastDay = MomentOf(limit).day;
    for (const std::int64_t day : days) {
        if (day <= d) continue;
        if (day > lastDay || day > std::numeric_limits<DayNumber>::max()) break;
        if (const auto s = FirstDueSecondOfDay(r, static_cast<DayNumber>(day), 0)) {
            const SecondKey key = keyOf(static_cast<DayNumber>(day), *s);
            return key <= limit ? std::optional(key) : std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace kalvo::scheduler
