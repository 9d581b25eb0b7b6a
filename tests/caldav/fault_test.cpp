// The client through the fault proxy (tests/sync/fault_proxy.py) in front of real servers: each fault ends
// with the status the engine needs to act safely, within a bounded number of requests.

#include <QThread>
#include <atomic>

#include "caldav/discovery.h"
#include "caldav_fixture.h"

namespace kalvo::test {
namespace {

using caldav::CalDavClient;
using sync::Listing;
using sync::ServerResource;
using sync::ServerStatus;

class FaultTest : public testing::TestWithParam<const char*> {
protected:
    caldav::ClientSettings Through(const TestServer& server) { return SettingsFor(server, server.ProxyCalendar()); }
};

TEST_P(FaultTest, PreconditionFailedIsReportedNotRetried) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    server->Fault("412 PUT");
    std::string etag;
    EXPECT_EQ(client.Create(client.HrefFor("a.ics"), EventText("a"), etag).status, ServerStatus::PreconditionFailed);
    EXPECT_EQ(server->RequestCount(), 1);
}

// The upload went through and the answer said 500: Uncertain, and the engine's look finds the event, so a
// second create is refused instead of doubling it.
TEST_P(FaultTest, AFailureAfterTheUploadIsUncertainAndNeverDoubles) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    const std::string href = client.HrefFor("a.ics");
    server->Fault("500-after PUT");
    std::string etag;
    const auto outcome = client.Create(href, EventText("a"), etag);
    EXPECT_EQ(outcome.status, ServerStatus::Uncertain);
    EXPECT_EQ(outcome.httpStatus, 500);
    EXPECT_NE(outcome.message.find("500"), std::string::npos) << outcome.message;
    EXPECT_EQ(server->RequestCount(), 1);

    ServerResource there;
    ASSERT_TRUE(client.Get(href, there).ok());
    EXPECT_NE(there.ics.find("UID:a"), std::string::npos);
    EXPECT_EQ(client.Create(href, EventText("a"), etag).status, ServerStatus::PreconditionFailed);
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    EXPECT_EQ(listing.changed.size(), 1u);
}

TEST_P(FaultTest, RetryAfterIsObeyedThenTheRequestSucceeds) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    std::vector<std::chrono::milliseconds> waits;
    caldav::ClientSettings settings = Through(*server);
    settings.session.waitBeforeRetry = [&](std::chrono::milliseconds wait) { waits.push_back(wait); };
    CalDavClient client(settings);
    server->Fault("503 REPORT 1 7");
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    EXPECT_EQ(waits, std::vector<std::chrono::milliseconds>{std::chrono::seconds(7)});
    EXPECT_EQ(server->RequestCount(), 2);

    // A server that stays busy is asked a bounded number of times.
    server->Reset();
    waits.clear();
    server->Fault("503 PUT -1 1");
    std::string etag;
    const auto busy = client.Create(client.HrefFor("b.ics"), EventText("b"), etag);
    EXPECT_EQ(busy.status, ServerStatus::Uncertain);
    EXPECT_EQ(busy.httpStatus, 503);
    EXPECT_EQ(waits.size(), 2u);
    EXPECT_EQ(server->RequestCount(), 3);
}

TEST_P(FaultTest, ARetryAfterTooLongIsNotWaitedFor) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    std::vector<std::chrono::milliseconds> waits;
    caldav::ClientSettings settings = Through(*server);
    settings.session.waitBeforeRetry = [&](std::chrono::milliseconds wait) { waits.push_back(wait); };
    CalDavClient client(settings);
    server->Fault("503 REPORT 1 3600");
    Listing listing;
    const auto outcome = client.ListChanges("", listing);
    EXPECT_EQ(outcome.status, ServerStatus::ServerError);
    EXPECT_NE(outcome.message.find("3600 s"), std::string::npos) << outcome.message;
    EXPECT_TRUE(waits.empty());
    EXPECT_EQ(server->RequestCount(), 1);
}

// A stalled answer ends after the timeout: Uncertain for an upload (the server may have stored it).
TEST_P(FaultTest, AStalledAnswerTimesOut) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    caldav::ClientSettings settings = Through(*server);
    settings.session.timeout = std::chrono::milliseconds(400);
    CalDavClient client(settings);
    server->Fault("stall PUT");
    std::string etag;
    const auto outcome = client.Create(client.HrefFor("a.ics"), EventText("a"), etag);
    EXPECT_EQ(outcome.status, ServerStatus::Uncertain);
    EXPECT_NE(outcome.message.find("neodpovedal včas"), std::string::npos) << outcome.message;
    server->Fault("stall REPORT");
    Listing listing;
    EXPECT_EQ(client.ListChanges("", listing).status, ServerStatus::Uncertain);
    EXPECT_EQ(server->RequestCount(), 2);
}

// A server that thinks long before its answer (a listing of thousands of events) is waited for; a silence
// in the middle of the answer, or before the request is out, still ends after the shorter timeout.
TEST_P(FaultTest, TheAnswerToAWholeRequestIsWaitedForLonger) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    caldav::ClientSettings settings = Through(*server);
    settings.session.timeout = std::chrono::milliseconds(400);
    settings.session.answerTimeout = std::chrono::milliseconds(8000);
    CalDavClient client(settings);
    std::string etag;
    ASSERT_TRUE(client.Create(client.HrefFor("a.ics"), EventText("a"), etag).ok());
    server->Fault("slow REPORT 1 1.5");
    Listing listing;
    const auto outcome = client.ListChanges("", listing);
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    EXPECT_EQ(listing.changed.size(), 1u);
}

TEST_P(FaultTest, ACutAnswerIsUncertain) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    std::string etag;
    ASSERT_TRUE(client.Create(client.HrefFor("a.ics"), EventText("a"), etag).ok());
    server->Reset();
    server->Fault("cut REPORT");
    Listing listing;
    const auto outcome = client.ListChanges("", listing);
    EXPECT_EQ(outcome.status, ServerStatus::Uncertain);
    EXPECT_TRUE(listing.changed.empty());
    EXPECT_EQ(server->RequestCount(), 1);
    server->Fault("cut GET");
    ServerResource resource;
    EXPECT_EQ(client.Get(client.HrefFor("a.ics"), resource).status, ServerStatus::Uncertain);
}

TEST_P(FaultTest, AForgottenTokenIsTokenInvalidWithinTwoRequests) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    Listing first;
    ASSERT_TRUE(client.ListChanges("", first).ok());
    // A token is forgotten once it is old: the collection has moved on since.
    std::string etag;
    ASSERT_TRUE(client.Create(client.HrefFor("a.ics"), EventText("a"), etag).ok());
    server->Reset();
    server->Fault("forget-token REPORT");
    Listing listing;
    const auto outcome = client.ListChanges(first.token, listing);
    EXPECT_EQ(outcome.status, ServerStatus::TokenInvalid) << outcome.message;
    EXPECT_LE(server->RequestCount(), 2);  // Xandikos' bare 500 takes a look at the collection

    server->Reset();
    server->Fault("409-token REPORT");
    EXPECT_EQ(client.ListChanges(first.token, listing).status, ServerStatus::TokenInvalid);
    EXPECT_EQ(server->RequestCount(), 1);
}

// A real 500 for a token the server still knows is a server failure, not a forgotten token.
TEST_P(FaultTest, AServerFailureWithAKnownTokenIsNoForgottenToken) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    Listing first;
    ASSERT_TRUE(client.ListChanges("", first).ok());
    server->Fault("500-after REPORT");
    Listing listing;
    EXPECT_EQ(client.ListChanges(first.token, listing).status, ServerStatus::ServerError);
}

TEST_P(FaultTest, AListingCutShortIsContinued) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    std::set<std::string> made;
    for (int i = 0; i < 5; ++i) {
        std::string etag;
        const std::string href = client.HrefFor("e" + std::to_string(i) + ".ics");
        ASSERT_TRUE(client.Create(href, EventText("e" + std::to_string(i)), etag).ok());
        made.insert(href);
    }
    server->Reset();
    server->Fault("507 REPORT 1 2");
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    std::multiset<std::string> listed;
    for (const auto& r : listing.changed) listed.insert(r.href);
    EXPECT_EQ(listed, std::multiset<std::string>(made.begin(), made.end()));
    EXPECT_EQ(server->RequestCount(), 2);
    EXPECT_EQ(listing.token.find("kalvo-proxy"), std::string::npos);

    // The continued token is the server's own: nothing changed since.
    Listing none;
    ASSERT_TRUE(client.ListChanges(listing.token, none).ok());
    EXPECT_TRUE(none.changed.empty());
}

// A server without REPORT at all: the listing falls back to PROPFIND (with no token, so every sync lists
// all), the fetch to one GET per event.
TEST_P(FaultTest, WithoutReportsTheClientFallsBackToPropfindAndGet) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    CalDavClient client(Through(*server));
    std::vector<std::string> hrefs;
    for (int i = 0; i < 3; ++i) {
        std::string etag;
        hrefs.push_back(client.HrefFor("f" + std::to_string(i) + ".ics"));
        ASSERT_TRUE(client.Create(hrefs.back(), EventText("f" + std::to_string(i)), etag).ok());
    }
    server->Reset();
    server->Fault(QStringLiteral("status REPORT -1 501"));
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    EXPECT_EQ(listing.changed.size(), 3u);
    EXPECT_TRUE(listing.token.empty());
    EXPECT_EQ(client.ListChanges("old-token", listing).status, ServerStatus::TokenInvalid);
    std::vector<ServerResource> fetched;
    ASSERT_TRUE(client.Fetch(hrefs, fetched).ok());
    EXPECT_EQ(fetched.size(), 3u);
    for (const auto& r : fetched) EXPECT_FALSE(r.etag.empty());
    // REPORT once for the listing, once for the multiget; PROPFIND; three GETs.
    EXPECT_EQ(server->RequestCount(), 6);
}

TEST_P(FaultTest, AWrongPasswordIsUnauthorizedAfterOneTry) {
    KALVO_START_SERVER(server, GetParam(), {"--proxy"});
    caldav::ClientSettings settings = Through(*server);
    settings.session.login = QStringLiteral("alice");
    settings.session.password = QStringLiteral("wrong");
    CalDavClient client(settings);
    server->Fault("401 - -1");
    Listing listing;
    const auto outcome = client.ListChanges("", listing);
    EXPECT_EQ(outcome.status, ServerStatus::Unauthorized);
    EXPECT_NE(outcome.message.find("odmietol prihlasovacie meno alebo heslo"), std::string::npos) << outcome.message;
    EXPECT_LE(server->RequestCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Servers, FaultTest, testing::Values("radicale", "xandikos"),
                         [](const auto& param) { return std::string(param.param); });

// Digest, as the proxy asks for it in front of Xandikos (which has no authentication of its own).
TEST(DigestTest, DigestCredentialsAreOfferedOnceAndAWrongPasswordRefused) {
    KALVO_START_SERVER(server, "xandikos", {"--proxy"});
    server->Command(QStringLiteral("digest"));
    caldav::ClientSettings settings = SettingsFor(*server, server->ProxyCalendar());
    settings.session.login = QStringLiteral("alice");
    settings.session.password = QStringLiteral("heslo-123");
    {
        CalDavClient client(settings);
        Listing listing;
        const auto outcome = client.ListChanges("", listing);
        EXPECT_TRUE(outcome.ok()) << outcome.message;
        std::string etag;
        EXPECT_TRUE(client.Create(client.HrefFor("a.ics"), EventText("a"), etag).ok());
    }
    server->Reset();
    settings.session.password = QStringLiteral("zlé");
    CalDavClient client(settings);
    Listing listing;
    EXPECT_EQ(client.ListChanges("", listing).status, ServerStatus::Unauthorized);
    EXPECT_LE(server->RequestCount(), 2);
}

// The proxy takes the Digest credentials and passes the request on without them; Radicale then asks for
// Basic in a realm of its own. The two questions alternate for as long as the client answers them.
TEST(DigestTest, ChallengesThatNeverEndStopWithinAFewRequests) {
    KALVO_START_SERVER(server, "radicale", {"--proxy", "--auth", "basic"});
    server->Command(QStringLiteral("digest"));
    caldav::DiscoveryRequest request;
    request.address = server->ProxyCalendar();
    const caldav::DiscoveryResult anonymous = caldav::DiscoverCalendar(request);
    EXPECT_EQ(anonymous.outcome.status, ServerStatus::Unauthorized);
    EXPECT_NE(anonymous.outcome.message.find("žiada prihlasovacie meno a heslo"), std::string::npos)
        << anonymous.outcome.message;
    EXPECT_EQ(server->RequestCount(), 1);

    server->Reset();
    request.session = SettingsFor(*server, request.address).session;
    const caldav::DiscoveryResult refused = caldav::DiscoverCalendar(request);
    EXPECT_EQ(refused.outcome.status, ServerStatus::Unauthorized);
    EXPECT_NE(refused.outcome.message.find("odmietol prihlasovacie meno alebo heslo"), std::string::npos)
        << refused.outcome.message;
    EXPECT_LE(server->RequestCount(), 6);

    // An upload cut so may have been carried out by its last send: the engine must look before it sends
    // again, not take it for refused.
    server->Reset();
    CalDavClient client(SettingsFor(*server, request.address));
    std::string etag;
    const auto put = client.Create(client.HrefFor("a.ics"), EventText("a"), etag);
    EXPECT_EQ(put.status, ServerStatus::Uncertain);
    EXPECT_NE(put.message.find("opakovane žiada prihlasovacie meno a heslo"), std::string::npos) << put.message;
    EXPECT_LE(server->RequestCount(), 6);
}

TEST(BasicAuthTest, RadicaleRefusesAWrongPasswordOnce) {
    KALVO_START_SERVER(server, "radicale", {"--auth", "basic"});
    caldav::ClientSettings settings = SettingsFor(*server, server->Calendar());
    {
        CalDavClient client(settings);
        Listing listing;
        EXPECT_TRUE(client.ListChanges("", listing).ok());
    }
    settings.session.password = QStringLiteral("zlé heslo");
    CalDavClient client(settings);
    Listing listing;
    EXPECT_EQ(client.ListChanges("", listing).status, ServerStatus::Unauthorized);
    EXPECT_LE(client.Session().RequestCount(), 1);
    settings.session.login.clear();
    CalDavClient anonymous(settings);
    EXPECT_EQ(anonymous.ListChanges("", listing).status, ServerStatus::Unauthorized);
}

TEST(ReadOnlyTest, AnUploadToAReadOnlyCalendarIsForbidden) {
    KALVO_START_SERVER(server, "radicale", {"--auth", "basic", "--read-only", "shared"});
    caldav::ClientSettings settings = SettingsFor(*server, server->Principal().resolved(QUrl("shared/")));
    CalDavClient client(settings);
    Listing listing;
    EXPECT_TRUE(client.ListChanges("", listing).ok());
    std::string etag;
    const auto outcome = client.Create(client.HrefFor("a.ics"), EventText("a"), etag);
    EXPECT_EQ(outcome.status, ServerStatus::Forbidden);
    EXPECT_NE(outcome.message.find("len na čítanie"), std::string::npos) << outcome.message;
}

}  // namespace
}  // namespace kalvo::test

namespace kalvo::test {
namespace {

// Qt's own redirect handling would turn a redirected PUT or PROPFIND into a GET; the session follows
// redirects itself with the method and the body, a bounded number of times.
TEST(RedirectTest, ARedirectKeepsTheMethodAndTheBodyAndALoopEnds) {
    KALVO_START_SERVER(server, "xandikos", {"--proxy"});
    caldav::CalDavClient client(SettingsFor(*server, server->ProxyCalendar()));
    server->Fault(QStringLiteral("redirect PUT 1 308"));
    std::string etag;
    const std::string href = client.HrefFor("a.ics");
    ASSERT_TRUE(client.Create(href, EventText("a"), etag).ok());
    server->Fault(QStringLiteral("redirect REPORT 1 301"));
    sync::Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    ASSERT_EQ(listing.changed.size(), 1u);
    EXPECT_EQ(listing.changed[0].etag, etag);
    EXPECT_EQ(server->RequestCount(), 4);

    server->Reset();
    server->Fault(QStringLiteral("redirect - -1 307"));
    const auto loop = client.ListChanges("", listing);
    EXPECT_EQ(loop.status, sync::ServerStatus::ServerError);
    EXPECT_NE(loop.message.find("príliš veľa ráz"), std::string::npos) << loop.message;
    EXPECT_EQ(server->RequestCount(), 6);
}

// The program syncs on a thread of its own, with a client made there.
TEST(ThreadTest, AClientWorksOnAWorkerThreadAndCanBeCancelled) {
    KALVO_START_SERVER(server, "xandikos", {"--proxy"});
    const caldav::ClientSettings settings = SettingsFor(*server, server->ProxyCalendar());
    sync::Outcome listed;
    QThread* worker = QThread::create([&] {
        caldav::CalDavClient client(settings);
        sync::Listing listing;
        listed = client.ListChanges("", listing);
    });
    worker->start();
    ASSERT_TRUE(worker->wait(60000));
    delete worker;
    EXPECT_TRUE(listed.ok()) << listed.message;

    // A stalled answer is given up as soon as the program asks, not after the timeout.
    std::atomic<bool> cancel{false};
    caldav::ClientSettings patient = settings;
    patient.session.timeout = std::chrono::minutes(5);
    patient.session.cancelled = &cancel;
    server->Fault(QStringLiteral("stall PUT"));
    sync::Outcome created;
    worker = QThread::create([&] {
        caldav::CalDavClient client(patient);
        std::string etag;
        created = client.Create(client.HrefFor("b.ics"), EventText("b"), etag);
    });
    const auto start = std::chrono::steady_clock::now();
    worker->start();
    QThread::msleep(300);
    cancel = true;
    ASSERT_TRUE(worker->wait(30000));
    delete worker;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(created.status, sync::ServerStatus::Uncertain);
    EXPECT_EQ(created.message, "Synchronizácia bola prerušená.");
}

}  // namespace
}  // namespace kalvo::test
