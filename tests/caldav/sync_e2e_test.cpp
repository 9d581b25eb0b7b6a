// The sync engine with the CalDAV client against real Radicale and Xandikos: Kalvo folders (the engine's
// Machine, with files in a temporary folder) synced through the network as the program syncs them, with
// and without the fault proxy in between. What each server does with the requests is the server's own.

#include <QJsonDocument>
#include <QJsonObject>

#include "caldav_fixture.h"
#include "sync_fixture.h"

namespace kalvo::test {
namespace {

using caldav::CalDavClient;
using sync::SyncOutcome;

class RealSyncTest : public SyncTest, public testing::WithParamInterface<const char*> {
protected:
    static constexpr std::chrono::milliseconds kShortWait{3000};

    std::unique_ptr<CalDavClient> ClientFor(const TestServer& on, const QUrl& calendar) {
        caldav::ClientSettings settings = SettingsFor(on, calendar);
        settings.session.timeout = kShortWait;
        return std::make_unique<CalDavClient>(settings);
    }
    // A sync through a client of its own, as every sync of the program makes one.
    sync::SyncReport SyncDone(Machine& m, const TestServer& on, const QUrl& calendar) {
        auto client = ClientFor(on, calendar);
        sync::SyncReport r = m.Sync(*client);
        EXPECT_EQ(r.outcome, SyncOutcome::Done) << r.failure;
        return r;
    }
    sync::SyncReport SyncDone(Machine& m) { return SyncDone(m, *real, real->Calendar()); }

    // The events in the server's own storage, by file name.
    std::map<std::string, std::string> Files() {
        const QJsonObject files = QJsonDocument::fromJson(real->Command(QStringLiteral("files")).toUtf8()).object();
        std::map<std::string, std::string> out;
        for (auto it = files.begin(); it != files.end(); ++it)
            out[it.key().toStdString()] = it.value().toString().toStdString();
        return out;
    }

    std::unique_ptr<TestServer> real;
};

#define KALVO_START_REAL(...)                                                                \
    real = TestServer::Start(GetParam() __VA_OPT__(, ) __VA_ARGS__);                         \
    if (!real) {                                                                             \
        if (!::testing::Test::HasFailure()) GTEST_SKIP() << "not installed: " << GetParam(); \
        return;                                                                              \
    }

// Xandikos lists the difference between two states of the collection: an event made after the last
// listing and removed before the next one is in neither. The machine that made it still learns of the
// removal.
TEST_P(RealSyncTest, AnEventMadeHereAndRemovedElsewhereLeavesHereToo) {
    KALVO_START_REAL();
    Machine a{LocalMoment{D, 8, 0, 0}}, b{LocalMoment{D, 8, 5, 0}};
    a.Add(Ordinary(D + 3, At(9, 30), "Zubár"));
    EXPECT_EQ(SyncDone(a).sent, 1);
    EXPECT_EQ(SyncDone(b).received, 1);
    b.Change([](storage::ReminderStore& s) { s.Remove(Machine::Find(s, "Zubár")); });
    EXPECT_EQ(SyncDone(b).deletedThere, 1);
    EXPECT_EQ(SyncDone(a).deletedHere, 1);
    EXPECT_TRUE(a.List().empty());
    EXPECT_TRUE(Files().empty());
}

// One occurrence of another program's series moved here is an override the server keeps as it was sent:
// the next syncs have nothing to do, and the other machine shows the occurrence where it was moved.
TEST_P(RealSyncTest, AnOccurrenceOfAnotherProgramsSeriesMovedHereIsAnOverride) {
    KALVO_START_REAL();
    std::string etag;
    const auto client = ClientFor(*real, real->Calendar());
    ASSERT_TRUE(client
                    ->Create(client->HrefFor("weekly-1.ics"),
                             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//EN\r\nBEGIN:VEVENT\r\n"
                             "UID:weekly-1\r\nSUMMARY:Porada\r\nDTSTART;TZID=Europe/Bratislava:20261130T100000\r\n"
                             "RRULE:FREQ=WEEKLY;BYDAY=MO\r\nDTSTAMP:20261120T080000Z\r\nEND:VEVENT\r\n"
                             "END:VCALENDAR\r\n",
                             etag)
                    .ok());
    Machine a{LocalMoment{D, 8, 0, 0}}, b{LocalMoment{D, 8, 5, 0}};
    EXPECT_EQ(SyncDone(a).received, 1);
    a.Change([](storage::ReminderStore& s) {
        TReminder r = s.Reminders().at(0);
        r.Time = At(15, 30);
        s.Replace(0, r);
    });
    EXPECT_EQ(SyncDone(a).sent, 1);
    const auto files = Files();
    ASSERT_EQ(files.size(), 1u);
    std::string stored = files.begin()->second;
    for (std::size_t at; (at = stored.find("\r\n ")) != std::string::npos;) stored.erase(at, 3);
    EXPECT_NE(stored.find("RECURRENCE-ID;TZID=Europe/Bratislava:20261207T100000"), std::string::npos) << stored;
    EXPECT_NE(stored.find("RRULE:FREQ=WEEKLY;BYDAY=MO"), std::string::npos) << stored;
    const sync::SyncReport again = SyncDone(a);
    EXPECT_EQ(again.sent + again.received + again.conflicts, 0);
    EXPECT_EQ(SyncDone(b).received, 1);
    ASSERT_EQ(b.List().size(), 1u);
    EXPECT_EQ(b.List()[0].Time, At(15, 30));
    EXPECT_EQ(b.List(), a.List());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealSyncTest, testing::Values("radicale", "xandikos"));

}  // namespace
}  // namespace kalvo::test
