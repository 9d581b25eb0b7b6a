// The decisions for one item that whole syncs reach only by long ways round.

#include "sync/sync_plan.h"

#include <gtest/gtest.h>

#include "core/due.h"
#include "support/builders.h"

namespace kalvo::sync {
namespace {

using test::At;
using test::Day;
using test::Ordinary;

const DayNumber D = Day(2026, 12, 7);
const std::int64_t kNow = std::int64_t{D} * 86400 + 8 * 3600;

struct Case {
    SyncItem item;
    EventReading reading;
    ItemInput in;

    explicit Case(const TReminder& base) {
        item.uid = "u";
        item.href = "/u.ics";
        item.etag = "\"1\"";
        item.base = base;
        item.local = base;
        reading.usable = true;
        reading.uid = "u";
        reading.record = base;
        reading.kalvo = base;
        in.item = &item;
        in.now = kNow;
    }
    ItemPlan Plan() {
        in.reading = &reading;
        return PlanItem(in);
    }
};

const TReminder kPast = Ordinary(D - 1, At(9, 0), "včera");

TEST(PlanItem, AReminderArchivedHereIsMarkedAcknowledgedOnTheServerNeverDeleted) {
    Case c(kPast);
    c.in.link.fate = Fate::Archived;
    c.in.link.acknowledged = kNow - 100;
    const ItemPlan p = c.Plan();
    EXPECT_EQ(p.upload, Upload::Update);
    EXPECT_TRUE(p.marksOnly);
    EXPECT_EQ(p.marks.acknowledged, kNow - 100);
    EXPECT_EQ(p.state, ItemState::Archived);
    EXPECT_EQ(p.local, LocalAction::Keep);
}

TEST(PlanItem, ArchivedHereButMovedToTheFutureThereItComesBack) {
    Case c(kPast);
    c.in.link.fate = Fate::Archived;
    c.in.link.acknowledged = kNow - 100;
    c.in.remote = RemoteKind::Changed;
    c.reading.record.Date = D + 3;
    const ItemPlan p = c.Plan();
    EXPECT_EQ(p.local, LocalAction::Write);
    EXPECT_EQ(p.record.Date, D + 3);
    EXPECT_EQ(p.upload, Upload::None);
    EXPECT_TRUE(p.received);
}

TEST(PlanItem, DoneThereButMovedToAnotherMomentHereTheMoveWins) {
    const TReminder base = Ordinary(D + 1, At(9, 0), "a");
    Case c(base);
    TReminder moved = base;
    moved.Date = D + 5;
    c.in.found = &moved;
    c.in.remote = RemoteKind::Changed;
    c.reading.done = true;
    ItemPlan p = c.Plan();
    EXPECT_EQ(p.local, LocalAction::Keep);
    EXPECT_EQ(p.upload, Upload::Update);
    EXPECT_EQ(p.sent, moved);
    // Not moved: it goes to the archive, reported.
    c.in.found = &base;
    p = c.Plan();
    EXPECT_EQ(p.local, LocalAction::Archive);
    EXPECT_TRUE(p.acknowledgedElsewhere);
    EXPECT_EQ(p.upload, Upload::None);
    EXPECT_EQ(p.state, ItemState::Archived);
}

TEST(PlanItem, AnAcknowledgementSeenOnlyInTheMovingFieldsIsSentWithItsMoment) {
    const TReminder base = test::WithNotice(Ordinary(D + 9, At(9, 0), "a"), D - 2, rpDaily, At(7, 0));
    Case c(base);
    const TReminder acked = AcknowledgeAt(base, D, At(7, 30)).record;
    c.in.found = &acked;
    const ItemPlan p = c.Plan();
    EXPECT_EQ(p.upload, Upload::Update);
    EXPECT_EQ(p.sent, acked);
    EXPECT_EQ(p.marks.acknowledged, kNow);
}

TEST(PlanItem, AnEventMadeATaskElsewhereLeavesTheListUnlessChangedHere) {
    const TReminder base = Ordinary(D + 1, At(9, 0), "a");
    Case c(base);
    c.in.found = &base;
    c.in.remote = RemoteKind::Changed;
    c.reading.usable = false;
    ItemPlan p = c.Plan();
    EXPECT_EQ(p.local, LocalAction::Remove);
    EXPECT_TRUE(p.drop);
    TReminder edited = base;
    edited.Text = "b";
    c.in.found = &edited;
    p = c.Plan();
    EXPECT_EQ(p.upload, Upload::Create);
    EXPECT_TRUE(p.recreate);
}

TEST(Wanted, OnlyWhatIsStillToComeFromAnotherProgram) {
    EventReading r;
    r.usable = true;
    r.record = Ordinary(D - 1, At(9, 0), "minulá");
    EXPECT_FALSE(Wanted(r, kNow));
    r.kalvo = r.record;  // Kalvo's own, not yet acknowledged anywhere: it is still in someone's list
    EXPECT_TRUE(Wanted(r, kNow));
    r.done = true;
    EXPECT_FALSE(Wanted(r, kNow));
    EventReading next;
    next.usable = true;
    next.record = Ordinary(D + 1, At(9, 0), "budúca");
    EXPECT_TRUE(Wanted(next, kNow));
}

}  // namespace
}  // namespace kalvo::sync
