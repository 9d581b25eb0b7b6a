// iCalendar export and import through libical. Nothing of libical leaves this file.

#include "storage/ical/ical_exchange.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

#include <libical/ical.h>

#include "core/clock.h"
#include "core/cp1250.h"
#include "core/datetime.h"
#include "core/due.h"
#include "storage/file_io.h"
#include "storage/ical/ical_parts.h"
#include "storage/ical/known_zone.h"
#include "storage/ical/recurrence_walk.h"

namespace kalvo::storage::ical {
namespace parts {

// libical's default makes some errors abort the program; a damaged file must never do that.
void QuietLibical() {
    static const bool done = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    (void)done;
}

std::string OwnedString(char* s) {
    if (!s) return {};
    std::string out(s);
    icalmemory_free_buffer(s);
    return out;
}

int SecondsOf(double fraction) {
    const TimeParts p = SplitTime(fraction);
    return p.hour * 3600 + p.minute * 60 + p.second;
}

// libical writes the years 1 to 3000 (later ones come out as 00000000T000000).
constexpr std::int64_t kLastYear = 3000;

bool YearFits(std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    return c.year >= 1 && c.year <= kLastYear;
}

icaltimetype FloatingTime(const Wall& w) {
    const CivilDate c = DayToCivil(w.day);
    icaltimetype t = icaltime_null_time();
    t.year = static_cast<int>(c.year);
    t.month = c.month;
    t.day = c.day;
    t.hour = static_cast<int>(w.second / 3600);
    t.minute = static_cast<int>(w.second / 60 % 60);
    t.second = static_cast<int>(w.second % 60);
    t.is_date = 0;
    t.zone = nullptr;
    return t;
}

bool ValidCivil(const icaltimetype& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 60;
}

// The wall-clock reading of a time as it is written (floating time, or a date at midnight).
Wall AsWritten(const icaltimetype& t) {
    Wall w;
    w.day = CivilToDay(t.year, t.month, t.day);
    w.second = t.is_date ? 0 : std::min<std::int64_t>(t.hour * 3600 + t.minute * 60 + t.second, kDay - 1);
    return w;
}

// The local wall-clock reading of an absolute moment, by the process's time zone.
std::optional<Wall> LocalOf(std::time_t moment) {
    std::tm tm{};
    if (!LocalCalendarTime(moment, tm)) return std::nullopt;
    Wall w;
    w.day = CivilToDay(tm.tm_year + 1900LL, tm.tm_mon + 1, tm.tm_mday);
    w.second = std::min(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec, 86399);
    return w;
}

// The zone's offset from UTC at an instant (seconds since 1970), in seconds. The instant's UTC reading is
// made here: libical's own goes through gmtime, which the Windows C runtime refuses before 1970.
std::int64_t OffsetAt(const icaltimezone* zone, std::int64_t instant) {
    icaltimetype utc = FloatingTime(Wall::FromTotal(instant + kUnixEpochDay * kDay));
    utc.zone = icaltimezone_get_utc_timezone();
    int daylight = 0;
    return icaltimezone_get_utc_offset_of_utc_time(const_cast<icaltimezone*>(zone), &utc, &daylight);
}

// The instant a zone's wall-clock time stands for, as RFC 5545 reads it: a time the zone's clocks skip
// takes the offset from before the change (2:30 on the night they go from 2:00 to 3:00 is 3:30 summer
// time), a time they read twice is the first reading. libical alone takes a skipped time an hour early
// and a repeated one at its second reading.
std::int64_t InstantOf(const icaltimetype& t, const icaltimezone* zone) {
    const std::int64_t wall = AsWritten(t).Total() - kUnixEpochDay * kDay;
    // No zone changes its offset twice within a day.
    const std::int64_t before = OffsetAt(zone, wall - kDay), after = OffsetAt(zone, wall + kDay);
    const std::int64_t early = wall - before, late = wall - after;
    if (before == after) return early;
    const bool earlyReads = OffsetAt(zone, early) == before, lateReads = OffsetAt(zone, late) == after;
    if (earlyReads && lateReads) return std::min(early, late);
    return lateReads ? late : early;  // a skipped time reads neither way: the offset from before the change
}

// A time of the file in the local time of this computer: floating times and dates as written, UTC and
// zoned times converted.
std::optional<Wall> ToLocal(const icaltimetype& t, const icaltimezone* zone) {
    if (!ValidCivil(t)) return std::nullopt;
    if (t.is_date || !zone) return AsWritten(t);
    return LocalOf(static_cast<std::time_t>(InstantOf(t, zone)));
}

std::string FormatDate(std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d.%d.%lld", c.day, c.month, static_cast<long long>(c.year));
    return buf;
}

// ---------------------------------------------------------------------------------------------------------
// Text: percent-encoding for X-KALVO- values, and folding to what Windows-1250 holds.

std::string PercentEncode(std::string_view s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
            b == '_' || b == '~' || b == '/') {
            out += ch;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string PercentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            const int hi = HexValue(s[i + 1]);
            const int lo = HexValue(s[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// Base letters of U+00C0..U+017F, for the letters Windows-1250 does not have.
constexpr std::string_view kLatin1Base = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTsaaaaaaaceeeeiiiidnooooo:ouuuuyty";
constexpr std::string_view kLatinExtABase =
    "AaAaAaCcCcCcCcDdDd"
    "EeEeEeEeEe"
    "GgGgGgGg"
    "HhHh"
    "IiIiIiIiIi"
    "Ii"
    "Jj"
    "Kkk"
    "LlLlLlLlLl"
    "NnNnNnnNn"
    "OoOoOoOo"
    "RrRrRr"
    "SsSsSsSs"
    "TtTtTt"
    "UuUuUuUuUuUu"
    "Ww"
    "YyY"
    "ZzZzZz"
    "s";
static_assert(kLatin1Base.size() == 64);
static_assert(kLatinExtABase.size() == 128);

std::string Nearest(char32_t c) {
    if (c == 0xC6) return "AE";
    if (c == 0xE6) return "ae";
    if (c == 0x152) return "OE";
    if (c == 0x153) return "oe";
    if (c >= 0xC0 && c <= 0xFF) return std::string(1, kLatin1Base[c - 0xC0]);
    if (c >= 0x100 && c <= 0x17F) return std::string(1, kLatinExtABase[c - 0x100]);
    if (c >= 0x2010 && c <= 0x2012) return "-";
    if (c == 0x2032) return "'";
    if (c == 0x2033) return "\"";
    if (c == 0x2212) return "-";
    return "?";
}

Folded FoldToCp1250(std::string_view utf8) {
    Folded f;
    std::set<char32_t> seen;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t at = pos;
        char32_t c = 0;
        const bool ok = NextCodePoint(utf8, pos, c);
        if (ok && c != 0 && Cp1250CanHold(c)) {
            f.text.append(utf8.substr(at, pos - at));
            continue;
        }
        f.changed = true;
        const std::string with = ok && c != 0 ? Nearest(c) : "?";
        f.text += with;
        if (seen.insert(ok ? c : 0xFFFD).second && f.replaced.size() < 5) {
            std::string shown;
            if (ok && c >= 0x20 && c != 0x7F) AppendUtf8(shown, c);
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ok ? c : 0xFFFD));
            f.replaced.push_back((shown.empty() ? std::string(code) : shown + " (" + code + ")") + " → " + with);
        }
    }
    return f;
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
// Export.

constexpr const char* kProdId = "-//Kalvo//Kalvo pripomienky//SK";

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

void AddX(icalcomponent* ev, const char* name, const std::string& value) {
    icalproperty* p = icalproperty_new_x(value.c_str());
    icalproperty_set_x_name(p, name);
    icalcomponent_add_property(ev, p);
}

std::string MimeOf(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
    if (ext == ".png") return "image/png";
    if (ext == ".bmp") return "image/bmp";
    if (ext == ".gif") return "image/gif";
    if (ext == ".svg") return "image/svg+xml";
    if (ext == ".ico") return "image/vnd.microsoft.icon";
    if (ext == ".emf") return "image/emf";
    if (ext == ".wmf") return "image/wmf";
    if (ext == ".wav") return "audio/wav";
    if (ext == ".mp3") return "audio/mpeg";
    if (ext == ".ogg") return "audio/ogg";
    return {};
}

// RFC 8089: /home/jana/a.png is file:///home/jana/a.png; on Windows C:\Users\a.png is file:///C:/Users/a.png
// and \\server\share\a.png is file://server/share/a.png.
std::string FileUri(const std::string& utf8Path) {
#ifdef _WIN32
    const auto forward = [](std::string s) {
        std::replace(s.begin(), s.end(), '\\', '/');
        return s;
    };
    // A share's path is whole already (and libstdc++ would take its server for a folder).
    if (const std::string share = forward(utf8Path); share.rfind("//", 0) == 0) return "file:" + PercentEncode(share);
#endif
    std::error_code ec;
    std::filesystem::path p = PathFromUtf8(utf8Path);
    if (!p.is_absolute()) p = std::filesystem::absolute(p, ec);
    const std::string path = Utf8FromPath(p.lexically_normal());
#ifdef _WIN32
    if (const std::string drive = forward(path); drive.size() >= 2 && drive[1] == ':')
        return "file:///" + drive.substr(0, 2) + PercentEncode(drive.substr(2));
#endif
    return "file://" + PercentEncode(path);
}

void AddAttach(icalcomponent* ev, const std::string& path, bool picture, const ExportOptions& options) {
    if (path.empty()) return;
    std::error_code ec;
    if (options.attachExistingFilesOnly && !std::filesystem::is_regular_file(PathFromUtf8(path), ec)) return;
    const std::string uri = FileUri(path);
    icalattach* a = icalattach_new_from_url(uri.c_str());
    icalproperty* p = icalproperty_new_attach(a);
    icalattach_unref(a);
    std::string mime = MimeOf(PathFromUtf8(path));
    if (mime.empty()) mime = picture ? "image/x-unknown" : "audio/x-unknown";
    icalproperty_add_parameter(p, icalparameter_new_fmttype(mime.c_str()));
    icalcomponent_add_property(ev, p);
}

// One display alarm at `offset` seconds from the start, optionally repeated `repeat` more times
// every `every` seconds.
void AddAlarm(icalcomponent* ev, std::int64_t offset, int repeat, std::int64_t every, const std::string& text) {
    if (offset < -0x7fffffffLL || offset > 0x7fffffffLL) return;
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    icalcomponent_add_property(alarm, icalproperty_new_description(text.empty() ? "Kalvo" : text.c_str()));
    icaltriggertype trigger;
    trigger.time = icaltime_null_time();
    trigger.duration = icaldurationtype_from_int(static_cast<int>(offset));
    icalcomponent_add_property(alarm, icalproperty_new_trigger(trigger));
    if (repeat > 0) {
        icalcomponent_add_property(alarm, icalproperty_new_repeat(repeat));
        icalcomponent_add_property(alarm,
                                   icalproperty_new_duration(icaldurationtype_from_int(static_cast<int>(every))));
    }
    icalcomponent_add_component(ev, alarm);
}

// The moments (as seconds from the event's start) at which Kalvo gives the reminder's notices and the
// extra alarm of the event day, as far as RFC 5545 alarms can list them.
std::vector<std::int64_t> NoticeMoments(const TReminder& r, std::int64_t start) {
    std::vector<std::int64_t> out;
    if (r.Notice == 0) return out;
    if (!IsOrdinary(r)) {
        if (r.NoticeFrom != 0 && r.NoticeTime > 0) out.push_back(r.NoticeFrom * kDay + SecondsOf(r.NoticeTime) - start);
        return out;
    }
    // Rule 5 of the due test fires at the notice time when it is positive, else from the start of the day.
    const std::int64_t noticeSecond = r.NoticeTime > 0 ? SecondsOf(r.NoticeTime) : 0;
    const std::int64_t eventSecond = SecondsOf(r.Time);
    constexpr std::size_t kMaxNotices = 4000;
    if (r.NoticeNext != 0) {
        DayNumber x = r.NoticeNext;
        for (std::size_t n = 0; n < kMaxNotices; ++n) {
            if (x > r.Date || (x == r.Date && noticeSecond >= eventSecond)) break;
            out.push_back(std::int64_t{x} * kDay + noticeSecond - start);
            if (!IsRepeating(r.Period)) break;
            DayNumber next = x;
            switch (r.Period) {
                case rpDaily:
                    next = x + 1;
                    break;
                case rpWeekly:
                    next = NextWeekDay(x, r.NoticeWeekDay);
                    break;
                case rpMonthly:
                    next = MonthStep(x, r.NoticeFrom);
                    break;
                default:
                    next = YearStep(x);
                    break;
            }
            if (next <= x) break;
            x = next;
        }
    }
    // The extra alarm of the event day ("Pripomenúť aj"), when it comes before the event itself.
    if (r.NoticeTime > 0 && noticeSecond < eventSecond) {
        const std::int64_t extra = std::int64_t{r.Date} * kDay + noticeSecond - start;
        if (std::find(out.begin(), out.end(), extra) == out.end()) out.push_back(extra);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void AddNoticeAlarms(icalcomponent* ev, const TReminder& r, std::int64_t start) {
    const std::vector<std::int64_t> moments = NoticeMoments(r, start);
    constexpr std::size_t kMaxAlarms = 120;
    std::size_t alarms = 0;
    for (std::size_t i = 0; i < moments.size() && alarms < kMaxAlarms; ++alarms) {
        // A run of equal steps of a day or a week becomes one alarm with REPEAT and DURATION.
        std::size_t j = i + 1;
        std::int64_t step = 0;
        if (j < moments.size() && (moments[j] - moments[i] == kDay || moments[j] - moments[i] == 7 * kDay)) {
            step = moments[j] - moments[i];
            while (j < moments.size() && moments[j] - moments[j - 1] == step) ++j;
        }
        AddAlarm(ev, moments[i], static_cast<int>(j - i - 1), step, r.Text);
        i = j;
    }
}

std::string Uid(const TReminder& r, std::size_t index) {
    // FNV-1a over the fields, so the same reminder gets the same UID in every export.
    std::uint64_t h = 1469598103934665603ULL;
    auto mix = [&](const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t k = 0; k < n; ++k) h = (h ^ b[k]) * 1099511628211ULL;
    };
    mix(&r.Date, sizeof r.Date);
    mix(&r.Time, sizeof r.Time);
    mix(r.Text.data(), r.Text.size());
    mix(&r.NoticeFrom, sizeof r.NoticeFrom);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%016" PRIx64 "-%zu@kalvo", h, index);
    return buf;
}

Wall StartOf(const TReminder& r) { return Wall{r.Date, SecondsOf(r.Time)}; }

// SUMMARY keeps the text exactly unless libical's escaping changes it (a carriage return, say).
bool SummaryKeeps(const std::string& text) {
    if (text.empty()) return false;
    icalproperty* p = icalproperty_new_summary(text.c_str());
    const std::string line = OwnedString(icalproperty_as_ical_string_r(p));
    icalproperty_free(p);
    icalproperty* back = icalproperty_new_from_string(line.c_str());
    bool same = false;
    if (back) {
        const char* v = icalproperty_get_summary(back);
        same = v && text == v;
        icalproperty_free(back);
    }
    return same;
}

icalcomponent* EventOf(const TReminder& r, const std::string& uid, const ExportOptions& options) {
    icalcomponent* ev = icalcomponent_new_vevent();
    const Wall start = StartOf(r);
    icalcomponent_add_property(ev, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(
        ev, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(static_cast<std::time_t>(options.stampUtc), 0,
                                                                   icaltimezone_get_utc_timezone())));
    icalcomponent_add_property(ev, icalproperty_new_dtstart(FloatingTime(start)));
    // An empty text has no SUMMARY value of its own; X-KALVO-TEXT gives it back.
    icalcomponent_add_property(ev, icalproperty_new_summary(r.Text.empty() ? "(bez textu)" : r.Text.c_str()));
    if (!IsOrdinary(r)) {
        icalcomponent_add_property(
            ev, icalproperty_new_categories(KindOf(r) == TReminderKind::rkNameDay ? "Meniny" : "Narodeniny"));
        icalrecurrencetype yearly;
        icalrecurrencetype_clear(&yearly);
        yearly.freq = ICAL_YEARLY_RECURRENCE;
        icalcomponent_add_property(ev, icalproperty_new_rrule(yearly));
    }
    AddAttach(ev, r.Picture, true, options);
    AddAttach(ev, r.Melody, false, options);
    AddNoticeAlarms(ev, r, start.Total());
    AddKalvoRecord(ev, r, options.exactText);
    return ev;
}

void AddKalvoRecord(icalcomponent* ev, const TReminder& r, bool exactText) {
    // What the standard properties cannot say exactly, for Kalvo's own import.
    // (Its value begins with "=", so that an empty text is no empty property, which libical refuses.)
    if (exactText || !SummaryKeeps(r.Text)) AddX(ev, "X-KALVO-TEXT", "=" + PercentEncode(r.Text));
    AddX(ev, "X-KALVO-DATE", std::to_string(r.Date));
    AddX(ev, "X-KALVO-TIME", Number(r.Time));
    AddX(ev, "X-KALVO-NOTICE", std::to_string(r.Notice));
    AddX(ev, "X-KALVO-NOTICE-FROM", std::to_string(r.NoticeFrom));
    AddX(ev, "X-KALVO-NOTICE-NEXT", std::to_string(r.NoticeNext));
    AddX(ev, "X-KALVO-PERIOD", std::to_string(r.Period));
    AddX(ev, "X-KALVO-NOTICE-TIME", Number(r.NoticeTime));
    if (!r.Picture.empty()) AddX(ev, "X-KALVO-PICTURE", PercentEncode(r.Picture));
    if (!r.Melody.empty()) AddX(ev, "X-KALVO-MELODY", PercentEncode(r.Melody));
    AddX(ev, "X-KALVO-NAMEDAY", std::to_string(r.IsNameDay));
    AddX(ev, "X-KALVO-BIRTHDAY", std::to_string(r.IsBirthday));
    AddX(ev, "X-KALVO-WEEKDAY", std::to_string(r.NoticeWeekDay));
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

// The zone a TZID names: the file's own VTIMEZONE, else a zone of that name as known_zone.h finds it.
// Null when neither knows it.
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

struct Occurrence {
    Wall start;
    WalkEnd end = WalkEnd::NoMore;
};

// The first occurrence at the moment `now` or later, in local time, of an event with DTSTART `dtstart`
// and its RRULEs and RDATEs, less its EXDATEs.
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
        const char* rawSummary = icalcomponent_get_summary(ev);
        std::string summary = rawSummary ? rawSummary : "";
        if (summary.empty())
            if (const char* d = icalcomponent_get_description(ev)) summary = d;
        const EventText text = TextOfEvent(summary);
        std::string label = Quoted(Shortened(text.text.empty() ? "(bez názvu)" : text.text, 60));

        icalproperty* startProp = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
        if (!startProp) return Refuse(label, "nemá začiatok (DTSTART) alebo sa jej začiatok nedá prečítať");
        const icaltimetype dtstart = icalproperty_get_dtstart(startProp);
        if (icaltime_is_null_time(dtstart) || !ValidCivil(dtstart))
            return Refuse(label, "jej začiatok (DTSTART) sa nedá prečítať");

        const icaltimezone* zone = nullptr;
        bool zoned = false;
        if (icalparameter* tzp = icalproperty_get_first_parameter(startProp, ICAL_TZID_PARAMETER)) {
            const char* tzid = icalparameter_get_tzid(tzp);
            zoned = true;
            if (!dtstart.is_date) {
                zone = ZoneNamed(cal_, tzid);
                if (!zone) {
                    std::string name = Shortened(FoldToCp1250(tzid ? tzid : "").text, 40);
                    return Refuse(label, "neznáme časové pásmo " + Quoted(name) + " (chýba jeho VTIMEZONE)");
                }
            }
        } else if (icaltime_is_utc(dtstart)) {
            zone = icaltimezone_get_utc_timezone();
            zoned = true;
        }
        const auto first = ToLocal(dtstart, zone);
        if (!first) return Refuse(label, "jej začiatok je mimo rozsahu, ktorý Kalvo pozná");
        label += " (" + FormatDate(first->day) + ")";

        if (const auto own = KalvoRecord(ev, dtstart, zoned, summary)) {
            out_.events.push_back(ImportedEvent{*own, label, {}});
            return;
        }

        if (icalcomponent_get_status(ev) == ICAL_STATUS_CANCELLED) return Refuse(label, "je zrušená");
        if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY))
            return Refuse(label, "mení jeden termín opakovanej udalosti, Kalvo pozná len celú udalosť");

        std::vector<std::string> notes;
        if (const int errors = icalcomponent_count_errors(ev); errors > 0)
            notes.push_back(errors == 1   ? std::string("jeden jej údaj sa nedal prečítať a vynechal sa")
                            : errors <= 4 ? std::to_string(errors) + " jej údaje sa nedali prečítať a vynechali sa"
                                          : std::to_string(errors) + " jej údajov sa nedalo prečítať a vynechalo sa");
        if (text.text.empty()) return Refuse(label, "nemá názov (SUMMARY) ani popis (DESCRIPTION)");
        notes.insert(notes.end(), text.notes.begin(), text.notes.end());

        Wall start = *first;
        bool yearly = false;
        icalproperty* rrule = icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY);
        const bool rdates = icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY) != nullptr;
        if (rrule || rdates) {
            WalkBudget budget{[this] { return SteadyNow(); },
                              std::min(SteadyNow() + o_.limits.perEvent, importDeadline_), o_.limits.candidates,
                              kMaxOccurrences};
            const Occurrence next = NextOccurrence(cal_, ev, dtstart, zone, now_, budget);
            switch (next.end) {
                case WalkEnd::Found:
                    break;
                case WalkEnd::NoMore:
                    return Refuse(label, "všetky jej termíny už minuli");
                case WalkEnd::OverBudget:
                    return Refuse(label, "jej opakovanie (RRULE) sa nedá vypočítať v rozumnom čase");
                case WalkEnd::TooDense:
                case WalkEnd::Unreadable:
                    return Refuse(label, "jej opakovanie (RRULE) sa nedá vypočítať");
            }
            start = next.start;
            // Only one yearly rule alone is a birthday or a name day; anything else gives one reminder.
            if (rrule && !rdates && !icalcomponent_get_next_property(ev, ICAL_RRULE_PROPERTY)) {
                const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
                yearly = rule.freq == ICAL_YEARLY_RECURRENCE && rule.interval <= 1;
            }
            if (!yearly)
                notes.push_back(std::string(!rdates ? "opakuje sa inak ako raz do roka"
                                            : rrule ? "opakuje sa a má aj ďalšie termíny (RDATE)"
                                                    : "má viac termínov (RDATE)") +
                                "; prevzatý je len najbližší termín " + FormatDate(start.day));
        } else if (first->Total() < now_.Total()) {
            return Refuse(label, "už minula");
        }
        if (start.day < INT32_MIN / 2 || start.day > INT32_MAX / 2) return Refuse(label, "jej dátum je mimo rozsahu");

        TReminder r;
        r.Date = static_cast<DayNumber>(start.day);
        r.Time = TimeFraction(static_cast<int>(start.second / 3600), static_cast<int>(start.second / 60 % 60),
                              static_cast<int>(start.second % 60));
        r.Text = text.text;

        std::int64_t length = 0;
        {
            const icaldurationtype d = icalcomponent_get_duration(ev);
            if (!icaldurationtype_is_bad_duration(d) && !icaldurationtype_is_null_duration(d))
                length = icaldurationtype_as_int(d);
        }
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

        if (yearly) {
            // A yearly event becomes a birthday, or a name day when it says so.
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
                    std::max(TimeFraction(static_cast<int>(at.second / 3600), static_cast<int>(at.second / 60 % 60),
                                          static_cast<int>(at.second % 60)),
                             TimeFraction(0, 0, 1));  // a notice at 0:00 would never be given
                if (alarms.front().repeat > 0) notes.push_back("opakovanie pripomenutia sa nedalo prevziať");
                if (alarms.size() > 1) notes.push_back(CountAlarmsText(alarms.size() - 1));
            }
            r.NoticeNext = r.NoticeFrom;
            if (icalcomponent_get_first_property(ev, ICAL_ATTACH_PROPERTY))
                notes.push_back("meniny a narodeniny majú vždy štandardný obrázok a melódiu; prílohy sa neprevzali");
        } else {
            if (!alarms.empty()) {
                const Alarm& a = alarms.front();
                const Wall at = Wall::FromTotal(start.Total() + a.offset);
                r.Notice = 1;
                r.NoticeFrom = r.NoticeNext = static_cast<DayNumber>(at.day);
                r.NoticeTime = TimeFraction(static_cast<int>(at.second / 3600), static_cast<int>(at.second / 60 % 60),
                                            static_cast<int>(at.second % 60));
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
        out_.events.push_back(ImportedEvent{std::move(r), label, std::move(notes)});
    }

    void Refuse(const std::string& label, std::string reason) {
        out_.refused.push_back(RefusedEvent{label, std::move(reason)});
    }

private:
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

ExportResult ExportICalendar(const ReminderList& records, const ExportOptions& options) {
    QuietLibical();
    ExportResult result;
    Component cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid(kProdId));
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    // No METHOD: a calendar file (RFC 5545), not an iTIP message; PUBLISH would also require an ORGANIZER.
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!YearFits(records[i].Date)) {
            result.leftOut.push_back(i);
            continue;
        }
        icalcomponent_add_component(cal.get(), EventOf(records[i], Uid(records[i], i), options));
    }
    result.text = OwnedString(icalcomponent_as_ical_string_r(cal.get()));
    return result;
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

int ValidationProblems(const std::string& text, std::string* details) {
    QuietLibical();
    Component cal(icalparser_parse_string(text.c_str()));
    if (!cal || icalcomponent_isa(cal.get()) != ICAL_VCALENDAR_COMPONENT) return -1;
    int problems = icalcomponent_count_errors(cal.get());
    if (!icalrestriction_check(cal.get())) ++problems;
    problems = std::max(problems, icalcomponent_count_errors(cal.get()));
    if (details && problems > 0) {
        // The X-LIC-ERROR properties that the parser and the restriction check added.
        std::string all = OwnedString(icalcomponent_as_ical_string_r(cal.get()));
        std::size_t pos = 0;
        while ((pos = all.find("X-LIC-ERROR", pos)) != std::string::npos) {
            const std::size_t end = all.find('\n', pos);
            *details += all.substr(pos, end - pos) + "\n";
            pos = end;
        }
    }
    return problems;
}

}  // namespace kalvo::storage::ical
