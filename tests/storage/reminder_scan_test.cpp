#include "storage/reminder_scan.h"

#include <gtest/gtest.h>

#include "storage/file_snapshot.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

ReminderList TwoRecords() {
    TReminder a;
    a.Date = 46364;
    a.Time = 0.375;
    a.Text = "Žltý kôň";
    a.Picture = "/obr/á.jpg";
    TReminder b = a;
    b.Notice = 1;
    b.NoticeFrom = b.NoticeNext = 46360;
    b.Period = rpWeekly;
    b.NoticeWeekDay = 3;
    b.Text = "Porada";
    b.Melody = "m.wav";
    return {a, b};
}

TEST(ReminderScan, GivesTheFixedFieldsInPlaceAndTheTextsOnlyWhenAsked) {
    const ReminderList list = TwoRecords();
    const auto bytes = *EncodeReminderFile(list);
    ReminderScan scan(bytes);
    ASSERT_EQ(scan.Version(), kReminderVersion);
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_TRUE(scan.Next());
        EXPECT_EQ(scan.Index(), i);
        EXPECT_EQ(scan.Current().fields.NoticeWeekDay, list[i].NoticeWeekDay);
        EXPECT_TRUE(scan.Current().fields.Text.empty());  // still the stored bytes, not decoded
        EXPECT_EQ(Materialize(scan.Current()), list[i]);
    }
    EXPECT_FALSE(scan.Next());
    EXPECT_EQ(scan.Status(), FileStatus::Ok);
    // A stored text ends at its first zero byte; the undefined bytes of the code page survive.
    EXPECT_EQ(TextOf(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(TextOf("\x81"), "\u0081");
}

TEST(ReminderScan, EveryCutOfAFileEndsWithTheRecordsBeforeItAndTheRightFault) {
    const auto bytes = *EncodeReminderFile(TwoRecords());
    // The first record's Text is "Žltý kôň" (8 bytes in Windows-1250) after Date and Time.
    const std::size_t firstEnd = 12 + 51 + 8 + 10;  // plus the picture's 10 bytes
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        const std::span<const std::uint8_t> part(bytes.data(), cut);
        ReminderScan scan(part);
        std::size_t read = 0;
        while (scan.Next()) ++read;
        SCOPED_TRACE(cut);
        EXPECT_EQ(read, cut >= firstEnd ? 1u : 0u);
        const DecodedReminders decoded = DecodeReminderFile(part);
        EXPECT_EQ(decoded.records.size(), read);
        EXPECT_EQ(decoded.status, scan.Status());
        // Inside a text's bytes the stored count runs past the end: corrupt; anywhere else truncated.
        const bool inFirstText = cut > 12 + 16 && cut < 12 + 16 + 8;
        if (inFirstText) {
            EXPECT_EQ(scan.Status(), FileStatus::Corrupt);
        } else if (cut < 12 + 16) {
            EXPECT_EQ(scan.Status(), FileStatus::Truncated);
        }
    }
}

TEST(ReminderScan, CountsThatLieEndTheScan) {
    auto bytes = *EncodeReminderFile(TwoRecords());
    bytes[8] = 0xFF, bytes[9] = 0xFF, bytes[10] = 0xFF, bytes[11] = 0x7F;  // two records claim to be 2^31 - 1
    ReminderScan many(bytes);
    EXPECT_LE(many.Bound(), 2u);  // nothing is reserved for records that cannot be there
    while (many.Next()) {}
    EXPECT_EQ(many.Status(), FileStatus::Truncated);
    bytes[11] = 0xFF;  // -1
    ReminderScan negative(bytes);
    EXPECT_FALSE(negative.Next());
    EXPECT_EQ(negative.Status(), FileStatus::Corrupt);
    bytes[12 + 12 + 3] = 0x80;  // the first Text's count becomes negative
    bytes[11] = 0x00;
    ReminderScan bad(bytes);
    EXPECT_FALSE(bad.Next());
    EXPECT_EQ(bad.Status(), FileStatus::Corrupt);
}

TEST(FileSnapshot, ReadsLikeTheGeneralReader) {
    test::TempFolder dir;
    EXPECT_EQ(SnapshotFile(dir / "none").outcome, ReadOutcome::Missing);
    const FileSnapshot folder = SnapshotFile(dir.Path());
    EXPECT_EQ(folder.outcome, ReadOutcome::Failed);
    EXPECT_EQ(folder.errorCode, ReadFileBytes(dir.Path()).errorCode);
    dir.Write("empty", {});
    const FileSnapshot empty = SnapshotFile(dir / "empty");
    EXPECT_EQ(empty.outcome, ReadOutcome::Ok);
    EXPECT_TRUE(empty.Bytes().empty());
    dir.Write("small", std::vector<std::uint8_t>(100, 7));
    EXPECT_EQ(SnapshotFile(dir / "small", 50).errorCode, ReadFileBytes(dir / "small", 50).errorCode);
    // Large enough for the buffer of its own; moved around, it keeps its bytes.
    std::vector<std::uint8_t> big(5u << 20);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
    dir.Write("big", big);
    FileSnapshot first = SnapshotFile(dir / "big");
    FileSnapshot moved = std::move(first);
    ASSERT_EQ(moved.outcome, ReadOutcome::Ok);
    EXPECT_TRUE(std::equal(big.begin(), big.end(), moved.Bytes().begin(), moved.Bytes().end()));
    FileSnapshot small = SnapshotFile(dir / "small");
    moved = std::move(small);
    EXPECT_EQ(moved.Bytes().size(), 100u);
    EXPECT_EQ(moved.Bytes()[99], 7);
}

}  // namespace
}  // namespace kalvo::storage
