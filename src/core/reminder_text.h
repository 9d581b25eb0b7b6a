#pragma once
// The texts under which a reminder appears in lists, and its detail lines.

#include <string>
#include <string_view>
#include <vector>

#include "core/reminder.h"
#include "core/text_locale.h"

namespace kalvo {

// " (denne)", " (týždenne)", " (mesačne)", " (ročne)" for 0..3; empty for anything else.
std::string_view PeriodSuffix(std::int32_t period);

// Main list: "<date> o <time> -<text>".
std::string ListRowText(const TReminder& r, const TextLocale& loc);
// Name-day list: "Meniny :: " / "Narodeniny :: " + "<notice date> o <notice time> -<text>".
std::string NameDayRowText(const TReminder& r, const TextLocale& loc);
// Week view: like the list row with the period suffix before " -"; a leading "#" marks a notice day.
std::string WeekRowText(const TReminder& r, const TextLocale& loc, bool noticeDay);
// Day overview: "<date>   <time> - <text>".
std::string OverviewRowText(const TReminder& r, const TextLocale& loc);
// Archive: "<date>   <time>" + kind marker + text.
std::string ArchiveRowText(const TReminder& r, const TextLocale& loc);

// The rows a load of the reminder file gives, as places in the list: the ordinary reminders for the main
// list, the name days and birthdays for the day list window. Long lists format their rows only as they
// are shown, with ListRowText and NameDayRowText.
struct LoadedRows {
    std::vector<std::size_t> mainRecords;
    std::vector<std::size_t> nameDayRecords;
};

LoadedRows BuildLoadedRows(const ReminderList& list);

struct ReminderDetails {
    std::string kind;      // "Pripomienka", "Meniny" or "Narodeniny"
    std::string dateTime;  // "<date> - hh:mm[:ss]"
    std::string text;
    bool notice = false;         // the notice lines apply (Notice = 1)
    std::string noticeLine;      // first notice date and period; empty without notice
    std::string extraAlarmLine;  // notice time and next notice date; empty without notice or time
    std::string picture;         // "Standardný" or the path
    std::string melody;          // "Standardná" or the path
};

ReminderDetails DescribeReminder(const TReminder& r, const TextLocale& loc);

}  // namespace kalvo
