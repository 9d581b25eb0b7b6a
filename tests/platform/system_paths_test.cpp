// Where an installed program keeps its data: a program under Program Files never writes beside itself.

#include "platform/system_paths.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kalvo
