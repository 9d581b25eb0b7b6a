#pragma once
// What the main window's week and month views show, as pure functions of the reminder list: the counts
// and labels of the seven days, and the rows listed for a picked day.

#include <array>
#include <string>
#include <vector>

#include "core/reminder.h"
#include "core/text_locale.h"

namespace kalvo {

// The Monday of the week that holds `day` (a Sunday belongs to the Monday six days earlier).
DayNumber MondayOf(DayNumber day);

// How many reminders belong to `day`, directly or by their projected notice series.
int PocPrip(const ReminderList& list, DayNumber day);

struct WeekDayCell {
    DayNumber date = 0;
    int count = 0;
    std::string label;      // "dd/mm Úlohy: n" with the locale's date separator
    bool emptyDay = false;  // the spacer is painted green
    bool today = false;     // the name cell is outlined
};

struct WeekSummary {
    std::array<WeekDayCell, 7> days;  // Monday first
    std::string month;                // "mmmm yyyy" of the Sunday
};

// Computes the whole week in one pass over the list.
WeekSummary ShowWeek(const ReminderList& list, DayNumber anchor, DayNumber today, const TextLocale& loc);

// A row of the reminder list box for a picked day, with its picture and the record it stands for.
struct DayRow {
    std::string text;
    std::string picture;
    std::size_t record = 0;
};

// The week view's rows of a day in list order: event days plain, notice days with a leading "#".
std::vector<DayRow> WeekDayRows(const ReminderList& list, DayNumber day, const TextLocale& loc);

struct MonthDayListing {
    std::vector<DayRow> rows;  // ordinary reminders whose event or next notice falls on the day
    std::string month;         // "mmmm yyyy" of the day
};

MonthDayListing MonthDayRows(const ReminderList& list, DayNumber day, const TextLocale& loc);

}  // namespace kalvo
