// The data files every build places beside the programs.

#include <set>

#include <gtest/gtest.h>

#include "core/datetime.h"
#include "namedays/name_calendar.h"
#include "storage/byte_io.h"
#include "storage/file_io.h"

namespace kalvo {
namespace {

TEST(BuiltCalendar, HoldsEveryDayOfALeapYear) {
    namedays::NameCalendar c;
    const namedays::CalendarLoad load = namedays::LoadNameCalendar(KALVO_BUILT_CALENDAR, c);
    ASSERT_EQ(load.status, namedays::CalendarStatus::Ok);
    ASSERT_EQ(c.size(), 366u);
    std::set<std::pair<int, int>> days;
    for (const namedays::TNameDay& e : c) days.emplace(e.Month, e.Day);
    EXPECT_EQ(days.size(), 366u);
    EXPECT_EQ(namedays::NamesOfDay(c, 29, 2).names, "Radomír");
    const namedays::DayTexts christmasEve = namedays::NamesOfDay(c, 24, 12);
    EXPECT_EQ(christmasEve.names, "Adam a Eva");
    EXPECT_EQ(christmasEve.holiday, "Štedrý deň");
    EXPECT_EQ(namedays::NamesOfDay(c, 1, 1).holiday, "Deň vzniku Slovenskej republiky");
    EXPECT_EQ(namedays::FindNameDay(c, "šimon"), (namedays::NameDayMatch{30, 10, "Šimon"}));
    // The bytes are exactly what the encoder writes, so a second build gives the same file.
    const storage::FileBytes bytes = storage::ReadFileBytes(KALVO_BUILT_CALENDAR);
    EXPECT_EQ(namedays::EncodeNameCalendar(c), bytes.bytes);
}

TEST(BuiltSound, IsAShortSixteenBitPcmWave) {
    const storage::FileBytes file = storage::ReadFileBytes(KALVO_BUILT_SOUND);
    ASSERT_EQ(file.outcome, storage::ReadOutcome::Ok);
    const std::vector<std::uint8_t>& b = file.bytes;
    ASSERT_GE(b.size(), 44u);
    EXPECT_LT(b.size(), 100u * 1024u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    storage::ByteReader in(std::span<const std::uint8_t>(b).subspan(4));
    std::int32_t riffSize = 0, fmtSize = 0, rate = 0, byteRate = 0, dataSize = 0;
    ASSERT_TRUE(in.ReadInt32(riffSize));
    EXPECT_EQ(static_cast<std::size_t>(riffSize), b.size() - 8);
    std::uint8_t skip = 0;
    for (int i = 0; i < 8; ++i) in.ReadByte(skip);
    ASSERT_TRUE(in.ReadInt32(fmtSize));
    EXPECT_EQ(fmtSize, 16);
    std::uint8_t f[4] = {};
    for (auto& x : f) in.ReadByte(x);
    EXPECT_EQ(f[0] | f[1] << 8, 1);  // PCM
    EXPECT_EQ(f[2] | f[3] << 8, 1);  // mono
    ASSERT_TRUE(in.ReadInt32(rate) && in.ReadInt32(byteRate));
    EXPECT_EQ(byteRate, rate * 2);
    for (auto& x : f) in.ReadByte(x);
    EXPECT_EQ(f[2] | f[3] << 8, 16);                // bits per sample
    for (int i = 0; i < 4; ++i) in.ReadByte(skip);  // "data"
    ASSERT_TRUE(in.ReadInt32(dataSize));
    EXPECT_EQ(static_cast<std::size_t>(dataSize), in.Remaining());
    const double seconds = static_cast<double>(dataSize) / byteRate;
    EXPECT_GT(seconds, 0.5);
    EXPECT_LT(seconds, 3.0);
    // Not silent, and quiet again at the end.
    int loudest = 0;
    std::int32_t lastSample = 0;
    for (std::size_t i = 44; i + 1 < b.size(); i += 2) {
        lastSample = static_cast<std::int16_t>(b[i] | b[i + 1] << 8);
        loudest = std::max(loudest, std::abs(lastSample));
    }
    EXPECT_GT(loudest, 10000);
    EXPECT_LT(std::abs(lastSample), 100);
}

}  // namespace
}  // namespace kalvo
