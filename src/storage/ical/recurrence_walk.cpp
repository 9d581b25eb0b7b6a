#include "storage/ical/recurrence_walk.h"

#include <algorithm>
#include <memory>

#include "core/datetime.h"

namespace kalvo::storage::ical {
namespace {

using Seconds = std::int64_t;
constexpr Seconds kDaySeconds = 86400;
// libical gives nothing after this year (with a 64-bit time_t).
constexpr int kLastLibicalYear = 2582;
// Candidate moments libical may look at within one call; a window holds about this many.
constexpr std::uint64_t kCandidatesPerWindow = 86400;
constexpr Seconds kLongestWindowDays = 36500;

struct IteratorFree {
    void operator()(icalrecur_iterator* i) const { icalrecur_iterator_free(i); }
};
using Iterator = std::unique_ptr<icalrecur_iterator, IteratorFree>;

Seconds WallOf(const icaltimetype& t) {
    const Seconds time = t.is_date ? 0 : (t.hour * 60 + t.minute) * 60 + t.second;
    return CivilToDay(t.year, t.month, t.day) * kDaySeconds + time;
}

// `like` (its zone and date-ness) at another reading of its wall clock.
icaltimetype AtWall(const icaltimetype& like, Seconds wall) {
    Seconds day = wall / kDaySeconds, second = wall % kDaySeconds;
    if (second < 0) {
        second += kDaySeconds;
        --day;
    }
    const CivilDate c = DayToCivil(day);
    icaltimetype t = like;
    t.year = static_cast<int>(std::clamp<std::int64_t>(c.year, -1, 100000));
    t.month = c.month;
    t.day = c.day;
    t.hour = like.is_date ? 0 : static_cast<int>(second / 3600);
    t.minute = like.is_date ? 0 : static_cast<int>(second / 60 % 60);
    t.second = like.is_date ? 0 : static_cast<int>(second % 60);
    return t;
}

std::uint64_t Listed(const short* list, int size) {
    int n = 0;
    while (n < size && list[n] != ICAL_RECURRENCE_ARRAY_MAX) ++n;
    return static_cast<std::uint64_t>(std::max(n, 1));
}

// An upper estimate of the candidate moments libical looks at for one day of the rule.
std::uint64_t CandidatesPerDay(const icalrecurrencetype& r) {
    const auto interval = static_cast<std::uint64_t>(std::max<int>(r.interval, 1));
    std::uint64_t n = 1;
    switch (r.freq) {
        case ICAL_SECONDLY_RECURRENCE:
            n = (86400 + interval - 1) / interval;
            break;
        case ICAL_MINUTELY_RECURRENCE:
            n = (1440 + interval - 1) / interval;
            break;
        case ICAL_HOURLY_RECURRENCE:
            n = (24 + interval - 1) / interval;
            break;
        default:
            break;
    }
    if (r.freq > ICAL_SECONDLY_RECURRENCE) n *= Listed(r.by_second, ICAL_BY_SECOND_SIZE);
    if (r.freq > ICAL_MINUTELY_RECURRENCE) n *= Listed(r.by_minute, ICAL_BY_MINUTE_SIZE);
    if (r.freq > ICAL_HOURLY_RECURRENCE) n *= Listed(r.by_hour, ICAL_BY_HOUR_SIZE);
    return std::clamp<std::uint64_t>(n, 1, kCandidatesPerWindow);
}

// The length of one step of a rule finer than a day, in seconds.
Seconds PeriodOf(const icalrecurrencetype& r) {
    const Seconds unit = r.freq == ICAL_SECONDLY_RECURRENCE ? 1 : r.freq == ICAL_MINUTELY_RECURRENCE ? 60 : 3600;
    return unit * std::max<int>(r.interval, 1);
}

}  // namespace

WalkEnd WalkRecurrence(const icalrecurrencetype& rule, const icaltimetype& dtstart, const icaltimetype& from,
                       WalkBudget& budget, const std::function<bool(const icaltimetype&)>& take) {
    // A rule finer than a day starts each window at a step of its own from DTSTART, because libical's
    // set_start keeps the step of such rules only within one day; coarser rules use set_start.
    const bool subDaily = rule.freq <= ICAL_HOURLY_RECURRENCE && !dtstart.is_date;
    const std::uint64_t perDay = CandidatesPerDay(rule);
    const Seconds windowDays =
        std::clamp<Seconds>(static_cast<Seconds>(kCandidatesPerWindow / perDay), 1, kLongestWindowDays);
    const Seconds window = windowDays * kDaySeconds;
    const std::uint64_t windowCost = perDay * static_cast<std::uint64_t>(windowDays);

    icalrecurrencetype windowed = rule;
    windowed.count = 0;  // counted here, since every window but the first starts later than DTSTART
    const bool hasUntil = !icaltime_is_null_time(rule.until);
    const Seconds first = WallOf(dtstart);
    Seconds start = first;
    if (rule.count == 0) {
        // Whole days from DTSTART keep its time of day, which libical's set_start takes as the first time.
        const Seconds skip = WallOf(from) - first;
        if (skip > 0) start = first + skip / kDaySeconds * kDaySeconds;
    }

    std::int64_t seen = 0;
    for (Seconds ws = start;; ws += window) {
        if (budget.now() >= budget.deadline || windowCost > budget.candidatesLeft) return WalkEnd::OverBudget;
        budget.candidatesLeft -= windowCost;
        const icaltimetype windowStart = AtWall(dtstart, ws);
        if (windowStart.year > kLastLibicalYear) return WalkEnd::NoMore;
        const icaltimetype windowEnd = AtWall(dtstart, ws + window - (dtstart.is_date ? kDaySeconds : 1));
        const bool lastWindow = hasUntil && icaltime_compare(rule.until, windowEnd) <= 0;
        windowed.until = lastWindow ? rule.until : windowEnd;

        const icaltimetype iterStart =
            subDaily ? AtWall(dtstart, first + (ws - first) / PeriodOf(rule) * PeriodOf(rule)) : dtstart;
        Iterator it(icalrecur_iterator_new(windowed, iterStart));
        // A later start of a fine rule fails only past libical's last year; any other failure is the rule's.
        if (!it) return subDaily && ws != first ? WalkEnd::NoMore : WalkEnd::Unreadable;
        if (!subDaily && ws > first && !icalrecur_iterator_set_start(it.get(), windowStart)) return WalkEnd::Unreadable;
        for (;;) {
            const icaltimetype t = icalrecur_iterator_next(it.get());
            if (icaltime_is_null_time(t)) break;
            if (subDaily && WallOf(t) < ws) continue;  // the window before gave it
            if (rule.count > 0 && ++seen > rule.count) return WalkEnd::NoMore;
            if (budget.occurrencesLeft == 0) return WalkEnd::TooDense;
            --budget.occurrencesLeft;
            if (take(t)) return WalkEnd::Found;
        }
        if (lastWindow) return WalkEnd::NoMore;
    }
}

}  // namespace kalvo::storage::ical
