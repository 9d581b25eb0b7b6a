// iCalendar import: each VEVENT of a file read into a reminder, or refused with the reason.

#include "storage/ical/ical_exchange.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <libical/ical.h>

#include "core/cp1250.h"
#include "core/datetime.h"
#include "storage/file_io.h"
#include "storage/ical/ical_parts.h"
#include "storage/ical/ical_recurrence.h"

namespace kalvo::storage::ical {
namespace parts {

std::string FormatDate(std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d.%d.%lld", c.day, c.month, static_cast<long long>(c.year));
    return buf;
}

std::string Shortened(const std::string& text, std::size_t maxChars) {
    std::size_t pos = 0, count = 0;
    char32_t c = 0;
    while (pos < text.size() && count < maxChars) {
        NextCodePoint(text, pos, c);
        ++count;
    }
    std::string out = pos < text.size() ? text.substr(0, pos) + "…" : text;
    for (char& ch : out)
        if (ch == '\n' || ch == '\r' || ch == '\t') ch = ' ';
    return out;
}

std::string Quoted(const std::string& text) { return "„" + text + "“"; }

std::string Joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

std::string CharactersText(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " znak" : n <= 4 ? " znaky" : " znakov");
}

// An event's text as every way of adding a reminder takes it: one line (line breaks and tabs become
// spaces), no other control characters, at most kMaxTextLength characters, only what Windows-1250
// holds. The notes say what was changed.
struct EventText {
    std::string text;
    std::vector<std::string> notes;
};

EventText TextOfEvent(std::string_view utf8) {
    std::string flat;
    bool breaks = false, controls = false;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t at = pos;
        char32_t c = 0;
        if (!NextCodePoint(utf8, pos, c)) {
            flat.append(utf8.substr(at, pos - at));  // folded to "?" below
            continue;
        }
        if (c == '\r' && pos < utf8.size() && utf8[pos] == '\n') continue;  // CR LF is one break
        if (c == '\n' || c == '\r' || c == '\t' || c == 0x85 || c == 0x2028 || c == 0x2029) {
            flat += ' ';
            breaks = true;
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            controls = true;
        } else {
            flat.append(utf8.substr(at, pos - at));
        }
    }
    const std::size_t first = flat.find_first_not_of(' ');
    flat = first == std::string::npos ? std::string() : flat.substr(first, flat.find_last_not_of(' ') - first + 1);

    Folded folded = FoldToCp1250(flat);
    EventText out;
    if (breaks) out.notes.emplace_back("zalomenia riadkov a tabulátory v texte sa nahradili medzerami");
    if (controls) out.notes.emplace_back("riadiace znaky v texte sa vynechali");
    if (folded.changed)
        out.notes.push_back("znaky, ktoré Kalvo nevie uložiť, boli nahradené: " + Joined(folded.replaced));
    std::size_t count = 0, cut = folded.text.size();
    for (std::size_t pos = 0; pos < folded.text.size(); ++count) {
        if (count == kMaxTextLength) cut = pos;
        char32_t c = 0;
        NextCodePoint(folded.text, pos, c);
    }
    if (count > kMaxTextLength) {
        folded.text.resize(cut);
        out.notes.push_back("text mal " + CharactersText(count) + ", prevzalo sa prvých " +
                            std::to_string(kMaxTextLength));
    }
    out.text = std::move(folded.text);
    return out;
}

// ---------------------------------------------------------------------------------------------------------
// Import.

std::optional<std::string> XValue(icalcomponent* ev, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_X_PROPERTY)) {
        const char* n = icalproperty_get_x_name(p);
        if (n && std::strcmp(n, name) == 0) {
            const char* v = icalproperty_get_x(p);
            return std::string(v ? v : "");
        }
    }
    return std::nullopt;
}

template <typename T>
bool ParseInt(const std::optional<std::string>& s, T& out) {
    if (!s || s->empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s->c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < static_cast<long long>(std::numeric_limits<T>::min()) ||
        v > static_cast<long long>(std::numeric_limits<T>::max()))
        return false;
    out = static_cast<T>(v);
    return true;
}

bool ParseDouble(const std::optional<std::string>& s, double& out) {
    if (!s || s->empty()) return false;
    char* end = nullptr;
    out = std::strtod(s->c_str(), &end);
    return *end == '\0';
}

std::optional<TReminder> XKalvoRecord(icalcomponent* ev, const std::string& summary) {
    TReminder r;
    if (!ParseInt(XValue(ev, "X-KALVO-DATE"), r.Date) || !ParseDouble(XValue(ev, "X-KALVO-TIME"), r.Time) ||
        !ParseInt(XValue(ev, "X-KALVO-NOTICE"), r.Notice) ||
        !ParseInt(XValue(ev, "X-KALVO-NOTICE-FROM"), r.NoticeFrom) ||
        !ParseInt(XValue(ev, "X-KALVO-NOTICE-NEXT"), r.NoticeNext) ||
        !ParseInt(XValue(ev, "X-KALVO-PERIOD"), r.Period) ||
        !ParseDouble(XValue(ev, "X-KALVO-NOTICE-TIME"), r.NoticeTime) ||
        !ParseInt(XValue(ev, "X-KALVO-NAMEDAY"), r.IsNameDay) ||
        !ParseInt(XValue(ev, "X-KALVO-BIRTHDAY"), r.IsBirthday) ||
        !ParseInt(XValue(ev, "X-KALVO-WEEKDAY"), r.NoticeWeekDay))
        return std::nullopt;
    const auto text = XValue(ev, "X-KALVO-TEXT");
    if (text && (text->empty() || (*text)[0] != '=')) return std::nullopt;
    r.Text = text ? PercentDecode(text->substr(1)) : summary;
    if (const auto p = XValue(ev, "X-KALVO-PICTURE")) r.Picture = PercentDecode(*p);
    if (const auto m = XValue(ev, "X-KALVO-MELODY")) r.Melody = PercentDecode(*m);
    // Only what Windows-1250 holds can be saved; anything else is no export of Kalvo's.
    for (const std::string* s : {&r.Text, &r.Picture, &r.Melody})
        if (!EncodeCp1250(*s)) return std::nullopt;
    return r;
}

// Kalvo's own export: all X-KALVO- fields present and DTSTART still the one they give. An event that
// another program moved is read like any other.
std::optional<TReminder> KalvoRecord(icalcomponent* ev, const icaltimetype& dtstart, bool zoned,
                                     const std::string& summary) {
    auto r = XKalvoRecord(ev, summary);
    if (!r || zoned || dtstart.is_date || !YearFits(r->Date)) return std::nullopt;
    const icaltimetype expected = FloatingTime(StartOf(*r));
    if (icaltime_compare(expected, dtstart) != 0) return std::nullopt;
    return r;
}

bool IsPictureMime(const std::string& mime, const std::string& ext) {
    if (mime.rfind("image/", 0) == 0) return true;
    for (const char* e : {".bmp", ".jpg", ".jpeg", ".png", ".gif", ".ico", ".emf", ".wmf", ".svg"})
        if (ext == e) return true;
    return false;
}

bool IsSoundMime(const std::string& mime, const std::string& ext) {
    if (mime.rfind("audio/", 0) == 0) return true;
    for (const char* e : {".wav", ".mp3", ".ogg"})
        if (ext == e) return true;
    return false;
}

// The local path of a file: URI (as FileUri writes them); empty for any other URI.
std::string PathOfFileUri(const std::string& uri) {
    std::string rest;
    if (uri.rfind("file://", 0) == 0) rest = uri.substr(7);
    else if (uri.rfind("file:", 0) == 0) rest = uri.substr(5);
    else return {};
    if (rest.rfind("localhost/", 0) == 0) rest = rest.substr(9);
#ifdef _WIN32
    std::string path = PercentDecode(rest);
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);  // /C:/Users/a.png
    else if (!path.empty() && path[0] != '/') path = "//" + path;                // server/share/a.png
    else return {};
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
#else
    if (rest.empty() || rest[0] != '/') return {};
    return PercentDecode(rest);
#endif
}

void TakeAttachments(icalcomponent* ev, TReminder& r, std::vector<std::string>& notes) {
    for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_ATTACH_PROPERTY); p;
         p = icalcomponent_get_next_property(ev, ICAL_ATTACH_PROPERTY)) {
        icalattach* a = icalproperty_get_attach(p);
        if (!a || !icalattach_get_is_url(a) || !icalattach_get_url(a)) continue;
        const std::string path = PathOfFileUri(icalattach_get_url(a));
        if (path.empty()) continue;
        std::string mime;
        if (icalparameter* fmt = icalproperty_get_first_parameter(p, ICAL_FMTTYPE_PARAMETER))
            if (const char* v = icalparameter_get_fmttype(fmt)) mime = v;
        std::string ext = PathFromUtf8(path).extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const bool picture = IsPictureMime(mime, ext), sound = !picture && IsSoundMime(mime, ext);
        if (!picture && !sound) continue;
        std::string& slot = picture ? r.Picture : r.Melody;
        if (!slot.empty()) continue;
        std::error_code ec;
        const Folded folded = FoldToCp1250(path);
        if (folded.changed || !std::filesystem::is_regular_file(PathFromUtf8(path), ec)) {
            notes.push_back(std::string(picture ? "obrázok " : "melódia ") + path + " nie je na tomto počítači");
            continue;
        }
        slot = path;
    }
}

struct Alarm {
    std::int64_t offset = 0;  // seconds from the start
    int repeat = 0;
    std::int64_t every = 0;
};

std::vector<Alarm> AlarmsOf(icalcomponent* ev, const Wall& start, std::int64_t eventLength) {
    std::vector<Alarm> out;
    for (icalcomponent* a = icalcomponent_get_first_component(ev, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(ev, ICAL_VALARM_COMPONENT)) {
        icalproperty* tp = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!tp) continue;
        const icaltriggertype trig = icalproperty_get_trigger(tp);
        Alarm alarm;
        if (!icaltime_is_null_time(trig.time)) {
            const icaltimezone* zone = icaltime_is_utc(trig.time) ? icaltimezone_get_utc_timezone() : nullptr;
            const auto at = ToLocal(trig.time, zone);
            if (!at) continue;
            alarm.offset = at->Total() - start.Total();
        } else {
            alarm.offset = icaldurationtype_as_int(trig.duration);
            if (icalparameter* rel = icalproperty_get_first_parameter(tp, ICAL_RELATED_PARAMETER))
                if (icalparameter_get_related(rel) == ICAL_RELATED_END) alarm.offset += eventLength;
        }
        if (icalproperty* rp = icalcomponent_get_first_property(a, ICAL_REPEAT_PROPERTY))
            alarm.repeat = icalproperty_get_repeat(rp);
        if (icalproperty* dp = icalcomponent_get_first_property(a, ICAL_DURATION_PROPERTY))
            alarm.every = icaldurationtype_as_int(icalproperty_get_duration(dp));
        if (alarm.repeat < 0 || alarm.every <= 0) alarm.repeat = 0;
        out.push_back(alarm);
    }
    std::sort(out.begin(), out.end(), [](const Alarm& x, const Alarm& y) { return x.offset < y.offset; });
    return out;
}

std::string CountAlarmsText(std::size_t n) {
    if (n == 1) return "ďalšie pripomenutie sa nedalo prevziať (Kalvo pripomína jedným radom)";
    return std::to_string(n) + (n <= 4 ? " ďalšie pripomenutia sa nedali" : " ďalších pripomenutí sa nedalo") +
           " prevziať (Kalvo pripomína jedným radom)";
}

const char* StatusProblem(ImportStatus s) {
    switch (s) {
        case ImportStatus::NotICalendar:
            return "Súbor nie je vo formáte iCalendar (nezačína riadkom BEGIN:VCALENDAR).";
        case ImportStatus::Binary:
            return "Súbor obsahuje binárne údaje (nulové bajty), nie je to text vo formáte iCalendar.";
        case ImportStatus::Truncated:
            return "Súbor je neúplný: chýba koniec kalendára (END:VCALENDAR).";
        case ImportStatus::Malformed:
            return "Súbor je poškodený: knižnica libical z neho nedokázala prečítať kalendár.";
        case ImportStatus::TooLarge:
            break;
        case ImportStatus::Ok:
            break;
    }
    return "";
}

ImportResult Failed(ImportStatus s, std::string problem = {}) {
    ImportResult r;
    r.status = s;
    r.problem = problem.empty() ? StatusProblem(s) : std::move(problem);
    return r;
}

class Importer {
public:
    Importer(icalcomponent* calendar, const ImportOptions& o, ImportResult& out)
        : cal_(calendar), o_(o), out_(out), now_{o.today, std::clamp(o.secondOfDay, 0, 86399)} {
        importDeadline_ = SteadyNow() + o_.limits.perImport;
    }

    void Event(icalcomponent* ev) {
        const std::string summary = SummaryOf(ev);
        const EventText text = TextOfEvent(summary);
        std::string label = Quoted(Shortened(text.text.empty() ? "(bez názvu)" : text.text, 60));

        Start start;
        if (const auto refusal = ReadStart(ev, start)) return Refuse(label, *refusal);
        label += " (" + FormatDate(start.local.day) + ")";

        if (const auto own = KalvoRecord(ev, start.dtstart, start.zoned, summary)) {
            out_.events.push_back(ImportedEvent{*own, label, {}});
            return;
        }

        std::vector<std::string> notes;
        if (const auto refusal = Untakeable(ev, text, notes)) return Refuse(label, *refusal);
        Next next;
        if (const auto refusal = NextStart(ev, start, next, notes)) return Refuse(label, *refusal);

        TReminder r;
        r.Date = static_cast<DayNumber>(next.start.day);
        r.Time = TimeOfSecond(next.start.second);
        r.Text = text.text;
        const std::vector<Alarm> alarms = AlarmsBeforeStart(ev, next.start, notes);
        if (next.yearly) TakeYearly(ev, next.start, alarms, r, notes);
        else TakeOnce(ev, next.start, alarms, r, notes);
        out_.events.push_back(ImportedEvent{std::move(r), label, std::move(notes)});
    }

    void Refuse(const std::string& label, std::string reason) {
        out_.refused.push_back(RefusedEvent{label, std::move(reason)});
    }

private:
    // Why an event is not taken; nullopt when the step passed.
    using Refusal = std::optional<std::string>;

    // DTSTART as written, its zone (null for floating times and dates) and the local time it stands for.
    struct Start {
        icaltimetype dtstart{};
        const icaltimezone* zone = nullptr;
        bool zoned = false;  // a TZID or UTC, even where a date makes the zone irrelevant
        Wall local;
    };

    // The start a reminder gets and whether the event is a birthday or a name day.
    struct Next {
        Wall start;
        bool yearly = false;
    };

    // The event's text: its SUMMARY, else its DESCRIPTION.
    static std::string SummaryOf(icalcomponent* ev) {
        const char* rawSummary = icalcomponent_get_summary(ev);
        std::string summary = rawSummary ? rawSummary : "";
        if (summary.empty())
            if (const char* d = icalcomponent_get_description(ev)) summary = d;
        return summary;
    }

    static double TimeOfSecond(std::int64_t second) {
        return TimeFraction(static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                            static_cast<int>(second % 60));
    }

    Refusal ReadStart(icalcomponent* ev, Start& start) const {
        icalproperty* startProp = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
        if (!startProp) return "nemá začiatok (DTSTART) alebo sa jej začiatok nedá prečítať";
        start.dtstart = icalproperty_get_dtstart(startProp);
        if (icaltime_is_null_time(start.dtstart) || !ValidCivil(start.dtstart))
            return "jej začiatok (DTSTART) sa nedá prečítať";

        if (icalparameter* tzp = icalproperty_get_first_parameter(startProp, ICAL_TZID_PARAMETER)) {
            const char* tzid = icalparameter_get_tzid(tzp);
            start.zoned = true;
            if (!start.dtstart.is_date) {
                start.zone = ZoneNamed(cal_, tzid);
                if (!start.zone) {
                    std::string name = Shortened(FoldToCp1250(tzid ? tzid : "").text, 40);
                    return "neznáme časové pásmo " + Quoted(name) + " (chýba jeho VTIMEZONE)";
                }
            }
        } else if (icaltime_is_utc(start.dtstart)) {
            start.zone = icaltimezone_get_utc_timezone();
            start.zoned = true;
        }
        const auto local = ToLocal(start.dtstart, start.zone);
        if (!local) return "jej začiatok je mimo rozsahu, ktorý Kalvo pozná";
        start.local = *local;
        return std::nullopt;
    }

    // What no reminder can be made of; the notes get what of the event's text had to change.
    static Refusal Untakeable(icalcomponent* ev, const EventText& text, std::vector<std::string>& notes) {
        if (icalcomponent_get_status(ev) == ICAL_STATUS_CANCELLED) return "je zrušená";
        if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY))
            return "mení jeden termín opakovanej udalosti, Kalvo pozná len celú udalosť";
        if (const int errors = icalcomponent_count_errors(ev); errors > 0)
            notes.push_back(errors == 1   ? std::string("jeden jej údaj sa nedal prečítať a vynechal sa")
                            : errors <= 4 ? std::to_string(errors) + " jej údaje sa nedali prečítať a vynechali sa"
                                          : std::to_string(errors) + " jej údajov sa nedalo prečítať a vynechalo sa");
        if (text.text.empty()) return "nemá názov (SUMMARY) ani popis (DESCRIPTION)";
        notes.insert(notes.end(), text.notes.begin(), text.notes.end());
        return std::nullopt;
    }

    // The start from the present moment on: the event's own, or the next of its recurrence.
    Refusal NextStart(icalcomponent* ev, const Start& start, Next& next, std::vector<std::string>& notes) {
        next.start = start.local;
        icalproperty* rrule = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY);
        const bool rdates = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY) != nullptr;
        if (rrule || rdates) {
            WalkBudget budget{[this] { return SteadyNow(); },
                              std::min(SteadyNow() + o_.limits.perEvent, importDeadline_), o_.limits.candidates,
                              kMaxOccurrences};
            const Occurrence occurrence = NextOccurrence(cal_, ev, start.dtstart, start.zone, now_, budget);
            switch (occurrence.end) {
                case WalkEnd::Found:
                    break;
                case WalkEnd::NoMore:
                    return "všetky jej termíny už minuli";
                case WalkEnd::OverBudget:
                    return "jej opakovanie (RRULE) sa nedá vypočítať v rozumnom čase";
                case WalkEnd::TooDense:
                case WalkEnd::Unreadable:
                    return "jej opakovanie (RRULE) sa nedá vypočítať";
            }
            next.start = occurrence.start;
            // Only one yearly rule alone is a birthday or a name day; anything else gives one reminder.
            if (rrule && !rdates && !icalcomponent_get_next_property(ev, ICAL_RRULE_PROPERTY)) {
                const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
                next.yearly = rule.freq == ICAL_YEARLY_RECURRENCE && rule.interval <= 1;
            }
            if (!next.yearly)
                notes.push_back(std::string(!rdates ? "opakuje sa inak ako raz do roka"
                                            : rrule ? "opakuje sa a má aj ďalšie termíny (RDATE)"
                                                    : "má viac termínov (RDATE)") +
                                "; prevzatý je len najbližší termín " + FormatDate(next.start.day));
        } else if (start.local.Total() < now_.Total()) {
            return "už minula";
        }
        if (next.start.day < INT32_MIN / 2 || next.start.day > INT32_MAX / 2) return "jej dátum je mimo rozsahu";
        return std::nullopt;
    }

    // The event's alarms that come before its start, earliest first; the notes count those after it.
    static std::vector<Alarm> AlarmsBeforeStart(icalcomponent* ev, const Wall& start, std::vector<std::string>& notes) {
        std::int64_t length = 0;
        const icaldurationtype d = icalcomponent_get_duration(ev);
        if (!icaldurationtype_is_bad_duration(d) && !icaldurationtype_is_null_duration(d))
            length = icaldurationtype_as_int(d);
        std::vector<Alarm> alarms = AlarmsOf(ev, start, length);
        const auto after =
            std::stable_partition(alarms.begin(), alarms.end(), [](const Alarm& a) { return a.offset <= 0; });
        if (after != alarms.end()) {
            const std::size_t n = static_cast<std::size_t>(alarms.end() - after);
            notes.push_back(n == 1   ? std::string("pripomenutie po začiatku udalosti sa nedalo prevziať")
                            : n <= 4 ? std::to_string(n) + " pripomenutia po začiatku udalosti sa nedali prevziať"
                                     : std::to_string(n) + " pripomenutí po začiatku udalosti sa nedalo prevziať");
            alarms.erase(after, alarms.end());
        }
        return alarms;
    }

    // A yearly event becomes a birthday, or a name day when it says so; its first alarm is the notice.
    static void TakeYearly(icalcomponent* ev, const Wall& start, const std::vector<Alarm>& alarms, TReminder& r,
                           std::vector<std::string>& notes) {
        const char* cat = nullptr;
        if (icalproperty* cp = icalcomponent_get_first_property(ev, ICAL_CATEGORIES_PROPERTY))
            cat = icalproperty_get_categories(cp);
        const bool nameDay = cat && (std::strstr(cat, "Meniny") || std::strstr(cat, "meniny"));
        (nameDay ? r.IsNameDay : r.IsBirthday) = 1;
        r.Notice = 1;
        r.Period = rpNone;
        r.NoticeFrom = r.Date;
        r.NoticeTime = r.Time;
        if (!alarms.empty()) {
            const Wall at = Wall::FromTotal(start.Total() + alarms.front().offset);
            r.NoticeFrom = static_cast<DayNumber>(at.day);
            r.NoticeTime =
                std::max(TimeOfSecond(at.second), TimeFraction(0, 0, 1));  // a notice at 0:00 would never be given
            if (alarms.front().repeat > 0) notes.push_back("opakovanie pripomenutia sa nedalo prevziať");
            if (alarms.size() > 1) notes.push_back(CountAlarmsText(alarms.size() - 1));
        }
        r.NoticeNext = r.NoticeFrom;
        if (icalcomponent_get_first_property(ev, ICAL_ATTACH_PROPERTY))
            notes.push_back("meniny a narodeniny majú vždy štandardný obrázok a melódiu; prílohy sa neprevzali");
    }

    // Any other event gives one reminder; its first alarm is the notice, repeated daily or weekly as the
    // alarm repeats, and its attached picture and melody are taken where they are on this computer.
    static void TakeOnce(icalcomponent* ev, const Wall& start, const std::vector<Alarm>& alarms, TReminder& r,
                         std::vector<std::string>& notes) {
        if (!alarms.empty()) {
            const Alarm& a = alarms.front();
            const Wall at = Wall::FromTotal(start.Total() + a.offset);
            r.Notice = 1;
            r.NoticeFrom = r.NoticeNext = static_cast<DayNumber>(at.day);
            r.NoticeTime = TimeOfSecond(at.second);
            r.Period = 4;  // one notice (the editor's blank period)
            if (a.repeat > 0 && a.every == kDay) {
                r.Period = rpDaily;
            } else if (a.repeat > 0 && a.every == 7 * kDay) {
                r.Period = rpWeekly;
                r.NoticeWeekDay = WeekDayOf(r.NoticeFrom);
            } else if (a.repeat > 0) {
                notes.push_back("opakovanie pripomenutia inak ako denne alebo týždenne sa nedalo prevziať");
            }
            if (alarms.size() > 1) notes.push_back(CountAlarmsText(alarms.size() - 1));
        }
        TakeAttachments(ev, r, notes);
    }

    // More occurrences than this before the present moment make a rule too dense to walk.
    static constexpr std::size_t kMaxOccurrences = 100000;

    std::chrono::steady_clock::time_point SteadyNow() const {
        return o_.limits.steadyNow ? o_.limits.steadyNow() : std::chrono::steady_clock::now();
    }

    icalcomponent* cal_;
    const ImportOptions& o_;
    ImportResult& out_;
    Wall now_;
    std::chrono::steady_clock::time_point importDeadline_;
};

void ImportEvent(icalcomponent* calendar, icalcomponent* ev, const ImportOptions& options, ImportResult& out) {
    Importer(calendar, options, out).Event(ev);
}

void ReadCalendar(icalcomponent* cal, const ImportOptions& options, ImportResult& out) {
    Importer importer(cal, options, out);
    for (icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); ev;
         ev = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT))
        importer.Event(ev);
    for (icalcomponent* todo = icalcomponent_get_first_component(cal, ICAL_VTODO_COMPONENT); todo;
         todo = icalcomponent_get_next_component(cal, ICAL_VTODO_COMPONENT)) {
        const char* s = icalcomponent_get_summary(todo);
        importer.Refuse(Quoted(Shortened(FoldToCp1250(s ? s : "(bez názvu)").text, 60)),
                        "je úloha (VTODO), nie udalosť");
    }
}

std::string_view SkipBomAndSpace(std::span<const std::uint8_t> bytes) {
    std::string_view s(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
    while (!s.empty() && (s[0] == ' ' || s[0] == '\t' || s[0] == '\r' || s[0] == '\n')) s.remove_prefix(1);
    return s;
}

bool StartsNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

bool ContainsNoCase(std::string_view s, std::string_view needle) {
    if (needle.size() > s.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= s.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(s[i])) != needle[0]) continue;
        if (StartsNoCase(s.substr(i), needle)) return true;
    }
    return false;
}

}  // namespace parts

using namespace parts;

bool LooksLikeICalendar(std::span<const std::uint8_t> bytes) {
    return StartsNoCase(SkipBomAndSpace(bytes), "BEGIN:VCALENDAR");
}

bool HasICalendarExtension(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string ext(fileName.substr(dot));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".ics" || ext == ".ical" || ext == ".ifb" || ext == ".icalendar";
}

ImportResult ImportICalendar(std::span<const std::uint8_t> bytes, const ImportOptions& options) {
    QuietLibical();
    if (bytes.size() > kMaxIcsBytes) {
        return Failed(ImportStatus::TooLarge, "Súbor je príliš veľký (" + std::to_string(bytes.size() / (1024 * 1024)) +
                                                  " MB). Kalvo číta súbory iCalendar najviac do " +
                                                  std::to_string(kMaxIcsBytes / (1024 * 1024)) + " MB.");
    }
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end()) {
        return Failed(LooksLikeICalendar(bytes) ? ImportStatus::Binary : ImportStatus::NotICalendar);
    }
    if (!LooksLikeICalendar(bytes)) return Failed(ImportStatus::NotICalendar);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!ContainsNoCase(text, "END:VCALENDAR")) return Failed(ImportStatus::Truncated);

    const std::string owned(text);
    Component root(icalparser_parse_string(owned.c_str()));
    if (!root) return Failed(ImportStatus::Malformed);
    ImportResult result;
    const icalcomponent_kind kind = icalcomponent_isa(root.get());
    if (kind == ICAL_VCALENDAR_COMPONENT) {
        ReadCalendar(root.get(), options, result);
    } else if (kind == ICAL_XROOT_COMPONENT) {
        bool any = false;
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT)) {
            any = true;
            ReadCalendar(c, options, result);
        }
        if (!any) return Failed(ImportStatus::Malformed);
    } else {
        return Failed(ImportStatus::Malformed);
    }
    // A calendar of nothing but faults (END before BEGIN, lines without a colon) is a damaged file.
    if (result.events.empty() && result.refused.empty() && icalcomponent_count_errors(root.get()) > 0)
        return Failed(ImportStatus::Malformed);
    return result;
}

std::string RefusedCountText(std::size_t n) {
    if (n == 1) return "1 udalosť sa nedala prevziať";
    if (n >= 2 && n <= 4) return std::to_string(n) + " udalosti sa nedali prevziať";
    return std::to_string(n) + " udalostí sa nedalo prevziať";
}

std::string ImportSummary(const std::vector<RefusedEvent>& refused, const std::vector<const ImportedEvent*>& taken) {
    std::string out;
    if (!refused.empty()) {
        out += RefusedCountText(refused.size()) + ":\n";
        for (const RefusedEvent& r : refused) out += "• " + r.label + ": " + r.reason + "\n";
    }
    std::size_t partial = 0;
    std::string lines;
    for (const ImportedEvent* e : taken) {
        if (!e || e->notes.empty()) continue;
        ++partial;
        lines += "• " + e->label + ": " + Joined(e->notes) + "\n";
    }
    if (partial > 0) {
        if (!out.empty()) out += "\n";
        out += (partial == 1 ? std::string("Pri 1 udalosti") : "Pri " + std::to_string(partial) + " udalostiach") +
               " sa nedalo prevziať všetko:\n" + lines;
    }
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace kalvo::storage::ical
