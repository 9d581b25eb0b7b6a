#include "core/due.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kalvo {

DayNumber NextWeekDay(DayNumber day, std::int32_t weekDay) {
    const int wanted = (weekDay >= 0 && weekDay <= 6) ? weekDay : 6;
    int ahead = (wanted - WeekDayOf(day) + 7) % 7;
    if (ahead == 0) ahead = 7;
    return ClampDay(static_cast<std::int64_t>(day) + ahead);
}

namespace {

CivilDate MonthStepCivil(CivilDate c, int startDay) {
    int m = c.month + 1;
    std::int64_t y = c.year;
    if (m > 12) {
        m = 1;
        ++y;
    }
    int d = c.day;
    if ((m == 4 || m == 6 || m == 9 || m == 11) && d > 30) d = 30;
    if (m == 2 && d > 28) d = 28;
    if ((m == 1 || m == 3 || m == 5 || m == 7 || m == 8 || m == 10 || m == 12) && startDay == 31) d = 31;
    return CivilDate{y, m, d};
}

}  // namespace

DayNumber MonthStep(DayNumber day, DayNumber noticeFrom) {
    const CivilDate next = MonthStepCivil(DayToCivil(day), DayToCivil(noticeFrom).day);
    return ClampDay(CivilToDay(next.year, next.month, next.day));
}

DayNumber YearStep(DayNumber day) { return ClampDay(SameDayInYear(day, DayToCivil(day).year + 1)); }

DayNumber SameDayOnOrAfter(DayNumber day, DayNumber today) {
    if (day >= today) return day;
    const std::int64_t year = DayToCivil(today).year;
    const std::int64_t thisYear = SameDayInYear(day, year);
    return ClampDay(thisYear >= today ? thisYear : SameDayInYear(day, year + 1));
}

bool ReminderDue(const TReminder& r, DayNumber today, double t) {
    if (r.Date <= today && t >= r.Time) return true;
    if (r.Date < today) return true;
    if (r.Date <= today && r.NoticeTime > 0 && t >= r.NoticeTime) return true;
    // The kind is looked at last: it lies at the far end of the record, in another cache line, and the
    // days decide nearly every record before it (the idle tick asks this of every record every second).
    if (r.NoticeFrom == today && r.NoticeTime > 0 && t >= r.NoticeTime && !IsOrdinary(r)) return true;
    if (r.NoticeNext != 0 && r.NoticeNext <= today && (r.NoticeNext < today || t >= r.NoticeTime) && IsOrdinary(r))
        return true;
    return false;
}

DayNumber FirstDueDay(const TReminder& r) {
    // ReminderDue holds only from the event's day, on a name day's or birthday's notice day, or from an
    // ordinary reminder's next notice.
    DayNumber first = r.Date;
    if (!IsOrdinary(r)) first = std::min(first, r.NoticeFrom);
    else if (r.NoticeNext != 0) first = std::min(first, r.NoticeNext);
    return first;
}

namespace {

// The daily step: tomorrow when today's notice time has already come at `now`, otherwise today.
// Written as a search for the largest day n <= today + 1 with n + NoticeTime - 1 <= now, which is
// what stepping back one day at a time finds, without looping over an absurd stored time.
DayNumber DailyNext(DayNumber today, double noticeTime, TDateTime now) {
    auto late = [&](std::int64_t n) { return static_cast<double>(n) + noticeTime - 1.0 > now; };
    std::int64_t n = static_cast<std::int64_t>(today) + 1;
    if (!late(n)) return ClampDay(n);
    const double guess = std::floor(now - noticeTime + 1.0);
    if (!std::isfinite(guess)) return ClampDay(n);
    constexpr double lowest = static_cast<double>(std::numeric_limits<DayNumber>::min());
    std::int64_t g = guess < lowest ? static_cast<std::int64_t>(lowest) : static_cast<std::int64_t>(guess);
    if (g > n) g = n;
    while (late(g) && g > static_cast<std::int64_t>(lowest)) --g;
    while (g + 1 < n && !late(g + 1)) ++g;
    return ClampDay(g);
}

}  // namespace

void AdvanceNotice(TReminder& r, DayNumber today, TDateTime now) {
    if (r.NoticeNext > today) return;
    if (!IsRepeating(r.Period)) {
        // A series without a repeat period gives its one notice and ends; left alone it would stay
        // due and fire again on every tick.
        if (IsOrdinary(r) && r.NoticeNext != 0) r.NoticeNext = 0;
        return;
    }
    if (r.NoticeNext < today) r.NoticeNext = today;
    switch (r.Period) {
        case rpDaily:
            r.NoticeNext = DailyNext(today, r.NoticeTime, now);
            break;
        case rpWeekly:
            r.NoticeNext = NextWeekDay(r.NoticeNext, r.NoticeWeekDay);
            break;
        case rpMonthly:
            r.NoticeNext = MonthStep(r.NoticeNext, r.NoticeFrom);
            break;
        case rpYearly:
            r.NoticeNext = YearStep(r.NoticeNext);
            break;
        default:
            break;
    }
}

bool EventPassed(const TReminder& r, DayNumber today, double t) {
    return (r.Date <= today && t >= r.Time) || r.Date < today;
}

void MarkGiven(TReminder& r, DayNumber today, double t) {
    if (r.Date <= today && r.Time <= t) r.NoticeTime = -1.0;
    if (r.Date <= today && r.NoticeTime > 0 && t >= r.NoticeTime) r.NoticeTime = -r.NoticeTime;
    if (!IsOrdinary(r) && r.NoticeFrom == today && r.NoticeTime > 0 && t >= r.NoticeTime) r.NoticeTime = -r.NoticeTime;
}

void ShiftToNextYear(TReminder& r) { r.Date = YearStep(r.Date); }

Acknowledged AcknowledgeAt(TReminder r, DayNumber today, double t, bool moveToNextYear) {
    const TDateTime now = static_cast<double>(today) + t;
    // One acknowledgement settles what is due; a name day years behind moves on a year at a time.
    for (int step = 0; step < 1000 && ReminderDue(r, today, t); ++step) {
        AdvanceNotice(r, today, now);
        if (EventPassed(r, today, t)) {
            if (IsOrdinary(r) || !moveToNextYear) return {std::move(r), true};
            ShiftToNextYear(r);
        }
        MarkGiven(r, today, t);
    }
    return {std::move(r), false};
}

namespace {

bool MonthlyFallsOn(DayNumber from, DayNumber noticeFrom, DayNumber target) {
    const int startDay = DayToCivil(noticeFrom).day;
    CivilDate x = DayToCivil(from);
    // Within twelve steps the series passes a February (and, started on the 31st, a long month). From
    // then on it holds one fixed day of every month, so the rest of the way needs no walking.
    for (int steps = 0; steps < 12; ++steps) {
        x = MonthStepCivil(x, startDay);
        const std::int64_t xDay = CivilToDay(x.year, x.month, x.day);
        if (xDay == target) return true;
        if (xDay > target) return false;
    }
    const CivilDate goal = DayToCivil(target);
    const int settledDay = startDay == 31 ? DaysInMonth(2001, goal.month) : x.day;  // 2001: February has 28
    return goal.day == settledDay;
}

bool YearlyFallsOn(DayNumber from, DayNumber target) {
    // After the first step the day and month stay fixed (29 February has become 28 February).
    const DayNumber first = YearStep(from);
    if (first == target) return true;
    if (first > target) return false;
    const CivilDate a = DayToCivil(first);
    const CivilDate b = DayToCivil(target);
    return a.month == b.month && a.day == b.day;
}

}  // namespace

bool NoticeFallsOn(const TReminder& r, DayNumber day) {
    const DayNumber from = r.NoticeNext;
    if (!IsRepeating(r.Period)) return from == day;
    if (from >= day) return false;  // every step moves forward
    switch (r.Period) {
        case rpDaily:
            return true;
        case rpWeekly:
            return WeekDayOf(day) == WeekDayOf(NextWeekDay(from, r.NoticeWeekDay));
        case rpMonthly:
            return MonthlyFallsOn(from, r.NoticeFrom, day);
        case rpYearly:
            return YearlyFallsOn(from, day);
        default:
            return false;
    }
}

}  // namespace kalvo
