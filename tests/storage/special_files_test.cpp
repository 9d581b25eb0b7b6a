// Files that are not plain files: pipes and devices where a data file belongs, and data files that are
// symbolic links into another folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "storage/folder_lock.h"
#include "storage/reminder_store.h"
#include "storage/settings_file.h"
#include "storage/snooze_file.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace kalvo::storage {
namespace {

using test::At;
using test::Day;

#ifndef _WIN32
void MakePipe(const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }

TEST(SpecialFiles, APipeOrADeviceIsRefusedAtOnceAsAFolderIs) {
    test::TempFolder dir;
    MakePipe(dir / "pipe.dat");
    // No writer ever comes: a blocking open would never return.
    for (const FileBytes& read : {ReadFileBytes(dir / "pipe.dat"), ReadFileStart(dir / "pipe.dat", 64)}) {
        EXPECT_EQ(read.outcome, ReadOutcome::Failed);
        EXPECT_EQ(read.errorCode, kErrorNotRegularFile);
    }
    EXPECT_EQ(DescribeError(kErrorNotRegularFile), "na mieste súboru je zariadenie, rúra alebo iný zvláštny súbor");
    // An endless device is refused without reading it, however large the limit.
    fs::create_symlink("/dev/zero", dir / "zero.dat");
    const FileBytes zero = ReadFileBytes(dir / "zero.dat", ~std::uintmax_t{0} - 1);
    EXPECT_EQ(zero.outcome, ReadOutcome::Failed);
    EXPECT_EQ(zero.errorCode, kErrorNotRegularFile);
    EXPECT_EQ(ReadFileBytes(dir.Path()).errorCode, EISDIR);
}

TEST(SpecialFiles, AFileLargerThanTheLimitIsRefusedByItsSize) {
    test::TempFolder dir;
    dir.Write("big.dat", {});
    fs::resize_file(dir / "big.dat", 3u * 1024u * 1024u * 1024u);  // sparse: no disk space taken
    const FileBytes read = ReadFileBytes(dir / "big.dat");
    EXPECT_EQ(read.outcome, ReadOutcome::Failed);
    EXPECT_EQ(read.errorCode, EFBIG);
    EXPECT_EQ(ReadFileStart(dir / "big.dat", 4).bytes, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(SpecialFiles, EveryReaderOfTheStoreTellsAPipeInItsMessageAndGoesOn) {
    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    clock.now = LocalMoment{Day(2026, 12, 7), 9, 0, 0};
    MakePipe(dir / "eva.dat");
    MakePipe(dir / "eva_old.dat");
    MakePipe(dir / "eva.snooze");
    MakePipe(dir / "setup.dat");
    ReminderStore store(DataFiles{dir.Path(), "eva"}, dialogs, clock, Durability::NoFlush);
    store.OpenUserFile();
    store.OpenArchive();
    store.OpenSnoozes();
    ASSERT_EQ(dialogs.Count("error"), 3);
    EXPECT_EQ(dialogs.shown[0].text, "Súbor pripomienok sa nepodarilo otvoriť:\n" + Utf8FromPath(dir / "eva.dat") +
                                         "\n(na mieste súboru je zariadenie, rúra alebo iný zvláštny súbor).\n\n"
                                         "Pred prvým uložením sa program pokúsi súbor uschovať.");
    TSettings settings;
    EXPECT_EQ(OpenSetup(dir / "setup.dat", settings).status, SettingsStatus::Missing);
}

TEST(SpecialFiles, APipeInPlaceOfTheLockFileIsNoLock) {
    test::TempFolder dir;
    MakePipe(FolderLock::LockFileOf(dir.Path()));
    const FolderLock lock(dir.Path(), std::chrono::milliseconds(0));
    EXPECT_FALSE(lock);
    EXPECT_EQ(lock.ErrorCode(), kErrorNotRegularFile);
}
#endif

class LinkedFiles : public ::testing::Test {
protected:
    LinkedFiles() {
        clock.now = LocalMoment{Day(2026, 12, 7), 9, 0, 0};
        fs::create_directory(data.Path() / "synced");
    }
    // Windows lets only some accounts make symbolic links (and Wine none): there the tests have no subject.
    void SetUp() override {
        std::error_code ec;
        fs::create_symlink("synced", data.Path() / "probe", ec);
        if (ec) GTEST_SKIP() << "symbolic links cannot be made here: " << ec.message();
        fs::remove(data.Path() / "probe");
    }
    fs::path Synced(const std::string& name) const { return data.Path() / "synced" / name; }
    std::vector<std::string> SyncedNames() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(data.Path() / "synced"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder data;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
};

TEST_F(LinkedFiles, AWriteReplacesTheLinksTargetAndKeepsTheLink) {
    data.Write("synced/a.dat", {1});
    fs::create_symlink("synced/a.dat", data / "link1");  // relative, from the link's folder
    fs::create_symlink(data / "link1", data / "a.dat");  // a chain of two
    ASSERT_TRUE(WriteFileAtomically(data / "a.dat", std::vector<std::uint8_t>{7, 8}));
    EXPECT_TRUE(fs::is_symlink(data / "a.dat"));
    EXPECT_TRUE(fs::is_symlink(data / "link1"));
    EXPECT_EQ(data.Read("synced/a.dat"), (std::vector<std::uint8_t>{7, 8}));
    EXPECT_EQ(ResolveLinks(data / "a.dat"), data / "synced/a.dat");
    // A link that leads nowhere yet gets its target created.
    fs::create_symlink("synced/new.dat", data / "new.dat");
    ASSERT_TRUE(WriteFileAtomically(data / "new.dat", std::vector<std::uint8_t>{3}));
    EXPECT_TRUE(fs::is_symlink(data / "new.dat"));
    EXPECT_EQ(data.Read("synced/new.dat"), std::vector<std::uint8_t>{3});
    // A circle is refused and leaves the links as they were.
    fs::create_symlink("loop2", data / "loop1");
    fs::create_symlink("loop1", data / "loop2");
    const WriteResult loop = WriteFileAtomically(data / "loop1", std::vector<std::uint8_t>{3});
    EXPECT_FALSE(loop);
    EXPECT_EQ(DescribeError(loop.errorCode), "odkazy na súbor vedú dookola");
    EXPECT_TRUE(fs::is_symlink(data / "loop1"));
}

TEST_F(LinkedFiles, EveryFileTheStoreWritesStaysALinkAndIsLockedWhereItLeads) {
    const ReminderList list{test::Ordinary(Day(2026, 12, 9), At(9, 0), "synchronizovaná")};
    data.Write("synced/eva.dat", *EncodeReminderFile(list));
    data.Write("synced/eva_old.dat", {});
    for (const char* name : {"eva.dat", "eva_old.dat", "eva.snooze", "setup.dat"})
        fs::create_symlink(data.Path() / "synced" / name, data / name);
    ReminderStore store(DataFiles{data.Path(), "eva"}, dialogs, clock, Durability::NoFlush);
    store.OpenUserFile();
    store.OpenArchive();
    ASSERT_EQ(store.Reminders(), list);
    store.Reminders().push_back(test::Ordinary(Day(2026, 12, 10), At(10, 0), "nová"));
    ASSERT_TRUE(store.Commit());
    store.Archive().push_back(list.front());
    ASSERT_TRUE(store.CommitArchive());
    store.Snoozes().push_back(PendingSnooze{});
    store.Snoozes().back().record = list.front();
    ASSERT_TRUE(store.SaveSnoozes());
    TSettings settings;
    settings.OverviewSeconds = 33;
    ASSERT_TRUE(SaveSetup(data / "setup.dat", settings));
    EXPECT_TRUE(dialogs.shown.empty());
    for (const char* name : {"eva.dat", "eva_old.dat", "eva.snooze", "setup.dat"})
        EXPECT_TRUE(fs::is_symlink(data / name)) << name;
    EXPECT_EQ(DecodeReminderFile(data.Read("synced/eva.dat")).records.size(), 2u);
    EXPECT_EQ(DecodeReminderFile(data.Read("synced/eva_old.dat")).records, list);
    EXPECT_EQ(ReadSnoozeFile(Synced("eva.snooze")).decoded.entries.size(), 1u);
    TSettings back;
    OpenSetup(Synced("setup.dat"), back);
    EXPECT_EQ(back.OverviewSeconds, 33);
    // The lock of the folder the files live in, and no temporary file left there.
    EXPECT_EQ(SyncedNames(),
              (std::vector<std::string>{".kalvo.lock", "eva.dat", "eva.snooze", "eva_old.dat", "setup.dat"}));
}

TEST_F(LinkedFiles, AChangeMadeThroughTheTargetIsMergedNotLost) {
    data.Write("synced/eva.dat", {});
    fs::create_symlink(Synced("eva.dat"), data / "eva.dat");
    ReminderStore mine(DataFiles{data.Path(), "eva"}, dialogs, clock, Durability::NoFlush);
    mine.OpenUserFile();
    // Another process that uses the synchronised folder itself.
    ReminderStore theirs(DataFiles{data.Path() / "synced", "eva"}, dialogs, clock, Durability::NoFlush);
    theirs.OpenUserFile();
    theirs.Reminders().push_back(test::Ordinary(Day(2026, 12, 9), At(9, 0), "ich"));
    ASSERT_TRUE(theirs.Commit());
    mine.Reminders().push_back(test::Ordinary(Day(2026, 12, 8), At(9, 0), "moja"));
    ASSERT_TRUE(mine.Commit());
    EXPECT_EQ(mine.Reminders().size(), 2u);
    EXPECT_EQ(DecodeReminderFile(data.Read("synced/eva.dat")).records.size(), 2u);
    EXPECT_TRUE(fs::is_symlink(data / "eva.dat"));
}

}  // namespace
}  // namespace kalvo::storage
