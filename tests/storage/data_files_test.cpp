#include "storage/data_files.h"

#include <gtest/gtest.h>

namespace kalvo::storage {
namespace {

TEST(DataFiles, UserNamesNeverLeaveTheFolder) {
    EXPECT_EQ(SafeFileStem("eva"), "eva");
    EXPECT_EQ(SafeFileStem("Ľudovít Štúr"), "Ľudovít Štúr");
    EXPECT_EQ(SafeFileStem("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(SafeFileStem("DOMAIN\\eva"), "DOMAIN_eva");
    EXPECT_EQ(SafeFileStem(".."), "user");
    EXPECT_EQ(SafeFileStem(""), "user");
    EXPECT_EQ(SafeFileStem("a\nb"), "a_b");
    EXPECT_EQ(SafeFileStem("eva."), "eva_");
    const DataFiles f{"/data", "../x"};
    EXPECT_EQ(f.UserFile().parent_path(), std::filesystem::path("/data"));
    EXPECT_EQ(f.ArchiveFile().filename(), ".._x_old.dat");
}

TEST(DataFiles, UsersCannotTakeTheProgramsOwnFileNames) {
    EXPECT_EQ(SafeFileStem("setup"), "setup_");
    EXPECT_EQ(SafeFileStem("Calend"), "Calend_");
    EXPECT_EQ(SafeFileStem("memo"), "memo_");
    EXPECT_EQ(SafeFileStem("NUL"), "NUL_");
    EXPECT_EQ(SafeFileStem("com1"), "com1_");
    EXPECT_EQ(SafeFileStem("setups"), "setups");
}

}  // namespace
}  // namespace kalvo::storage
