// The recurrence of an imported event (RRULE, RDATE, EXDATE) mapped to its next occurrence in local time.

#include "storage/ical/ical_recurrence.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <libical/ical.h>

#include "core/datetime.h"
#include "storage/ical/known_zone.h"

namespace kalvo::storage::ical {
namespace parts {

const icaltimezone* ZoneNamed(icalcomponent* cal, const char* tzid) {
    if (!tzid) return nullptr;
    if (const icaltimezone* zone = icalcomponent_get_timezone(cal, tzid)) return zone;
    return KnownZone(tzid);
}

// The zone of a time of an RDATE or EXDATE: its own TZID, UTC, or else the event's own (a floating
// value beside a zoned start is read as the start's zone, as the files that write it mean it).
const icaltimezone* ZoneOfValue(icalcomponent* cal, icalproperty* p, const icaltimetype& t,
                                const icaltimezone* eventZone) {
    if (t.is_date) return nullptr;
    if (icaltime_is_utc(t)) return icaltimezone_get_utc_timezone();
    if (icalparameter* tzp = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
        if (const icaltimezone* zone = ZoneNamed(cal, icalparameter_get_tzid(tzp))) return zone;
    return eventZone;
}

// One occurrence or exclusion: its day as written (a DATE exclusion takes out every occurrence of
// that day) and its local start.
struct Moment {
    std::int64_t writtenDay = 0;
    bool isDate = false;
    Wall local;
};

std::optional<Moment> MomentOf(const icaltimetype& t, const icaltimezone* zone) {
    const auto local = ToLocal(t, zone);
    if (!local) return std::nullopt;
    return Moment{CivilToDay(t.year, t.month, t.day), t.is_date != 0, *local};
}

Occurrence NextOccurrence(icalcomponent* cal, icalcomponent* ev, icaltimetype dtstart, const icaltimezone* zone,
                          const Wall& now, WalkBudget& budget) {
    dtstart.zone = zone;
    std::vector<Moment> excluded;
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
        const icaltimetype x = icalproperty_get_exdate(p);
        if (!ValidCivil(x)) continue;
        if (const auto m = MomentOf(x, ZoneOfValue(cal, p, x, zone))) excluded.push_back(*m);
    }
    auto isExcluded = [&](const Moment& m) {
        return std::any_of(excluded.begin(), excluded.end(), [&](const Moment& x) {
            if (x.isDate || m.isDate) return x.writtenDay == m.writtenDay;
            return x.local.Total() / 60 == m.local.Total() / 60;
        });
    };
    Occurrence result;
    auto consider = [&](const Moment& m) {
        if (m.local.Total() < now.Total() || isExcluded(m)) return;
        if (result.end != WalkEnd::Found || m.local.Total() < result.start.Total()) result.start = m.local;
        result.end = WalkEnd::Found;
    };

    if (const auto m = MomentOf(dtstart, zone)) consider(*m);  // the start is always an occurrence
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype v = icalproperty_get_rdate(p);
        const icaltimetype t = icaltime_is_null_time(v.time) ? v.period.start : v.time;
        if (!ValidCivil(t)) continue;
        if (const auto m = MomentOf(t, ZoneOfValue(cal, p, t, zone))) consider(*m);
    }

    // Each rule is walked from shortly before today in the event's own wall clock, which may be a day
    // off ours.
    icaltimetype from = dtstart;
    const CivilDate c = DayToCivil(now.day - 2);
    from.year = static_cast<int>(std::clamp<std::int64_t>(c.year, 0, 100000));
    from.month = c.month;
    from.day = c.day;
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype rule = icalproperty_get_rrule(p);
        if (rule.freq == ICAL_NO_RECURRENCE) return Occurrence{{}, WalkEnd::Unreadable};
        bool unreadable = false;
        const WalkEnd end = WalkRecurrence(rule, dtstart, from, budget, [&](const icaltimetype& t) {
            const auto m = MomentOf(t, zone);
            if (!m) return unreadable = true;
            if (m->local.Total() < now.Total() || isExcluded(*m)) return false;
            consider(*m);
            return true;
        });
        if (end == WalkEnd::OverBudget || end == WalkEnd::TooDense || (end == WalkEnd::Unreadable && !unreadable))
            return Occurrence{{}, end};
    }
    return result;
}

}  // namespace parts
}  // namespace kalvo::storage::ical
