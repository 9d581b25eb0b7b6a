// The three-way merge of one reminder: moving fields take the later value, equal changes agree, and only
// the same field changed differently on both sides is a conflict, which the server's value wins.

#include "sync/field_merge.h"

#include <gtest/gtest.h>

#include "core/due.h"
#include "support/builders.h"

namespace kalvo::sync {
namespace {

using test::At;
using test::Day;
using test::NameDay;
using test::Ordinary;
using test::WithNotice;

const DayNumber D = Day(2026, 12, 7);
const TReminder kBase = WithNotice(Ordinary(D + 20, At(9, 0), "Zubár"), D - 7, rpWeekly, At(8, 0), 0);

TEST(MergeFields, ChangesOnOneSideOrEqualOnBothAreTakenWithoutConflict) {
    TReminder local = kBase, remote = kBase;
    local.Text = "Zubár, Nám. SNP 3";
    remote.Time = At(10, 30);
    remote.Picture = "C:\\zub.bmp";
    Merged m = MergeFields(kBase, local, remote);
    EXPECT_FALSE(m.conflict);
    EXPECT_EQ(m.record.Text, local.Text);
    EXPECT_EQ(m.record.Time, At(10, 30));
    EXPECT_EQ(m.record.Picture, remote.Picture);
    // The same change made on both sides.
    remote.Text = local.Text;
    m = MergeFields(kBase, local, remote);
    EXPECT_FALSE(m.conflict);
    EXPECT_EQ(m.record.Text, local.Text);
    EXPECT_EQ(MergeFields(kBase, kBase, kBase).record, kBase);
}

TEST(MergeFields, TheSameFieldChangedDifferentlyIsAConflictTheServerWins) {
    TReminder local = kBase, remote = kBase;
    local.Text = "tu";
    local.Melody = "C:\\a.wav";  // changed only here: kept
    remote.Text = "tam";
    const Merged m = MergeFields(kBase, local, remote);
    EXPECT_TRUE(m.conflict);
    EXPECT_EQ(m.record.Text, "tam");
    EXPECT_EQ(m.record.Melody, "C:\\a.wav");
}

TEST(MergeFields, AcknowledgementsOnBothSidesConvergeToTheLaterNotice) {
    // One machine gave this week's notice, the other already next week's too.
    const TReminder here = AcknowledgeAt(kBase, D, At(8, 0)).record;
    const TReminder there = AcknowledgeAt(here, D + 7, At(8, 0)).record;
    ASSERT_LT(here.NoticeNext, there.NoticeNext);
    for (const auto& [l, r] : {std::pair{here, there}, std::pair{there, here}}) {
        const Merged m = MergeFields(kBase, l, r);
        EXPECT_FALSE(m.conflict);
        EXPECT_EQ(m.record.NoticeNext, there.NoticeNext);
    }
    // A one-off series that has ended is later than any day.
    TReminder once = WithNotice(Ordinary(D + 5, At(9, 0)), D, 4, At(8, 0));
    TReminder ended = once;
    ended.NoticeNext = 0;
    EXPECT_EQ(MergeFields(once, once, ended).record.NoticeNext, 0);
    EXPECT_EQ(MergeFields(once, ended, once).record.NoticeNext, 0);
}

TEST(MergeFields, AnAcknowledgementAgainstAnEditKeepsBoth) {
    // Here the notice moved on; there the text and the time of the event were changed.
    const TReminder here = AcknowledgeAt(kBase, D, At(8, 0)).record;
    TReminder there = kBase;
    there.Text = "Zubár o pol jedenástej";
    there.Time = At(10, 30);
    const Merged m = MergeFields(kBase, here, there);
    EXPECT_FALSE(m.conflict);
    EXPECT_EQ(m.record.NoticeNext, here.NoticeNext);
    EXPECT_EQ(m.record.Text, there.Text);
    EXPECT_EQ(m.record.Time, At(10, 30));
}

TEST(MergeFields, ANoticeSeriesSetUpAnewStartsWhereItsSideSetIt) {
    const TReminder here = AcknowledgeAt(AcknowledgeAt(kBase, D, At(8, 0)).record, D + 7, At(8, 0)).record;
    TReminder there = kBase;
    there.Period = rpDaily;
    there.NoticeFrom = there.NoticeNext = D + 18;
    const Merged m = MergeFields(kBase, here, there);
    EXPECT_FALSE(m.conflict);
    EXPECT_EQ(m.record.Period, rpDaily);
    EXPECT_EQ(m.record.NoticeNext, D + 18);
}

TEST(MergeFields, TheGivenMarkIsLaterAndANewTimeOutweighsIt) {
    const TReminder today = WithNotice(Ordinary(D, At(15, 0), "dnes"), D, 4, At(9, 0));
    const TReminder given = AcknowledgeAt(today, D, At(9, 0)).record;
    ASSERT_EQ(given.NoticeTime, -At(9, 0));
    EXPECT_EQ(MergeFields(today, given, today).record.NoticeTime, -At(9, 0));
    EXPECT_EQ(MergeFields(today, today, given).record.NoticeTime, -At(9, 0));
    TReminder moved = today;
    moved.NoticeTime = At(11, 0);
    Merged m = MergeFields(today, given, moved);
    EXPECT_FALSE(m.conflict);
    EXPECT_EQ(m.record.NoticeTime, At(11, 0));
    TReminder otherTime = today;
    otherTime.NoticeTime = At(12, 0);
    m = MergeFields(today, moved, otherTime);
    EXPECT_TRUE(m.conflict);
    EXPECT_EQ(m.record.NoticeTime, At(12, 0));
}

TEST(MergeFields, AYearlyMoveIsLaterAndANewDayIsAnEdit) {
    const TReminder name = NameDay(D, At(12, 0), D, At(8, 0));
    const TReminder moved = AcknowledgeAt(name, D, At(12, 0)).record;
    ASSERT_EQ(moved.Date, Day(2027, 12, 7));
    Merged m = MergeFields(name, name, moved);
    EXPECT_EQ(m.record.Date, moved.Date);
    EXPECT_FALSE(m.conflict);
    TReminder otherDay = name;
    otherDay.Date = Day(2026, 12, 9);
    m = MergeFields(name, moved, otherDay);
    EXPECT_FALSE(m.conflict);
    EXPECT_EQ(m.record.Date, Day(2026, 12, 9));
    TReminder anotherDay = name;
    anotherDay.Date = Day(2026, 12, 10);
    EXPECT_TRUE(MergeFields(name, anotherDay, otherDay).conflict);
}

TEST(MergeUnbased, TheServersFieldsAndTheLaterMovingOnes) {
    TReminder here = AcknowledgeAt(kBase, D, At(8, 0)).record;
    here.Melody = "C:\\tu.wav";
    const Merged m{MergeUnbased(here, kBase)};
    EXPECT_EQ(m.record.Melody, "");
    EXPECT_EQ(m.record.NoticeNext, here.NoticeNext);
    const TReminder name = NameDay(D, At(12, 0), D, At(8, 0));
    const TReminder moved = AcknowledgeAt(name, D, At(12, 0)).record;
    EXPECT_EQ(MergeUnbased(moved, name), moved);
}

TEST(ConflictCopy, MarksTheTextAndKeepsItWithinTheLimit) {
    EXPECT_EQ(ConflictCopy(Ordinary(D, At(9, 0), "Zubár")).Text, "Konflikt: Zubár");
    const TReminder longest = Ordinary(D, At(9, 0), std::string(kMaxTextLength - 1, 'a') + "č");
    const std::string cut = ConflictCopy(longest).Text;
    EXPECT_EQ(cut, "Konflikt: " + std::string(kMaxTextLength - 10, 'a'));
    EXPECT_EQ(ConflictNotice(Ordinary(D, At(9, 5), "Zubár\nzajtra")),
              "Pripomienka „Zubár zajtra“ (7.12.2026 o 9:05) bola zmenená na tomto počítači aj inde naraz. Platí "
              "zmena zo servera; vaša verzia je uložená v archíve s textom začínajúcim „Konflikt: “.");
}

}  // namespace
}  // namespace kalvo::sync
