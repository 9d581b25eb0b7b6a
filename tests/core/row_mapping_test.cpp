#include "core/row_mapping.h"

#include <gtest/gtest.h>

#include "support/builders.h"

namespace kalvo {
namespace {

using test::At;
using test::Day;

const DayNumber kMonday = Day(2026, 12, 7);

TEST(WeekMembership, DailyNoticeBeforeAThursdayEvent) {
    const TReminder r = test::WithNotice(test::Ordinary(kMonday + 3, At(10, 0)), kMonday, rpDaily, At(9, 0));
    EXPECT_EQ(WeekMembership(r, kMonday), DayMembership::Direct);
    EXPECT_EQ(WeekMembership(r, kMonday + 1), DayMembership::Projected);
    EXPECT_EQ(WeekMembership(r, kMonday + 2), DayMembership::Projected);
    EXPECT_EQ(WeekMembership(r, kMonday + 3), DayMembership::Direct);
    EXPECT_EQ(WeekMembership(r, kMonday + 4), DayMembership::None);

    TReminder once = r;
    once.Period = rpNone;
    EXPECT_EQ(WeekMembership(once, kMonday), DayMembership::Direct);
    EXPECT_EQ(WeekMembership(once, kMonday + 1), DayMembership::None);
    EXPECT_EQ(WeekMembership(once, kMonday + 3), DayMembership::Direct);
}

TEST(WeekMembership, WeeklyOnMondaysAndNameDays) {
    const TReminder r = test::WithNotice(test::Ordinary(kMonday + 28, At(10, 0)), kMonday, rpWeekly, At(9, 0), 0);
    for (int d = 1; d < 28; ++d) EXPECT_EQ(WeekMembership(r, kMonday + d) == DayMembership::Projected, d % 7 == 0) << d;

    const TReminder nameDay = test::NameDay(kMonday + 3, At(12, 0), kMonday, At(8, 0));
    EXPECT_EQ(WeekMembership(nameDay, kMonday + 3), DayMembership::None);  // never on its own date
    EXPECT_EQ(WeekMembership(nameDay, kMonday), DayMembership::None);
}

TEST(RowToRecord, EachViewCountsItsOwnRows) {
    const ReminderList list{
        test::Ordinary(kMonday, At(9, 0), "a"),
        test::NameDay(kMonday + 1, At(12, 0), kMonday, At(8, 0)),
        test::WithNotice(test::Ordinary(kMonday + 3, At(9, 0), "b"), kMonday + 1, rpDaily, At(9, 0)),
        test::Ordinary(kMonday + 2, At(9, 0), "c"),
    };
    EXPECT_EQ(RowToRecord(list, ReminderView::List, 0, 0), 0);
    EXPECT_EQ(RowToRecord(list, ReminderView::List, 0, 1), 2);
    EXPECT_EQ(RowToRecord(list, ReminderView::List, 0, 2), 3);
    EXPECT_EQ(RowToRecord(list, ReminderView::Month, kMonday + 2, 0), 3);  // notice series not projected
    EXPECT_EQ(RowToRecord(list, ReminderView::Week, kMonday + 2, 0), 2);   // projected
    EXPECT_EQ(RowToRecord(list, ReminderView::Week, kMonday + 2, 1), 3);
    EXPECT_EQ(RowToRecord(list, ReminderView::List, 0, -1), -1);
    // A row past the shown records maps to none rather than to the last record.
    EXPECT_EQ(RowToRecord(list, ReminderView::List, 0, 3), -1);
    EXPECT_EQ(RowToRecord({}, ReminderView::List, 0, 0), -1);
}

TEST(NameDayRowToRecord, CountsOnlyNameDaysAndBirthdays) {
    ReminderList list{
        test::Ordinary(kMonday, At(9, 0), "a"),
        test::NameDay(kMonday + 1, At(12, 0), kMonday, At(8, 0)),
        test::Ordinary(kMonday + 2, At(9, 0), "b"),
        test::NameDay(kMonday + 3, At(12, 0), kMonday + 2, At(8, 0), /*birthday=*/true),
    };
    list.back().IsNameDay = 1;  // both flags: still a row of the day list
    EXPECT_EQ(NameDayRowToRecord(list, 0), 1);
    EXPECT_EQ(NameDayRowToRecord(list, 1), 3);
    EXPECT_EQ(NameDayRowToRecord(list, 2), -1);
    EXPECT_EQ(NameDayRowToRecord(list, -1), -1);
}

}  // namespace
}  // namespace kalvo
