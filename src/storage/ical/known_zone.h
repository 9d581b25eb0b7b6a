#pragma once
// The zone a TZID names when the file does not describe it itself (no VTIMEZONE of that name). Internal
// to the iCalendar exchange: this header names libical types.
//
// Linux: the system's zone data (/usr/share/zoneinfo), which libical reads. Windows has no such folder,
// and its own zones have names of their own and only their present rules, so there libical's own zone
// descriptions are compiled into the program (known_zone_table.cpp, made by cmake/KalvoZoneTable.cmake).

#include <libical/ical.h>

namespace kalvo::storage::ical {

// The zone of a name as libical's own zones spell it: "Europe/Bratislava", also behind the prefixes
// libical writes ("/freeassociation.sourceforge.net/Europe/Bratislava", "/citadel.org/20220930_1/...").
// nullptr for a name no zone has. The zone lives as long as the process.
icaltimezone* KnownZone(const char* tzid);

}  // namespace kalvo::storage::ical
