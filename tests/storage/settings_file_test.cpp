#include "storage/settings_file.h"

#include <gtest/gtest.h>

#include "support/hex.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

std::vector<std::uint8_t> Example() {
    return test::ReadHexFile(std::string(KALVO_GOLDEN_DIR) + "/setup_v21_example.hex");
}

TSettings ExampleSettings() {
    TSettings s;
    s.TimeSignalInterval = tsAtTime;
    s.TimeSignalAt = 0.75;
    s.DeleteOldReminders = 0;
    s.MoveToNextYear = 1;
    s.OverviewSeconds = 20;
    return s;
}

TEST(SettingsFile, WorkedExampleBothWays) {
    const auto bytes = Example();
    ASSERT_EQ(bytes.size(), 47u);
    EXPECT_EQ(EncodeSettings(ExampleSettings()), bytes);
    TSettings s;
    const SettingsLoad load = DecodeSettings(bytes, s);
    EXPECT_EQ(load.status, SettingsStatus::Ok);
    EXPECT_EQ(load.version, 2.1);
    EXPECT_EQ(s, ExampleSettings());
}

TEST(SettingsFile, NoFileKeepsTheBuiltInDefaults) {
    test::TempFolder dir;
    TSettings s;
    s.StandardMelody = "/x.wav";  // reset by the load even without a file
    s.TimeSignalInterval = tsNoon;
    EXPECT_EQ(OpenSetup(dir / "setup.dat", s).status, SettingsStatus::Missing);
    EXPECT_EQ(s, TSettings{});
    EXPECT_EQ(s.MoveToNextYear, 0);
    EXPECT_EQ(s.OverviewSeconds, 0);
}

TEST(SettingsFile, OlderVersionGivesOneAndTwentyAndIsSavedAsTheNewOne) {
    auto bytes = Example();
    const std::vector<std::uint8_t> v204 = {0x52, 0xb8, 0x1e, 0x85, 0xeb, 0x51, 0x00, 0x40};
    std::copy(v204.begin(), v204.end(), bytes.begin());
    bytes.resize(bytes.size() - 5);  // no fields 10 and 11
    TSettings s;
    EXPECT_EQ(DecodeSettings(bytes, s).status, SettingsStatus::Ok);
    EXPECT_EQ(s.MoveToNextYear, 1);
    EXPECT_EQ(s.OverviewSeconds, 20);
    EXPECT_EQ(EncodeSettings(s)->size(), 47u);
    // Cut inside its last field: the fields read are kept, the two of the newer version stay built in.
    bytes.resize(bytes.size() - 2);
    TSettings cut;
    EXPECT_EQ(DecodeSettings(bytes, cut).status, SettingsStatus::Truncated);
    EXPECT_EQ(cut.TimeSignalInterval, tsAtTime);
    EXPECT_EQ(cut.AnimateWindows, 1);
    EXPECT_EQ(cut.MoveToNextYear, 0);
    EXPECT_EQ(cut.OverviewSeconds, 0);
}

TEST(SettingsFile, ForeignVersionReadsNothingButTheVersion) {
    auto bytes = Example();
    bytes[7] = 0x41;
    TSettings s;
    const SettingsLoad load = DecodeSettings(bytes, s);
    EXPECT_EQ(load.status, SettingsStatus::UnknownVersion);
    EXPECT_EQ(s, TSettings{});
}

TEST(SettingsFile, TimeOfTheSignalOnlyWithItsCode) {
    TSettings s = ExampleSettings();
    s.TimeSignalInterval = tsHourly;
    const auto bytes = *EncodeSettings(s);
    EXPECT_EQ(bytes.size(), 39u);
    TSettings back;
    DecodeSettings(bytes, back);
    EXPECT_EQ(back.TimeSignalInterval, tsHourly);
    EXPECT_EQ(back.TimeSignalAt, -1.0);
}

TEST(SettingsFile, DamagedLengthsAndShortFiles) {
    auto bytes = Example();
    bytes[8] = 0xFF;  // melody length 255 bytes: past the end
    TSettings s;
    EXPECT_EQ(DecodeSettings(bytes, s).status, SettingsStatus::Corrupt);
    EXPECT_EQ(s.StandardMelody, "Default");
    bytes[11] = 0x80;  // negative
    EXPECT_EQ(DecodeSettings(bytes, s).status, SettingsStatus::Corrupt);
    EXPECT_EQ(DecodeSettings(std::vector<std::uint8_t>{1, 2, 3}, s).status, SettingsStatus::Truncated);
    EXPECT_EQ(DecodeSettings({}, s).status, SettingsStatus::Truncated);
}

TEST(SettingsFile, SaveThenLoadReproducesEveryStoredField) {
    test::TempFolder dir;
    TSettings s;
    s.StandardMelody = "/home/eva/Zvuky/zvonček.wav";
    s.TimeSignalInterval = tsAtTime;
    s.TimeSignalAt = 0.78125;
    s.DeleteOldReminders = 0;
    s.SlideNameWindow = 0;
    s.AnimateWindows = 0;
    s.StandardPicture = "Štandardný";
    s.MainPicture = "/home/eva/Obrázky/hlavný.jpg";
    s.MoveToNextYear = 1;
    s.OverviewSeconds = 7;
    s.ShutdownEnabled = 1;
    ASSERT_TRUE(SaveSetup(dir / "setup.dat", s));
    TSettings back;
    EXPECT_EQ(OpenSetup(dir / "setup.dat", back).status, SettingsStatus::Ok);
    s.ShutdownEnabled = 0;  // never stored
    EXPECT_EQ(back, s);
    s.MainPicture = "/home/\u4E2D.jpg";
    const WriteResult w = SaveSetup(dir / "setup.dat", s);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.errorCode, 0);
}

TEST(SettingsFile, ADamagedFileIsKeptAsideBeforeASaveReplacesIt) {
    test::TempFolder dir;
    auto damaged = Example();
    damaged.resize(damaged.size() - 3);  // cut inside the last field
    dir.Write("setup.dat", damaged);
    TSettings s;
    EXPECT_EQ(OpenSetup(dir / "setup.dat", s).status, SettingsStatus::Truncated);
    // No copy can be made where the folder is missing: the file stays as it is.
    ASSERT_FALSE(KeepDamagedSetup(dir / "setup.dat", dir / "none" / "setup.dat.poskodeny-1"));
    s.OverviewSeconds = 40;
    const WriteResult refused = SaveSetup(dir / "setup.dat", s);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.errorCode, kErrorDamagedNotKept);
    EXPECT_EQ(dir.Read("setup.dat"), damaged);
    // Once a copy is made, saves go through.
    std::filesystem::create_directory(dir / "none");
    EXPECT_TRUE(SaveSetup(dir / "setup.dat", s));
    EXPECT_EQ(dir.Read("none/setup.dat.poskodeny-1"), damaged);
    TSettings back;
    EXPECT_EQ(OpenSetup(dir / "setup.dat", back).status, SettingsStatus::Ok);
    EXPECT_EQ(back.OverviewSeconds, 40);
    EXPECT_TRUE(KeepDamagedSetup(dir / "setup.dat", dir / "other"));  // a sound file needs no copy
    EXPECT_FALSE(dir.Exists("other"));
}

}  // namespace
}  // namespace kalvo::storage
