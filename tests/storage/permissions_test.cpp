// Who may read the files: a user's reminders are the user's alone, a file keeps the permissions and the
// owner it has across saves, and what the users of a shared folder share stays open to them.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system_paths.h"
#include "storage/extra_settings_file.h"
#include "storage/folder_lock.h"
#include "storage/reminder_store.h"
#include "storage/settings_file.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

namespace fs = std::filesystem;
using test::At;
using test::Day;

unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 01000000;
}

class FilePermissions : public ::testing::Test {
protected:
    FilePermissions() : oldMask_(::umask(022)) { clock.now = LocalMoment{Day(2026, 12, 7), 20, 15, 30}; }
    ~FilePermissions() override { ::umask(oldMask_); }

    ReminderStore Open(const fs::path& folder) {
        ReminderStore store(DataFiles{folder, "eva"}, dialogs, clock, Durability::NoFlush);
        store.OpenUserFile();
        store.OpenArchive();
        store.OpenSnoozes();
        return store;
    }

    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    const TReminder reminder = test::Ordinary(Day(2026, 12, 8), At(9, 0), "zubár");

private:
    mode_t oldMask_;
};

TEST_F(FilePermissions, WhatKalvoCreatesIsTheUsersAloneAndExportsAreOrdinaryFiles) {
    ReminderStore store = Open(dir.Path());
    store.Reminders().push_back(reminder);
    ASSERT_TRUE(store.Commit());
    store.Archive().push_back(reminder);
    ASSERT_TRUE(store.CommitArchive());
    store.Snoozes().push_back({std::int64_t{86400} * 46000, SnoozeKind::Event, reminder});
    ASSERT_TRUE(store.SaveSnoozes());
    for (const char* name : {"eva.dat", "eva_old.dat", "eva.snooze"}) EXPECT_EQ(ModeOf(dir / name), 0600u) << name;

    // The settings of a folder only its user may write, and an export, which is meant for elsewhere.
    TSettings settings;
    settings.LatenessLimitOn = true;
    ASSERT_TRUE(SaveSetup(dir / "setup.dat", settings));
    ASSERT_TRUE(SaveExtraSetup(dir / "setup.ini", settings));
    ASSERT_TRUE(store.SaveTo(dir / "set.kvl", store.Reminders()));
    EXPECT_EQ(ModeOf(dir / "setup.dat"), 0600u);
    EXPECT_EQ(ModeOf(dir / "setup.ini"), 0600u);
    EXPECT_EQ(ModeOf(dir / "set.kvl"), 0644u);
    // The lock file holds nothing, and every user who may write the folder must be able to take it.
    EXPECT_EQ(ModeOf(FolderLock::LockFileOf(dir.Path())), 0644u);
}

TEST_F(FilePermissions, TheSettingsOfASharedFolderStayOpenToThoseWhoShareIt) {
    for (const unsigned folderMode : {0775u, 0777u}) {
        const fs::path shared = dir / std::to_string(folderMode);
        fs::create_directory(shared);
        ::chmod(shared.c_str(), folderMode);
        TSettings settings;
        settings.LatenessLimitOn = true;
        ASSERT_TRUE(SaveSetup(shared / "setup.dat", settings));
        ASSERT_TRUE(SaveExtraSetup(shared / "setup.ini", settings));
        const unsigned expected = folderMode == 0775u ? 0660u : 0666u;
        EXPECT_EQ(ModeOf(shared / "setup.dat"), expected);
        EXPECT_EQ(ModeOf(shared / "setup.ini"), expected);
        // Each user's reminders are that user's alone, even there.
        ReminderStore store = Open(shared);
        EXPECT_EQ(ModeOf(shared / "eva.dat"), 0600u);
    }
}

TEST_F(FilePermissions, AFileKeepsItsPermissionsAcrossSaves) {
    ReminderStore store = Open(dir.Path());
    ::chmod((dir / "eva.dat").c_str(), 0640);
    store.Reminders().push_back(reminder);
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(ModeOf(dir / "eva.dat"), 0640u);

    TSettings settings;
    ASSERT_TRUE(SaveSetup(dir / "setup.dat", settings));
    ::chmod((dir / "setup.dat").c_str(), 0604);
    settings.OverviewSeconds = 30;
    ASSERT_TRUE(SaveSetup(dir / "setup.dat", settings));
    EXPECT_EQ(ModeOf(dir / "setup.dat"), 0604u);

    // A damaged file's copy is as closed as the file.
    auto damaged = *EncodeReminderFile({reminder});
    damaged.resize(damaged.size() - 5);
    ASSERT_TRUE(WriteFileAtomically(dir / "ben.dat", damaged));
    ::chmod((dir / "ben.dat").c_str(), 0640);
    ReminderStore ben(DataFiles{dir.Path(), "ben"}, dialogs, clock, Durability::NoFlush);
    ben.OpenUserFile();
    EXPECT_EQ(ModeOf(dir / "ben.dat.poskodeny-20261207-201530"), 0640u);
}

TEST_F(FilePermissions, AnotherUsersFileKeepsItsOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    ReminderStore store = Open(dir.Path());
    ASSERT_EQ(::chown((dir / "eva.dat").c_str(), 54321, 54321), 0);
    store.Reminders().push_back(reminder);
    ASSERT_TRUE(store.Commit());
    struct stat st {};
    ASSERT_EQ(::stat((dir / "eva.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 54321u);
    EXPECT_EQ(st.st_gid, 54321u);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(FilePermissions, TheDataFolderIsMadeForItsUserAloneAndAPortableFolderLeftAsItIs) {
    const fs::path home = dir / "home";
    test::ScopedEnv xdg("XDG_DATA_HOME", Utf8FromPath(home / "data"));
    const fs::path installed = dir / "usr" / "bin";  // its calendar lies in ../share/kalvo
    fs::create_directories(installed.parent_path() / "share" / "kalvo");
    dir.Write("usr/share/kalvo/calend.dat", {1});
    EXPECT_EQ(ResolveProgramFolder(installed), home / "data" / "kalvo");
    EXPECT_EQ(ModeOf(home / "data" / "kalvo"), 0700u);
    EXPECT_EQ(ModeOf(home / "data"), 0700u);

    const fs::path portable = dir / "portable";
    fs::create_directory(portable);
    ::chmod(portable.c_str(), 0775);
    dir.Write("portable/calend.dat", {1});
    EXPECT_EQ(ResolveProgramFolder(portable), portable);
    EXPECT_EQ(ModeOf(portable), 0775u);
}

}  // namespace
}  // namespace kalvo::storage
#endif
