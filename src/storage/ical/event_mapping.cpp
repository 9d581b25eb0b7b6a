// Reminders as events on a calendar server, through libical and the exchange's own export and import.

#include "storage/ical/event_mapping.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "core/due.h"
#include "storage/ical/ical_parts.h"
#include "storage/snooze_file.h"

namespace kalvo::storage::ical {
namespace {

using namespace parts;

constexpr const char* kProdId = "-//Kalvo//Kalvo pripomienky//SK";
constexpr const char* kAlarmRole = "X-KALVO-ALARM";
constexpr const char* kKalvoAck = "X-KALVO-ACK";
constexpr const char* kKalvoSnooze = "X-KALVO-SNOOZE";
constexpr const char* kMozAck = "X-MOZ-LASTACK";
constexpr const char* kMozSnooze = "X-MOZ-SNOOZE-TIME";

// ---------------------------------------------------------------------------------------------------------
// Moments: local ones as the program keeps them, UTC ones as the properties of other programs hold them.

std::optional<std::time_t> UtcOfLocal(std::int64_t local) {
    const Wall w = Wall::FromTotal(local);
    const CivilDate c = DayToCivil(w.day);
    if (c.year < 1900 || c.year > 9999) return std::nullopt;
    std::tm tm{};
    tm.tm_year = static_cast<int>(c.year - 1900);
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = static_cast<int>(w.second / 3600);
    tm.tm_min = static_cast<int>(w.second / 60 % 60);
    tm.tm_sec = static_cast<int>(w.second % 60);
    tm.tm_isdst = -1;  // whatever the zone says for that day
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return t;
}

std::optional<std::int64_t> LocalOfTime(const icaltimetype& t) {
    if (icaltime_is_null_time(t) || !ValidCivil(t)) return std::nullopt;
    const icaltimezone* zone = icaltime_is_utc(t) ? icaltimezone_get_utc_timezone() : t.zone;
    const auto w = ToLocal(t, zone);
    if (!w) return std::nullopt;
    return w->Total();
}

icaltimetype UtcTime(std::time_t t) { return icaltime_from_timet_with_zone(t, 0, icaltimezone_get_utc_timezone()); }

std::int64_t StartMoment(const TReminder& r) { return StartOf(r).Total(); }

// ---------------------------------------------------------------------------------------------------------
// Components.

Component Parse(std::string_view ics) {
    QuietLibical();
    if (ics.size() > kMaxIcsBytes || ics.find('\0') != std::string_view::npos) return nullptr;
    const std::string text(ics);
    Component root(icalparser_parse_string(text.c_str()));
    if (!root) return nullptr;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) return root;
    if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        // Several calendars in one object: the first.
        icalcomponent* first = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
        if (!first) return nullptr;
        icalcomponent_remove_component(root.get(), first);
        return Component(first);
    }
    return nullptr;
}

// The event that carries the series or the one-off event: the first VEVENT without RECURRENCE-ID.
icalcomponent* MasterOf(icalcomponent* cal) {
    for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT))
        if (!icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) return ev;
    return nullptr;
}

bool Recurs(icalcomponent* ev) {
    return icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY) ||
           icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY);
}

// The zone a DTSTART or RECURRENCE-ID is written in: its TZID's, UTC, or none (floating, or a date).
const icaltimezone* ZoneOf(icalcomponent* cal, icalproperty* p, const icaltimetype& t) {
    if (t.is_date) return nullptr;
    if (icaltime_is_utc(t)) return icaltimezone_get_utc_timezone();
    if (icalparameter* tzp = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
        return ZoneNamed(cal, icalparameter_get_tzid(tzp));
    return nullptr;
}

std::optional<std::int64_t> LocalOfProperty(icalcomponent* cal, icalproperty* p, const icaltimetype& t) {
    if (icaltime_is_null_time(t)) return std::nullopt;
    const auto w = ToLocal(t, ZoneOf(cal, p, t));
    if (!w) return std::nullopt;
    return w->Total();
}

// One occurrence of a series changed on its own: a VEVENT of the same UID with a RECURRENCE-ID.
struct Override {
    icalcomponent* ev = nullptr;
    icalproperty* recurrenceId = nullptr;
    std::int64_t replaces = 0;          // local moment of the occurrence it stands for
    std::optional<std::int64_t> start;  // local moment it comes at now; none when it is cancelled
};

std::vector<Override> OverridesOf(icalcomponent* cal, icalcomponent* master) {
    std::vector<Override> out;
    const char* uid = icalcomponent_get_uid(master);
    for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
        icalproperty* rid = icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY);
        const char* own = icalcomponent_get_uid(ev);
        if (!rid || (uid && own && std::strcmp(uid, own) != 0)) continue;
        Override o;
        o.ev = ev;
        o.recurrenceId = rid;
        const auto replaces = LocalOfProperty(cal, rid, icalproperty_get_recurrenceid(rid));
        if (!replaces) continue;
        o.replaces = *replaces;
        if (icalcomponent_get_status(ev) != ICAL_STATUS_CANCELLED)
            if (icalproperty* sp = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY))
                o.start = LocalOfProperty(cal, sp, icalproperty_get_dtstart(sp));
        out.push_back(o);
    }
    return out;
}

// Removes the X- properties `drop` picks.
template <typename Pred>
void RemoveX(icalcomponent* c, Pred drop) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;) {
        icalproperty* next = icalcomponent_get_next_property(c, ICAL_X_PROPERTY);
        const char* name = icalproperty_get_x_name(p);
        if (name && drop(std::string_view(name))) {
            icalcomponent_remove_property(c, p);
            icalproperty_free(p);
        }
        p = next;
    }
}

void RemoveXNamed(icalcomponent* c, std::string_view name) {
    RemoveX(c, [&](std::string_view n) { return n == name; });
}

void RemoveProperties(icalcomponent* c, icalproperty_kind kind) {
    while (icalproperty* p = icalcomponent_get_first_property(c, kind)) {
        icalcomponent_remove_property(c, p);
        icalproperty_free(p);
    }
}

std::vector<icalcomponent*> Alarms(icalcomponent* ev) {
    std::vector<icalcomponent*> out;
    for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT))
        out.push_back(a);
    return out;
}

void RemoveAlarm(icalcomponent* ev, icalcomponent* alarm) {
    icalcomponent_remove_component(ev, alarm);
    icalcomponent_free(alarm);
}

std::string RoleOf(icalcomponent* alarm) { return XValue(alarm, kAlarmRole).value_or(""); }

// The trigger of an alarm relative to the start, when it has one (a trigger at a fixed time has not).
std::optional<std::int64_t> RelativeTrigger(icalcomponent* alarm) {
    icalproperty* tp = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    if (!tp) return std::nullopt;
    const icaltriggertype trig = icalproperty_get_trigger(tp);
    if (!icaltime_is_null_time(trig.time)) return std::nullopt;
    if (icalparameter* rel = icalproperty_get_first_parameter(tp, ICAL_RELATED_PARAMETER))
        if (icalparameter_get_related(rel) == ICAL_RELATED_END) return std::nullopt;
    return icaldurationtype_as_int(trig.duration);
}

std::optional<std::int64_t> UtcPropertyMoment(const char* value) {
    if (!value) return std::nullopt;
    const icaltimetype t = icaltime_from_string(value);
    return LocalOfTime(t);
}

std::optional<std::int64_t> KalvoMoment(icalcomponent* ev, const char* name) {
    const auto v = XValue(ev, name);
    return v ? ParseSnoozeMoment(*v) : std::nullopt;
}

// The event alarms of Kalvo and the X-KALVO- properties left out: the event as another program sees it.
Component AsOthersSeeIt(icalcomponent* ev) {
    Component copy(icalcomponent_new_clone(ev));
    RemoveX(copy.get(), [](std::string_view n) { return n.substr(0, 8) == "X-KALVO-"; });
    for (icalcomponent* a : Alarms(copy.get()))
        if (RoleOf(a) == "EVENT") RemoveAlarm(copy.get(), a);
    return copy;
}

// ---------------------------------------------------------------------------------------------------------
// Writing.

// The notice series as a whole (from its first notice, whatever has been given), which stays the same
// while alarms move it on: the acknowledgements say how far it has gone.
TReminder SeriesShape(const TReminder& r) {
    TReminder shape = r;
    if (IsOrdinary(r) && r.Notice != 0) shape.NoticeNext = r.NoticeFrom;
    if (r.NoticeTime != -1.0) shape.NoticeTime = std::fabs(r.NoticeTime);
    return shape;
}

void AddEventAlarm(icalcomponent* ev, const TReminder& r) {
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_description(r.Text.empty() ? "Kalvo" : r.Text.c_str()));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(0);
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    AddX(alarm, kAlarmRole, "EVENT");
    icalcomponent_add_component(ev, alarm);
}

// The VEVENT Kalvo writes for `r`: export's event with the whole record in X-KALVO- properties, its
// notices as alarms marked as Kalvo's, and an alarm at the reminder's own moment.
Component KalvoEvent(const TReminder& r, const std::string& uid, std::int64_t stampUtc) {
    ExportOptions o;
    o.stampUtc = stampUtc;
    o.exactText = true;
    Component ev(EventOf(SeriesShape(r), uid, o));
    RemoveX(ev.get(), [](std::string_view n) { return n.substr(0, 8) == "X-KALVO-"; });
    AddKalvoRecord(ev.get(), r, true);
    if (!IsOrdinary(r)) {
        // A yearly event's alarm comes every year at the same distance before its day, whichever year the
        // record has moved on to; the distance is the one of the notice day before the day it was set for.
        for (icalcomponent* a : Alarms(ev.get())) RemoveAlarm(ev.get(), a);
        if (r.Notice != 0 && r.NoticeFrom != 0 && r.NoticeTime != -1.0 && std::fabs(r.NoticeTime) > 0) {
            const std::int64_t year = DayToCivil(r.NoticeFrom).year;
            std::int64_t day = SameDayInYear(r.Date, year);
            if (day < r.NoticeFrom) day = SameDayInYear(r.Date, year + 1);
            const std::int64_t offset = std::int64_t{r.NoticeFrom} * kDay + SecondsOf(std::fabs(r.NoticeTime)) -
                                        (day * kDay + SecondsOf(r.Time));
            if (offset <= 0) AddAlarm(ev.get(), offset, 0, 0, r.Text);
        }
    }
    for (icalcomponent* a : Alarms(ev.get())) AddX(a, kAlarmRole, "NOTICE");
    AddEventAlarm(ev.get(), r);
    return ev;
}

void SetX(icalcomponent* c, const char* name, const std::string& value) {
    RemoveXNamed(c, name);
    AddX(c, name, value);
}

std::string UtcText(std::time_t t) { return icaltime_as_ical_string(UtcTime(t)); }

// The acknowledgement and the snooze, as Kalvo and the other programs read them.
void WriteMarks(icalcomponent* ev, const EventMarks& marks) {
    RemoveXNamed(ev, kKalvoAck);
    if (marks.acknowledged != 0) {
        if (const auto utc = UtcOfLocal(marks.acknowledged)) {
            SetX(ev, kMozAck, UtcText(*utc));
            AddX(ev, kKalvoAck, FormatSnoozeMoment(marks.acknowledged));
            // An alarm counts as acknowledged up to that moment; one that comes later still rings.
            const icaltimetype ack = UtcTime(*utc);
            for (icalcomponent* a : Alarms(ev)) {
                icalproperty* p = icalcomponent_get_first_property(a, ICAL_ACKNOWLEDGED_PROPERTY);
                if (p && icaltime_compare(icalproperty_get_acknowledged(p), ack) >= 0) continue;
                RemoveProperties(a, ICAL_ACKNOWLEDGED_PROPERTY);
                icalcomponent_add_property(a, icalproperty_new_acknowledged(ack));
            }
        }
    }
    RemoveXNamed(ev, kKalvoSnooze);
    RemoveXNamed(ev, kMozSnooze);
    if (marks.snoozedUntil != 0) {
        if (const auto utc = UtcOfLocal(marks.snoozedUntil)) {
            AddX(ev, kMozSnooze, UtcText(*utc));
            AddX(ev, kKalvoSnooze, FormatSnoozeMoment(marks.snoozedUntil));
        }
    }
}

void Stamp(icalcomponent* ev, std::int64_t stampUtc) {
    const icaltimetype now = UtcTime(static_cast<std::time_t>(stampUtc));
    RemoveProperties(ev, ICAL_DTSTAMP_PROPERTY);
    icalcomponent_add_property(ev, icalproperty_new_dtstamp(now));
    RemoveProperties(ev, ICAL_LASTMODIFIED_PROPERTY);
    icalcomponent_add_property(ev, icalproperty_new_lastmodified(now));
}

// The local moment `local` written the way `like` writes its time `was` (a DTSTART or DTEND): a day stays
// a day while the moment is the start of one, UTC stays UTC, and a zone's time keeps its TZID as written
// (also one the file does not describe) and becomes that zone's reading of the moment. Anything else is
// floating local time, as export writes it.
icalproperty* TimeLike(icalcomponent* cal, icalproperty* like, const icaltimetype& was, std::int64_t local,
                       icalproperty* (*make)(struct icaltimetype), std::optional<std::time_t> instant = std::nullopt) {
    const Wall wall = Wall::FromTotal(local);
    if (!like || icaltime_is_null_time(was)) return make(FloatingTime(wall));
    if (was.is_date && wall.second == 0) {
        icaltimetype day = FloatingTime(wall);
        day.is_date = 1;
        return make(day);
    }
    const icaltimezone* zone = was.is_date ? nullptr : ZoneOf(cal, like, was);
    const auto utc = !zone ? std::nullopt : instant ? instant : UtcOfLocal(local);
    if (!utc) return make(FloatingTime(wall));
    if (zone == icaltimezone_get_utc_timezone()) return make(UtcTime(*utc));
    icalproperty* p = make(FloatingTime(Wall::FromTotal(*utc + OffsetAt(zone, *utc) + kUnixEpochDay * kDay)));
    const icalparameter* tzid = icalproperty_get_first_parameter(like, ICAL_TZID_PARAMETER);
    icalproperty_add_parameter(p, icalparameter_new_tzid(icalparameter_get_tzid(tzid)));
    return p;
}

// A new start, and an end as far after it as before, each written the way it was; a DURATION stays.
void SetStart(icalcomponent* cal, icalcomponent* ev, const TReminder& r) {
    const std::int64_t local = StartMoment(r);
    icalproperty* start = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
    icalproperty* newStart = TimeLike(cal, start, start ? icalproperty_get_dtstart(start) : icaltime_null_time(), local,
                                      icalproperty_new_dtstart);
    icalproperty* newEnd = nullptr;
    if (icalproperty* end = icalcomponent_get_first_property(ev, ICAL_DTEND_PROPERTY)) {
        const icaldurationtype length = icalcomponent_get_duration(ev);
        if (!icaldurationtype_is_bad_duration(length) && icaldurationtype_as_int(length) >= 0)
            newEnd = TimeLike(cal, end, icalproperty_get_dtend(end), local + icaldurationtype_as_int(length),
                              icalproperty_new_dtend);
    }
    RemoveProperties(ev, ICAL_DTSTART_PROPERTY);
    RemoveProperties(ev, ICAL_DTEND_PROPERTY);
    icalcomponent_add_property(ev, newStart);
    if (newEnd) icalcomponent_add_property(ev, newEnd);
    int sequence = 0;
    if (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_SEQUENCE_PROPERTY))
        sequence = icalproperty_get_sequence(p);
    RemoveProperties(ev, ICAL_SEQUENCE_PROPERTY);
    icalcomponent_add_property(ev, icalproperty_new_sequence(sequence + 1));
}

// The instant of the series' occurrence at the local moment `local`. In the hour the clocks go back two
// instants read the same here; the occurrence is the one at the time of day its start has in the zone
// the series is written in (a series in UTC comes at 02:30 in summer time or in winter time, not both).
std::optional<std::time_t> OccurrenceInstant(icalcomponent* cal, icalproperty* start, std::int64_t local) {
    const auto guess = UtcOfLocal(local);
    if (!guess || !start) return guess;
    const icaltimetype first = icalproperty_get_dtstart(start);
    const icaltimezone* zone = first.is_date ? nullptr : ZoneOf(cal, start, first);
    if (!zone) return guess;
    const std::int64_t timeOfDay = (first.hour * 60 + first.minute) * 60 + first.second;
    for (const std::time_t t : {*guess, *guess - 3600, *guess + 3600}) {
        const auto here = LocalOf(t);
        if (here && here->Total() == local && Wall::FromTotal(t + OffsetAt(zone, t)).second == timeOfDay) return t;
    }
    return guess;
}

// An override of the series' occurrence at `local`, made from the series as other programs make it: the
// same event without its rules, for that occurrence alone, named by its start as the series writes it.
icalcomponent* NewOverride(icalcomponent* cal, icalcomponent* master, std::int64_t local, std::int64_t stampUtc) {
    icalcomponent* o = icalcomponent_new_clone(master);
    for (icalproperty_kind kind :
         {ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXDATE_PROPERTY, ICAL_EXRULE_PROPERTY, ICAL_SEQUENCE_PROPERTY})
        RemoveProperties(o, kind);
    RemoveX(o, [](std::string_view n) { return n.substr(0, 8) == "X-KALVO-" || n == kMozAck || n == kMozSnooze; });
    icalproperty* start = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    icalcomponent_add_property(o, TimeLike(cal, start, start ? icalproperty_get_dtstart(start) : icaltime_null_time(),
                                           local, icalproperty_new_recurrenceid, OccurrenceInstant(cal, start, local)));
    Stamp(o, stampUtc);
    icalcomponent_add_component(cal, o);
    return o;
}

int MonthDay(DayNumber day) {
    const CivilDate c = DayToCivil(day);
    return c.month * 100 + c.day;
}

bool SameBits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

bool StartMoved(const TReminder& was, const TReminder& r) {
    if (!SameBits(was.Time, r.Time)) return true;
    // A yearly record moving to its next year is acknowledged, not moved: its DTSTART stays.
    return IsOrdinary(r) ? was.Date != r.Date : MonthDay(was.Date) != MonthDay(r.Date);
}

bool NoticesChanged(const TReminder& was, const TReminder& r) {
    const TReminder a = SeriesShape(was), b = SeriesShape(r);
    return a.Notice != b.Notice || a.NoticeFrom != b.NoticeFrom || a.Period != b.Period ||
           a.NoticeWeekDay != b.NoticeWeekDay || !SameBits(a.NoticeTime, b.NoticeTime) || KindOf(was) != KindOf(r);
}

std::string Serialize(icalcomponent* cal) { return OwnedString(icalcomponent_as_ical_string_r(cal)); }

// ---------------------------------------------------------------------------------------------------------
// Reading.

struct Reading {
    bool ok = false;
    TReminder record;
    std::string label;
    std::string problem;
};

// The series as its overrides make it: each occurrence an override stands for excluded, each override's
// own start an extra date, so that import's walk finds the occurrences where they come. An occurrence an
// override leaves at its time (or another one moves to) is not excluded, since that would exclude its
// extra date too. Times are written in UTC, which reads the same whatever zone the override names; a day
// of an all-day series is excluded as its midnight, since a date would exclude every time of that day,
// an override that gives the day a time of its own included.
void WithOverrides(icalcomponent* series, const std::vector<Override>& overrides) {
    const auto inUtc = [](std::int64_t local) -> std::optional<icaltimetype> {
        const auto utc = UtcOfLocal(local);
        if (!utc) return std::nullopt;
        return UtcTime(*utc);
    };
    const auto startsAt = [&](std::int64_t moment) {
        return std::any_of(overrides.begin(), overrides.end(), [&](const Override& o) { return o.start == moment; });
    };
    for (const Override& o : overrides) {
        const bool allDay = icalproperty_get_recurrenceid(o.recurrenceId).is_date != 0;
        if (!startsAt(o.replaces)) {
            const auto t = allDay ? FloatingTime(Wall::FromTotal(o.replaces)) : inUtc(o.replaces);
            if (t) icalcomponent_add_property(series, icalproperty_new_exdate(*t));
        }
        if (!o.start) continue;
        std::optional<icaltimetype> t = inUtc(*o.start);
        if (allDay && Wall::FromTotal(*o.start).second == 0) {
            t = FloatingTime(Wall::FromTotal(*o.start));
            t->is_date = 1;
        }
        if (t) {
            icaldatetimeperiodtype d{};
            d.time = *t;
            d.period = icalperiodtype_null_period();
            icalcomponent_add_property(series, icalproperty_new_rdate(d));
        }
    }
}

// `ev` (a component of `cal`'s kind, perhaps not in it) read as import reads it; a series from `from` on.
Reading AsImported(icalcomponent* cal, icalcomponent* ev, std::int64_t from, const ExpansionLimits& limits) {
    ImportOptions o;
    o.limits = limits;
    // A one-off event is taken whenever it is: the sync decides what a past one means.
    const std::int64_t at = Recurs(ev) ? from : std::int64_t{std::numeric_limits<DayNumber>::min() / 2} * kDay;
    o.today = static_cast<DayNumber>(Wall::FromTotal(at).day);
    o.secondOfDay = static_cast<int>(Wall::FromTotal(at).second);
    ImportResult out;
    ImportEvent(cal, ev, o, out);
    Reading r;
    if (!out.events.empty()) {
        r.ok = true;
        r.record = out.events.front().reminder;
        r.label = out.events.front().label;
    } else if (!out.refused.empty()) {
        r.label = out.refused.front().label;
        r.problem = out.refused.front().reason;
    }
    return r;
}

// An override read as the one-off event it is.
Reading OccurrenceAsImported(icalcomponent* cal, icalcomponent* override, const ExpansionLimits& limits) {
    const Component one = AsOthersSeeIt(override);
    RemoveProperties(one.get(), ICAL_RECURRENCEID_PROPERTY);
    return AsImported(cal, one.get(), 0, limits);
}

void TakeStart(TReminder& to, const TReminder& from) {
    to.Date = from.Date;
    to.Time = from.Time;
}

void TakeNotices(TReminder& to, const TReminder& from) {
    to.Notice = from.Notice;
    to.NoticeFrom = from.NoticeFrom;
    to.NoticeNext = from.NoticeNext;
    to.Period = from.Period;
    to.NoticeTime = from.NoticeTime;
    to.NoticeWeekDay = from.NoticeWeekDay;
}

bool SameStart(const TReminder& a, const TReminder& b) { return a.Date == b.Date && SameBits(a.Time, b.Time); }
bool SameNotices(const TReminder& a, const TReminder& b) {
    TReminder x = a;
    TakeNotices(x, b);
    return x == a;
}
bool SameKind(const TReminder& a, const TReminder& b) {
    return a.IsNameDay == b.IsNameDay && a.IsBirthday == b.IsBirthday;
}

// The record of an event with X-KALVO- properties: Kalvo's record, with what another program changed
// since taken from the standard properties. What the event says and what Kalvo would have written for its
// record are both read as import reads them, so that only real changes count, not how they are written.
TReminder WithOthersChanges(TReminder kalvo, const Reading& actual, const Reading& expected) {
    if (!expected.ok) return kalvo;
    if (!SameKind(actual.record, expected.record)) {
        kalvo.IsNameDay = actual.record.IsNameDay;
        kalvo.IsBirthday = actual.record.IsBirthday;
        TakeNotices(kalvo, actual.record);
    }
    if (!SameStart(actual.record, expected.record)) TakeStart(kalvo, actual.record);
    if (actual.record.Text != expected.record.Text) kalvo.Text = actual.record.Text;
    if (!SameNotices(actual.record, expected.record)) TakeNotices(kalvo, actual.record);
    return kalvo;
}

EventMarks ReadMarks(icalcomponent* ev, std::int64_t& others) {
    EventMarks m;
    const std::int64_t kalvoAck = KalvoMoment(ev, kKalvoAck).value_or(0);
    others = 0;
    if (const auto v = XValue(ev, kMozAck)) others = std::max(others, UtcPropertyMoment(v->c_str()).value_or(0));
    for (icalcomponent* a : Alarms(ev))
        if (icalproperty* p = icalcomponent_get_first_property(a, ICAL_ACKNOWLEDGED_PROPERTY))
            others = std::max(others, LocalOfTime(icalproperty_get_acknowledged(p)).value_or(0));
    m.acknowledged = std::max(kalvoAck, others);
    // Where another program acknowledged nothing later, Kalvo's own moment is the exact one.
    if (others <= kalvoAck) others = 0;
    // The snooze every program sees; Kalvo's twin gives it exactly while it still says the same.
    if (const auto v = XValue(ev, kMozSnooze)) {
        const icaltimetype t = icaltime_from_string(v->c_str());
        const auto kalvo = KalvoMoment(ev, kKalvoSnooze);
        const auto kalvoUtc = kalvo ? UtcOfLocal(*kalvo) : std::nullopt;
        const bool same = kalvoUtc && icaltime_is_utc(t) &&
                          icaltime_as_timet_with_zone(t, icaltimezone_get_utc_timezone()) == *kalvoUtc;
        m.snoozedUntil = same ? *kalvo : LocalOfTime(t).value_or(0);
    }
    return m;
}

}  // namespace

EventReading ReadEvent(std::string_view ics, const MappingOptions& options) {
    EventReading out;
    const Component cal = Parse(ics);
    if (!cal) {
        out.problem = "údaje udalosti sa nedajú prečítať";
        return out;
    }
    icalcomponent* ev = MasterOf(cal.get());
    if (!ev) {
        out.uid = EventUid(ics);
        out.problem = "nie je udalosť";
        return out;
    }
    if (const char* uid = icalcomponent_get_uid(ev)) out.uid = uid;
    const char* summary = icalcomponent_get_summary(ev);
    out.kalvo = XKalvoRecord(ev, summary ? summary : "");
    std::int64_t othersAck = 0;
    out.marks = ReadMarks(ev, othersAck);
    if (icalcomponent_get_status(ev) == ICAL_STATUS_CANCELLED) {
        out.problem = "je zrušená";
        return out;
    }

    // A series goes on from its last acknowledged occurrence, or from the one Kalvo follows, or from now.
    std::int64_t from = options.now;
    if (out.kalvo) from = std::min(from, StartMoment(*out.kalvo));
    if (out.marks.acknowledged != 0) from = out.marks.acknowledged + 1;

    const bool recurs = Recurs(ev);
    const std::vector<Override> overrides = recurs ? OverridesOf(cal.get(), ev) : std::vector<Override>{};
    const Component plain = AsOthersSeeIt(ev);
    WithOverrides(plain.get(), overrides);
    Reading actual = AsImported(cal.get(), plain.get(), from, options.limits);
    out.label = actual.label;
    if (actual.ok) {
        // An occurrence of its own is read as it is written: the one Kalvo follows, wherever it was moved,
        // else the next one.
        const auto at = [&](std::int64_t moment) {
            return std::find_if(overrides.begin(), overrides.end(),
                                [&](const Override& o) { return o.start && *o.start == moment && moment >= from; });
        };
        auto own = out.kalvo ? at(StartMoment(*out.kalvo)) : overrides.end();
        if (own == overrides.end()) own = at(StartMoment(actual.record));
        if (own != overrides.end()) {
            const Reading one = OccurrenceAsImported(cal.get(), own->ev, options.limits);
            if (one.ok) actual.record = one.record;
        }
    }
    if (!actual.ok) {
        // A series whose occurrences have all passed is done, like a one-off event acknowledged.
        if (recurs && out.kalvo) {
            out.usable = true;
            out.done = true;
            out.record = *out.kalvo;
            return out;
        }
        out.problem = actual.problem;
        return out;
    }
    if (out.kalvo) {
        // What Kalvo would have written, read back from its text as the server's copy was.
        const Component mine = KalvoEvent(*out.kalvo, out.uid, 0);
        const std::string mineText = Serialize(AsOthersSeeIt(mine.get()).get());
        const Component minePlain(icalparser_parse_string(mineText.c_str()));
        const Reading expected = minePlain ? AsImported(cal.get(), minePlain.get(), from, options.limits) : Reading{};
        out.record = WithOthersChanges(*out.kalvo, actual, expected);
    } else {
        out.record = actual.record;
    }
    out.usable = true;
    out.series = recurs && IsOrdinary(out.record);

    // What another program acknowledged after Kalvo last wrote the event is done here too.
    if (othersAck != 0) {
        const Wall at = Wall::FromTotal(othersAck);
        const Acknowledged a = AcknowledgeAt(out.record, static_cast<DayNumber>(at.day),
                                             static_cast<double>(at.second) / static_cast<double>(kDay));
        out.record = a.record;
        out.done = a.done && !out.series;
    }
    if (!out.series && IsOrdinary(out.record) && out.marks.acknowledged >= StartMoment(out.record)) out.done = true;
    return out;
}

std::string NewEvent(const TReminder& r, const std::string& uid, const EventMarks& marks,
                     const MappingOptions& options) {
    QuietLibical();
    Component cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid(kProdId));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    Component ev = KalvoEvent(r, uid, options.stampUtc);
    WriteMarks(ev.get(), marks);
    Stamp(ev.get(), options.stampUtc);
    icalcomponent_add_component(cal.get(), ev.release());
    return Serialize(cal.get());
}

std::optional<std::string> PatchEvent(std::string_view serverCopy, const TReminder& was, const TReminder& r,
                                      const EventMarks& marks, const MappingOptions& options) {
    const Component cal = Parse(serverCopy);
    if (!cal) return std::nullopt;
    icalcomponent* ev = MasterOf(cal.get());
    if (!ev) return std::nullopt;
    const bool startMoved = StartMoved(was, r);
    // A series is followed one occurrence at a time: moving one of them is not moving the series, but
    // writing an override of that occurrence (or moving the one it has).
    const bool series = Recurs(ev) && IsOrdinary(r);
    icalcomponent* occurrence = nullptr;
    if (series) {
        const std::vector<Override> overrides = OverridesOf(cal.get(), ev);
        const auto own = std::find_if(overrides.begin(), overrides.end(),
                                      [&](const Override& o) { return o.start && *o.start == StartMoment(was); });
        if (own != overrides.end()) occurrence = own->ev;
        if (!occurrence && startMoved) occurrence = NewOverride(cal.get(), ev, StartMoment(was), options.stampUtc);
    }
    if (startMoved) SetStart(cal.get(), series ? occurrence : ev, r);
    if (was.Text != r.Text) {
        for (icalcomponent* c : {ev, occurrence}) {
            if (!c) continue;
            RemoveProperties(c, ICAL_SUMMARY_PROPERTY);
            icalcomponent_add_property(c, icalproperty_new_summary(r.Text.empty() ? "(bez textu)" : r.Text.c_str()));
            // What Kalvo's own alarms show.
            for (icalcomponent* a : Alarms(c)) {
                if (RoleOf(a).empty()) continue;
                RemoveProperties(a, ICAL_DESCRIPTION_PROPERTY);
                icalcomponent_add_property(a, icalproperty_new_description(r.Text.empty() ? "Kalvo" : r.Text.c_str()));
            }
        }
    }
    if (occurrence) Stamp(occurrence, options.stampUtc);
    if (NoticesChanged(was, r) || startMoved) {
        // Kalvo's notices are days and times of their own, not distances from the event: its alarms are
        // written anew (on the occurrence Kalvo follows, when it has its own), and so are another program's
        // alarms before the start, which were read as them. Alarms after the start stay.
        icalcomponent* target = occurrence ? occurrence : ev;
        for (icalcomponent* a : Alarms(target)) {
            const auto offset = RelativeTrigger(a);
            if (!RoleOf(a).empty() || (offset && *offset <= 0)) RemoveAlarm(target, a);
        }
        Component fresh = KalvoEvent(r, "alarms", options.stampUtc);
        for (icalcomponent* a : Alarms(fresh.get())) {
            icalcomponent_remove_component(fresh.get(), a);
            icalcomponent_add_component(target, a);
        }
    }
    RemoveX(ev, [](std::string_view n) { return n.substr(0, 8) == "X-KALVO-"; });
    AddKalvoRecord(ev, r, true);
    WriteMarks(ev, marks);
    Stamp(ev, options.stampUtc);
    return Serialize(cal.get());
}

std::string EventUid(std::string_view ics) {
    const Component cal = Parse(ics);
    if (!cal) return {};
    for (icalcomponent_kind kind : {ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT, ICAL_VJOURNAL_COMPONENT})
        for (icalcomponent* c = icalcomponent_get_first_component(cal.get(), kind); c;
             c = icalcomponent_get_next_component(cal.get(), kind))
            if (const char* uid = icalcomponent_get_uid(c)) return uid;
    return {};
}

}  // namespace kalvo::storage::ical
