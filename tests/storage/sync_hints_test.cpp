// <user>.sync.hints: the notes of where records went, written by the store just before the reminder file
// and only while the user has a sync account.

#include "storage/sync_hints.h"

#include <gtest/gtest.h>

#include "storage/reminder_store.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

using test::At;
using test::Day;

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Text(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

const TReminder kOld = test::Ordinary(Day(2026, 12, 9), At(9, 0), "Zubár");
const TReminder kNew = test::Ordinary(Day(2026, 12, 10), At(9, 30), "Zubár, Nám. SNP 3");
constexpr std::int64_t kAt = std::int64_t{46000} * 86400 + 3600;

TEST(SyncHints, EveryKindGoesThroughTheFile) {
    const std::vector<SyncHint> hints{{HintKind::Edited, kAt, kOld, kNew},
                                      {HintKind::Acknowledged, kAt + 1, kNew, kOld},
                                      {HintKind::Deleted, kAt + 2, kOld, std::nullopt},
                                      {HintKind::Archived, kAt + 3, kNew, std::nullopt}};
    const auto text = EncodeHints(hints);
    ASSERT_TRUE(text);
    const DecodedHints back = DecodeHints(*text);
    EXPECT_EQ(back.damagedLines, 0);
    EXPECT_EQ(back.hints, hints);
}

TEST(SyncHints, ATornLastLineAndDamagedLinesAreLeftOut) {
    const std::string good = *EncodeHints({{HintKind::Edited, kAt, kOld, kNew}});
    const std::string line = good.substr(good.find('\n') + 1);
    const std::string hexOld = line.substr(line.find('\t', line.find('\t') + 1) + 1,
                                           line.rfind('\t') - line.find('\t', line.find('\t') + 1) - 1);
    const std::string text = good +                                              // kept
                             "edit\t2026-12-07 09:00:00\t" + hexOld + "\t-\n" +  // an edit needs its new record
                             "delete\t2026-12-07 09:00:00\t" + hexOld + "\t" + hexOld + "\n" +  // a removal has none
                             "move\t2026-12-07 09:00:00\t" + hexOld + "\t-\n" +                 // unknown kind
                             "delete\t2026-12-07 25:00:00\t" + hexOld + "\t-\n" +               // no such hour
                             "delete\t2026-12-07 09:00:00\t" + hexOld.substr(2) + "\t-\n" +     // cut record
                             line.substr(0, line.size() / 2);                                   // torn
    const DecodedHints back = DecodeHints(text);
    ASSERT_EQ(back.hints.size(), 1u);
    EXPECT_EQ(back.hints[0].after, kNew);
    EXPECT_EQ(back.damagedLines, 6);
}

TEST(SyncHints, AppendKeepsWhatIsThereAndDropsATornEnd) {
    test::TempFolder dir;
    const auto path = dir / "eva.sync.hints";
    ASSERT_TRUE(AppendHints(path, {{HintKind::Deleted, kAt, kOld, std::nullopt}}, Durability::NoFlush));
    std::string text = Text(dir.Read("eva.sync.hints"));
    dir.Write("eva.sync.hints", Bytes(text + "edit\t2026"));  // a write cut short by another program
    ASSERT_TRUE(AppendHints(path, {{HintKind::Edited, kAt, kOld, kNew}}, Durability::NoFlush));
    const HintsRead read = ReadHintsFile(path);
    ASSERT_EQ(read.outcome, ReadOutcome::Ok);
    EXPECT_EQ(read.decoded.damagedLines, 0);
    ASSERT_EQ(read.decoded.hints.size(), 2u);
    EXPECT_EQ(read.decoded.hints[0].kind, HintKind::Deleted);
    EXPECT_EQ(read.decoded.hints[1].kind, HintKind::Edited);
    ASSERT_TRUE(ClearHints(path));
    EXPECT_FALSE(dir.Exists("eva.sync.hints"));
    EXPECT_EQ(ReadHintsFile(path).outcome, ReadOutcome::Missing);
}

class StoreHintsTest : public ::testing::Test {
protected:
    StoreHintsTest() { clock.now = LocalMoment{Day(2026, 12, 7), 20, 15, 30}; }

    ReminderStore Open() {
        ReminderStore store(DataFiles{dir.Path(), "eva"}, dialogs, clock, Durability::NoFlush);
        dir.Write("eva.dat", *EncodeReminderFile({kOld, kNew}));
        store.OpenUserFile();
        return store;
    }
    std::vector<SyncHint> Hints() const { return ReadHintsFile(dir / "eva.sync.hints").decoded.hints; }

    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
};

TEST_F(StoreHintsTest, WithoutAnAccountNothingNewIsWritten) {
    ReminderStore store = Open();
    store.Remove(0);
    store.NoteReplaced(kNew, kOld);
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"eva.dat"});
    // Notes of a time without an account are not kept for a later one.
    dir.Write("eva.sync.ini", {});
    ASSERT_TRUE(store.Commit());
    EXPECT_FALSE(dir.Exists("eva.sync.hints"));
}

TEST_F(StoreHintsTest, WithAnAccountTheNotesPrecedeTheFileTheyDescribe) {
    dir.Write("eva.sync.ini", {});
    ReminderStore store = Open();
    store.Replace(1, kOld);    // an edit
    store.NoteArchived(kOld);  // and one sent to the archive, as the scheduler does
    store.Remove(0);
    EXPECT_FALSE(dir.Exists("eva.sync.hints"));  // not before the file is written
    ASSERT_TRUE(store.Commit());
    const std::vector<SyncHint> hints = Hints();
    ASSERT_EQ(hints.size(), 3u);
    EXPECT_EQ(hints[0].kind, HintKind::Edited);
    EXPECT_EQ(hints[0].before, kNew);
    EXPECT_EQ(hints[0].after, kOld);
    EXPECT_EQ(hints[0].at, std::int64_t{Day(2026, 12, 7)} * 86400 + 20 * 3600 + 15 * 60 + 30);
    EXPECT_EQ(hints[1].kind, HintKind::Archived);
    EXPECT_EQ(hints[2].kind, HintKind::Deleted);
    // Written once: the next save adds only what is new.
    store.Reminders().push_back(kNew);
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(Hints().size(), 3u);
    // An edit that changes nothing is no note.
    store.Replace(0, store.Reminders()[0]);
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(Hints().size(), 3u);
}

}  // namespace
}  // namespace kalvo::storage
