#include "storage/reminder_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>

#include "storage/byte_io.h"
#include "support/builders.h"
#include "support/hex.h"

namespace kalvo::storage {
namespace {

std::vector<std::uint8_t> Golden(const std::string& name) {
    return test::ReadHexFile(std::string(KALVO_GOLDEN_DIR) + "/" + name);
}

TReminder GoldenRecord() {
    TReminder r;
    r.Date = 46363;
    r.Time = 0.375;
    r.Text = "Zubár";
    r.Notice = 1;
    r.NoticeFrom = 46360;
    r.NoticeNext = 46361;
    r.Period = rpWeekly;
    r.NoticeTime = 0.25;
    r.Melody = "a.wav";
    r.NoticeWeekDay = 4;
    return r;
}

TEST(ReminderFile, GoldenVersion204ReadsAndWritesBackByteForByte) {
    const auto bytes = Golden("one_record_v204.hex");
    ASSERT_EQ(bytes.size(), 12u + 51u + 5u + 0u + 5u);
    const DecodedReminders d = DecodeReminderFile(bytes);
    EXPECT_EQ(d.status, FileStatus::Ok);
    EXPECT_EQ(d.version, 2.04);
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(d.records[0], GoldenRecord());
    EXPECT_EQ(EncodeReminderFile(d.records), bytes);
}

TEST(ReminderFile, Version20IsReadWithWeekDayZeroAndSavedAs204) {
    const DecodedReminders d = DecodeReminderFile(Golden("one_record_v20.hex"));
    EXPECT_EQ(d.status, FileStatus::Ok);
    EXPECT_EQ(d.version, 2.0);
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(d.records[0].NoticeWeekDay, 0);
    EXPECT_EQ(EncodeReminderFile(d.records), Golden("one_record_v20_saved.hex"));
}

TEST(ReminderFile, EmptyListIsAnEmptyFile) {
    EXPECT_EQ(EncodeReminderFile({})->size(), 0u);
    const DecodedReminders d = DecodeReminderFile({});
    EXPECT_EQ(d.status, FileStatus::Empty);
    EXPECT_FALSE(d.version.has_value());
    EXPECT_TRUE(d.records.empty());
}

TEST(ReminderFile, ShortFilesAndForeignVersions) {
    const std::vector<std::uint8_t> seven(7, 0x40);
    EXPECT_EQ(DecodeReminderFile(seven).status, FileStatus::Truncated);
    auto foreign = Golden("one_record_v204.hex");
    foreign[0] = 0x53;
    const DecodedReminders d = DecodeReminderFile(foreign);
    EXPECT_EQ(d.status, FileStatus::UnknownVersion);
    EXPECT_TRUE(d.records.empty());
    const std::vector<std::uint8_t> justVersion = {0x52, 0xB8, 0x1E, 0x85, 0xEB, 0x51, 0x00, 0x40};
    EXPECT_EQ(DecodeReminderFile(justVersion).status, FileStatus::Truncated);
}

TEST(ReminderFile, EveryCutOfAFileEndsCleanlyWithTheRecordsBeforeIt) {
    const auto two = *EncodeReminderFile({GoldenRecord(), GoldenRecord()});
    const std::size_t firstEnd = 12 + 61;
    for (std::size_t cut = 1; cut < two.size(); ++cut) {
        const DecodedReminders d = DecodeReminderFile(std::span(two).first(cut));
        // A cut inside a string's bytes makes its count run past the end: corrupt; elsewhere truncated.
        EXPECT_TRUE(d.status == FileStatus::Truncated || d.status == FileStatus::Corrupt) << cut;
        EXPECT_EQ(d.records.size(), cut >= firstEnd ? 1u : 0u) << cut;
    }
}

TEST(ReminderFile, AbsurdCountsAndLengthsEndTheReadWithAStatus) {
    auto bytes = Golden("one_record_v204.hex");
    bytes[8] = 0xFF;
    bytes[9] = 0xFF;
    bytes[10] = 0xFF;
    bytes[11] = 0x7F;  // 2^31 - 1 records claimed, one present
    DecodedReminders d = DecodeReminderFile(bytes);
    EXPECT_EQ(d.status, FileStatus::Truncated);
    EXPECT_EQ(d.records.size(), 1u);
    EXPECT_LT(d.records.capacity(), 16u);

    bytes = Golden("one_record_v204.hex");
    bytes[8] = 0xFF;  // count -1
    bytes[11] = 0xFF;
    bytes[9] = 0xFF;
    bytes[10] = 0xFF;
    EXPECT_EQ(DecodeReminderFile(bytes).status, FileStatus::Corrupt);

    bytes = Golden("one_record_v204.hex");
    bytes[24] = 0xFF;  // Text length negative
    bytes[25] = 0xFF;
    bytes[26] = 0xFF;
    bytes[27] = 0xFF;
    d = DecodeReminderFile(bytes);
    EXPECT_EQ(d.status, FileStatus::Corrupt);
    EXPECT_TRUE(d.records.empty());

    bytes[27] = 0x10;  // Text length far beyond the file
    EXPECT_EQ(DecodeReminderFile(bytes).status, FileStatus::Corrupt);
}

TEST(ReminderFile, ZeroByteEndsATextAndEmptyStringsAreFourZeros) {
    auto bytes = Golden("one_record_v204.hex");
    bytes[30] = 0x00;  // "Zu\0ár"
    const DecodedReminders d = DecodeReminderFile(bytes);
    ASSERT_EQ(d.records.size(), 1u);
    EXPECT_EQ(d.records[0].Text, "Zu");
    EXPECT_EQ(d.records[0].Melody, "a.wav");  // the rest of the record is still in step
    TReminder empty = GoldenRecord();
    empty.Text.clear();
    const auto out = *EncodeReminderFile({empty});
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 24, out.begin() + 28), std::vector<std::uint8_t>(4, 0));
}

TEST(ReminderFile, TextOutsideTheCodePageIsNotWritten) {
    TReminder r = GoldenRecord();
    r.Melody = "zvuk-\u266B.wav";
    EncodeFailure failure;
    EXPECT_FALSE(EncodeReminderFile({GoldenRecord(), r}, &failure).has_value());
    EXPECT_EQ(failure.record, 1u);
    EXPECT_EQ(failure.field, "Melody");
    EXPECT_EQ(failure.error.character, U'\u266B');
}

// A well-formed file made of random bytes: any doubles (NaN payloads included), any flag bytes, and
// strings of any bytes but zero.
std::vector<std::uint8_t> RandomWellFormedFile(std::mt19937_64& rng, int records) {
    ByteWriter w;
    w.WriteDouble(kReminderVersion);
    w.WriteInt32(records);
    auto text = [&] {
        std::string s(rng() % 12, 'a');
        for (char& c : s) c = static_cast<char>(1 + rng() % 255);
        w.WriteString(s);
    };
    for (int i = 0; i < records; ++i) {
        w.WriteInt32(static_cast<std::int32_t>(rng()));
        w.WriteDouble(std::bit_cast<double>(rng()));
        text();
        w.WriteByte(static_cast<std::uint8_t>(rng()));
        w.WriteInt32(static_cast<std::int32_t>(rng()));
        w.WriteInt32(static_cast<std::int32_t>(rng()));
        w.WriteInt32(static_cast<std::int32_t>(rng()));
        w.WriteDouble(std::bit_cast<double>(rng()));
        text();
        text();
        w.WriteByte(static_cast<std::uint8_t>(rng()));
        w.WriteByte(static_cast<std::uint8_t>(rng()));
        w.WriteInt32(static_cast<std::int32_t>(rng()));
    }
    return w.Take();
}

TEST(ReminderFile, DecodeThenEncodeGivesTheSameBytes) {
    std::mt19937_64 rng(1250);
    for (int round = 0; round < 300; ++round) {
        const auto file = RandomWellFormedFile(rng, 1 + static_cast<int>(rng() % 20));
        const DecodedReminders d = DecodeReminderFile(file);
        ASSERT_EQ(d.status, FileStatus::Ok);
        ASSERT_EQ(EncodeReminderFile(d.records), file) << "round " << round;
    }
}

}  // namespace
}  // namespace kalvo::storage
