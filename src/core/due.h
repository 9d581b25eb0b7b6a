#pragma once
// When a reminder fires, how its notice series moves on, and on which days the series will fall.

#include "core/reminder.h"

namespace kalvo {

// First day strictly after `day` on `weekDay` (0 = Monday ... 6 = Sunday; anything else means Sunday).
DayNumber NextWeekDay(DayNumber day, std::int32_t weekDay);

// One step of a monthly series from `day`; `noticeFrom` gives the day of month the series started on.
// Short months clamp to their length (February always to 28); a series started on the 31st returns to
// the 31st in every long month.
DayNumber MonthStep(DayNumber day, DayNumber noticeFrom);

// The same day and month one year later; 29 February becomes 28 February.
DayNumber YearStep(DayNumber day);

// `day` when it is not before `today`, else the first day from `today` on with its day and month
// (29 February falls on the 28th in a common year).
DayNumber SameDayOnOrAfter(DayNumber day, DayNumber today);

bool ReminderDue(const TReminder& r, DayNumber today, double t);
// The first day on which ReminderDue can hold for `r` at any time of day; before it the record is never
// due. It reads only the days and the kind, so a tick can pass over the other records cheaply.
DayNumber FirstDueDay(const TReminder& r);
void AdvanceNotice(TReminder& r, DayNumber today, TDateTime now);
bool EventPassed(const TReminder& r, DayNumber today, double t);
void MarkGiven(TReminder& r, DayNumber today, double t);
void ShiftToNextYear(TReminder& r);

// What closing every alarm of `r` due by `today` at `t` does to it, as the scheduler does when they are
// acknowledged: its notice series moves on, what was given is marked, and a name day or birthday whose
// day has come moves to the next year (unless `moveToNextYear` is false). `done` when the record leaves
// the list: an ordinary reminder whose event has passed, or a yearly one not moved.
struct Acknowledged {
    TReminder record;
    bool done = false;
};
Acknowledged AcknowledgeAt(TReminder r, DayNumber today, double t, bool moveToNextYear = true);

// True when the series projected forward from NoticeNext lands on `day`; only meaningful for
// NoticeNext < day < Date. Runs in constant time for daily, weekly and yearly series and in a bounded
// number of steps for monthly ones.
bool NoticeFallsOn(const TReminder& r, DayNumber day);

}  // namespace kalvo
