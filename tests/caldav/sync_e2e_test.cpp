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

INSTANTIATE_TEST_SUITE_P(Servers, RealSyncTest, testing::Values("radicale", "xandikos"));

}  // namespace
}  // namespace kalvo::test
