#include "platform/system_paths.h"

#include <gtest/gtest.h>

#include "storage/file_io.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace kalvo {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kDataVariable = "APPDATA";
constexpr const char* kDataFolderName = "Kalvo";
#else
constexpr const char* kDataVariable = "XDG_DATA_HOME";
constexpr const char* kDataFolderName = "kalvo";
#endif

class SystemPathsTest : public ::testing::Test {
protected:
    SystemPathsTest() : data_(kDataVariable, storage::Utf8FromPath(dir / "data")) {}

    fs::path UserData() const { return dir / "data" / kDataFolderName; }

    test::TempFolder dir;
    test::ScopedEnv data_;
};

TEST_F(SystemPathsTest, PortableCopyKeepsItsDataBesideItself) {
    fs::create_directories(dir / "kalvo");
    dir.Write("kalvo/calend.dat", {1});
    EXPECT_EQ(ResolveProgramFolder(dir / "kalvo"), dir / "kalvo");
    // A folder without any calendar (a fresh build) counts as portable as well.
    fs::create_directories(dir / "bare");
    EXPECT_EQ(ResolveProgramFolder(dir / "bare"), dir / "bare");
    EXPECT_FALSE(fs::exists(UserData()));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bare", "kalvo"})) << "the write probe is cleaned up";
}

TEST_F(SystemPathsTest, InstalledCopyKeepsItsDataPerUser) {
    fs::create_directories(dir / "usr/bin");
    fs::create_directories(dir / "usr/share/kalvo");
    dir.Write("usr/share/kalvo/calend.dat", {1});
    dir.Write("usr/share/kalvo/sound.wav", {2});
    // Even where the program's folder could be written (root, or a prefix in the home folder).
    EXPECT_EQ(ResolveProgramFolder(dir / "usr/bin"), UserData());
    EXPECT_TRUE(fs::is_directory(UserData()));
    EXPECT_EQ(FindAssetBeside(dir / "usr/bin", "calend.dat"), dir / "usr/share/kalvo/calend.dat");
    // A file beside the program wins over the installed one.
    dir.Write("usr/bin/sound.wav", {3});
    EXPECT_EQ(FindAssetBeside(dir / "usr/bin", "sound.wav"), dir / "usr/bin/sound.wav");
    EXPECT_TRUE(FindAssetBeside(dir / "usr/bin", "none.dat").empty());
}

TEST_F(SystemPathsTest, UserDataFolderFollowsTheEnvironment) {
    EXPECT_EQ(UserDataFolder(), UserData());
#ifndef _WIN32
    // Only an absolute XDG_DATA_HOME counts; otherwise the home folder's default.
    test::ScopedEnv home("HOME", storage::Utf8FromPath(dir / "home"));
    test::ScopedEnv relative("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(UserDataFolder(), dir / "home" / ".local" / "share" / "kalvo");
#endif
    EXPECT_FALSE(LogonUserName().empty());
}

}  // namespace
}  // namespace kalvo
