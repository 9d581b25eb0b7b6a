#include "scheduler/lateness.h"

#include <cmath>

#include "core/due.h"

namespace kalvo::scheduler {
namespace {

// The series looks back at most this far for its latest notice; a longer gap counts from NoticeNext,
// which only makes the alarm look later than it is.
constexpr int kLookBackDays = 400;

// Second of the day of a time-of-day value, rounded to whole milliseconds first as the texts do.
int SecondOfTime(double time) {
    const TimeParts p = SplitTime(std::fabs(time));
    return (p.hour * 60 + p.minute) * 60 + p.second;
}

SecondKey At(DayNumber day, double time) {
    return static_cast<SecondKey>(day) * kSecondsPerDayKey + SecondOfTime(time);
}

}  // namespace

SecondKey FellDueAt(const TReminder& r, DayNumber today, double t) {
    if (EventPassed(r, today, t)) return At(r.Date, r.Time);
    const double noticeTime = std::fabs(r.NoticeTime);
    if (r.Date <= today && r.NoticeTime > 0 && t >= r.NoticeTime) return At(r.Date, noticeTime);
    if (!IsOrdinary(r)) return At(r.NoticeFrom, noticeTime);
    if (r.NoticeNext == 0 || r.NoticeNext >= today || !IsRepeating(r.Period)) return At(r.NoticeNext, noticeTime);
    // NoticeNext lies in the past: the latest day of the series up to now.
    const DayNumber latestDay = t >= noticeTime ? today : static_cast<DayNumber>(today - 1);
    for (DayNumber d = latestDay; d > r.NoticeNext && latestDay - d <= kLookBackDays; --d) {
        if (NoticeFallsOn(r, d)) return At(d, noticeTime);
    }
    return At(r.NoticeNext, noticeTime);
}

}  // namespace kalvo::scheduler
