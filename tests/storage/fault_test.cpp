// Saving when the disk says no: a full disk, a read-only folder, files that cannot be read. Every case
// must end with a Slovak message, the list in memory as the user left it and no file lost. The faults are
// real where the machine allows it (a tiny tmpfs, a read-only remount) and injected everywhere.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "core/zorad.h"
#include "platform/system_paths.h"
#include "storage/reminder_store.h"
#include "storage/settings_file.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/mounts.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kalvo::storage {
namespace {

namespace fs = std::filesystem;
using test::At;
using test::Day;

class InjectedFailure {
public:
    explicit InjectedFailure(int error) { InjectWriteFailureForTests(error); }
    ~InjectedFailure() { InjectWriteFailureForTests(0); }
    InjectedFailure(const InjectedFailure&) = delete;
    InjectedFailure& operator=(const InjectedFailure&) = delete;
};

std::vector<std::uint8_t> ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(Utf8FromPath(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

class FaultTest : public ::testing::Test {
protected:
    FaultTest() { clock.now = LocalMoment{Day(2026, 12, 7), 20, 15, 30}; }

    // Fills `folder` with the user's file (two reminders), an archive of one and a settings file.
    void Populate(const fs::path& folder) {
        ASSERT_TRUE(WriteFileAtomically(folder / "eva.dat", *EncodeReminderFile(saved)));
        ASSERT_TRUE(WriteFileAtomically(folder / "eva_old.dat", *EncodeReminderFile({saved[0]})));
        TSettings settings;
        settings.OverviewSeconds = 20;
        ASSERT_TRUE(SaveSetup(folder / "setup.dat", settings));
    }

    // Opens the store on `folder` and makes a change that is not saved yet.
    ReminderStore OpenAndChange(const fs::path& folder) {
        ReminderStore store(DataFiles{folder, "eva"}, dialogs, clock);
        store.OpenUserFile();
        store.OpenArchive();
        store.Reminders().push_back(added);
        store.Archive().push_back(added);
        return store;
    }

    // Every save fails with `reason` in its message; the files stay as they were and nothing is left behind.
    void ExpectEverySaveRefused(ReminderStore& store, const fs::path& folder, const std::string& reason) {
        const auto names = Names(folder);
        const auto userFile = ReadAll(folder / "eva.dat");
        const auto archive = ReadAll(folder / "eva_old.dat");
        const auto setup = ReadAll(folder / "setup.dat");
        const std::size_t shown = dialogs.shown.size();

        int reloads = 0;
        store.onReloaded = [&] { ++reloads; };
        EXPECT_FALSE(store.Commit());
        EXPECT_FALSE(store.CommitArchive());
        EXPECT_FALSE(store.SaveTo(folder / "export.kvl", store.Reminders()));
        TSettings settings;
        EXPECT_FALSE(SaveSetup(folder / "setup.dat", settings));

        ASSERT_EQ(dialogs.shown.size(), shown + 3);
        for (std::size_t i = shown; i < dialogs.shown.size(); ++i) {
            EXPECT_EQ(dialogs.shown[i].kind, "error");
            EXPECT_EQ(dialogs.shown[i].caption, "Kalvo");
            EXPECT_NE(dialogs.shown[i].text.find("(" + reason + ")"), std::string::npos) << dialogs.shown[i].text;
        }
        // The program's own files catch up later; the export is simply not written.
        EXPECT_NE(dialogs.shown[shown].text.find("Zmeny zostávajú v pamäti programu"), std::string::npos);
        EXPECT_NE(dialogs.shown[shown + 1].text.find("Zmeny zostávajú v pamäti programu"), std::string::npos);
        EXPECT_NE(dialogs.shown[shown].text.find("Súbor pripomienok sa nepodarilo uložiť"), std::string::npos);
        EXPECT_NE(dialogs.shown[shown + 1].text.find("Súbor starých pripomienok sa nepodarilo uložiť"),
                  std::string::npos);

        EXPECT_EQ(reloads, 0);
        store.onReloaded = nullptr;  // `reloads` ends with this function
        EXPECT_EQ(store.Reminders().size(), 3u);
        EXPECT_EQ(store.Reminders().back(), added);
        EXPECT_EQ(store.Archive().size(), 2u);
        EXPECT_EQ(ReadAll(folder / "eva.dat"), userFile);
        EXPECT_EQ(ReadAll(folder / "eva_old.dat"), archive);
        EXPECT_EQ(ReadAll(folder / "setup.dat"), setup);
        EXPECT_EQ(Names(folder), names);
    }

    // Once writing works again, the kept changes reach the files.
    void ExpectSavedLater(ReminderStore& store, const fs::path& folder) {
        ASSERT_TRUE(store.Commit());
        ASSERT_TRUE(store.CommitArchive());
        EXPECT_EQ(DecodeReminderFile(ReadAll(folder / "eva.dat")).records.size(), 3u);
        EXPECT_EQ(DecodeReminderFile(ReadAll(folder / "eva_old.dat")).records.size(), 2u);
    }

    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    const ReminderList saved{test::Ordinary(Day(2026, 12, 8), At(9, 0), "zubár"),
                             test::Ordinary(Day(2026, 12, 9), At(9, 0), "kaderníčka")};
    const TReminder added = test::Ordinary(Day(2026, 12, 24), At(18, 0), std::string(3000, 'v'));
};

TEST_F(FaultTest, FullDiskInjected) {
    Populate(dir.Path());
    ReminderStore store = OpenAndChange(dir.Path());
    {
        InjectedFailure full(ENOSPC);
        ExpectEverySaveRefused(store, dir.Path(), "na disku nie je dosť miesta");
    }
    ExpectSavedLater(store, dir.Path());
}

TEST_F(FaultTest, DamagedFileThatCannotBeKeptAsideIsNotOverwritten) {
    auto damaged = *EncodeReminderFile(saved);
    damaged.resize(damaged.size() - 5);
    dir.Write("eva.dat", damaged);
    ReminderStore store(DataFiles{dir.Path(), "eva"}, dialogs, clock);
    {
        InjectedFailure full(ENOSPC);
        store.OpenUserFile();
        ASSERT_EQ(dialogs.Count("error"), 1);
        EXPECT_NE(dialogs.shown[0].text.find("Súbor pripomienok nebolo možné prečítať celý"), std::string::npos);
        EXPECT_NE(dialogs.shown[0].text.find("Pôvodný súbor sa nepodarilo uschovať (na disku nie je dosť miesta), "
                                             "preto sa neprepíše"),
                  std::string::npos);
        store.Reminders().push_back(added);
        EXPECT_FALSE(store.Commit());
    }
    EXPECT_EQ(dir.Read("eva.dat"), damaged);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"eva.dat"});

    // With room again, a save first keeps the damaged file and still refuses nothing else.
    clock.now.minute = 16;
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(dir.Read("eva.dat.poskodeny-20261207-201630"), damaged);
    EXPECT_EQ(DecodeReminderFile(dir.Read("eva.dat")).records, (ReminderList{saved[0], added}));
    clock.now.minute = 17;
    ASSERT_TRUE(store.Commit());  // kept once is enough
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"eva.dat", "eva.dat.poskodeny-20261207-201630"}));
}

#ifdef _WIN32
TEST_F(FaultTest, FileLockedByAnotherProgramIsNotOverwrittenUntilItCanBeKept) {
    Populate(dir.Path());
    const auto original = dir.Read("eva.dat");
    // Another program holds the file open and shares it with nobody.
    HANDLE lock = CreateFileW((dir / "eva.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ReminderStore store(DataFiles{dir.Path(), "eva"}, dialogs, clock);
    store.OpenUserFile();
    EXPECT_TRUE(store.Reminders().empty());
    ASSERT_EQ(dialogs.Count("error"), 1);
    EXPECT_NE(dialogs.shown[0].text.find("Súbor pripomienok sa nepodarilo otvoriť"), std::string::npos);
    store.Reminders().push_back(added);
    EXPECT_FALSE(store.Commit());
    EXPECT_NE(dialogs.shown.back().text.find("nepodarilo uschovať"), std::string::npos);
    CloseHandle(lock);
    EXPECT_EQ(dir.Read("eva.dat"), original);

    // Readable again, the file is kept aside and its records, never read before, are merged in.
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(dir.Read("eva.dat.poskodeny-20261207-201530"), original);
    ReminderList expected = DecodeReminderFile(original).records;
    expected.push_back(added);
    Zorad(expected);
    EXPECT_EQ(DecodeReminderFile(dir.Read("eva.dat")).records, expected);
}
#endif

// A real tmpfs: a folder of its own under the test's temporary folder.
class RealFaultTest : public FaultTest {
protected:
    RealFaultTest() : folder(dir / "data") { fs::create_directory(folder); }
    const fs::path folder;
};

TEST_F(RealFaultTest, ReadOnlyFolder) {
    test::ScopedTmpfs mount(folder, 1 << 20);
    if (!mount.Mounted()) GTEST_SKIP() << "this machine does not allow mounting a tmpfs";
    Populate(folder);
    ReminderStore store = OpenAndChange(folder);
    ASSERT_TRUE(mount.SetReadOnly(true));
    ExpectEverySaveRefused(store, folder, "priečinok je len na čítanie");

    // A portable copy on a read-only medium keeps its data in the user's folder instead.
    std::ofstream(folder / "never") << "";  // root is refused as well
    EXPECT_FALSE(fs::exists(folder / "never"));
    test::ScopedEnv xdg("XDG_DATA_HOME", Utf8FromPath(dir / "xdg"));
    EXPECT_FALSE(IsWritableFolder(folder));
    EXPECT_EQ(ResolveProgramFolder(folder), dir / "xdg" / "kalvo");

    ASSERT_TRUE(mount.SetReadOnly(false));
    ExpectSavedLater(store, folder);
}

TEST_F(RealFaultTest, FullDisk) {
    test::ScopedTmpfs mount(folder, 64 * 1024);
    if (!mount.Mounted()) GTEST_SKIP() << "this machine does not allow mounting a tmpfs";
    Populate(folder);
    ReminderStore store = OpenAndChange(folder);
    {
        // Take every block that is left.
        std::ofstream filler(folder / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block.data(), static_cast<std::streamsize>(block.size())); ++i)
            filler.flush();
    }
    ExpectEverySaveRefused(store, folder, "na disku nie je dosť miesta");

    fs::remove(folder / "filler");
    ExpectSavedLater(store, folder);
}

TEST_F(RealFaultTest, DamagedFileOnAReadOnlyMediumIsKeptOnceWritable) {
    test::ScopedTmpfs mount(folder, 1 << 20);
    if (!mount.Mounted()) GTEST_SKIP() << "this machine does not allow mounting a tmpfs";
    auto damaged = *EncodeReminderFile(saved);
    damaged[8] = 9;  // a count of records the file does not hold
    ASSERT_TRUE(WriteFileAtomically(folder / "eva.dat", damaged));
    ASSERT_TRUE(mount.SetReadOnly(true));

    ReminderStore store(DataFiles{folder, "eva"}, dialogs, clock);
    store.OpenUserFile();
    EXPECT_EQ(store.Reminders(), saved);
    ASSERT_EQ(dialogs.Count("error"), 1);
    EXPECT_NE(dialogs.shown[0].text.find("Načítali sa 2 pripomienky pred miestom poškodenia."), std::string::npos);
    EXPECT_NE(dialogs.shown[0].text.find("nepodarilo uschovať (priečinok je len na čítanie)"), std::string::npos);

    ASSERT_TRUE(mount.SetReadOnly(false));
    store.Reminders().push_back(added);
    ASSERT_TRUE(store.Commit());
    EXPECT_EQ(ReadAll(folder / "eva.dat.poskodeny-20261207-201530"), damaged);
    EXPECT_EQ(DecodeReminderFile(ReadAll(folder / "eva.dat")).records.size(), 3u);
}

}  // namespace
}  // namespace kalvo::storage
