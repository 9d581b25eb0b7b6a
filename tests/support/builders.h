#pragma once
// Short ways to write dates, times and reminders in tests.

#include <string>

#include "core/datetime.h"
#include "core/reminder.h"
#include "support/reminder_printer.h"

namespace kalvo::test {

inline DayNumber Day(int year, int month, int day) { return ClampDay(CivilToDay(year, month, day)); }
inline double At(int hour, int minute, int second = 0) { return TimeFraction(hour, minute, second); }

inline TReminder Ordinary(DayNumber date, double time, std::string text = "x") {
    TReminder r;
    r.Date = date;
    r.Time = time;
    r.Text = std::move(text);
    return r;
}

inline TReminder WithNotice(TReminder r, DayNumber from, std::int32_t period, double noticeTime,
                            std::int32_t weekDay = -1) {
    r.Notice = 1;
    r.NoticeFrom = from;
    r.NoticeNext = from;
    r.Period = period;
    r.NoticeTime = noticeTime;
    r.NoticeWeekDay = weekDay;
    return r;
}

inline TReminder NameDay(DayNumber date, double time, DayNumber noticeDay, double noticeTime, bool birthday = false) {
    TReminder r = WithNotice(Ordinary(date, time, "Dňa oslavuje meniny Ján"), noticeDay, rpNone, noticeTime);
    (birthday ? r.IsBirthday : r.IsNameDay) = 1;
    return r;
}

}  // namespace kalvo::test
