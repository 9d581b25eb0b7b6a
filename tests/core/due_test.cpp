#include "core/due.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "support/builders.h"

namespace kalvo {
namespace {

using test::At;
using test::Day;
using test::NameDay;
using test::Ordinary;
using test::WithNotice;

TEST(NextWeekDay, IsStrictlyAfterTheGivenDay) {
    const DayNumber monday = Day(2026, 12, 7);
    EXPECT_EQ(NextWeekDay(monday, 0), monday + 7);
    EXPECT_EQ(NextWeekDay(monday + 6, 0), monday + 7);  // Sunday to the next day
    EXPECT_EQ(NextWeekDay(monday, 2), monday + 2);
    // No weekday, or one that does not exist, means Sunday and still ends.
    EXPECT_EQ(NextWeekDay(monday, -1), monday + 6);
    EXPECT_EQ(NextWeekDay(monday, 9), monday + 6);
    EXPECT_EQ(NextWeekDay(monday, -2147483647 - 1), monday + 6);
}

TEST(MonthStep, ClampsShortMonthsAndRestoresTheThirtyFirst) {
    const DayNumber from31 = Day(2024, 1, 31);
    DayNumber d = from31;
    const DayNumber expected31[] = {Day(2024, 2, 28), Day(2024, 3, 31), Day(2024, 4, 30), Day(2024, 5, 31)};
    for (DayNumber e : expected31) EXPECT_EQ(d = MonthStep(d, from31), e);

    const DayNumber from30 = Day(2024, 1, 30);
    d = from30;
    const DayNumber expected30[] = {Day(2024, 2, 28), Day(2024, 3, 28), Day(2024, 4, 28)};
    for (DayNumber e : expected30) EXPECT_EQ(d = MonthStep(d, from30), e);

    EXPECT_EQ(MonthStep(Day(2025, 12, 15), Day(2025, 12, 15)), Day(2026, 1, 15));
}

TEST(YearStep, TwentyNinthOfFebruaryLandsOnTheTwentyEighth) {
    EXPECT_EQ(YearStep(Day(2024, 2, 29)), Day(2025, 2, 28));
    EXPECT_EQ(YearStep(Day(2025, 3, 1)), Day(2026, 3, 1));
}

TEST(SameDayOnOrAfter, PassedDaysMoveToTheirNextCelebration) {
    const DayNumber today = Day(2026, 12, 7);
    EXPECT_EQ(SameDayOnOrAfter(Day(2026, 12, 7), today), Day(2026, 12, 7));  // today stays
    EXPECT_EQ(SameDayOnOrAfter(Day(2027, 1, 3), today), Day(2027, 1, 3));    // still to come
    EXPECT_EQ(SameDayOnOrAfter(Day(2026, 10, 30), today), Day(2027, 10, 30));
    EXPECT_EQ(SameDayOnOrAfter(Day(2005, 12, 20), today), Day(2026, 12, 20));  // years back, later this year
    EXPECT_EQ(SameDayOnOrAfter(Day(2024, 2, 29), today), Day(2027, 2, 28));
    EXPECT_EQ(SameDayOnOrAfter(Day(2024, 2, 29), Day(2027, 12, 1)), Day(2028, 2, 29));
}

TEST(ReminderDue, RulesInOrder) {
    const DayNumber today = Day(2026, 12, 7);
    const TReminder later = Ordinary(today, At(15, 0));
    EXPECT_FALSE(ReminderDue(later, today, At(14, 59, 59)));
    EXPECT_TRUE(ReminderDue(later, today, At(15, 0)));
    EXPECT_TRUE(ReminderDue(Ordinary(today - 1, At(23, 0)), today, At(0, 0)));  // yesterday: at once
    EXPECT_FALSE(ReminderDue(Ordinary(today + 1, At(0, 0)), today, At(23, 59, 59)));
}

TEST(ReminderDue, ExtraAlarmOnTheEventDayThenTheEvent) {
    const DayNumber today = Day(2026, 12, 7);
    TReminder r = WithNotice(Ordinary(today, At(15, 0)), 0, rpNone, At(9, 0));
    r.NoticeNext = 0;
    EXPECT_FALSE(ReminderDue(r, today, At(8, 59, 59)));
    EXPECT_TRUE(ReminderDue(r, today, At(9, 0)));
    MarkGiven(r, today, At(9, 0));
    EXPECT_DOUBLE_EQ(r.NoticeTime, -At(9, 0));
    EXPECT_FALSE(ReminderDue(r, today, At(9, 0, 1)));
    EXPECT_TRUE(ReminderDue(r, today, At(15, 0)));
    MarkGiven(r, today, At(15, 0));
    EXPECT_EQ(r.NoticeTime, -1.0);
}

TEST(ReminderDue, NameDayNoticeThenCelebration) {
    const DayNumber today = Day(2026, 12, 7);
    TReminder r = NameDay(today, At(12, 0), today, At(8, 0));
    EXPECT_FALSE(ReminderDue(r, today, At(7, 59)));
    EXPECT_TRUE(ReminderDue(r, today, At(8, 0)));
    MarkGiven(r, today, At(8, 0));
    EXPECT_LT(r.NoticeTime, 0.0);
    EXPECT_FALSE(ReminderDue(r, today, At(11, 59, 59)));
    EXPECT_TRUE(ReminderDue(r, today, At(12, 0)));
    // Its notice day before the celebration uses NoticeFrom, not the ordinary series rules.
    TReminder early = NameDay(today + 3, At(12, 0), today, At(8, 0));
    EXPECT_TRUE(ReminderDue(early, today, At(8, 0)));
    early.NoticeFrom = today - 1;
    EXPECT_FALSE(ReminderDue(early, today, At(8, 0)));
}

// A tick passes over every record whose first due day is later than today: that must never skip a record
// ReminderDue would fire. Every kind, notice day, next notice and notice time near the event, against every
// day around it and times across the day.
TEST(FirstDueDay, NoRecordIsDueBeforeIt) {
    const DayNumber d = Day(2026, 12, 7);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> near(-3, 3), kind(0, 2), second(0, 86399);
    int dueSeen = 0;
    for (int n = 0; n < 20000; ++n) {
        TReminder r = Ordinary(d + near(random), second(random) / 86400.0);
        r.IsNameDay = kind(random) == 1;
        r.IsBirthday = kind(random) == 2;
        r.NoticeFrom = n % 5 == 0 ? 0 : d + near(random);
        r.NoticeNext = n % 3 == 0 ? 0 : d + near(random);
        r.NoticeTime = n % 4 == 0 ? -1.0 : (n % 4 == 1 ? -0.5 : second(random) / 86400.0);
        for (DayNumber today = d - 4; today <= d + 4; ++today) {
            for (const double t : {0.0, second(random) / 86400.0, 86399 / 86400.0}) {
                if (!ReminderDue(r, today, t)) continue;
                ++dueSeen;
                ASSERT_LE(FirstDueDay(r), today) << "record " << n << " due on " << today << " at " << t;
            }
        }
    }
    EXPECT_GT(dueSeen, 100000);  // the property was asked of many due records, not of few
}

TEST(FirstDueDay, IsTheEventDayOrAnEarlierNotice) {
    const DayNumber d = Day(2026, 12, 7);
    EXPECT_EQ(FirstDueDay(Ordinary(d, At(9, 0))), d);
    EXPECT_EQ(FirstDueDay(WithNotice(Ordinary(d, At(9, 0)), d - 5, rpDaily, At(8, 0))), d - 5);
    TReminder given = WithNotice(Ordinary(d, At(9, 0)), d - 5, rpNone, At(8, 0));
    given.NoticeNext = 0;  // a single notice already given
    EXPECT_EQ(FirstDueDay(given), d);
    EXPECT_EQ(FirstDueDay(NameDay(d, At(12, 0), d - 2, At(8, 0))), d - 2);
    // A name day's NoticeNext is not its notice: only NoticeFrom counts.
    TReminder nameDay = NameDay(d, At(12, 0), d, At(8, 0));
    nameDay.NoticeNext = d - 9;
    EXPECT_EQ(FirstDueDay(nameDay), d);
}

TEST(AdvanceNotice, DailySeriesCaughtUpInTheMorningFiresAgainToday) {
    const DayNumber today = Day(2026, 12, 7);
    TReminder r = WithNotice(Ordinary(today + 10, At(18, 0)), today - 3, rpDaily, At(9, 0));
    EXPECT_TRUE(ReminderDue(r, today, At(7, 30)));  // rule 6: missed days
    AdvanceNotice(r, today, today + At(7, 30));
    EXPECT_EQ(r.NoticeNext, today);
    EXPECT_FALSE(ReminderDue(r, today, At(8, 59, 59)));
    EXPECT_TRUE(ReminderDue(r, today, At(9, 0)));  // rule 5
    AdvanceNotice(r, today, today + At(9, 0));
    EXPECT_EQ(r.NoticeNext, today + 1);
}

TEST(AdvanceNotice, DailySeriesCaughtUpAfterItsTimeMovesToTomorrow) {
    const DayNumber today = Day(2026, 12, 7);
    TReminder r = WithNotice(Ordinary(today + 10, At(18, 0)), today - 3, rpDaily, At(9, 0));
    AdvanceNotice(r, today, today + At(10, 0));
    EXPECT_EQ(r.NoticeNext, today + 1);
}

TEST(AdvanceNotice, DailyStepWithAnAbsurdStoredTimeEnds) {
    const DayNumber today = Day(2026, 12, 7);
    TReminder r = WithNotice(Ordinary(today + 10, At(18, 0)), today, rpDaily, 1e12);
    AdvanceNotice(r, today, today + At(10, 0));
    EXPECT_LE(r.NoticeNext, today);
    r.NoticeNext = today;
    r.NoticeTime = std::numeric_limits<double>::infinity();
    AdvanceNotice(r, today, today + At(10, 0));
    // No day has an infinite notice time behind it: the step stops at tomorrow instead of searching.
    EXPECT_EQ(r.NoticeNext, today + 1);
}

TEST(AdvanceNotice, WeeklyMonthlyYearlyCountFromTodayWhenMissed) {
    const DayNumber today = Day(2026, 12, 7);  // Monday
    TReminder weekly = WithNotice(Ordinary(today + 60, At(18, 0)), today - 20, rpWeekly, At(9, 0), 2);
    AdvanceNotice(weekly, today, today + At(10, 0));
    EXPECT_EQ(weekly.NoticeNext, today + 2);

    TReminder monthly = WithNotice(Ordinary(today + 300, At(18, 0)), Day(2026, 1, 31), rpMonthly, At(9, 0));
    AdvanceNotice(monthly, today, today + At(10, 0));
    EXPECT_EQ(monthly.NoticeNext, Day(2027, 1, 31));  // today's date, then the 31st comes back

    TReminder yearly = WithNotice(Ordinary(today + 900, At(18, 0)), Day(2024, 2, 29), rpYearly, At(9, 0));
    yearly.NoticeNext = Day(2028, 2, 29);
    AdvanceNotice(yearly, Day(2028, 2, 29), Day(2028, 2, 29) + At(10, 0));
    EXPECT_EQ(yearly.NoticeNext, Day(2029, 2, 28));
}

TEST(AdvanceNotice, SeriesWithoutARepeatPeriodGivesOneNoticeAndEnds) {
    const DayNumber today = Day(2026, 12, 7);
    TReminder r = WithNotice(Ordinary(today + 5, At(18, 0)), today, 4, At(9, 0));
    EXPECT_TRUE(ReminderDue(r, today, At(9, 0)));
    AdvanceNotice(r, today, today + At(9, 0));
    MarkGiven(r, today, At(9, 0));
    EXPECT_EQ(r.NoticeNext, 0);
    EXPECT_FALSE(ReminderDue(r, today, At(9, 0, 1)));
    EXPECT_FALSE(ReminderDue(r, today + 1, At(9, 0)));
    EXPECT_TRUE(ReminderDue(r, today + 5, At(9, 0)));  // the extra alarm of the event day remains
    // A name day keeps its stored NoticeNext: nothing fires from it.
    TReminder n = NameDay(today, At(12, 0), today, At(8, 0));
    AdvanceNotice(n, today, today + At(8, 0));
    EXPECT_EQ(n.NoticeNext, today);
}

TEST(ShiftToNextYear, MovesOnlyTheDate) {
    TReminder r = NameDay(Day(2024, 2, 29), At(12, 0), Day(2024, 2, 28), -At(8, 0));
    ShiftToNextYear(r);
    EXPECT_EQ(r.Date, Day(2025, 2, 28));
    EXPECT_EQ(r.NoticeFrom, Day(2024, 2, 28));
    EXPECT_DOUBLE_EQ(r.NoticeTime, -At(8, 0));
}

TEST(AcknowledgeAt, DoesWhatClosingTheAlarmsDoes) {
    const DayNumber today = Day(2026, 12, 7);
    // A notice due: the series moves on, nothing else changes.
    const TReminder weekly = WithNotice(Ordinary(today + 10, At(9, 0)), today - 7, rpWeekly, At(8, 0), 0);
    Acknowledged a = AcknowledgeAt(weekly, today, At(8, 30));
    EXPECT_FALSE(a.done);
    EXPECT_EQ(a.record.NoticeNext, today + 7);
    // Nothing due yet: unchanged.
    a = AcknowledgeAt(weekly, today - 8, At(8, 30));
    EXPECT_EQ(a.record, weekly);
    // The event itself: an ordinary reminder is done.
    a = AcknowledgeAt(Ordinary(today, At(9, 0)), today, At(9, 0));
    EXPECT_TRUE(a.done);
    // The extra alarm of the event day is marked given.
    a = AcknowledgeAt(WithNotice(Ordinary(today, At(15, 0)), today, 4, At(9, 0)), today, At(9, 30));
    EXPECT_FALSE(a.done);
    EXPECT_EQ(a.record.NoticeTime, -At(9, 0));
    // A name day three years behind comes to its next day from today on, its notice marked given.
    const TReminder name = NameDay(Day(2023, 12, 1), At(12, 0), Day(2023, 12, 1), At(8, 0));
    a = AcknowledgeAt(name, today, At(10, 0));
    EXPECT_FALSE(a.done);
    EXPECT_EQ(a.record.Date, Day(2027, 12, 1));
    EXPECT_EQ(AcknowledgeAt(name, today, At(10, 0), /*moveToNextYear=*/false).done, true);
}

// The projection exactly as the views describe it: step by step from NoticeNext.
bool LiteralFallsOn(const TReminder& r, DayNumber day) {
    DayNumber x = r.NoticeNext;
    for (;;) {
        if (IsRepeating(r.Period)) {
            switch (r.Period) {
                case rpDaily:
                    x = x + 1;
                    break;
                case rpWeekly:
                    x = NextWeekDay(x, r.NoticeWeekDay);
                    break;
                case rpMonthly:
                    x = MonthStep(x, r.NoticeFrom);
                    break;
                default:
                    x = YearStep(x);
                    break;
            }
        }
        if (x == day) return true;
        if (x >= day || !IsRepeating(r.Period)) return false;
    }
}

TEST(NoticeFallsOn, MatchesTheStepByStepProjection) {
    std::mt19937 rng(11);
    const DayNumber base = Day(2020, 1, 1);
    std::uniform_int_distribution<int> offset(0, 3000), period(-1, 4), weekDay(-2, 8), span(1, 1500);
    for (int i = 0; i < 1500; ++i) {
        TReminder r;
        r.NoticeFrom = base + offset(rng);
        r.NoticeNext = r.NoticeFrom + offset(rng) / 10;
        r.Period = period(rng);
        r.NoticeWeekDay = weekDay(rng);
        r.Date = r.NoticeNext + span(rng);
        for (DayNumber d = r.NoticeNext + 1; d < r.Date; d += 1 + static_cast<int>(rng() % 5))
            ASSERT_EQ(NoticeFallsOn(r, d), LiteralFallsOn(r, d)) << "period " << r.Period << " day " << d;
    }
}

TEST(NoticeFallsOn, MonthlyFromTheThirtyFirstFarAhead) {
    TReminder r = WithNotice(Ordinary(Day(2400, 1, 1), 0), Day(2024, 1, 31), rpMonthly, At(9, 0));
    EXPECT_TRUE(NoticeFallsOn(r, Day(2024, 2, 28)));
    EXPECT_FALSE(NoticeFallsOn(r, Day(2024, 2, 29)));
    EXPECT_TRUE(NoticeFallsOn(r, Day(2399, 12, 31)));
    EXPECT_TRUE(NoticeFallsOn(r, Day(2399, 6, 30)));
    EXPECT_FALSE(NoticeFallsOn(r, Day(2399, 6, 29)));
}

}  // namespace
}  // namespace kalvo
