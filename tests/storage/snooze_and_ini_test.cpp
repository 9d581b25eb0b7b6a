// The two small files beside the reminder file: alarms put off (<user>.snooze) and the settings that
// setup.dat has no room for (setup.ini).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/datetime.h"
#include "storage/extra_settings_file.h"
#include "storage/reminder_store.h"
#include "storage/settings_file.h"
#include "storage/snooze_file.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/temp_folder.h"

namespace kalvo::storage {
namespace {

using test::At;
using test::Day;

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Text(const std::vector<std::uint8_t>& b) { return {b.begin(), b.end()}; }

TEST(SnoozeFile, KeepsEveryRecordByteForByteWithItsMomentAndKind) {
    TReminder odd = test::WithNotice(test::Ordinary(Day(2026, 12, 7), At(9, 0), "Čučoriedky\r\nšťavnaté"),
                                     Day(2026, 12, 1), rpWeekly, At(8, 0), 3);
    odd.NoticeTime = std::numeric_limits<double>::quiet_NaN();  // as a damaged file may hold it
    odd.Picture = "C:\\obrázky\\zub.bmp";
    const std::vector<PendingSnooze> entries{
        {Day(2026, 12, 7) * std::int64_t{86400} + 9 * 3600 + 5 * 60, SnoozeKind::Event, odd},
        {Day(2027, 1, 1) * std::int64_t{86400}, SnoozeKind::Notice, test::Ordinary(Day(2027, 1, 2), At(0, 0))},
    };
    const auto text = EncodeSnoozes(entries);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("2026-12-07 09:05:00\tevent\t"), std::string::npos);
    EXPECT_NE(text->find("2027-01-01 00:00:00\tnotice\t"), std::string::npos);
    const DecodedSnoozes back = DecodeSnoozes(*text);
    EXPECT_EQ(back.damagedLines, 0);
    ASSERT_EQ(back.entries.size(), 2u);
    EXPECT_EQ(back.entries[0].until, entries[0].until);
    EXPECT_EQ(back.entries[0].record.Text, odd.Text);
    EXPECT_TRUE(std::isnan(back.entries[0].record.NoticeTime));
    EXPECT_EQ(*EncodeSnoozes(back.entries), *text);
}

TEST(SnoozeFile, DamagedLinesAreCountedAndLeftOutNeverTrusted) {
    const std::string good =
        *EncodeSnoozes({{std::int64_t{86400} * 46000, SnoozeKind::Event, test::Ordinary(46000, At(9, 0))}});
    const std::string goodLine = good.substr(good.find('\n') + 1);
    const std::string hex = goodLine.substr(goodLine.rfind('\t') + 1);
    const std::string text = good + "2026-02-30 09:00:00\tevent\t" + hex +     // no such day
                             "2026-12-07 24:00:00\tevent\t" + hex +            // no such hour
                             "2026-12-07 09:00:00\tlater\t" + hex +            // unknown kind
                             "2026-12-07 09:00:00\tevent\t" + hex.substr(2) +  // record cut at its start
                             "2026-12-07 09:00:00\tevent\tzz\n"                // not hex
                             "2026-12-07 09:00:00\tevent\n"                    // no record
                             "\xff\xfe binary\n"
                             "# a comment\r\n\r\n" +
                             goodLine;
    const DecodedSnoozes read = DecodeSnoozes(text);
    EXPECT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.damagedLines, 7);
}

TEST(SnoozeFile, AnEmptyListRemovesTheFileSoAFolderWithoutSnoozesKeepsItsContents) {
    test::TempFolder dir;
    const auto path = dir / "eva.snooze";
    ASSERT_TRUE(
        WriteSnoozeFile(path, {{std::int64_t{86400} * 46000, SnoozeKind::Notice, test::Ordinary(46000, At(9, 0))}}));
    EXPECT_TRUE(dir.Exists("eva.snooze"));
    ASSERT_TRUE(WriteSnoozeFile(path, {}));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{});
    EXPECT_TRUE(WriteSnoozeFile(path, {}));  // nothing to remove is fine too
}

TEST(SnoozeFile, AStoreNeverOverwritesASnoozeFileItCouldNotRead) {
    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    std::filesystem::create_directory(dir / "eva.snooze");  // cannot be read as a file
    ReminderStore store(DataFiles{dir.Path(), "eva"}, dialogs, clock, Durability::NoFlush);
    store.OpenSnoozes();
    ASSERT_EQ(dialogs.Count("error"), 1);
    EXPECT_NE(dialogs.shown[0].text.find("Súbor odložených pripomienok sa nepodarilo otvoriť"), std::string::npos);
    store.Snoozes().push_back({std::int64_t{86400} * 46000, SnoozeKind::Event, test::Ordinary(46000, At(9, 0))});
    EXPECT_FALSE(store.SaveSnoozes());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "eva.snooze"));
    EXPECT_NE(dialogs.shown.back().text.find("neprepíše"), std::string::npos);

    // Once it can be read, what it holds and what was put off since are both kept.
    std::filesystem::remove(dir / "eva.snooze");
    const PendingSnooze earlier{std::int64_t{86400} * 46001, SnoozeKind::Notice, test::Ordinary(46001, At(7, 0))};
    ASSERT_TRUE(WriteSnoozeFile(dir / "eva.snooze", {earlier}));
    EXPECT_TRUE(store.SaveSnoozes());
    const auto read = ReadSnoozeFile(dir / "eva.snooze");
    EXPECT_EQ(read.decoded.entries.size(), 2u);
}

PendingSnooze Put(int day, int hour, const char* text) {
    return {std::int64_t{86400} * day + hour * 3600, SnoozeKind::Event, test::Ordinary(day, At(hour, 0), text)};
}

TEST(SnoozeFile, TwoWritersChangesMergeEntryByEntry) {
    const PendingSnooze a = Put(46000, 9, "A"), b = Put(46000, 10, "B"), c = Put(46000, 11, "C"),
                        d = Put(46000, 12, "D");
    // Mine removed A and added C; theirs removed B and added D.
    EXPECT_EQ(MergeSnoozes({a, b}, {b, c}, {a, d}), (std::vector<PendingSnooze>{c, d}));
    // The same change on both sides counts once; nothing changed keeps my order.
    EXPECT_EQ(MergeSnoozes({a}, {a, c}, {a, c}), (std::vector<PendingSnooze>{a, c}));
    EXPECT_EQ(MergeSnoozes({a, b}, {b, a}, {a, b}), (std::vector<PendingSnooze>{b, a}));
    // A snooze moved on one side is the old entry removed and the new one added.
    PendingSnooze later = a;
    later.until += 600;
    EXPECT_EQ(MergeSnoozes({a, b}, {a, b}, {later, b}), (std::vector<PendingSnooze>{b, later}));
    // Put off again on both sides (here, and elsewhere through the sync): one snooze, the later moment, as
    // the sync decides it; two would ring twice, the second after the reminder was acknowledged.
    PendingSnooze sooner = a;
    sooner.until += 300;
    EXPECT_EQ(MergeSnoozes({a, b}, {sooner, b}, {later, b}), (std::vector<PendingSnooze>{later, b}));
    EXPECT_EQ(MergeSnoozes({a, b}, {later, b}, {b, sooner}), (std::vector<PendingSnooze>{later, b}));
    EXPECT_EQ(MergeSnoozes({}, {sooner}, {later}), std::vector<PendingSnooze>{later});
    // A notice's snoozes stay apart: two notices of one record may both be put off.
    PendingSnooze notice = a, nextNotice = a;
    notice.kind = nextNotice.kind = SnoozeKind::Notice;
    nextNotice.until += 86400;
    EXPECT_EQ(MergeSnoozes({}, {notice}, {nextNotice}), (std::vector<PendingSnooze>{notice, nextNotice}));
}

TEST(SnoozeFile, AStoreKeepsWhatAnotherWriterPutIntoTheFile) {
    test::TempFolder dir;
    test::FakeDialogs dialogs;
    test::FakeClock clock;
    const auto path = dir / "eva.snooze";
    const PendingSnooze a = Put(46000, 9, "A"), b = Put(46000, 10, "B"), mine = Put(46000, 11, "Moje"),
                        theirs = Put(46000, 12, "Zo synchronizácie");
    ASSERT_TRUE(WriteSnoozeFile(path, {a, b}));
    ReminderStore store(DataFiles{dir.Path(), "eva"}, dialogs, clock, Durability::NoFlush);
    store.OpenSnoozes();
    int writes = 0;
    store.onWritten = [&writes] { ++writes; };

    // The sync ends A's snooze and brings another; meanwhile the program puts something off.
    ASSERT_TRUE(WriteSnoozeFile(path, {b, theirs}));
    store.Snoozes().push_back(mine);
    ASSERT_TRUE(store.SaveSnoozes());
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(ReadSnoozeFile(path).decoded.entries, (std::vector<PendingSnooze>{b, mine, theirs}));
    EXPECT_EQ(store.Snoozes(), (std::vector<PendingSnooze>{b, mine, theirs}));

    // Taken in without a save of its own: nothing changed, nothing taken; a change is taken once.
    EXPECT_FALSE(store.TakeOutsideSnoozes());
    ASSERT_TRUE(WriteSnoozeFile(path, {mine}));
    const auto before = store.ChangeCount();
    EXPECT_TRUE(store.TakeOutsideSnoozes());
    EXPECT_GT(store.ChangeCount(), before);
    EXPECT_EQ(store.Snoozes(), (std::vector<PendingSnooze>{mine}));
    EXPECT_FALSE(store.TakeOutsideSnoozes());
    ASSERT_TRUE(WriteSnoozeFile(path, {}));  // the last one ended elsewhere: the file goes
    EXPECT_TRUE(store.TakeOutsideSnoozes());
    EXPECT_TRUE(store.Snoozes().empty());
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(dialogs.shown.size(), 0u);
}

TEST(ExtraSettings, MissingOrDamagedValuesKeepTheDefaults) {
    TSettings s;
    ApplyExtraSettings(DecodeIni("[General]\nLatenessLimitOn=maybe\nLatenessLimitHours=721\n"), s);
    EXPECT_EQ(s, TSettings{});
    ApplyExtraSettings(DecodeIni("[Other]\nLatenessLimitOn=true\n"), s);
    EXPECT_EQ(s, TSettings{});
    ApplyExtraSettings(
        DecodeIni("\xef\xbb\xbf garbage\n[General]\r\n LatenessLimitOn = true \r\nLatenessLimitHours=720"), s);
    EXPECT_EQ(s.LatenessLimitOn, 1);
    EXPECT_EQ(s.LatenessLimitHours, 720);
}

TEST(ExtraSettings, DefaultsWriteNoFileAndSetupDatKeepsItsBytes) {
    test::TempFolder dir;
    const auto ini = dir / "setup.ini";
    TSettings s;
    ASSERT_TRUE(SaveExtraSetup(ini, s));
    EXPECT_FALSE(dir.Exists("setup.ini"));

    s.LatenessLimitOn = 1;
    s.LatenessLimitHours = 48;
    EXPECT_EQ(EncodeSettings(s), EncodeSettings(TSettings{}));  // setup.dat has no room for them
    ASSERT_TRUE(SaveExtraSetup(ini, s));
    TSettings back;
    OpenExtraSetup(ini, back);
    EXPECT_EQ(back.LatenessLimitOn, 1);
    EXPECT_EQ(back.LatenessLimitHours, 48);

    // Keys of other versions survive, and back at the defaults the file stays, saying so.
    dir.Write("setup.ini", Bytes(Text(dir.Read("setup.ini")) + "Future=1\n"));
    ASSERT_TRUE(SaveExtraSetup(ini, TSettings{}));
    EXPECT_EQ(Text(dir.Read("setup.ini")), "[General]\nFuture=1\nLatenessLimitHours=24\nLatenessLimitOn=false\n");
}

}  // namespace
}  // namespace kalvo::storage
