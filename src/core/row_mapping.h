#pragma once
// Which reminders a view lists for a day, and which record a row of such a list stands for.

#include "core/reminder.h"

namespace kalvo {

enum class ReminderView { List, Week, Month };

enum class DayMembership { None, Direct, Projected };

// How a reminder belongs to a day of the week view: directly (an ordinary reminder on its event day or
// its next notice day) or by its notice series projected forward (NoticeNext < day < Date).
DayMembership WeekMembership(const TReminder& r, DayNumber day);

// Whether a reminder gives a row of the given view; `day` is the picked day (unused by the list).
bool ShownInView(const TReminder& r, ReminderView view, DayNumber day);

// Index in `list` of the record shown in `row` of the view, or -1 when there is none. A row beyond
// the last shown record maps to no record, so a stale row can never delete or edit another reminder.
int RowToRecord(const ReminderList& list, ReminderView view, DayNumber day, int row);

// Index in `list` of the name day or birthday shown in `row` of the day list window (row n is the n-th
// such reminder in list order), or -1 when there is none.
int NameDayRowToRecord(const ReminderList& list, int row);

}  // namespace kalvo
