#pragma once
// The Slovak name-day calendar that comes with the program (calend.dat, version 1.1): up to three names
// and an optional holiday for each day of the year, and the lookups the windows make in it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"

namespace kalvo::namedays {

inline constexpr double kCalendarVersion = 1.1;

// One entry; there is no year, an entry applies to that day of every year. Texts are UTF-8.
struct TNameDay {
    std::int32_t Day = 0;
    std::int32_t Month = 0;
    std::string Holiday;
    std::string Name1;
    std::string Name2;
    std::string Name3;

    bool operator==(const TNameDay&) const = default;
};

// In file order; never sorted.
using NameCalendar = std::vector<TNameDay>;

enum class CalendarStatus { Ok, Missing, Unreadable, UnknownVersion, Truncated, Corrupt };

// "ok", "missing", "unreadable", "unknown-version", "truncated", "corrupt".
std::string_view StatusName(CalendarStatus status);
// Why a calendar that exists could not be read whole, in Slovak for the user ("súbor je poškodený");
// empty for Ok and Missing.
std::string ProblemText(CalendarStatus status);

struct CalendarLoad {
    CalendarStatus status = CalendarStatus::Missing;
    std::optional<double> version;
};

// Replaces `calendar` by the file's entries. A file cut short keeps every complete entry; a count or a
// string length the file cannot hold ends the read, it is never trusted for an allocation.
CalendarLoad DecodeNameCalendar(std::span<const std::uint8_t> bytes, NameCalendar& calendar);
// A missing, unreadable or foreign file gives an empty calendar.
CalendarLoad LoadNameCalendar(const std::filesystem::path& file, NameCalendar& calendar);

// Fails only on text the code page cannot hold (the build tool reports it).
std::optional<std::vector<std::uint8_t>> EncodeNameCalendar(const NameCalendar& calendar);

struct DayTexts {
    std::string names;  // "Ján", "Ján a Eva" or "Ján, Eva a Adam"
    std::string holiday;
};

// Where several entries share a day, the last one that sets a text decides it.
DayTexts NamesOfDay(const NameCalendar& calendar, int day, int month);

struct NameDayMatch {
    std::int32_t Day = 0;
    std::int32_t Month = 0;
    std::string name;  // the form that matched: as given, or with its first letter upper-cased

    bool operator==(const NameDayMatch&) const = default;
};

// Whole names, case-sensitive; when nothing matches, once more with the first letter upper-cased by
// the code page's rules (šimon finds Šimon). The first entry in file order wins.
std::optional<NameDayMatch> FindNameDay(const NameCalendar& calendar, std::string_view name);

// What the overview, the name-day notice and the caption ticker show.
struct DayNames {
    std::string TodayNames;
    std::string TomorrowNames;
    std::string TodayHoliday;

    bool operator==(const DayNames&) const = default;
};

DayNames DayNamesOn(const NameCalendar& calendar, DayNumber today);

}  // namespace kalvo::namedays
