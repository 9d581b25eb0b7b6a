// The Windows backend on a real (or emulated) Windows. Nothing here switches anything off or plays a
// sound: ExitWindowsEx is replaced, and only files that cannot be played are offered to the player.

#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <windows.h>
// windows.h turns PlaySound into PlaySoundA, which would rename the platform's member below.
#undef PlaySound

#include <vector>

#include "core/time_zone.h"
#include "platform/system_paths.h"
#include "storage/file_io.h"
#include "support/temp_folder.h"

namespace kalvo {
namespace {

namespace fs = std::filesystem;

TEST(Win32Platform, NamesThisWindowsAndShutsDownThroughThePrivilege) {
    const WindowsVersionData v = ReadWindowsVersion();
    ASSERT_TRUE(v.read);
    EXPECT_TRUE(v.extended);
    EXPECT_EQ(v.platformId, kPlatformNT);
    EXPECT_GE(v.major, 5u);

    std::vector<unsigned> requests;
    Win32Platform platform([&](unsigned flags) {
        requests.push_back(flags);
        return true;
    });
    EXPECT_EQ(platform.OperatingSystemName(), WindowsDisplayName(v));
    EXPECT_EQ(platform.OperatingSystemName().rfind("MS Windows ", 0), 0u) << platform.OperatingSystemName();

    // The token, the privilege look-up and the adjustment are the system's own; only the request is not.
    platform.ShutDown();
    EXPECT_EQ(requests, std::vector<unsigned>{kExitPowerOffForced});
}

TEST(Win32Platform, FindsItsFilesBesideTheProgram) {
    Win32Platform platform([](unsigned) { return false; });
    const fs::path folder = ExecutablePath().parent_path();
    EXPECT_EQ(platform.UserName(), LogonUserName());
    EXPECT_FALSE(platform.UserName().empty());
    // The build's folder holds calend.dat, so it is a portable install that keeps its data there.
    EXPECT_EQ(platform.ProgramFolder(), folder);
    EXPECT_EQ(platform.FindAsset("calend.dat"), folder / "calend.dat");
    EXPECT_EQ(platform.FindAsset("sound.wav"), folder / "sound.wav");
    EXPECT_TRUE(platform.FindAsset("none.wav").empty());
}

TEST(Win32Platform, FilesThatAreNoWaveAreRefusedWithoutASound) {
    Win32Platform platform([](unsigned) { return false; });
    test::TempFolder dir;
    dir.Write("text.wav", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'T', 'E', 'X', 'T'});
    dir.Write("short.wav", {'R', 'I', 'F', 'F'});
    EXPECT_FALSE(platform.PlaySound(dir / "text.wav", SoundMode::Async));
    EXPECT_FALSE(platform.PlaySound(dir / "short.wav", SoundMode::ToEnd));
    EXPECT_FALSE(platform.PlaySound(dir / "missing.wav", SoundMode::Async));
    EXPECT_FALSE(platform.PlaySound(storage::PathFromUtf8("Žltý kôň.wav"), SoundMode::Async));  // no such asset
}

TEST(Win32Platform, HearsTheSystemAnnounceAChangeOfItsTimeOrZone) {
    TakeTimeZoneAnnouncement();
    Win32Platform platform([](unsigned) { return false; });
    const HWND window = static_cast<HWND>(platform.Events().Window());
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(TakeTimeZoneAnnouncement());
    SendMessageW(window, WM_TIMECHANGE, 0, 0);
    EXPECT_TRUE(TakeTimeZoneAnnouncement());
    EXPECT_FALSE(TakeTimeZoneAnnouncement());
}

}  // namespace
}  // namespace kalvo
