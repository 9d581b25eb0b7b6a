#include "core/zorad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "support/builders.h"

namespace kalvo {
namespace {

// The two exchange passes, written out literally; kept here only to check the fast version.
void LiteralZorad(ReminderList& list) {
    const std::size_t n = list.size();
    if (n < 2) return;
    for (std::size_t i = 0; i + 1 < n; ++i)
        for (std::size_t j = i; j < n; ++j)
            if (list[j].Date < list[i].Date) std::swap(list[i], list[j]);
    for (std::size_t i = 0; i + 1 < n; ++i)
        for (std::size_t j = i; j < n; ++j)
            if (list[i].Date == list[j].Date && list[i].Time > list[j].Time) std::swap(list[i], list[j]);
}

ReminderList RandomList(std::mt19937_64& rng, std::size_t n, int dates, int times, bool oddValues) {
    ReminderList list;
    std::uniform_int_distribution<int> date(0, dates - 1), time(0, times - 1), odd(0, 19);
    for (std::size_t i = 0; i < n; ++i) {
        TReminder r =
            test::Ordinary(46000 + date(rng), time(rng) / static_cast<double>(times), "r" + std::to_string(i));
        if (oddValues) {
            const int o = odd(rng);
            if (o == 0) r.Time = std::numeric_limits<double>::quiet_NaN();
            if (o == 1) r.Time = -0.0;
            if (o == 2) r.Time = std::numeric_limits<double>::infinity();
        }
        list.push_back(r);
    }
    return list;
}

// NaN != NaN, so compare the records by their unique texts.
void ExpectSameOrder(const ReminderList& a, const ReminderList& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i].Text, b[i].Text) << "position " << i;
}

TEST(Zorad, EmptyAndSingleListsStayAsTheyAre) {
    ReminderList empty;
    Zorad(empty);
    EXPECT_TRUE(empty.empty());
    ReminderList one{test::Ordinary(5, 0.5)};
    Zorad(one);
    EXPECT_EQ(one.size(), 1u);
}

TEST(Zorad, EarlierDayFirstWhateverItsTimeThenByTime) {
    ReminderList list{test::Ordinary(10, 0.1, "b"), test::Ordinary(9, 0.9, "a"), test::Ordinary(10, 0.05, "c")};
    Zorad(list);
    EXPECT_EQ(list[0].Text, "a");
    EXPECT_EQ(list[1].Text, "c");
    EXPECT_EQ(list[2].Text, "b");
}

TEST(Zorad, TiesKeepTheOrderOfTheExchangePasses) {
    // Three records equal in both keys behind a smaller one: the first pass moves them around.
    ReminderList list{test::Ordinary(10, 0.5, "a"), test::Ordinary(10, 0.5, "b"), test::Ordinary(9, 0.5, "c"),
                      test::Ordinary(10, 0.5, "d")};
    ReminderList expected = list;
    LiteralZorad(expected);
    Zorad(list);
    ExpectSameOrder(list, expected);
    EXPECT_NE(list[1].Text, "a");  // the passes are not stable
}

TEST(Zorad, MatchesTheLiteralPassesOnRandomLists) {
    std::mt19937_64 rng(2026);
    for (int round = 0; round < 600; ++round) {
        const std::size_t n = 1 + rng() % 60;
        const int dates = 1 + static_cast<int>(rng() % 12);
        const int times = 1 + static_cast<int>(rng() % 8);
        ReminderList list = RandomList(rng, n, dates, times, round % 3 == 0);
        ReminderList expected = list;
        LiteralZorad(expected);
        Zorad(list);
        ExpectSameOrder(list, expected);
    }
}

TEST(Zorad, MatchesTheLiteralPassesOnLargerListsWithFewTies) {
    std::mt19937_64 rng(99);
    for (int round = 0; round < 5; ++round) {
        ReminderList list = RandomList(rng, 1500, 400, 1000, false);
        ReminderList expected = list;
        LiteralZorad(expected);
        Zorad(list);
        ExpectSameOrder(list, expected);
    }
}

TEST(Zorad, MatchesTheLiteralPassesOnLargeHeavilyTiedLists) {
    std::mt19937_64 rng(5);
    for (int round = 0; round < 4; ++round) {
        ReminderList list = RandomList(rng, 2000, 3 + round * 20, 2 + round, round % 2 == 1);
        ReminderList expected = list;
        LiteralZorad(expected);
        Zorad(list);
        ExpectSameOrder(list, expected);
    }
}

// An addition or an edit puts one record at the end of a sorted list; that case takes a shorter way.
TEST(Zorad, MatchesTheLiteralPassesWhenOneRecordIsAddedToASortedList) {
    std::mt19937_64 rng(8);
    for (int round = 0; round < 400; ++round) {
        const int dates = 1 + static_cast<int>(rng() % 40);
        const int times = 1 + static_cast<int>(rng() % 40);
        ReminderList list = RandomList(rng, 1 + rng() % 50, dates, times, round % 4 == 0);
        LiteralZorad(list);
        ReminderList sorted = list;
        Zorad(sorted);
        ExpectSameOrder(sorted, list);
        ReminderList added = RandomList(rng, 1, dates, times, round % 8 == 0);
        added[0].Text = "added";
        list.push_back(added[0]);
        ReminderList expected = list;
        LiteralZorad(expected);
        Zorad(list);
        ExpectSameOrder(list, expected);
    }
}

TEST(Zorad, DescendingInputWithTies) {
    ReminderList list;
    for (int i = 0; i < 300; ++i) list.push_back(test::Ordinary(1000 - i / 3, 0.25 * (i % 2), "r" + std::to_string(i)));
    ReminderList expected = list;
    LiteralZorad(expected);
    Zorad(list);
    ExpectSameOrder(list, expected);
}

}  // namespace
}  // namespace kalvo
