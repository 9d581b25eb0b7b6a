// Following each synced item to the record of the list it stands for: exact bytes, the program's hints,
// the record without its moving fields, its date, time and text; equal records as a multiset.

#include "sync/record_match.h"

#include <gtest/gtest.h>

#include "core/due.h"
#include "support/builders.h"

namespace kalvo::sync {
namespace {

using storage::HintKind;
using storage::SyncHint;
using test::At;
using test::Day;
using test::NameDay;
using test::Ordinary;
using test::WithNotice;

const DayNumber D = Day(2026, 12, 7);
const std::int64_t kNow = std::int64_t{D} * 86400 + 8 * 3600;

std::vector<const TReminder*> Ptrs(const ReminderList& list) {
    std::vector<const TReminder*> out;
    for (const TReminder& r : list) out.push_back(&r);
    return out;
}

std::vector<std::optional<std::size_t>> Records(const LocalMatch& m) {
    std::vector<std::optional<std::size_t>> out;
    for (const LocalLink& l : m.items) out.push_back(l.record);
    return out;
}

using Opt = std::optional<std::size_t>;

TEST(MatchLocal, EqualRecordsPairOneToOneAndTheRestIsNew) {
    const TReminder a = Ordinary(D + 1, At(9, 0), "a");
    const ReminderList was{a, a, Ordinary(D + 2, At(9, 0), "b")};
    const ReminderList now{Ordinary(D + 3, At(9, 0), "new"), a, a, a};
    const LocalMatch m = MatchLocal(Ptrs(was), now, {}, kNow);
    EXPECT_EQ(Records(m), (std::vector<Opt>{1, 2, std::nullopt}));
    EXPECT_EQ(m.items[2].fate, Fate::Deleted);  // b is gone before its day: deleted
    EXPECT_EQ(m.newRecords, (std::vector<std::size_t>{0, 3}));
}

TEST(MatchLocal, HintsAreFollowedThroughTheirChains) {
    const TReminder a = Ordinary(D + 1, At(9, 0), "a");
    const TReminder a2 = Ordinary(D + 4, At(10, 0), "a, later");  // nothing in common with a
    const TReminder a3 = Ordinary(D + 5, At(11, 0), "a, later still");
    const TReminder b = Ordinary(D + 1, At(9, 0), "b");
    const ReminderList was{a, b};
    const ReminderList now{a3, Ordinary(D + 9, At(7, 0), "c")};
    const std::vector<SyncHint> hints{{HintKind::Edited, kNow, a, a2},
                                      {HintKind::Deleted, kNow, b, std::nullopt},
                                      {HintKind::Edited, kNow + 5, a2, a3}};
    const LocalMatch m = MatchLocal(Ptrs(was), now, hints, kNow);
    EXPECT_EQ(Records(m), (std::vector<Opt>{0, std::nullopt}));
    EXPECT_EQ(m.items[1].fate, Fate::Deleted);
    EXPECT_EQ(m.newRecords, std::vector<std::size_t>{1});
    // Without the hints the edit is a removal and an addition.
    const LocalMatch blind = MatchLocal(Ptrs(was), now, {}, kNow);
    EXPECT_EQ(Records(blind), (std::vector<Opt>{std::nullopt, std::nullopt}));
    EXPECT_EQ(blind.newRecords, (std::vector<std::size_t>{0, 1}));
}

TEST(MatchLocal, OneHintMovesOneOfEqualRecords) {
    const TReminder a = Ordinary(D + 1, At(9, 0), "a");
    const TReminder edited = Ordinary(D + 6, At(6, 0), "edited");
    const ReminderList was{a, a};
    const ReminderList now{a, edited};
    const LocalMatch m = MatchLocal(Ptrs(was), now, {{HintKind::Edited, kNow, a, edited}}, kNow);
    EXPECT_EQ(Records(m), (std::vector<Opt>{0, 1}));
    EXPECT_TRUE(m.newRecords.empty());
}

TEST(MatchLocal, MovingFieldsAreLeftOutWithoutAHint) {
    // Another program (an older Kalvo, `simulate` without an account) gave the notice and moved a name day.
    const TReminder weekly = WithNotice(Ordinary(D + 20, At(9, 0), "týždenne"), D - 7, rpWeekly, At(8, 0), 0);
    const TReminder name = NameDay(D, At(12, 0), D, At(8, 0));
    const ReminderList was{weekly, name};
    const ReminderList now{AcknowledgeAt(name, D, At(12, 0)).record, AcknowledgeAt(weekly, D, At(8, 0)).record};
    ASSERT_NE(now[0].Date, name.Date);
    ASSERT_NE(now[1].NoticeNext, weekly.NoticeNext);
    const LocalMatch m = MatchLocal(Ptrs(was), now, {}, kNow);
    EXPECT_EQ(Records(m), (std::vector<Opt>{1, 0}));
    EXPECT_TRUE(m.newRecords.empty());
}

TEST(MatchLocal, DateTimeAndTextPairWhatWasChangedElsewhere) {
    TReminder a = WithNotice(Ordinary(D + 3, At(9, 0), "a"), D, rpDaily, At(8, 0));
    const ReminderList was{a};
    a.Picture = "C:\\obr.bmp";
    a.Period = rpWeekly;
    const LocalMatch m = MatchLocal(Ptrs(was), ReminderList{a}, {}, kNow);
    EXPECT_EQ(Records(m), std::vector<Opt>{0});
}

TEST(MatchLocal, WhatEndedIsArchivedNeverDeleted) {
    const TReminder past = Ordinary(D - 1, At(9, 0), "včera");
    const TReminder future = Ordinary(D + 1, At(9, 0), "zajtra");
    const ReminderList was{past, future, future};
    const std::vector<SyncHint> hints{{HintKind::Archived, kNow - 60, future, std::nullopt}};
    const LocalMatch m = MatchLocal(Ptrs(was), ReminderList{}, hints, kNow);
    ASSERT_EQ(m.items.size(), 3u);
    EXPECT_EQ(m.items[0].fate, Fate::Archived);  // passed: gone to the archive without a word
    EXPECT_EQ(m.items[0].acknowledged, kNow);
    EXPECT_EQ(m.items[1].fate, Fate::Archived);  // said so by the scheduler
    EXPECT_EQ(m.items[1].acknowledged, kNow - 60);
    EXPECT_EQ(m.items[2].fate, Fate::Deleted);
}

TEST(MatchLocal, AHintWhoseWriteFailedLeadsNowhere) {
    const TReminder a = Ordinary(D + 1, At(9, 0), "a");
    const ReminderList was{a};
    const LocalMatch m =
        MatchLocal(Ptrs(was), ReminderList{a}, {{HintKind::Edited, kNow, a, Ordinary(D + 2, At(1, 0), "z")}}, kNow);
    EXPECT_EQ(Records(m), std::vector<Opt>{0});
    EXPECT_TRUE(m.newRecords.empty());
}

TEST(MatchLocal, AChainWhoseLastStepsNeverReachedTheFileEndsWhereItDid) {
    // The program's edit reached the file; the sync's own edit after it was noted, then a crash came.
    const TReminder a = Ordinary(D + 1, At(9, 0), "a");
    const TReminder mine = Ordinary(D + 1, At(9, 0), "mine");
    const TReminder theirs = Ordinary(D + 1, At(9, 0), "theirs");
    const std::vector<SyncHint> hints{{HintKind::Edited, kNow, a, mine}, {HintKind::Edited, kNow, mine, theirs}};
    LocalMatch m = MatchLocal(Ptrs(ReminderList{a}), ReminderList{mine}, hints, kNow);
    EXPECT_EQ(Records(m), std::vector<Opt>{0});
    EXPECT_TRUE(m.newRecords.empty());
    // Likewise a removal noted but never written.
    m = MatchLocal(Ptrs(ReminderList{a}), ReminderList{mine}, {hints[0], {HintKind::Deleted, kNow, mine, std::nullopt}},
                   kNow);
    EXPECT_EQ(Records(m), std::vector<Opt>{0});
}

TEST(MatchLocal, TheTimeSignalIsNeverSynced) {
    const ReminderList now{MakeTimeSignalReminder(D, At(8, 0))};
    const LocalMatch m = MatchLocal({}, now, {}, kNow);
    EXPECT_TRUE(m.newRecords.empty());
}

TEST(MatchLocal, AcknowledgementsCarryTheirMoment) {
    const TReminder weekly = WithNotice(Ordinary(D + 20, At(9, 0), "t"), D, rpWeekly, At(8, 0), 0);
    const TReminder moved = AcknowledgeAt(weekly, D, At(8, 0)).record;
    const LocalMatch m = MatchLocal(Ptrs(ReminderList{weekly}), ReminderList{moved},
                                    {{HintKind::Acknowledged, kNow, weekly, moved}}, kNow);
    EXPECT_EQ(Records(m), std::vector<Opt>{0});
    EXPECT_EQ(m.items[0].acknowledged, kNow);
}

}  // namespace
}  // namespace kalvo::sync
