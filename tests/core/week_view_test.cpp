#include "core/week_view.h"

#include <random>

#include <gtest/gtest.h>

#include "core/row_mapping.h"
#include "support/builders.h"

namespace kalvo {
namespace {

using test::At;
using test::Day;

const TextLocale kSk = TextLocale::Slovak();
const DayNumber kMonday = Day(2026, 12, 7);

TEST(ShowWeek, OpenedOnASundayShowsTheWeekEndingThatSunday) {
    const DayNumber sunday = Day(2026, 12, 13);
    const ReminderList list{test::Ordinary(Day(2026, 12, 10), At(9, 0)), test::Ordinary(Day(2026, 12, 10), At(10, 0)),
                            test::Ordinary(Day(2026, 12, 14), At(9, 0))};
    const WeekSummary w = ShowWeek(list, sunday, sunday, kSk);
    EXPECT_EQ(w.days[0].date, kMonday);
    EXPECT_EQ(w.days[6].date, sunday);
    EXPECT_EQ(w.days[0].label, "07.12 Úlohy: 0");
    EXPECT_EQ(w.days[3].label, "10.12 Úlohy: 2");
    for (std::size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(w.days[k].emptyDay, k != 3) << k;
        EXPECT_EQ(w.days[k].today, k == 6) << k;
    }
    EXPECT_EQ(w.month, "december 2026");

    TextLocale slash = kSk;
    slash.dateSeparator = "/";
    EXPECT_EQ(ShowWeek(list, kMonday, 0, slash).days[3].label, "10/12 Úlohy: 2");
}

TEST(ShowWeek, AWeekAcrossTwoMonthsIsNamedAfterItsSunday) {
    EXPECT_EQ(ShowWeek({}, Day(2026, 12, 31), 0, kSk).month, "január 2027");
    // The next week keeps the weekday: a Wednesday anchor moved by seven days is the next Wednesday.
    const WeekSummary next = ShowWeek({}, Day(2026, 12, 30) + 7, 0, kSk);
    EXPECT_EQ(next.days[2].date, Day(2027, 1, 6));
    EXPECT_EQ(next.month, "január 2027");
    EXPECT_EQ(MondayOf(Day(2026, 12, 7)), Day(2026, 12, 7));
}

TEST(WeekDayRows, NoticeDaysAreMarkedAndCarryThePeriod) {
    TReminder daily = test::WithNotice(test::Ordinary(kMonday + 3, At(10, 0), "Porada"), kMonday, rpDaily, At(9, 0));
    daily.Picture = "/p.jpg";
    const TReminder once = test::WithNotice(test::Ordinary(kMonday + 3, At(11, 0), "Raz"), kMonday, rpNone, At(9, 0));
    const ReminderList list{daily, once};
    auto texts = [&](DayNumber d) {
        std::vector<std::string> out;
        for (const DayRow& r : WeekDayRows(list, d, kSk)) out.push_back(r.text);
        return out;
    };
    EXPECT_EQ(texts(kMonday),
              (std::vector<std::string>{"#10.12.2026 o 10:00:00 (denne) -Porada", "#10.12.2026 o 11:00:00 -Raz"}));
    EXPECT_EQ(texts(kMonday + 1), (std::vector<std::string>{"#10.12.2026 o 10:00:00 (denne) -Porada"}));
    EXPECT_EQ(texts(kMonday + 3),
              (std::vector<std::string>{"10.12.2026 o 10:00:00 (denne) -Porada", "10.12.2026 o 11:00:00 -Raz"}));
    EXPECT_TRUE(texts(kMonday + 4).empty());
    const auto rows = WeekDayRows(list, kMonday + 2, kSk);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].picture, "/p.jpg");
    EXPECT_EQ(rows[0].record, 0u);
}

TEST(WeekDayRows, MonthlySeriesFromTheThirtyFirst) {
    const TReminder r =
        test::WithNotice(test::Ordinary(Day(2027, 6, 15), At(9, 0)), Day(2027, 1, 31), rpMonthly, At(8, 0));
    const ReminderList list{r};
    std::vector<DayNumber> counted;
    for (DayNumber d = Day(2027, 2, 1); d < Day(2027, 6, 15); ++d)
        if (PocPrip(list, d) == 1) counted.push_back(d);
    EXPECT_EQ(counted,
              (std::vector<DayNumber>{Day(2027, 2, 28), Day(2027, 3, 31), Day(2027, 4, 30), Day(2027, 5, 31)}));
}

// The week's counts, PocPrip, the rows of each day and the row-to-record mapping that edits and deletes
// use must all agree, over lists with every kind of series.
TEST(ShowWeek, CountsRowsAndRecordMappingAgree) {
    std::mt19937 rng(7);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    ReminderList list;
    for (int i = 0; i < 400; ++i) {
        TReminder r = test::Ordinary(kMonday + pick(-60, 400), At(pick(0, 23), 0), "r" + std::to_string(i));
        if (pick(0, 2) > 0) r = test::WithNotice(r, r.Date - pick(0, 500), pick(-1, 4), At(8, 0), pick(-1, 7));
        if (pick(0, 9) == 0) r.IsNameDay = 1;
        if (pick(0, 9) == 0) r.IsBirthday = 1;
        list.push_back(r);
    }
    for (int week = 0; week < 60; ++week) {
        const WeekSummary w = ShowWeek(list, kMonday + 7 * week + 3, 0, kSk);
        for (const WeekDayCell& cell : w.days) {
            const auto rows = WeekDayRows(list, cell.date, kSk);
            ASSERT_EQ(cell.count, PocPrip(list, cell.date));
            ASSERT_EQ(rows.size(), static_cast<std::size_t>(cell.count));
            for (std::size_t i = 0; i < rows.size(); ++i)
                ASSERT_EQ(RowToRecord(list, ReminderView::Week, cell.date, static_cast<int>(i)),
                          static_cast<int>(rows[i].record));
        }
    }
}

TEST(MonthDayRows, OnlyEventAndNextNoticeDaysOfOrdinaryReminders) {
    const DayNumber d = Day(2026, 12, 9);
    TReminder noticeToday = test::WithNotice(test::Ordinary(d + 5, At(9, 0), "a"), d, rpDaily, At(8, 0));
    noticeToday.Picture = "a.png";
    const ReminderList list{
        test::WithNotice(test::Ordinary(d + 5, At(9, 0), "earlier series"), d - 2, rpDaily, At(8, 0)),
        noticeToday,
        test::NameDay(d, At(9, 0), d, At(8, 0)),
        test::Ordinary(d, At(7, 30), "b"),
    };
    const MonthDayListing m = MonthDayRows(list, d, kSk);
    ASSERT_EQ(m.rows.size(), 2u);
    EXPECT_EQ(m.rows[0].text, "14.12.2026 o 9:00:00 -a");  // no mark, no period suffix
    EXPECT_EQ(m.rows[0].picture, "a.png");
    EXPECT_EQ(m.rows[0].record, 1u);
    EXPECT_EQ(m.rows[1].text, "9.12.2026 o 7:30:00 -b");
    EXPECT_EQ(m.rows[1].record, 3u);
    EXPECT_EQ(m.month, "december 2026");
}

}  // namespace
}  // namespace kalvo
