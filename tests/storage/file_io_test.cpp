#include "storage/file_io.h"

#include <gtest/gtest.h>

#include <set>

#include "storage/file_stamp.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

TEST(FileStamp, AnyChangedByteOrLengthChangesTheHash) {
    std::vector<std::uint8_t> bytes(200);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    const std::uint64_t original = HashBytes(bytes);
    EXPECT_EQ(HashBytes(std::vector<std::uint8_t>(bytes)), original);
    std::set<std::uint64_t> seen{original};
    for (std::size_t at = 0; at < bytes.size(); ++at) {  // through the lanes and the tail byte by byte
        for (const int flip : {1, 0x80}) {
            bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ flip);
            EXPECT_TRUE(seen.insert(HashBytes(bytes)).second) << at;
            bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ flip);
        }
    }
    for (std::size_t n = 0; n <= 70; ++n)  // zeros of every length up to past two rounds of the lanes
        EXPECT_TRUE(seen.insert(HashBytes(std::vector<std::uint8_t>(n))).second) << n;
}

TEST(FileIo, AtomicWriteReplacesTheFileAndLeavesNoTemporaryFiles) {
    test::TempFolder dir;
    dir.Write("a.dat", {1, 2, 3});
    ASSERT_TRUE(WriteFileAtomically(dir / "a.dat", std::vector<std::uint8_t>{9, 8}));
    EXPECT_EQ(dir.Read("a.dat"), (std::vector<std::uint8_t>{9, 8}));
    ASSERT_TRUE(WriteFileAtomically(dir / "a.dat", std::vector<std::uint8_t>{}));
    EXPECT_TRUE(dir.Read("a.dat").empty());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.dat"});
}

TEST(FileIo, FailedWriteKeepsTheOldFileAndSaysWhy) {
    test::TempFolder dir;
    dir.Write("a.dat", {1, 2, 3});
    // The target is a folder, so the final rename must fail.
    std::filesystem::create_directory(dir / "b.dat");
    const WriteResult r = WriteFileAtomically(dir / "b.dat", std::vector<std::uint8_t>{1});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.errorCode, 0);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a.dat", "b.dat"}));
    const WriteResult missing = WriteFileAtomically(dir / "no" / "c.dat", std::vector<std::uint8_t>{1});
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(DescribeError(missing.errorCode), "súbor alebo priečinok neexistuje");
}

TEST(FileIo, ReadingTellsMissingFromFailed) {
    test::TempFolder dir;
    EXPECT_EQ(ReadFileBytes(dir / "none").outcome, ReadOutcome::Missing);
    EXPECT_EQ(ReadFileBytes(dir.Path()).outcome, ReadOutcome::Failed);  // a folder cannot be read as a file
    dir.Write("big", std::vector<std::uint8_t>(100, 7));
    EXPECT_EQ(ReadFileBytes(dir / "big", 50).outcome, ReadOutcome::Failed);
    EXPECT_EQ(ReadFileBytes(dir / "big").bytes.size(), 100u);
}

TEST(FileIo, RenameNeverReplacesAnExistingTarget) {
    test::TempFolder dir;
    dir.Write("memo.dat", {1});
    dir.Write("memo_bak.kvl", {2});
    EXPECT_FALSE(RenameNoReplace(dir / "memo.dat", dir / "memo_bak.kvl").ok);
    EXPECT_EQ(dir.Read("memo_bak.kvl"), std::vector<std::uint8_t>{2});
    std::filesystem::remove(dir / "memo_bak.kvl");
    EXPECT_TRUE(RenameNoReplace(dir / "memo.dat", dir / "memo_bak.kvl").ok);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"memo_bak.kvl"});
}

TEST(FileIo, Utf8PathsRoundTrip) {
    test::TempFolder dir;
    const auto p = dir.Path() / PathFromUtf8("Ľudovít.dat");
    ASSERT_TRUE(WriteFileAtomically(p, std::vector<std::uint8_t>{5}));
    EXPECT_EQ(Utf8FromPath(p.filename()), "Ľudovít.dat");
    EXPECT_EQ(ReadFileBytes(p).bytes, std::vector<std::uint8_t>{5});
}

}  // namespace
}  // namespace kalvo::storage
