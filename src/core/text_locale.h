#pragma once
// The user's date and time conventions, and the fixed formats the program builds from them.

#include <array>
#include <cstdint>
#include <string>

#include "core/datetime.h"

namespace kalvo {

struct TextLocale {
    // System patterns in the usual letters: d dd ddd dddd, M MM MMM MMMM, yy yyyy, H HH h hh,
    // m mm, s ss, z zzz, AP ap; text in single quotes is literal.
    std::string shortDateFormat = "d.M.yyyy";
    std::string longTimeFormat = "H:mm:ss";
    std::string dateSeparator = ".";
    std::string timeSeparator = ":";
    std::array<std::string, 7> longDayNames;   // Monday first
    std::array<std::string, 7> shortDayNames;  // Monday first
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 12> shortMonthNames;
    std::string amText = "AM";
    std::string pmText = "PM";

    // Slovak names, d.M.yyyy and H:mm:ss: the fixed locale of the command-line tool and the tests.
    static TextLocale Slovak();
};

// A moment in a system pattern (date and time letters may be mixed).
std::string FormatPattern(const TextLocale& loc, std::string_view pattern, std::int64_t day, double time);

std::string ShortDate(const TextLocale& loc, std::int64_t day);
std::string LongTime(const TextLocale& loc, double time);

// "hh:mm" or, when the seconds are not 0, "hh:mm:ss".
std::string ClockText(const TextLocale& loc, double time);
// "dd/mm/yyyy", "dd/mm", "(dd/mm/yy - dddd)" and "mmmm yyyy", with the locale's separators and names.
std::string DayMonthYear(const TextLocale& loc, std::int64_t day);
std::string DayMonth(const TextLocale& loc, std::int64_t day);
std::string NextNoticeText(const TextLocale& loc, std::int64_t day);
std::string MonthYear(const TextLocale& loc, std::int64_t day);

}  // namespace kalvo
