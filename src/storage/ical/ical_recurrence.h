#pragma once
// The recurrence of an imported event (its RRULEs, RDATEs and EXDATEs) mapped to the one start a Kalvo
// reminder keeps: the next occurrence from the present moment on. Internal to storage/ical: this header
// names libical types.

#include <libical/ical.h>

#include "storage/ical/ical_parts.h"
#include "storage/ical/recurrence_walk.h"

namespace kalvo::storage::ical::parts {

struct Occurrence {
    Wall start;
    WalkEnd end = WalkEnd::NoMore;
};

// The first occurrence at the moment `now` or later, in local time, of an event with DTSTART `dtstart`
// (in `zone`, null for floating times and dates) and its RRULEs and RDATEs, less its EXDATEs.
Occurrence NextOccurrence(icalcomponent* cal, icalcomponent* ev, icaltimetype dtstart, const icaltimezone* zone,
                          const Wall& now, WalkBudget& budget);

}  // namespace kalvo::storage::ical::parts
