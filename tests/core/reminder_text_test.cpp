#include "core/reminder_text.h"

#include <gtest/gtest.h>

#include "support/builders.h"

namespace kalvo {
namespace {

using test::At;
using test::Day;

class ReminderText : public ::testing::Test {
protected:
    TextLocale loc = TextLocale::Slovak();
};

TEST_F(ReminderText, ListAndNameDayRows) {
    const TReminder r = test::Ordinary(Day(2026, 12, 7), 505.0 / 1440.0, "Zubár");
    EXPECT_EQ(ListRowText(r, loc), "7.12.2026 o 8:25:00 -Zubár");
    TReminder n = test::NameDay(Day(2026, 12, 24), At(12, 0), Day(2026, 12, 23), -At(8, 30));
    n.Text = "Adam";
    EXPECT_EQ(NameDayRowText(n, loc), "Meniny :: 23.12.2026 o 8:30:00 -Adam");
    n.IsNameDay = 0;
    n.IsBirthday = 1;
    EXPECT_EQ(NameDayRowText(n, loc), "Narodeniny :: 23.12.2026 o 8:30:00 -Adam");
}

TEST_F(ReminderText, WeekOverviewAndArchiveRows) {
    TReminder r =
        test::WithNotice(test::Ordinary(Day(2026, 12, 10), At(14, 30), "Porada"), Day(2026, 12, 7), rpDaily, At(9, 0));
    EXPECT_EQ(WeekRowText(r, loc, true), "#10.12.2026 o 14:30:00 (denne) -Porada");
    r.Period = 4;
    EXPECT_EQ(WeekRowText(r, loc, false), "10.12.2026 o 14:30:00 -Porada");
    EXPECT_EQ(OverviewRowText(r, loc), "10.12.2026   14:30:00 - Porada");

    TReminder a = test::Ordinary(Day(2006, 3, 5), At(14, 30), "Zubár");
    EXPECT_EQ(ArchiveRowText(a, loc), "5.3.2006   14:30:00 :: Pripomienka - Zubár");
    a.IsNameDay = 1;
    EXPECT_EQ(ArchiveRowText(a, loc), "5.3.2006   14:30:00 :: Meniny - Zubár");
    a.IsBirthday = 7;  // any non-zero byte counts as set
    EXPECT_EQ(ArchiveRowText(a, loc), "5.3.2006   14:30:00 :: Neznáme :: CHYBA - Zubár");
    a.IsNameDay = 0;
    EXPECT_EQ(ArchiveRowText(a, loc), "5.3.2006   14:30:00 :: Narodeniny - Zubár");
}

TEST_F(ReminderText, DetailsOfAWeeklyReminder) {
    // Next notice on Friday 11 December 2026.
    TReminder r = test::WithNotice(test::Ordinary(Day(2026, 12, 31), At(18, 0, 30), "Kurz"), Day(2026, 12, 4), rpWeekly,
                                   At(8, 0), 4);
    r.NoticeNext = Day(2026, 12, 11);
    const ReminderDetails d = DescribeReminder(r, loc);
    EXPECT_EQ(d.kind, "Pripomienka");
    EXPECT_EQ(d.dateTime, "31.12.2026 - 18:00:30");
    EXPECT_TRUE(d.notice);
    EXPECT_EQ(d.noticeLine, "04.12.2026 (týždenne)");
    EXPECT_EQ(d.extraAlarmLine, "08:00 (11.12.26 - piatok)");
    EXPECT_EQ(d.picture, "Standardný");
    EXPECT_EQ(d.melody, "Standardná");
}

TEST_F(ReminderText, DetailsWithoutPeriodTimeOrNotice) {
    TReminder r = test::WithNotice(test::Ordinary(Day(2026, 12, 31), At(18, 0)), Day(2026, 12, 4), rpNone, -At(7, 15));
    r.Picture = "/home/eva/obr.jpg";
    ReminderDetails d = DescribeReminder(r, loc);
    EXPECT_EQ(d.dateTime, "31.12.2026 - 18:00");
    EXPECT_EQ(d.noticeLine, "04.12.2026");
    EXPECT_EQ(d.extraAlarmLine, "07:15");  // a given notice shows its magnitude, no next date without a period
    EXPECT_EQ(d.picture, "/home/eva/obr.jpg");

    r.NoticeTime = 0.0;
    EXPECT_EQ(DescribeReminder(r, loc).extraAlarmLine, "");

    r.Period = 4;  // a finished series names no next notice
    r.NoticeTime = At(9, 0);
    r.NoticeNext = 0;
    EXPECT_EQ(DescribeReminder(r, loc).extraAlarmLine, "09:00");

    const ReminderDetails none = DescribeReminder(test::Ordinary(Day(2026, 12, 31), At(18, 0)), loc);
    EXPECT_FALSE(none.notice);
    EXPECT_EQ(none.noticeLine, "");
    EXPECT_EQ(none.extraAlarmLine, "");
}

TEST_F(ReminderText, LoadedRowsSplitByKind) {
    const ReminderList list{test::Ordinary(Day(2026, 12, 7), At(9, 0), "a"),
                            test::NameDay(Day(2026, 12, 8), At(12, 0), Day(2026, 12, 7), At(8, 0)),
                            test::Ordinary(Day(2026, 12, 9), At(9, 0), "b")};
    const LoadedRows rows = BuildLoadedRows(list);
    EXPECT_EQ(rows.mainRecords, (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(rows.nameDayRecords, std::vector<std::size_t>{1});
}

TEST_F(ReminderText, OtherLocalePatternsAndSeparators) {
    TextLocale us = loc;
    us.shortDateFormat = "MM/dd/yy";
    us.longTimeFormat = "h:mm:ss AP";
    us.dateSeparator = "/";
    const TReminder r = test::Ordinary(Day(2026, 12, 7), At(15, 5, 9), "x");
    EXPECT_EQ(ListRowText(r, us), "12/07/26 o 3:05:09 PM -x");
    EXPECT_EQ(DayMonthYear(us, Day(2026, 12, 7)), "07/12/2026");
    EXPECT_EQ(FormatPattern(loc, "dddd d. MMMM yyyy 'o' HH:mm", Day(2026, 12, 7), At(9, 5)),
              "pondelok 7. december 2026 o 09:05");
    EXPECT_EQ(MonthYear(loc, Day(2027, 1, 3)), "január 2027");
}

}  // namespace
}  // namespace kalvo
