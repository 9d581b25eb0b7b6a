#include "core/text_locale.h"

#include <cstdlib>
#include <string_view>

namespace kalvo {
namespace {

std::string Padded(std::int64_t value, int width) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

std::size_t RunLength(std::string_view s, std::size_t pos) {
    std::size_t n = 1;
    while (pos + n < s.size() && s[pos + n] == s[pos]) ++n;
    return n;
}

std::int64_t TwoDigitYear(std::int64_t year) {
    std::int64_t y = year % 100;
    return y < 0 ? y + 100 : y;
}

}  // namespace

TextLocale TextLocale::Slovak() {
    TextLocale loc;
    loc.longDayNames = {"pondelok", "utorok", "streda", "štvrtok", "piatok", "sobota", "nedeľa"};
    loc.shortDayNames = {"po", "ut", "st", "št", "pi", "so", "ne"};
    loc.longMonthNames = {"január", "február", "marec",     "apríl",   "máj",      "jún",
                          "júl",    "august",  "september", "október", "november", "december"};
    loc.shortMonthNames = {"jan", "feb", "mar", "apr", "máj", "jún", "júl", "aug", "sep", "okt", "nov", "dec"};
    return loc;
}

std::string FormatPattern(const TextLocale& loc, std::string_view p, std::int64_t day, double time) {
    const CivilDate c = DayToCivil(day);
    const TimeParts t = SplitTime(time);
    const int weekDay = WeekDayOf(day);
    const bool hasAmPm = p.find("AP") != std::string_view::npos || p.find("ap") != std::string_view::npos;
    std::string out;
    for (std::size_t i = 0; i < p.size();) {
        const char ch = p[i];
        const std::size_t n = RunLength(p, i);
        switch (ch) {
            case 'd':
                if (n == 1) out += std::to_string(c.day);
                else if (n == 2) out += Padded(c.day, 2);
                else if (n == 3) out += loc.shortDayNames[static_cast<std::size_t>(weekDay)];
                else out += loc.longDayNames[static_cast<std::size_t>(weekDay)];
                break;
            case 'M':
                if (n == 1) out += std::to_string(c.month);
                else if (n == 2) out += Padded(c.month, 2);
                else if (n == 3) out += loc.shortMonthNames[static_cast<std::size_t>(c.month - 1)];
                else out += loc.longMonthNames[static_cast<std::size_t>(c.month - 1)];
                break;
            case 'y':
                out += n <= 2 ? Padded(TwoDigitYear(c.year), 2) : Padded(c.year, 4);
                break;
            case 'H':
            case 'h': {
                int hour = t.hour;
                if (ch == 'h' && hasAmPm) hour = hour % 12 == 0 ? 12 : hour % 12;
                out += n >= 2 ? Padded(hour, 2) : std::to_string(hour);
                break;
            }
            case 'm':
                out += n >= 2 ? Padded(t.minute, 2) : std::to_string(t.minute);
                break;
            case 's':
                out += n >= 2 ? Padded(t.second, 2) : std::to_string(t.second);
                break;
            case 'z':
                out += n >= 3 ? Padded(t.millisecond, 3) : std::to_string(t.millisecond);
                break;
            case 'A':
            case 'a':
                if (i + 1 < p.size() && (p[i + 1] == 'P' || p[i + 1] == 'p')) {
                    out += t.hour < 12 ? loc.amText : loc.pmText;
                    i += 2;
                    continue;
                }
                out.append(n, ch);
                break;
            case '\'': {
                // 'literal' with '' standing for a quote.
                std::size_t j = i + 1;
                if (j < p.size() && p[j] == '\'') {
                    out += '\'';
                    i += 2;
                    continue;
                }
                while (j < p.size()) {
                    if (p[j] == '\'') {
                        if (j + 1 < p.size() && p[j + 1] == '\'') {
                            out += '\'';
                            j += 2;
                            continue;
                        }
                        break;
                    }
                    out += p[j++];
                }
                i = j + 1;
                continue;
            }
            default:
                out.append(n, ch);
                break;
        }
        i += n;
    }
    return out;
}

std::string ShortDate(const TextLocale& loc, std::int64_t day) {
    return FormatPattern(loc, loc.shortDateFormat, day, 0.0);
}

std::string LongTime(const TextLocale& loc, double time) { return FormatPattern(loc, loc.longTimeFormat, 0, time); }

std::string ClockText(const TextLocale& loc, double time) {
    const TimeParts t = SplitTime(time);
    std::string out = Padded(t.hour, 2) + loc.timeSeparator + Padded(t.minute, 2);
    if (t.second != 0) out += loc.timeSeparator + Padded(t.second, 2);
    return out;
}

std::string DayMonthYear(const TextLocale& loc, std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    return Padded(c.day, 2) + loc.dateSeparator + Padded(c.month, 2) + loc.dateSeparator + Padded(c.year, 4);
}

std::string DayMonth(const TextLocale& loc, std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    return Padded(c.day, 2) + loc.dateSeparator + Padded(c.month, 2);
}

std::string NextNoticeText(const TextLocale& loc, std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    return "(" + Padded(c.day, 2) + loc.dateSeparator + Padded(c.month, 2) + loc.dateSeparator +
           Padded(TwoDigitYear(c.year), 2) + " - " + loc.longDayNames[static_cast<std::size_t>(WeekDayOf(day))] + ")";
}

std::string MonthYear(const TextLocale& loc, std::int64_t day) {
    const CivilDate c = DayToCivil(day);
    return loc.longMonthNames[static_cast<std::size_t>(c.month - 1)] + " " + Padded(c.year, 4);
}

}  // namespace kalvo
