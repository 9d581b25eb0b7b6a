#pragma once
// The C library reads the local time zone once and keeps it, so a zone changed while the program runs
// (the user picks another one, timedated swaps /etc/localtime) would only count after a restart. These
// have it read again when it changes.

namespace kalvo {

// Looks whether the zone has changed since the last look and, when it has, has the C library read it
// again. On Linux and the like that is one stat of the zone file (the file TZ names, else
// /etc/localtime) and a look at TZ; on Windows the C library asks the system afresh. Meant for once a
// minute, not for every tick. The first call only takes note of the zone.
void FollowTimeZone();

// The system announced a change of its time or zone (WM_TIMECHANGE on Windows): the next reading of
// the computer's clock looks at the zone at once instead of at the next minute.
void TimeZoneMayHaveChanged();

// Takes the announcement back; true when there was one.
bool TakeTimeZoneAnnouncement();

}  // namespace kalvo
