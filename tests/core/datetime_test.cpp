#include "core/datetime.h"

#include <gtest/gtest.h>

#include <random>

#include "support/builders.h"

namespace kalvo {
namespace {

using test::At;
using test::Day;

TEST(DateTime, KnownDaysAndWeekdays) {
    EXPECT_EQ(CivilToDay(1899, 12, 30), 0);
    EXPECT_EQ(Day(2026, 12, 7), 46363);
    EXPECT_EQ(WeekDayOf(0), 5);                 // Saturday
    EXPECT_EQ(WeekDayOf(Day(2026, 12, 7)), 0);  // Monday
    EXPECT_EQ(WeekDayOf(Day(1800, 1, 5)), 6);   // a Sunday well before the epoch
}

TEST(DateTime, CivilConversionRoundTripsOverAWideRange) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::int64_t> days(-4'000'000'000LL, 4'000'000'000LL);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t d = days(rng);
        const CivilDate c = DayToCivil(d);
        ASSERT_GE(c.month, 1);
        ASSERT_LE(c.day, DaysInMonth(c.year, c.month));
        ASSERT_EQ(CivilToDay(c.year, c.month, c.day), d);
    }
}

TEST(DateTime, TwentyNinthOfFebruaryInACommonYearIsTheTwentyEighth) {
    EXPECT_EQ(SameDayInYear(Day(2024, 2, 29), 2025), Day(2025, 2, 28));
    EXPECT_EQ(SameDayInYear(Day(2024, 2, 29), 2028), Day(2028, 2, 29));
    EXPECT_EQ(SameDayInYear(Day(2023, 3, 1), 2024), Day(2024, 3, 1));
}

TEST(DateTime, TimeIsSplitAfterRoundingToMilliseconds) {
    const TimeParts p = SplitTime(505.0 / 1440.0);  // 8:25, not exactly representable
    EXPECT_EQ(p.hour, 8);
    EXPECT_EQ(p.minute, 25);
    EXPECT_EQ(p.second, 0);
    const TimeParts q = SplitTime(-At(9, 30, 15));  // a given notice keeps its magnitude
    EXPECT_EQ(q.hour, 9);
    EXPECT_EQ(q.minute, 30);
    EXPECT_EQ(q.second, 15);
    const TimeParts r = SplitTime(46363.75);  // whole days are ignored
    EXPECT_EQ(r.hour, 18);
    const TimeParts nearMidnight = SplitTime(0.99999999999);
    EXPECT_EQ(nearMidnight.hour, 0);
    EXPECT_EQ(SplitTime(std::numeric_limits<double>::quiet_NaN()).hour, 0);
}

TEST(DateTime, DayOfTruncatesAndSaturates) {
    EXPECT_EQ(DayOf(46363.9), 46363);
    EXPECT_EQ(DayOf(-1.25), -1);
    EXPECT_EQ(DayOf(1e300), std::numeric_limits<DayNumber>::max());
    EXPECT_EQ(ClampDay(-1LL << 40), std::numeric_limits<DayNumber>::min());
}

}  // namespace
}  // namespace kalvo
