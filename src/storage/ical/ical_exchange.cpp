// What iCalendar export and import share: libical's handles, local wall-clock time, the text of X-KALVO-
// values and of Windows-1250; and libical's own validation of a file, for tests.

#include "storage/ical/ical_exchange.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <libical/ical.h>

#include "core/clock.h"
#include "core/cp1250.h"
#include "core/datetime.h"
#include "storage/ical/ical_parts.h"

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

}  // namespace parts

using namespace parts;

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