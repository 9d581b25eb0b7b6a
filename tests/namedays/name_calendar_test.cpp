#include "namedays/name_calendar.h"

#include <gtest/gtest.h>

#include "storage/byte_io.h"
#include "support/builders.h"
#include "support/temp_folder.h"

namespace kalvo::namedays {
namespace {

TNameDay Entry(int day, int month, std::string n1, std::string n2 = "", std::string n3 = "", std::string holiday = "") {
    return TNameDay{day, month, std::move(holiday), std::move(n1), std::move(n2), std::move(n3)};
}

std::vector<std::uint8_t> Encode(const NameCalendar& c) { return EncodeNameCalendar(c).value(); }

std::vector<std::uint8_t> Header(std::int32_t count) {
    storage::ByteWriter w;
    w.WriteDouble(1.1);
    w.WriteInt32(count);
    return w.Take();
}

TEST(NameCalendarFile, ExactLayoutAndRoundTrip) {
    const NameCalendar c = {Entry(13, 11, "Stanislav", "", "", "Sviatok"), Entry(28, 10, "Šimon", "Simona")};
    const auto bytes = Encode(c);
    const std::vector<std::uint8_t> start = {0x9a, 0x99, 0x99, 0x99, 0x99, 0x99, 0xf1, 0x3f, 2, 0, 0, 0,
                                             13,   0,    0,    0,    11,   0,    0,    0,    7, 0, 0, 0};
    ASSERT_GT(bytes.size(), start.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), bytes.begin()));
    // Windows-1250 on disk: Š is 0x8a.
    EXPECT_NE(std::find(bytes.begin(), bytes.end(), 0x8a), bytes.end());
    NameCalendar back;
    const CalendarLoad load = DecodeNameCalendar(bytes, back);
    EXPECT_EQ(load.status, CalendarStatus::Ok);
    EXPECT_EQ(load.version, 1.1);
    EXPECT_EQ(back, c);
}

TEST(NameCalendarFile, EmptyForeignAndMissingFilesGiveAnEmptyCalendar) {
    NameCalendar c = {Entry(1, 1, "stale")};
    EXPECT_EQ(DecodeNameCalendar(Header(0), c).status, CalendarStatus::Ok);
    EXPECT_TRUE(c.empty());

    auto foreign = Encode({Entry(1, 1, "Ján")});
    foreign[0] ^= 1;  // 1.1 off by one bit is another version
    c = {Entry(1, 1, "stale")};
    EXPECT_EQ(DecodeNameCalendar(foreign, c).status, CalendarStatus::UnknownVersion);
    EXPECT_TRUE(c.empty());

    c = {Entry(1, 1, "stale")};
    EXPECT_EQ(DecodeNameCalendar(std::vector<std::uint8_t>{0x9a, 0x99}, c).status, CalendarStatus::Truncated);
    EXPECT_TRUE(c.empty());

    test::TempFolder dir;
    c = {Entry(1, 1, "stale")};
    EXPECT_EQ(LoadNameCalendar(dir / "calend.dat", c).status, CalendarStatus::Missing);
    EXPECT_TRUE(c.empty());
    dir.Write("calend.dat", Encode({Entry(2, 1, "Alexandra", "Karina")}));
    EXPECT_EQ(LoadNameCalendar(dir / "calend.dat", c).status, CalendarStatus::Ok);
    EXPECT_EQ(c.size(), 1u);
}

TEST(NameCalendarFile, EveryCutEndsAtTheLastCompleteEntry) {
    const NameCalendar full = {Entry(1, 2, "Tatiana"), Entry(2, 2, "Erik", "Erika", "", "Hromnice"),
                               Entry(3, 2, "Blažej")};
    const auto bytes = Encode(full);
    std::size_t previous = 0;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        NameCalendar c;
        const CalendarLoad load = DecodeNameCalendar(std::span(bytes.data(), cut), c);
        // A cut inside a text leaves a length that runs past the end: corrupt rather than truncated.
        ASSERT_TRUE(load.status == CalendarStatus::Truncated || load.status == CalendarStatus::Corrupt) << cut;
        ASSERT_LE(c.size(), full.size());
        ASSERT_GE(c.size(), previous) << cut;
        EXPECT_TRUE(std::equal(c.begin(), c.end(), full.begin())) << cut;
        previous = c.size();
    }
    EXPECT_EQ(previous, 2u);  // the last cut lacks a byte of the third entry only
}

TEST(NameCalendarFile, AbsurdCountsAndLengthsEndTheRead) {
    auto one = Encode({Entry(5, 1, "Frederika")});
    // A count far beyond what the file holds: the entries there are read, nothing is reserved for the rest.
    auto huge = one;
    huge[8] = 0xff, huge[9] = 0xff, huge[10] = 0xff, huge[11] = 0x7f;
    NameCalendar c;
    EXPECT_EQ(DecodeNameCalendar(huge, c).status, CalendarStatus::Truncated);
    EXPECT_EQ(c.size(), 1u);
    EXPECT_LT(c.capacity(), 16u);

    auto negative = one;
    negative[11] = 0x80;
    EXPECT_EQ(DecodeNameCalendar(negative, c).status, CalendarStatus::Corrupt);
    EXPECT_TRUE(c.empty());

    // Second entry whose holiday claims 2 GB.
    storage::ByteWriter w;
    w.WriteInt32(6);
    w.WriteInt32(1);
    w.WriteInt32(0x7fffffff);
    auto bad = Encode({Entry(5, 1, "Frederika"), Entry(6, 1, "x")});
    bad.resize(one.size());  // the header still promises two entries
    const std::vector<std::uint8_t> tail = w.Take();
    bad.insert(bad.end(), tail.begin(), tail.end());
    EXPECT_EQ(DecodeNameCalendar(bad, c).status, CalendarStatus::Corrupt);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].Name1, "Frederika");
}

TEST(NameCalendarFile, AZeroByteEndsAText) {
    storage::ByteWriter w;
    w.WriteDouble(1.1);
    w.WriteInt32(1);
    w.WriteInt32(28);
    w.WriteInt32(10);
    w.WriteString("");
    w.WriteString(std::string_view("\x8aimon\0xyz", 9));
    w.WriteString("");
    w.WriteString("");
    NameCalendar c;
    EXPECT_EQ(DecodeNameCalendar(w.Take(), c).status, CalendarStatus::Ok);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].Name1, "Šimon");
}

TEST(NamesOfDay, JoinsUpToThreeNamesAndTheLastEntryOfADayDecides) {
    const NameCalendar c = {
        Entry(1, 3, "Albín"),
        Entry(2, 3, "Anežka", "Agnesa"),
        Entry(24, 12, "Adam", "Eva", "", "Štedrý deň"),
        Entry(3, 3, "Bohumil", "Bohumila", "Ľubomila"),
        Entry(4, 3, "", "Kazimír"),  // no first name: no names text
        Entry(5, 3, "Ján"),
        Entry(5, 3, "", "", "", "Sviatok"),  // sets only the holiday
        Entry(6, 3, "Prvý"),
        Entry(6, 3, "Druhý"),
        Entry(7, 3, "Tomáš", "", "Nepatrí"),  // a gap: no names text
    };
    EXPECT_EQ(NamesOfDay(c, 1, 3).names, "Albín");
    EXPECT_EQ(NamesOfDay(c, 2, 3).names, "Anežka a Agnesa");
    EXPECT_EQ(NamesOfDay(c, 3, 3).names, "Bohumil, Bohumila a Ľubomila");
    EXPECT_EQ((NamesOfDay(c, 24, 12).holiday), "Štedrý deň");
    EXPECT_EQ(NamesOfDay(c, 4, 3).names, "");
    const DayTexts fifth = NamesOfDay(c, 5, 3);
    EXPECT_EQ(fifth.names, "Ján");
    EXPECT_EQ(fifth.holiday, "Sviatok");
    EXPECT_EQ(NamesOfDay(c, 6, 3).names, "Druhý");
    EXPECT_EQ(NamesOfDay(c, 7, 3).names, "");
    EXPECT_EQ(NamesOfDay(c, 8, 3).names, "");
    EXPECT_EQ(NamesOfDay({}, 1, 3).holiday, "");
}

TEST(FindNameDay, ExactThenWithTheFirstLetterUpperCased) {
    const NameCalendar c = {Entry(3, 1, "Daniela"),  Entry(28, 10, "Šimon", "Simona"), Entry(4, 2, "Jana"),
                            Entry(27, 1, "Ľudmila"), Entry(15, 6, "Vít", "Jana"),      Entry(1, 1, "", "", "")};
    EXPECT_EQ(FindNameDay(c, "Simona"), (NameDayMatch{28, 10, "Simona"}));
    EXPECT_EQ(FindNameDay(c, "šimon"), (NameDayMatch{28, 10, "Šimon"}));
    EXPECT_EQ(FindNameDay(c, "ľudmila"), (NameDayMatch{27, 1, "Ľudmila"}));
    EXPECT_EQ(FindNameDay(c, "jana"), (NameDayMatch{4, 2, "Jana"}));  // the first of two days in file order
    for (const char* miss : {"ŠIMON", "JANA", "Jan", "Jana ", " Jana", "šimona", ""})
        EXPECT_FALSE(FindNameDay(c, miss)) << miss;
    EXPECT_FALSE(FindNameDay({}, "Jana"));
}

TEST(DayNamesOn, TodayAndTomorrowRollOverTheCalendar) {
    const NameCalendar c = {Entry(31, 12, "Silvester", "", "", "Silvester"),
                            Entry(1, 1, "", "", "", "Nový rok"),
                            Entry(2, 1, "Alexandra", "Karina"),
                            Entry(28, 2, "Zlatica"),
                            Entry(29, 2, "Radomír"),
                            Entry(1, 3, "Albín")};
    EXPECT_EQ(DayNamesOn(c, test::Day(2026, 12, 31)), (DayNames{"Silvester", "", "Silvester"}));
    EXPECT_EQ(DayNamesOn(c, test::Day(2027, 1, 1)), (DayNames{"", "Alexandra a Karina", "Nový rok"}));
    EXPECT_EQ(DayNamesOn(c, test::Day(2028, 2, 28)).TomorrowNames, "Radomír");
    EXPECT_EQ(DayNamesOn(c, test::Day(2027, 2, 28)).TomorrowNames, "Albín");
    EXPECT_EQ(DayNamesOn(c, test::Day(2027, 7, 1)), DayNames{});
}

}  // namespace
}  // namespace kalvo::namedays
