// The CalDAV client against real Radicale and Xandikos: every call of the engine's interface, the
// conditions that keep a change from being doubled or lost, and hrefs spelt the way each server spells them.

#include "caldav_fixture.h"

namespace kalvo::test {
namespace {

using caldav::CalDavClient;
using sync::Listing;
using sync::ServerResource;
using sync::ServerStatus;

class ClientTest : public testing::TestWithParam<const char*> {};

std::set<std::string> Hrefs(const Listing& listing) {
    std::set<std::string> hrefs;
    for (const ServerResource& r : listing.changed) hrefs.insert(r.href);
    return hrefs;
}

TEST_P(ClientTest, EveryCallOnAFreshCalendar) {
    KALVO_START_SERVER(server, GetParam());
    CalDavClient client(SettingsFor(*server, server->Calendar()));

    Listing first;
    ASSERT_TRUE(client.ListChanges("", first).ok());
    EXPECT_TRUE(first.changed.empty());
    EXPECT_FALSE(first.token.empty());

    const std::string href = client.HrefFor("kalvo-1.ics");
    std::string etag;
    const auto created = client.Create(href, EventText("kalvo-1"), etag);
    ASSERT_TRUE(created.ok()) << created.message;
    EXPECT_FALSE(etag.empty());
    // A second create at the same href is refused, never doubled.
    std::string again;
    EXPECT_EQ(client.Create(href, EventText("kalvo-1"), again).status, ServerStatus::PreconditionFailed);

    Listing changes;
    ASSERT_TRUE(client.ListChanges(first.token, changes).ok());
    ASSERT_EQ(changes.changed.size(), 1u);
    EXPECT_EQ(changes.changed[0].href, href);
    EXPECT_EQ(changes.changed[0].etag, etag);
    EXPECT_TRUE(changes.removed.empty());

    std::vector<ServerResource> fetched;
    ASSERT_TRUE(client.Fetch({href, client.HrefFor("missing.ics")}, fetched).ok());
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0].href, href);
    EXPECT_EQ(fetched[0].etag, etag);
    EXPECT_NE(fetched[0].ics.find("UID:kalvo-1"), std::string::npos);

    std::string updated;
    EXPECT_EQ(client.Update(href, EventText("kalvo-1", "Iné"), "\"stale\"", updated).status,
              ServerStatus::PreconditionFailed);
    ASSERT_TRUE(client.Update(href, EventText("kalvo-1", "Iné"), etag, updated).ok());
    EXPECT_FALSE(updated.empty());
    EXPECT_NE(updated, etag);

    Listing afterUpdate;
    ASSERT_TRUE(client.ListChanges(changes.token, afterUpdate).ok());
    ASSERT_EQ(afterUpdate.changed.size(), 1u);
    EXPECT_EQ(afterUpdate.changed[0].etag, updated);

    EXPECT_EQ(client.Remove(href, etag).status, ServerStatus::PreconditionFailed);
    ASSERT_TRUE(client.Remove(href, updated).ok());
    EXPECT_EQ(client.Remove(href, updated).status, ServerStatus::NotFound);

    Listing afterRemove;
    ASSERT_TRUE(client.ListChanges(afterUpdate.token, afterRemove).ok());
    EXPECT_TRUE(afterRemove.changed.empty());
    EXPECT_EQ(afterRemove.removed, std::vector<std::string>{href});

    ServerResource gone;
    EXPECT_EQ(client.Get(href, gone).status, ServerStatus::NotFound);
}

// Names with characters that servers encode: the href the listing gives back is the one HrefFor made, so
// the engine never mistakes one resource for two.
TEST_P(ClientTest, HrefsComeBackAsTheyWereMade) {
    KALVO_START_SERVER(server, GetParam());
    CalDavClient client(SettingsFor(*server, server->Calendar()));
    std::set<std::string> made;
    for (const std::string name : {"a@b.ics", "medzera a čiarka,.ics", "plus+percent%.ics", "lomka/v mene.ics"}) {
        const std::string href = client.HrefFor(name);
        std::string etag;
        const auto outcome = client.Create(href, EventText("uid-" + std::to_string(made.size())), etag);
        ASSERT_TRUE(outcome.ok()) << name << ": " << outcome.message;
        made.insert(href);
    }
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    EXPECT_EQ(Hrefs(listing), made);
    Listing all;
    ASSERT_TRUE(client.ListAll(all).ok());
    EXPECT_EQ(Hrefs(all), made);
    std::vector<ServerResource> fetched;
    ASSERT_TRUE(client.Fetch(std::vector<std::string>(made.begin(), made.end()), fetched).ok());
    std::set<std::string> fetchedHrefs;
    for (const auto& r : fetched) fetchedHrefs.insert(r.href);
    EXPECT_EQ(fetchedHrefs, made);
}

TEST_P(ClientTest, FetchGoesInBatchesAndListAllGivesEtagsAndToken) {
    KALVO_START_SERVER(server, GetParam());
    caldav::ClientSettings settings = SettingsFor(*server, server->Calendar());
    settings.multigetBatch = 3;
    CalDavClient client(settings);
    std::vector<std::string> hrefs;
    std::map<std::string, std::string> etags;
    for (int i = 0; i < 7; ++i) {
        hrefs.push_back(client.HrefFor("e" + std::to_string(i) + ".ics"));
        ASSERT_TRUE(client.Create(hrefs.back(), EventText("e" + std::to_string(i)), etags[hrefs.back()]).ok());
    }
    Listing all;
    ASSERT_TRUE(client.ListAll(all).ok());
    EXPECT_FALSE(all.token.empty());
    ASSERT_EQ(all.changed.size(), 7u);
    for (const auto& r : all.changed) EXPECT_EQ(r.etag, etags[r.href]);

    const int before = client.Session().RequestCount();
    std::vector<ServerResource> fetched;
    ASSERT_TRUE(client.Fetch(hrefs, fetched).ok());
    EXPECT_EQ(client.Session().RequestCount() - before, 3);
    EXPECT_EQ(fetched.size(), 7u);

    // The token of the full listing carries on: nothing has changed since.
    Listing none;
    ASSERT_TRUE(client.ListChanges(all.token, none).ok());
    EXPECT_TRUE(none.changed.empty());
    EXPECT_TRUE(none.removed.empty());
}

// A first sync fetches everything: Radicale brings the data with the listing, so the fetch sends nothing;
// Xandikos does not, and one calendar-query brings all of it (its multiget reads the whole collection for
// each href). What the client itself changed since is fetched anew.
TEST_P(ClientTest, TheFetchOfAWholeCollectionTakesOneRequestAtMost) {
    KALVO_START_SERVER(server, GetParam());
    CalDavClient client(SettingsFor(*server, server->Calendar()));
    std::vector<std::string> hrefs;
    std::map<std::string, std::string> etags;
    for (int i = 0; i < 25; ++i) {
        hrefs.push_back(client.HrefFor("d" + std::to_string(i) + ".ics"));
        ASSERT_TRUE(client.Create(hrefs.back(), EventText("d" + std::to_string(i)), etags[hrefs.back()]).ok());
    }
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    for (const auto& r : listing.changed) EXPECT_TRUE(r.ics.empty());
    int before = client.Session().RequestCount();
    std::vector<ServerResource> fetched;
    ASSERT_TRUE(client.Fetch(hrefs, fetched).ok());
    EXPECT_EQ(client.Session().RequestCount() - before, std::string(GetParam()) == "radicale" ? 0 : 1);
    ASSERT_EQ(fetched.size(), 25u);
    for (const auto& r : fetched) {
        EXPECT_EQ(r.etag, etags[r.href]);
        EXPECT_NE(r.ics.find("SUMMARY:Skúška"), std::string::npos);
    }

    std::string etag;
    ASSERT_TRUE(client.Update(hrefs[0], EventText("d0", "Zmenená"), etags[hrefs[0]], etag).ok());
    before = client.Session().RequestCount();
    ASSERT_TRUE(client.Fetch({hrefs[0], hrefs[1]}, fetched).ok());
    EXPECT_EQ(client.Session().RequestCount(), before + 1);
    ASSERT_EQ(fetched.size(), 2u);
    for (const auto& r : fetched) {
        if (r.href != hrefs[0]) continue;
        EXPECT_EQ(r.etag, etag);
        EXPECT_NE(r.ics.find("SUMMARY:Zmenená"), std::string::npos);
    }
}

// Each server refuses a token it never gave in its own way (Radicale 403 with DAV:valid-sync-token,
// Xandikos a bare 500): both are TokenInvalid, and the full listing works after it.
TEST_P(ClientTest, AForgottenTokenIsTokenInvalid) {
    KALVO_START_SERVER(server, GetParam());
    CalDavClient client(SettingsFor(*server, server->Calendar()));
    Listing first;
    ASSERT_TRUE(client.ListChanges("", first).ok());
    std::string forgotten = first.token;
    forgotten.replace(forgotten.size() - 8, 8, "00000000");
    Listing listing;
    const auto outcome = client.ListChanges(forgotten, listing);
    EXPECT_EQ(outcome.status, ServerStatus::TokenInvalid) << outcome.httpStatus << " " << outcome.message;
    EXPECT_TRUE(client.ListChanges("", listing).ok());
}

TEST_P(ClientTest, ANonCalendarAddressIsNoListing) {
    KALVO_START_SERVER(server, GetParam());
    caldav::ClientSettings settings = SettingsFor(*server, server->Calendar());
    settings.calendar = server->Calendar().resolved(QUrl(QStringLiteral("../missing-calendar/")));
    CalDavClient client(settings);
    Listing listing;
    const auto outcome = client.ListChanges("", listing);
    EXPECT_FALSE(outcome.ok());
    EXPECT_FALSE(outcome.message.empty());
}

// A refused upload is never a success, whatever shape the refusal takes: Radicale answers 409 or 400,
// Xandikos a 207 multistatus with the real status (412) inside.
TEST_P(ClientTest, ARefusedUploadIsNoSuccess) {
    KALVO_START_SERVER(server, GetParam());
    CalDavClient client(SettingsFor(*server, server->Calendar()));
    std::string etag;
    ASSERT_TRUE(client.Create(client.HrefFor("a.ics"), EventText("same-uid"), etag).ok());
    const auto clash = client.Create(client.HrefFor("b.ics"), EventText("same-uid"), etag);
    EXPECT_EQ(clash.status, ServerStatus::ServerError) << clash.httpStatus;
    EXPECT_NE(clash.message.find("rovnakým UID"), std::string::npos) << clash.message;
    EXPECT_TRUE(etag.empty());
    const auto invalid = client.Create(client.HrefFor("c.ics"), "toto nie je udalosť", etag);
    EXPECT_EQ(invalid.status, ServerStatus::ServerError) << invalid.httpStatus;
    EXPECT_NE(invalid.message.find("odmietol"), std::string::npos) << invalid.message;
    Listing listing;
    ASSERT_TRUE(client.ListChanges("", listing).ok());
    EXPECT_EQ(listing.changed.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Servers, ClientTest, testing::Values("radicale", "xandikos"),
                         [](const auto& param) { return std::string(param.param); });

TEST(ClientUnreachable, AClosedPortIsUnreachableAtOnce) {
    caldav::ClientSettings settings;
    settings.calendar = QUrl(QStringLiteral("http://127.0.0.1:9/kalendar/"));
    settings.session.timeout = std::chrono::milliseconds(2000);
    CalDavClient client(settings);
    Listing listing;
    const auto outcome = client.ListChanges("", listing);
    EXPECT_EQ(outcome.status, ServerStatus::Unreachable);
    EXPECT_NE(outcome.message.find("nepodarilo zastihnúť"), std::string::npos) << outcome.message;
    std::string etag;
    EXPECT_EQ(client.Create(client.HrefFor("x.ics"), EventText("x"), etag).status, ServerStatus::Unreachable);
}

}  // namespace
}  // namespace kalvo::test
