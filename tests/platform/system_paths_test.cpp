// Where a program keeps its data: a portable copy beside itself, an installed one (marked by its
// installer, wherever it went) and one under Program Files in the user's own folder.

#include "platform/system_paths.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/scoped_env.h"
#include "support/temp_folder.h"

namespace kalvo {
namespace {

TEST(ProgramFilesTest, FolderInsideIsFoundWhateverTheCaseAndSlashes) {
    const std::vector<std::filesystem::path> roots{"C:\\Program Files", "C:\\Program Files (x86)\\"};
    EXPECT_TRUE(IsUnderProgramFiles("C:\\Program Files\\Kalvo", roots));
    EXPECT_TRUE(IsUnderProgramFiles("c:/program files/kalvo/", roots));
    EXPECT_TRUE(IsUnderProgramFiles("C:\\PROGRAM FILES (X86)\\Nastroje\\Kalvo", roots));
    EXPECT_TRUE(IsUnderProgramFiles("C:\\Program Files", roots));
}

TEST(ProgramFilesTest, NeighboursAndEmptyRootsAreNotInside) {
    EXPECT_FALSE(IsUnderProgramFiles("C:\\Program Files Kalvo", {"C:\\Program Files"}));
    EXPECT_FALSE(IsUnderProgramFiles("D:\\Kalvo", {"C:\\Program Files"}));
    EXPECT_FALSE(IsUnderProgramFiles("C:\\Kalvo", {""}));
    EXPECT_FALSE(IsUnderProgramFiles("C:\\Kalvo", {}));
}

class ProgramFolderTest : public ::testing::Test {
protected:
    ProgramFolderTest() {
        std::filesystem::create_directories(app);
        std::ofstream(app / "calend.dat") << "";
    }

    test::TempFolder dir;
    const std::filesystem::path app = dir / "Kalvo";
#ifdef _WIN32
    test::ScopedEnv data_{"APPDATA", (dir / "profile").string()};
#else
    test::ScopedEnv data_{"XDG_DATA_HOME", (dir / "profile").string()};
#endif
};

TEST_F(ProgramFolderTest, AnUnpackedFolderIsPortable) {
    EXPECT_FALSE(IsInstalledCopy(app));
    EXPECT_EQ(ResolveProgramFolder(app), app);
}

TEST_F(ProgramFolderTest, TheInstallersMarkSendsTheDataToTheUsersFolderWhereverTheProgramIs) {
    std::ofstream(app / kInstallMarkName) << "[Kalvo]\nVersion=1.0.0\n";
    EXPECT_TRUE(IsInstalledCopy(app));
    EXPECT_EQ(ResolveProgramFolder(app), UserDataFolder());
    EXPECT_EQ(UserDataFolder().parent_path(), dir / "profile");
    EXPECT_TRUE(std::filesystem::is_directory(UserDataFolder()));
}

TEST_F(ProgramFolderTest, AnInstalledTreeWithTheCalendarInShareIsNotPortable) {
    const std::filesystem::path bin = dir / "usr" / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(dir / "usr" / "share" / "kalvo");
    std::ofstream(dir / "usr" / "share" / "kalvo" / "calend.dat") << "";
    EXPECT_TRUE(IsInstalledCopy(bin));
    EXPECT_EQ(ResolveProgramFolder(bin), UserDataFolder());
}

}  // namespace
}  // namespace kalvo
