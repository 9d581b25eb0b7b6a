// <user>.sync: the state of the last sync goes through its file unchanged, and a file that is damaged
// anywhere is recognised as damaged, never half taken.

#include "sync/sync_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "storage/file_stamp.h"
#include "support/builders.h"
#include "support/temp_folder.h"

namespace kalvo::sync {
namespace {

using test::At;
using test::Day;

SyncState Sample() {
    SyncState s;
    s.calendar = "https://dav.example.org/eva/kalvo/";
    s.token = "http://radicale.org/ns/sync/7d1c";
    s.fileHash = 0x0123456789abcdefULL;
    s.readOnlySince = std::int64_t{Day(2026, 12, 7)} * 86400 + 3600;
    SyncItem a;
    a.uid = "0f2b9c1e-5d3a-4c7e-9a41-6b0d2e8f1a77";
    a.href = "/eva/kalvo/0f2b9c1e-5d3a-4c7e-9a41-6b0d2e8f1a77.ics";
    a.etag = "\"3-1701\"";
    a.base = test::WithNotice(test::Ordinary(Day(2026, 12, 24), At(18, 0), "Štedrý večer\r\ndarčeky"),
                              Day(2026, 12, 20), rpDaily, At(9, 0));
    a.local = a.base;
    a.local->NoticeNext = Day(2026, 12, 22);
    // The event as the server sent it, with bytes a line-based file would trip over.
    a.serverCopy = "BEGIN:VCALENDAR\r\nX-EMPTY-LINE:\r\n\r\nitem 3\nend 16\nEND:VCALENDAR\r\n";
    a.acknowledged = std::int64_t{Day(2026, 12, 21)} * 86400 + 9 * 3600;
    a.sentSinceToken = true;
    SyncItem b;
    b.uid = "b";
    b.href = "/b.ics";
    b.state = ItemState::Created;
    b.local = test::Ordinary(Day(2027, 1, 1), At(0, 0), "");
    b.local->NoticeTime = std::numeric_limits<double>::quiet_NaN();  // as a damaged reminder file may hold it
    SyncItem c;
    c.uid = "c";
    c.href = "/c.ics";
    c.state = ItemState::Foreign;
    s.items = {a, b, c};
    return s;
}

// A file's text up to its last line, finished with the hash line a writer adds.
std::string Sealed(std::string body) {
    const auto hash = storage::HashBytes(std::span(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
    char hex[24];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return body + "end 16\n" + hex + "\n";
}

bool SameState(const SyncState& x, const SyncState& y) {
    // NaN is never equal to itself; the records compare by their bytes.
    return EncodeState(x) == EncodeState(y);
}

TEST(SyncStateFile, EveryFieldComesBackAsItWasWritten) {
    const SyncState s = Sample();
    const std::string text = EncodeState(s);
    const StateRead back = DecodeState(text);
    ASSERT_EQ(back.status, StateStatus::Ok);
    ASSERT_EQ(back.state.items.size(), 3u);
    EXPECT_EQ(back.state.calendar, s.calendar);
    EXPECT_EQ(back.state.token, s.token);
    EXPECT_EQ(back.state.fileHash, s.fileHash);
    EXPECT_EQ(back.state.readOnlySince, s.readOnlySince);
    EXPECT_EQ(back.state.items[0], s.items[0]);
    EXPECT_EQ(back.state.items[1].state, ItemState::Created);
    EXPECT_FALSE(back.state.items[1].base);
    EXPECT_TRUE(std::isnan(back.state.items[1].local->NoticeTime));
    EXPECT_EQ(back.state.items[2].state, ItemState::Foreign);
    EXPECT_FALSE(back.state.items[2].local);
    EXPECT_TRUE(SameState(back.state, s));
}

TEST(SyncStateFile, FileRoundTripAndMissingFile) {
    test::TempFolder dir;
    EXPECT_EQ(ReadStateFile(dir / "eva.sync").status, StateStatus::Missing);
    ASSERT_TRUE(WriteStateFile(dir / "eva.sync", Sample(), storage::Durability::NoFlush));
    const StateRead back = ReadStateFile(dir / "eva.sync");
    ASSERT_EQ(back.status, StateStatus::Ok);
    EXPECT_TRUE(SameState(back.state, Sample()));
}

TEST(SyncStateFile, EveryCutAndEveryChangedByteIsDamage) {
    const std::string text = EncodeState(Sample());
    for (const StatePart part : {StatePart::Whole, StatePart::Head}) {
        for (std::size_t cut = 0; cut < text.size(); ++cut)
            ASSERT_EQ(DecodeState(text.substr(0, cut), part).status, StateStatus::Damaged) << "cut at " << cut;
        std::mt19937 rng(7);
        for (int n = 0; n < 2000; ++n) {
            std::string bad = text;
            const std::size_t at = rng() % bad.size();
            bad[at] = static_cast<char>(bad[at] ^ (1 + rng() % 255));
            ASSERT_EQ(DecodeState(bad, part).status, StateStatus::Damaged) << "byte " << at;
        }
    }
}

TEST(SyncStateFile, TheHeadSaysWhetherAnythingWaitsAndWhichSnoozesWereAgreed) {
    SyncState s = Sample();
    // Something waits while an item is being created, deleted or was sent after the token.
    EXPECT_FALSE(DecodeState(EncodeState(s), StatePart::Head).settled);
    s.items[1].state = ItemState::Synced;
    s.readOnlySince = 0;
    EXPECT_FALSE(DecodeState(EncodeState(s), StatePart::Head).settled) << "sent since the token";
    s.items[0].sentSinceToken = false;
    s.items[1].state = ItemState::Deleted;
    EXPECT_FALSE(DecodeState(EncodeState(s), StatePart::Head).settled);
    s.items[1].state = ItemState::Archived;

    // Settled: the head alone gives the calendar, the token and the digest of the agreed snoozes, which
    // does not depend on their order.
    s.items[0].snoozedUntil = 1000;
    s.items[1].snoozedUntil = 2000;
    const StateRead head = DecodeState(EncodeState(s), StatePart::Head);
    ASSERT_EQ(head.status, StateStatus::Ok);
    EXPECT_TRUE(head.hasItems);
    EXPECT_TRUE(head.state.items.empty());
    EXPECT_EQ(head.state.token, s.token);
    const std::uint64_t inOrder =
        AddToSnoozeDigest(AddToSnoozeDigest(0, *s.items[0].local, 1000), *s.items[1].local, 2000);
    const std::uint64_t reversed =
        AddToSnoozeDigest(AddToSnoozeDigest(0, *s.items[1].local, 2000), *s.items[0].local, 1000);
    EXPECT_EQ(head.settled, inOrder);
    EXPECT_EQ(inOrder, reversed);
    EXPECT_NE(inOrder, AddToSnoozeDigest(AddToSnoozeDigest(0, *s.items[0].local, 2000), *s.items[1].local, 1000));
    EXPECT_EQ(DecodeState(EncodeState(s)).settled, inOrder);

    // A file of an earlier version has no such line: its head promises nothing.
    std::string old = EncodeState(s);
    const std::size_t from = old.find("settled 16\n");
    ASSERT_NE(from, std::string::npos);
    old.erase(from, std::string_view("settled 16\n").size() + 17);
    old.erase(old.rfind("end 16\n"));
    const StateRead earlier = DecodeState(Sealed(old), StatePart::Head);
    ASSERT_EQ(earlier.status, StateStatus::Ok);
    EXPECT_FALSE(earlier.settled);
}

TEST(SyncStateFile, AbsurdLengthsAndStrangersAreRefusedWithoutReadingPastTheEnd) {
    for (const std::string& bad : {
             std::string(""),
             std::string("kalvo-sync 2\n"),
             std::string("kalvo-sync 1\ncalendar 99999999999999999999\n"),
             std::string("kalvo-sync 1\ncalendar -1\nx\n"),
             std::string("kalvo-sync 1\ncalendar 4\nabc\n"),
             std::string("kalvo-sync 1\nitem 0\n\nuid 1\nu\nend 16\n0000000000000000\n"),
             std::string("BEGIN:VCALENDAR\r\n"),
         })
        EXPECT_EQ(DecodeState(bad).status, StateStatus::Damaged) << bad;
}

TEST(SyncStateFile, KeysOfALaterVersionArePassedOver) {
    SyncState s;
    s.calendar = "/cal/";
    std::string text = EncodeState(s);
    // Rebuild with an unknown field before the end, and a hash that covers it.
    SyncState withItem = s;
    SyncItem i;
    i.uid = "u";
    i.href = "/u.ics";
    withItem.items.push_back(i);
    const std::string plain = EncodeState(withItem);
    const std::size_t end = plain.rfind("end 16\n");
    const StateRead back = DecodeState(Sealed(plain.substr(0, end) + "colour 3\nred\n"));
    ASSERT_EQ(back.status, StateStatus::Ok);
    ASSERT_EQ(back.state.items.size(), 1u);
    EXPECT_EQ(back.state.items[0].uid, "u");
}

TEST(SyncStateFile, ADamagedFileIsKeptAside) {
    test::TempFolder dir;
    dir.Write("eva.sync", {'x'});
    ASSERT_EQ(ReadStateFile(dir / "eva.sync").status, StateStatus::Damaged);
    const auto aside = KeepStateAside(dir / "eva.sync", LocalMoment{Day(2026, 12, 7), 8, 5, 0});
    EXPECT_EQ(aside.filename(), "eva.sync.poskodeny-20261207-080500");
    EXPECT_FALSE(dir.Exists("eva.sync"));
    EXPECT_EQ(dir.Read("eva.sync.poskodeny-20261207-080500"), std::vector<std::uint8_t>{'x'});
}

}  // namespace
}  // namespace kalvo::sync
