#pragma once
// One reminder as one calendar event on a CalDAV server, and back, through libical. Like the exchange,
// this header names no libical type.
//
// Kalvo writes each reminder as a VEVENT the way export does (notices as VALARMs, name days and birthdays
// as yearly events), with the exact record in X-KALVO- properties so that Kalvo to Kalvo is lossless, and
// one more VALARM at the reminder's own moment so that phones ring for it too. Acknowledgements are written
// so that other programs see them (X-MOZ-LASTACK on the event, RFC 9074 ACKNOWLEDGED on its alarms), a
// snooze likewise (X-MOZ-SNOOZE-TIME), each with an exact X-KALVO- twin in local time.
//
// An event that came from the server is changed by patching the last copy the server sent: every property
// and component Kalvo does not know stays, RECURRENCE-ID overrides and EXDATEs included. Reading an event
// takes its X-KALVO- record where there is one, and takes a standard property instead only where another
// program changed it: what the event says is compared with what Kalvo would have written for that record,
// both read the way import reads. An event without X-KALVO- properties becomes a reminder as import makes
// one: a recurring event gives its next occurrence, a time with TZID the local time of this computer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/reminder.h"
#include "storage/ical/ical_exchange.h"

namespace kalvo::storage::ical {

// Local moments are day number * 86400 + second of the day, as in the snooze file.
struct EventMarks {
    std::int64_t acknowledged = 0;  // the last acknowledgement; 0: none
    std::int64_t snoozedUntil = 0;  // when a snooze of the reminder ends; 0: none

    bool operator==(const EventMarks&) const = default;
};

struct EventReading {
    bool usable = false;  // it stands for a reminder; false for a task, a cancelled or unreadable event
    std::string uid;
    TReminder record;                // the reminder it stands for now (when usable)
    std::optional<TReminder> kalvo;  // the record of its X-KALVO- properties, as Kalvo last wrote it
    EventMarks marks;                // the latest acknowledgement and the snooze of every program
    // The event has been acknowledged at or after its moment: a one-off reminder that belongs in the archive,
    // or a series with no occurrence left.
    bool done = false;
    bool series = false;  // a recurring event other than a yearly one, followed one occurrence at a time
    std::string label;    // „summary“ (date), for messages
    std::string problem;  // why it is no reminder, in Slovak
};

struct MappingOptions {
    std::int64_t now = 0;       // local moment: a series gives its occurrences from here on
    std::int64_t stampUtc = 0;  // DTSTAMP and LAST-MODIFIED of what is written (seconds since 1970)
    ExpansionLimits limits;
};

// Never throws for any text.
EventReading ReadEvent(std::string_view ics, const MappingOptions& options);

// A new calendar object holding one reminder.
std::string NewEvent(const TReminder& r, const std::string& uid, const EventMarks& marks,
                     const MappingOptions& options);

// The server's copy with `r` and `marks` written into it; `was` is the record ReadEvent gave for that copy.
// Only what differs from `was` is written, besides the X-KALVO- record. Nullopt when the copy holds no event.
std::optional<std::string> PatchEvent(std::string_view serverCopy, const TReminder& was, const TReminder& r,
                                      const EventMarks& marks, const MappingOptions& options);

// The UID of the first event, task or journal of a calendar object; empty when it has none.
std::string EventUid(std::string_view ics);

}  // namespace kalvo::storage::ical
