#pragma once
// The parts of the iCalendar exchange that the sync's mapping of records to events shares with it. Internal
// to storage/ical: this header names libical types.

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libical/ical.h>

#include "core/reminder.h"
#include "storage/ical/ical_exchange.h"

namespace kalvo::storage::ical::parts {

// libical's handles, freed when they leave scope.
struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// libical's default makes some errors abort the program; a damaged file must never do that.
void QuietLibical();
// A string libical allocated for the caller, freed.
std::string OwnedString(char* s);

// Wall-clock moments of the program: a day number and a second of that day.
constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kUnixEpochDay = 25569;  // 1970-01-01 in the program's day numbers

struct Wall {
    std::int64_t day = 0;
    std::int64_t second = 0;  // 0..86399
    std::int64_t Total() const { return day * kDay + second; }
    static Wall FromTotal(std::int64_t total) {
        std::int64_t d = total / kDay, s = total % kDay;
        if (s < 0) {
            s += kDay;
            --d;
        }
        return Wall{d, s};
    }
};

int SecondsOf(double fraction);
// The years libical writes.
bool YearFits(std::int64_t day);
icaltimetype FloatingTime(const Wall& w);
bool ValidCivil(const icaltimetype& t);
// The local wall-clock reading of an absolute moment, by the process's time zone (TZ).
std::optional<Wall> LocalOf(std::time_t moment);
// A time of a file in local time: floating times and dates as written, UTC and zoned times converted.
std::optional<Wall> ToLocal(const icaltimetype& t, const icaltimezone* zone);
// The zone's offset from UTC at an instant (seconds since 1970), in seconds.
std::int64_t OffsetAt(const icaltimezone* zone, std::int64_t instant);
// The zone a TZID names: the file's own VTIMEZONE, else a zone of that name known here; null when neither.
const icaltimezone* ZoneNamed(icalcomponent* cal, const char* tzid);
Wall StartOf(const TReminder& r);

struct Folded {
    std::string text;
    std::vector<std::string> replaced;  // "ø → o", at most a few
    bool changed = false;
};
// Text as Windows-1250 can hold it: letters it lacks become their nearest, anything else '?'.
Folded FoldToCp1250(std::string_view utf8);
// X-KALVO- values: bytes other than letters, digits and a few marks as %XX, and back.
std::string PercentEncode(std::string_view s);
std::string PercentDecode(std::string_view s);

std::string Number(double v);
// A display alarm `offset` seconds from the start, repeated `repeat` more times every `every` seconds.
void AddAlarm(icalcomponent* ev, std::int64_t offset, int repeat, std::int64_t every, const std::string& text);
void AddX(icalcomponent* ev, const char* name, const std::string& value);
// The value of the first X- property of that name, nullopt when there is none.
std::optional<std::string> XValue(icalcomponent* ev, const char* name);

// One reminder's VEVENT as export writes it, with the given UID.
icalcomponent* EventOf(const TReminder& r, const std::string& uid, const ExportOptions& options);
// The X-KALVO- properties that give the record exactly (X-KALVO-TEXT always with `exactText`).
void AddKalvoRecord(icalcomponent* ev, const TReminder& r, bool exactText);
// The record of an event's X-KALVO- properties (the text from SUMMARY where they give none), whatever its
// standard properties say now; nullopt when they are missing or unreadable.
std::optional<TReminder> XKalvoRecord(icalcomponent* ev, const std::string& summary);
// One VEVENT of `calendar` read as import reads it, into out.events or out.refused.
void ImportEvent(icalcomponent* calendar, icalcomponent* ev, const ImportOptions& options, ImportResult& out);

}  // namespace kalvo::storage::ical::parts
