// Two processes of Kalvo writing the same folder: the lock, change detection and the merge by record.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <functional>
#endif

#include "core/cp1250.h"
#include "storage/folder_lock.h"
#include "storage/record_merge.h"
#include "storage/reminder_store.h"
#include "storage/settings_file.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

using namespace std::chrono_literals;
using test::At;
using test::Day;
using test::Ordinary;

TReminder R(int day, const char* text) { return Ordinary(Day(2027, 1, day), At(9, 0), text); }

std::vector<std::string> Texts(const ReminderList& list) {
    std::vector<std::string> texts;
    for (const TReminder& r : list) texts.push_back(r.Text);
    return texts;
}

TEST(MergeRecordsTest, KeepsBothSidesChangesByContent) {
    const ReminderList base{R(1, "a"), R(2, "b"), R(3, "c")};
    TReminder bEdited = R(2, "b");
    bEdited.NoticeNext = 5;  // the scheduler moved its notice on
    const ReminderList mine{R(1, "a"), bEdited, R(3, "c"), R(4, "mine")};
    const ReminderList theirs{R(2, "b"), R(3, "c"), R(5, "theirs")};  // "a" deleted
    const ReminderList merged = MergeRecords(base, mine, theirs);
    EXPECT_EQ(Texts(merged), (std::vector<std::string>{"c", "theirs", "b", "mine"}));
    EXPECT_EQ(merged[2].NoticeNext, 5);
}

TEST(MergeRecordsTest, EqualRecordsCountOneByOne) {
    // Two identical reminders: the other side deleting one leaves the second; adding one more adds it.
    const ReminderList base{R(1, "x"), R(1, "x")};
    EXPECT_EQ(MergeRecords(base, base, {R(1, "x")}).size(), 1u);
    EXPECT_EQ(MergeRecords(base, {R(1, "x")}, {R(1, "x")}).size(), 1u);  // both deleted the same one
    EXPECT_EQ(MergeRecords(base, base, {R(1, "x"), R(1, "x"), R(1, "x")}).size(), 3u);
    EXPECT_EQ(MergeRecords(base, {R(1, "x"), R(1, "x"), R(1, "x")}, {R(1, "x"), R(1, "x"), R(1, "x")}).size(), 4u);
}

TEST(MergeRecordsTest, ARescuedListTakenBackDoublesNothing) {
    const ReminderList base{R(1, "a"), R(2, "b")};
    const ReminderList mine{R(2, "b"), R(3, "c"), R(3, "c")};  // "a" deleted, "c" added twice
    const ReminderList current{R(1, "a"), R(2, "b"), R(4, "d")};
    const ReminderList once = MergeRescued(base, mine, current);
    EXPECT_EQ(Texts(once), (std::vector<std::string>{"b", "d", "c", "c"}));
    EXPECT_EQ(MergeRescued(base, mine, once), once);  // taken back a second time
    // Without its base only the additions come back, and none twice.
    EXPECT_EQ(Texts(MergeRescued({}, mine, current)), (std::vector<std::string>{"a", "b", "d", "c", "c"}));
}

class SharedWritersTest : public ::testing::Test {
protected:
    SharedWritersTest() {
        clock.now = LocalMoment{Day(2026, 12, 7), 20, 15, 30};
        SetLockWait(50ms);
    }
    ~SharedWritersTest() override { SetLockWait(kDefaultLockWait); }

    ReminderStore Open(test::FakeDialogs& d) {
        ReminderStore store(DataFiles{dir.Path(), "eva"}, d, clock, Durability::NoFlush);
        store.OpenUserFile();
        store.OpenArchive();
        return store;
    }
    ReminderList OnDisk(const std::string& name) const { return DecodeReminderFile(dir.Read(name)).records; }

    test::TempFolder dir;
    test::FakeDialogs dialogsA, dialogsB;
    test::FakeClock clock;
};

TEST_F(SharedWritersTest, ASaveAfterAnotherProcessSavedAddsToWhatItWrote) {
    ReminderStore a = Open(dialogsA);
    ReminderStore b = Open(dialogsB);
    b.Reminders().push_back(R(2, "from b"));
    ASSERT_TRUE(b.Commit());
    a.Reminders().push_back(R(1, "from a"));
    ASSERT_TRUE(a.Commit());
    EXPECT_EQ(Texts(OnDisk("eva.dat")), (std::vector<std::string>{"from a", "from b"}));  // sorted by date
    EXPECT_EQ(a.Reminders(), OnDisk("eva.dat"));

    // b deletes its own record, knowing nothing of a's: a's stays.
    b.Reminders().clear();
    ASSERT_TRUE(b.Commit());
    EXPECT_EQ(Texts(OnDisk("eva.dat")), std::vector<std::string>{"from a"});

    b.Archive().push_back(R(3, "old b"));
    ASSERT_TRUE(b.SaveArchive());
    a.Archive().push_back(R(4, "old a"));
    ASSERT_TRUE(a.CommitArchive());
    EXPECT_EQ(Texts(OnDisk("eva_old.dat")), (std::vector<std::string>{"old b", "old a"}));
    EXPECT_TRUE(dialogsA.shown.empty());
    EXPECT_TRUE(dialogsB.shown.empty());
}

TEST_F(SharedWritersTest, OutsideChangesAreTakenInWithoutLosingUnsavedOnes) {
    ReminderStore a = Open(dialogsA);
    ReminderStore b = Open(dialogsB);
    int reloads = 0;
    a.onReloaded = [&] { ++reloads; };
    EXPECT_FALSE(a.TakeOutsideChanges());
    b.Reminders() = {R(5, "e"), R(1, "a")};
    ASSERT_TRUE(b.Commit());
    EXPECT_TRUE(a.TakeOutsideChanges());
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(a.Reminders(), OnDisk("eva.dat"));  // taken as written, in the file's order
    EXPECT_FALSE(a.TakeOutsideChanges());

    // A failed save of a's keeps its change in memory; b's next change joins it there.
    a.Reminders().push_back(R(3, "unsaved"));
    b.Reminders().push_back(R(9, "i"));
    ASSERT_TRUE(b.Commit());
    EXPECT_TRUE(a.TakeOutsideChanges());
    EXPECT_EQ(Texts(a.Reminders()), (std::vector<std::string>{"a", "e", "i", "unsaved"}));
}

// A writer remembers what it wrote as bytes and decodes them only to merge another writer's change, so
// those bytes must give back exactly its list, whatever the records hold.
TEST_F(SharedWritersTest, TheMergeBaseIsExactlyWhatWasWrittenWhateverTheRecordsHold) {
    ReminderStore a = Open(dialogsA);
    ReminderStore b = Open(dialogsB);
    std::string everyCharacter;
    for (int byte = 1; byte < 256; ++byte) everyCharacter += DecodeCp1250(std::string(1, static_cast<char>(byte)));
    TReminder odd = R(2, "");
    odd.Text = everyCharacter;
    odd.Time = std::numeric_limits<double>::quiet_NaN();  // equal to nothing, not even itself
    odd.Picture = "C:\\obrázky\\ľúbezná.jpg";
    odd.Notice = 7;
    odd.IsBirthday = 200;
    TReminder empty = R(3, "");
    empty.Melody = "\u0081\u0098";
    a.Reminders() = {R(1, "prvá"), odd, empty, R(4, "štvrtá")};
    ASSERT_TRUE(a.Commit(false));

    // b adds one and a deletes one: both changes stand, and nothing a wrote comes back twice or is lost.
    b.Reminders().push_back(R(5, "od b"));
    ASSERT_TRUE(b.Commit(false));
    a.Reminders().erase(a.Reminders().begin());
    ASSERT_TRUE(a.Commit(false));
    const ReminderList result = OnDisk("eva.dat");
    ASSERT_EQ(result.size(), 4u);
    EXPECT_EQ(Texts(result), (std::vector<std::string>{everyCharacter, "", "štvrtá", "od b"}));
    EXPECT_TRUE(std::isnan(result[0].Time));
    EXPECT_EQ(result[0].IsBirthday, 200);
    EXPECT_EQ(result[1].Melody, "\u0081\u0098");
    EXPECT_TRUE(dialogsA.shown.empty());
}

TEST_F(SharedWritersTest, AFileDamagedMeanwhileIsNotOverwritten) {
    ReminderStore a = Open(dialogsA);
    dir.Write("eva.dat", {1, 2, 3});
    a.Reminders().push_back(R(1, "a"));
    EXPECT_FALSE(a.Commit());
    EXPECT_EQ(dir.Read("eva.dat"), (std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_EQ(dialogsA.Count("error"), 1);
    EXPECT_NE(dialogsA.shown[0].text.find("iný program ho medzičasom zmenil"), std::string::npos);
    EXPECT_EQ(a.Reminders().size(), 1u);
}

TEST_F(SharedWritersTest, AWriterWaitsForTheLockOnlySoLong) {
    ReminderStore a = Open(dialogsA);
    const auto before = dir.Read("eva.dat");
    const FolderLock other(dir.Path(), 0ms);
    ASSERT_TRUE(other);
    EXPECT_FALSE(FolderLock(dir.Path(), 0ms));
    a.Reminders().push_back(R(1, "a"));
    EXPECT_FALSE(a.Commit());
    EXPECT_EQ(dir.Read("eva.dat"), before);
    ASSERT_EQ(dialogsA.Count("error"), 1);
    EXPECT_NE(dialogsA.shown[0].text.find("(do priečinka práve zapisuje iný program Kalvo"), std::string::npos);
    TSettings s;
    EXPECT_EQ(SaveSetup(dir / "setup.dat", s).errorCode, kErrorLockTimeout);
    EXPECT_FALSE(dir.Exists("setup.dat"));
}

TEST_F(SharedWritersTest, SettingsChangedMeanwhileKeepTheOtherProcessFields) {
    TSettings mine;
    OpenSetup(dir / "setup.dat", mine);
    TSettings theirs = mine;
    theirs.AnimateWindows = 0;
    dir.Write("setup.dat", *EncodeSettings(theirs));  // another process read the same and saved
    mine.OverviewSeconds = 45;
    ASSERT_TRUE(SaveSetup(dir / "setup.dat", mine));
    TSettings back;
    OpenSetup(dir / "setup.dat", back);
    EXPECT_EQ(back.AnimateWindows, 0);
    EXPECT_EQ(back.OverviewSeconds, 45);
    EXPECT_EQ(mine, back);
}

#ifndef _WIN32
// Runs `step` in a child process as the user `uid` and returns its exit status (0 when every check held).
int AsOtherUser(uid_t uid, const std::function<int()>& step) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0)
            ::_exit(100);
        ::_exit(step());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

// Two users of one folder (a portable copy both can write): the lock file one made, the other takes too.
TEST(FolderLockTest, AnotherUsersLockIsTakenAndNeverWrittenAround) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    test::TempFolder dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    SetLockWait(50ms);
    constexpr uid_t kOther = 54322;
    // The other user adds a reminder to its own file; bit 1: the save, bit 2: the change kept after a
    // refusal, 4: the message names the cause.
    const auto add = [&](const char* text, const char* cause) {
        return AsOtherUser(kOther, [&] {
            test::FakeDialogs dialogs;
            test::FakeClock clock;
            ReminderStore store(DataFiles{dir.Path(), "ben"}, dialogs, clock, Durability::NoFlush);
            store.OpenUserFile();
            store.Reminders().push_back(R(1, text));
            if (store.Commit()) return 1;
            const bool told = std::any_of(dialogs.shown.begin(), dialogs.shown.end(), [&](const auto& shown) {
                return shown.kind == "error" && shown.text.find(cause) != std::string::npos;
            });
            return (store.HasUnsavedChanges() ? 2 : 0) | (told ? 4 : 0);
        });
    };
    {
        const FolderLock mine(dir.Path(), 0ms);  // made by this user, held while the other writes
        ASSERT_TRUE(mine);
        EXPECT_EQ(add("čaká", "do priečinka práve zapisuje iný program Kalvo"), 2 | 4);
        EXPECT_FALSE(dir.Exists("ben.dat"));
    }
    EXPECT_EQ(add("prvá", ""), 1);
    EXPECT_EQ(DecodeReminderFile(dir.Read("ben.dat")).records.size(), 1u);

    // A lock file that an older Kalvo made for its owner alone: refused, nothing written around it...
    const std::filesystem::path lockFile = FolderLock::LockFileOf(dir.Path());
    std::filesystem::permissions(lockFile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(add("druhá", "zámok priečinka .kalvo.lock vytvoril iný používateľ"), 2 | 4);
    EXPECT_EQ(DecodeReminderFile(dir.Read("ben.dat")).records.size(), 1u);
    // ...until its owner's next lock opens it to the folder's other users.
    EXPECT_TRUE(FolderLock(dir.Path(), 0ms));
    EXPECT_EQ(add("druhá", ""), 1);
    EXPECT_EQ(DecodeReminderFile(dir.Read("ben.dat")).records.size(), 2u);
    SetLockWait(kDefaultLockWait);
}

TEST(FolderLockTest, AKilledHolderLeavesNoLockBehind) {
    test::TempFolder dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const FolderLock held(dir.Path(), 0ms);
        const char ok = held ? '1' : '0';
        if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    EXPECT_FALSE(FolderLock(dir.Path(), 0ms));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(FolderLock(dir.Path(), 0ms));
    ::close(ready[0]);
    ::close(ready[1]);
}
#endif

}  // namespace
}  // namespace kalvo::storage
