#include "storage/reminder_store.h"

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

using test::At;
using test::Day;

class ReminderStoreTest : public ::testing::Test {
protected:
    ReminderStoreTest() { clock.now = LocalMoment{Day(2026, 12, 7), 20, 15, 30}; }

    ReminderStore Make(const std::string& user = "eva") {
        return ReminderStore(DataFiles{dir.Path(), user}, dialogs, clock, Durability::NoFlush);
    }
    void WriteList(const std::string& name, const ReminderList& list) const {
        dir.Write(name, *EncodeReminderFile(list));
    }
    ReminderList ReadList(const std::string& name) const { return DecodeReminderFile(dir.Read(name)).records; }

    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    const ReminderList memo{test::Ordinary(Day(2026, 12, 9), At(9, 0), "z memo"),
                            test::Ordinary(Day(2026, 12, 8), At(9, 0), "b")};
};

TEST_F(ReminderStoreTest, FirstRunWithoutTheOldFileCreatesAnEmptyFileAndAsksNothing) {
    ReminderStore store = Make();
    int firstRuns = 0, reloads = 0;
    store.onFirstRun = [&] { ++firstRuns; };
    store.onReloaded = [&] { ++reloads; };
    store.OpenUserFile();
    EXPECT_TRUE(store.Reminders().empty());
    EXPECT_TRUE(dir.Exists("eva.dat"));
    EXPECT_EQ(dir.Read("eva.dat").size(), 0u);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(firstRuns, 1);
    EXPECT_EQ(reloads, 1);
    store.OpenUserFile();  // the file exists now: no first run again
    EXPECT_EQ(firstRuns, 1);
}

TEST_F(ReminderStoreTest, TakeOverOfTheOldSharedFile) {
    WriteList("memo.dat", memo);
    ReminderStore store = Make();
    dialogs.answers = {true};
    store.OpenUserFile();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, "question");
    EXPECT_EQ(dialogs.shown[0].caption, "Víta Vás nová verzia Kalvo");
    EXPECT_NE(dialogs.shown[0].text.find("\n\neva ešte nikdy nepoužil Kalvo."), std::string::npos);
    EXPECT_NE(dialogs.shown[0].text.find("pre používaľa eva\n"), std::string::npos);
    EXPECT_EQ(dialogs.shown[1].kind, "info");
    EXPECT_EQ(dialogs.shown[1].text,
              "Import pripomienok staršej verzie dokončený. Pôvodné pripomienky boli uložené do súboru memo_bak.kvl");
    // The old records, in their file order (no sort on this save).
    EXPECT_EQ(store.Reminders(), memo);
    EXPECT_EQ(ReadList("eva.dat"), memo);
    EXPECT_FALSE(dir.Exists("memo.dat"));
    EXPECT_EQ(ReadList("memo_bak.kvl"), memo);
}

TEST_F(ReminderStoreTest, TakeOverWhoseRenameFailsLeavesTheOldFileSilently) {
    WriteList("memo.dat", memo);
    dir.Write("memo_bak.kvl", {1, 2, 3});
    ReminderStore store = Make();
    dialogs.answers = {true};
    store.OpenUserFile();
    EXPECT_EQ(dialogs.Count("info"), 0);
    EXPECT_TRUE(dir.Exists("memo.dat"));
    EXPECT_EQ(dir.Read("memo_bak.kvl"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(ReadList("eva.dat"), memo);
    store.OpenUserFile();
    EXPECT_EQ(dialogs.Count("question"), 1);  // asked once only
}

TEST_F(ReminderStoreTest, DecliningTheTakeOverCreatesAnEmptyFile) {
    WriteList("memo.dat", memo);
    ReminderStore store = Make();
    dialogs.answers = {false};
    store.OpenUserFile();
    EXPECT_TRUE(store.Reminders().empty());
    EXPECT_EQ(dir.Read("eva.dat").size(), 0u);
    EXPECT_EQ(ReadList("memo.dat"), memo);
}

TEST_F(ReminderStoreTest, CommitSortsWritesAndTakesTheFileBack) {
    ReminderStore store = Make();
    store.OpenUserFile();
    store.Reminders() = memo;
    int reloads = 0;
    store.onReloaded = [&] { ++reloads; };
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(store.Reminders()[0].Text, "b");
    EXPECT_EQ(ReadList("eva.dat"), store.Reminders());
    // The scheduler's save keeps the order as it is.
    std::swap(store.Reminders()[0], store.Reminders()[1]);
    ASSERT_TRUE(store.Commit(false));
    EXPECT_EQ(ReadList("eva.dat")[0].Text, "z memo");
}

TEST_F(ReminderStoreTest, TheChangeCountGrowsWithEveryWayTheListCanChange) {
    ReminderStore store = Make();
    std::uint64_t count = store.ChangeCount();
    store.OpenUserFile();
    EXPECT_GT(store.ChangeCount(), count);

    // Reading leaves it alone.
    count = store.ChangeCount();
    const ReminderStore& seen = store;
    EXPECT_TRUE(seen.Reminders().empty());
    EXPECT_TRUE(seen.Snoozes().empty());
    EXPECT_FALSE(store.HasUnsavedChanges());
    EXPECT_EQ(store.ChangeCount(), count);

    // A reference that could change the list or the snoozes counts, whether or not it does.
    store.Reminders() = memo;
    EXPECT_GT(store.ChangeCount(), count);
    count = store.ChangeCount();
    (void)store.Snoozes();
    EXPECT_GT(store.ChangeCount(), count);

    // A save counts when it begins and again when it ends: what was seen while it ran is old afterwards.
    std::uint64_t during = 0;
    store.onReloaded = [&] { during = store.ChangeCount(); };
    count = store.ChangeCount();
    ASSERT_TRUE(store.Commit());
    EXPECT_GT(during, count);
    EXPECT_GT(store.ChangeCount(), during);
    for (const auto& change : std::vector<std::function<void()>>{
             [&] { store.TakeOutsideChanges(); }, [&] { store.SaveUserFile(); }, [&] { store.SaveUnsaved(); },
             [&] { store.OpenSnoozes(); }, [&] { store.SaveSnoozes(); }}) {
        count = store.ChangeCount();
        change();
        EXPECT_GT(store.ChangeCount(), count);
    }
}

TEST_F(ReminderStoreTest, FailedSaveIsToldAndTheListInMemoryKept) {
    ReminderStore store = Make();
    store.OpenUserFile();
    store.Reminders() = memo;
    std::filesystem::remove(dir / "eva.dat");
    std::filesystem::create_directory(dir / "eva.dat");  // the file cannot be replaced now
    int reloads = 0;
    store.onReloaded = [&] { ++reloads; };
    EXPECT_FALSE(store.Commit());
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(store.Reminders().size(), 2u);
    ASSERT_EQ(dialogs.Count("error"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("Súbor pripomienok sa nepodarilo uložiť"), std::string::npos);
    // Once writing works again the kept change reaches the file.
    std::filesystem::remove(dir / "eva.dat");
    EXPECT_TRUE(store.Commit());
    EXPECT_EQ(ReadList("eva.dat").size(), 2u);
}

TEST_F(ReminderStoreTest, DamagedFileIsKeptAsideAndToldOnce) {
    auto bytes = *EncodeReminderFile(memo);
    bytes.resize(bytes.size() - 3);
    dir.Write("eva.dat", bytes);
    ReminderStore store = Make();
    store.OpenUserFile();
    EXPECT_EQ(store.Reminders().size(), 1u);
    ASSERT_EQ(dialogs.Count("error"), 1);
    EXPECT_NE(dialogs.shown[0].text.find("súbor je neúplný"), std::string::npos);
    EXPECT_NE(dialogs.shown[0].text.find("Načítala sa 1 pripomienka pred miestom poškodenia."), std::string::npos);
    EXPECT_TRUE(dir.Exists("eva.dat.poskodeny-20261207-201530"));
    EXPECT_EQ(dir.Read("eva.dat.poskodeny-20261207-201530"), bytes);
    store.OpenUserFile();
    EXPECT_EQ(dialogs.Count("error"), 1);
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(ReadList("eva.dat").size(), 1u);
}

TEST_F(ReminderStoreTest, TemporaryFilesOfAnInterruptedSaveAreCleared) {
    WriteList("eva.dat", memo);
    dir.Write("eva.dat.tmp.0123456789abcdef", {1, 2});
    dir.Write("eva.dat.tmp.notours", {3});
    dir.Write("eva_old.dat.tmp.fedcba9876543210", {4});
    ReminderStore store = Make();
    store.OpenUserFile();
    store.OpenArchive();
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"eva.dat", "eva.dat.tmp.notours"}));
    EXPECT_EQ(store.Reminders(), memo);
}

TEST_F(ReminderStoreTest, FileOfAnUnknownVersionIsNotLost) {
    const std::vector<std::uint8_t> future = {0, 0, 0, 0, 0, 0, 8, 0x40, 1, 0, 0, 0};
    dir.Write("eva.dat", future);
    ReminderStore store = Make();
    store.OpenUserFile();
    EXPECT_TRUE(store.Reminders().empty());
    EXPECT_EQ(dialogs.Count("error"), 1);
    EXPECT_EQ(dir.Read("eva.dat.poskodeny-20261207-201530"), future);
}

TEST_F(ReminderStoreTest, ArchiveIsCreatedOnlyWhenSomethingIsArchived) {
    ReminderStore store = Make();
    store.OpenArchive();
    EXPECT_TRUE(store.Archive().empty());
    EXPECT_FALSE(dir.Exists("eva_old.dat"));
    store.Archive().push_back(memo[0]);
    ASSERT_TRUE(store.SaveArchive());
    store.Archive().clear();
    store.OpenArchive();
    EXPECT_EQ(store.Archive().size(), 1u);
    store.OpenArchive();  // appends, as the program's reader does
    EXPECT_EQ(store.Archive().size(), 2u);
    store.Archive().clear();
    ASSERT_TRUE(store.CommitArchive());
    EXPECT_EQ(dir.Read("eva_old.dat").size(), 0u);
}

TEST_F(ReminderStoreTest, ArchiveOfVersion20IsRewrittenAs204) {
    auto bytes = *EncodeReminderFile({memo[0]});
    // Turn it into a version-2.0 file: other version bytes, no NoticeWeekDay.
    bytes[0] = bytes[1] = bytes[2] = bytes[3] = bytes[4] = bytes[5] = 0;
    bytes.resize(bytes.size() - 4);
    dir.Write("eva_old.dat", bytes);
    ReminderStore store = Make();
    store.OpenArchive();
    ASSERT_EQ(store.Archive().size(), 1u);
    EXPECT_EQ(store.Archive()[0].NoticeWeekDay, 0);
    ASSERT_TRUE(store.CommitArchive());
    const auto saved = dir.Read("eva_old.dat");
    EXPECT_EQ(saved[0], 0x52);
    EXPECT_EQ(saved.size(), bytes.size() + 4);
}

TEST_F(ReminderStoreTest, ExportWritesEveryKindInListOrder) {
    ReminderStore store = Make();
    ReminderList all = memo;
    all.push_back(test::NameDay(Day(2026, 12, 24), At(12, 0), Day(2026, 12, 23), At(8, 0)));
    ASSERT_TRUE(store.SaveTo(dir / "set.kvl", all));
    EXPECT_EQ(ReadList("set.kvl"), all);
    EXPECT_FALSE(store.SaveTo(dir / "none" / "set.kvl", all));
    EXPECT_EQ(dialogs.Count("error"), 1);
    // Nothing waits in memory for a failed export, so the message promises nothing.
    EXPECT_EQ(dialogs.shown.back().text.find("pamäti"), std::string::npos);
}

TEST_F(ReminderStoreTest, TheSameDamageIsKeptAsideAndToldOnlyAtTheFirstStart) {
    auto user = *EncodeReminderFile(memo);
    user.resize(user.size() - 5);  // a disk error took the end
    auto archive = *EncodeReminderFile(memo);
    archive[8] = 9;  // more records than the file holds
    const std::string good = *EncodeSnoozes({{std::int64_t{86400} * 46000, SnoozeKind::Event, memo[0]}});
    const std::string snooze = good + "2026-02-30 09:00:00\tevent\t00\n";
    dir.Write("eva.dat", user);
    dir.Write("eva_old.dat", archive);
    dir.Write("eva.snooze", std::vector<std::uint8_t>(snooze.begin(), snooze.end()));
    const auto start = [&] {
        ReminderStore store = Make();
        store.OpenUserFile();
        store.OpenArchive();
        store.OpenSnoozes();
        return store.Reminders().size() + store.Archive().size() + store.Snoozes().size();
    };
    EXPECT_EQ(start(), 1u + 2u + 1u);
    ASSERT_EQ(dialogs.Count("error"), 3);
    EXPECT_NE(dialogs.shown[2].text.find("Pôvodný súbor bol uschovaný ako eva.snooze.poskodeny-20261207-201530."),
              std::string::npos);

    // Nothing was saved in between: the next starts find the same damage and its copy.
    for (int second = 31; second < 33; ++second) {
        clock.now.second = second;
        EXPECT_EQ(start(), 4u);
    }
    EXPECT_EQ(dialogs.Count("error"), 3);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"eva.dat", "eva.dat.poskodeny-20261207-201530", "eva.snooze",
                                                     "eva.snooze.poskodeny-20261207-201530", "eva_old.dat",
                                                     "eva_old.dat.poskodeny-20261207-201530"}));

    // Other damage of the same file is new: kept and told again.
    user.resize(user.size() - 1);
    dir.Write("eva.dat", user);
    EXPECT_EQ(start(), 4u);
    EXPECT_EQ(dialogs.Count("error"), 4);
    EXPECT_EQ(dir.Read("eva.dat.poskodeny-20261207-201532"), user);
}

TEST_F(ReminderStoreTest, ChangesThatCouldNotBeSavedAreSetAsideAndTakenBackAtTheNextStart) {
    WriteList("eva.dat", memo);
    ReminderStore store = Make();
    store.OpenUserFile();
    std::filesystem::remove(dir / "eva.dat");
    std::filesystem::create_directory(dir / "eva.dat");  // every save fails
    store.Reminders().erase(store.Reminders().begin());  // "z memo" deleted, one added
    store.Reminders().push_back(test::Ordinary(Day(2026, 12, 24), At(18, 0), "nová"));
    EXPECT_FALSE(store.Commit());
    EXPECT_TRUE(store.RescueUnsaved());
    EXPECT_TRUE(store.RescueUnsaved());  // the same set once
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"eva.dat", "eva.dat.zachranene-20261207-201530",
                                                     "eva.dat.zachranene-20261207-201530.zaklad"}));
    EXPECT_EQ(ReadList("eva.dat.zachranene-20261207-201530").size(), 2u);

    // The next start: the file can be written again, and another process added a reminder meanwhile.
    std::filesystem::remove(dir / "eva.dat");
    ReminderList other = memo;
    other.push_back(test::Ordinary(Day(2026, 12, 10), At(9, 0), "iná"));
    WriteList("eva.dat", other);
    ReminderStore next = Make();
    next.OpenUserFile();
    const auto rescues = next.Rescues();
    ASSERT_EQ(rescues.size(), 1u);
    EXPECT_FALSE(rescues[0].archive);
    ASSERT_TRUE(next.TakeBackRescue(rescues[0]));
    std::vector<std::string> texts;
    for (const TReminder& r : ReadList("eva.dat")) texts.push_back(r.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"b", "iná", "nová"}));
    EXPECT_EQ(next.Reminders(), ReadList("eva.dat"));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"eva.dat"});
    EXPECT_TRUE(next.Rescues().empty());
}

TEST_F(ReminderStoreTest, ARescueSetNotTakenBackIsKeptForAnImportAndNotOfferedAgain) {
    dir.Write("eva.dat.zachranene-20261207-201530", *EncodeReminderFile(memo));
    dir.Write("eva.dat.zachranene-20261207-201530.zaklad", {});
    dir.Write("eva_old.dat.zachranene-20261207-201530-2", *EncodeReminderFile(memo));
    dir.Write("eva.dat.zachranene-nie", {});
    dir.Write("ben.dat.zachranene-20261207-201530", {});
    ReminderStore store = Make();
    store.OpenUserFile();
    const auto rescues = store.Rescues();
    ASSERT_EQ(rescues.size(), 2u);
    EXPECT_EQ(rescues[1].file, dir / "eva_old.dat.zachranene-20261207-201530-2");
    EXPECT_TRUE(rescues[1].archive);
    ASSERT_TRUE(store.SetRescueAside(rescues[0]));
    EXPECT_EQ(ReadList("eva.dat.zachranene-20261207-201530.kvl"), memo);
    EXPECT_FALSE(dir.Exists("eva.dat.zachranene-20261207-201530.zaklad"));
    EXPECT_EQ(store.Rescues().size(), 1u);
    ASSERT_TRUE(store.TakeBackRescue(store.Rescues()[0]));  // into the archive, without a base
    EXPECT_EQ(ReadList("eva_old.dat"), memo);
}

}  // namespace
}  // namespace kalvo::storage
