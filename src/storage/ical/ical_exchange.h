#pragma once
// Exchange of reminders with other calendar programs as iCalendar (RFC 5545) files, through libical.
// This header names no libical type: the library stays inside storage/ical, and everything that
// includes this header only needs the core's TReminder. The library is built only where libical is
// found (the system's on Linux, a static one for Windows); users of it test KALVO_HAVE_ICAL, which
// linking kalvo_ical defines.
//
// Export writes one VEVENT per reminder with DTSTART in floating local time (no TZID), because a Kalvo
// reminder is a wall-clock time that fires at that clock reading wherever the computer is; X-KALVO-*
// properties carry what RFC 5545 cannot say exactly, so Kalvo reads its own export back unchanged.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/reminder.h"

namespace kalvo::storage::ical {

// Larger files are refused before they are parsed (a calendar of many years is a few megabytes).
inline constexpr std::size_t kMaxIcsBytes = 16u * 1024u * 1024u;

// True when the bytes look like an iCalendar file (optional byte-order mark and white space, then
// BEGIN:VCALENDAR); a Kalvo reminder file never does.
bool LooksLikeICalendar(std::span<const std::uint8_t> bytes);
// True for the file name extensions of iCalendar files (.ics, .ical, .ifb), whatever their case.
bool HasICalendarExtension(std::string_view fileName);

struct ExportOptions {
    // DTSTAMP of every event (UTC seconds since 1970); fixed by tests, the current time otherwise.
    std::int64_t stampUtc = 0;
    // Where a picture or melody path names an existing file, it is also written as ATTACH with a
    // file URI; tests turn the check off.
    bool attachExistingFilesOnly = true;
    // X-KALVO-TEXT even where SUMMARY holds the text exactly, so that the X-KALVO- properties alone
    // give the whole record (for sync, where other programs may change SUMMARY).
    bool exactText = false;
};

struct ExportResult {
    std::string text;                  // the whole file, CRLF line ends, folded lines
    std::vector<std::size_t> leftOut;  // indices of records with dates libical cannot write (years 1..3000)
};

ExportResult ExportICalendar(const ReminderList& records, const ExportOptions& options);

enum class ImportStatus {
    Ok,            // the file was read; its events are in `events` and `refused`
    NotICalendar,  // no VCALENDAR at all
    Binary,        // zero bytes in the text
    TooLarge,      // more than kMaxIcsBytes
    Truncated,     // the calendar does not end (END:VCALENDAR missing)
    Malformed,     // libical could not make a calendar of it
};

struct ImportedEvent {
    TReminder reminder;
    std::string label;               // the event as messages name it: „summary“ (date)
    std::vector<std::string> notes;  // what of the event could not be taken as it was
};

struct RefusedEvent {
    std::string label;
    std::string reason;
};

struct ImportResult {
    ImportStatus status = ImportStatus::Ok;
    std::string problem;  // Slovak description when status is not Ok
    std::vector<ImportedEvent> events;
    std::vector<RefusedEvent> refused;
};

// Every recurrence is expanded under these bounds, so that no rule (one that can never match, say) holds
// the import; an event that exceeds them is refused by name.
struct ExpansionLimits {
    std::uint64_t candidates = 1'000'000;  // moments libical may look at for one event
    std::chrono::milliseconds perEvent{1000};
    std::chrono::milliseconds perImport{5000};  // all events of one file together
    // The steady clock the time is measured with; std::chrono::steady_clock when empty.
    std::function<std::chrono::steady_clock::time_point()> steadyNow;
};

struct ImportOptions {
    // The present moment: events that start before it are not taken; recurring ones give their first
    // start from it on.
    DayNumber today = 0;
    int secondOfDay = 0;
    ExpansionLimits limits;
};

// Never throws for any bytes; times with TZID or UTC are converted to the local time of the process.
ImportResult ImportICalendar(std::span<const std::uint8_t> bytes, const ImportOptions& options);

// "1 udalosť sa nedala prevziať", "3 udalosti sa nedali prevziať", "5 udalostí sa nedalo prevziať".
std::string RefusedCountText(std::size_t n);
// The one Slovak summary shown after an import: what was refused and what of the taken events could
// not be taken whole. Empty when everything was taken as it was.
std::string ImportSummary(const std::vector<RefusedEvent>& refused, const std::vector<const ImportedEvent*>& taken);

// libical's own validation of a file: the number of X-LIC-ERROR problems its parser found plus the
// problems icalrestriction_check adds; 0 for a clean file. -1 when it is no calendar at all. For tests.
int ValidationProblems(const std::string& text, std::string* details = nullptr);

}  // namespace kalvo::storage::ical
