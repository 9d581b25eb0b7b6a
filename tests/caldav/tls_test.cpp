// HTTPS to Radicale with a self-signed certificate the test makes: refused with its fingerprint until
// that fingerprint is pinned, then accepted; a changed certificate is refused again.

#include "caldav/discovery.h"
#include "caldav_fixture.h"

namespace kalvo::test {
namespace {

using caldav::CalDavClient;
using sync::Listing;
using sync::ServerStatus;

TEST(TlsTest, ASelfSignedCertificateIsAcceptedOnlyOncePinned) {
    KALVO_START_SERVER(server, "radicale", {"--auth", "basic", "--tls"});
    ASSERT_FALSE(server->Fingerprint().isEmpty());
    caldav::ClientSettings settings = SettingsFor(*server, server->Calendar());
    Listing listing;
    {
        CalDavClient client(settings);
        const auto refused = client.ListChanges("", listing);
        EXPECT_EQ(refused.status, ServerStatus::Unreachable);
        EXPECT_NE(refused.message.find("nie je dôveryhodný"), std::string::npos) << refused.message;
        EXPECT_NE(refused.message.find(server->Fingerprint().toStdString()), std::string::npos) << refused.message;
        const caldav::CertificateInfo& certificate = client.Session().RefusedCertificate();
        EXPECT_EQ(certificate.sha256, server->Fingerprint());
        EXPECT_FALSE(certificate.changed);
        EXPECT_EQ(certificate.subject, QStringLiteral("127.0.0.1"));
    }
    // Discovery gives the certificate for the question whether to trust it.
    caldav::DiscoveryRequest request;
    request.address = server->Base();
    request.session = settings.session;
    const caldav::DiscoveryResult discovery = caldav::DiscoverCalendar(request);
    EXPECT_EQ(discovery.outcome.status, ServerStatus::Unreachable);
    EXPECT_EQ(discovery.certificate.sha256, server->Fingerprint());
    EXPECT_EQ(discovery.requests, 1);

    // Pinned in any spelling: lower case without colons too.
    settings.session.pinnedCertificate = server->Fingerprint().remove(QLatin1Char(':')).toLower();
    {
        CalDavClient client(settings);
        const auto accepted = client.ListChanges("", listing);
        EXPECT_TRUE(accepted.ok()) << accepted.message;
        std::string etag;
        EXPECT_TRUE(client.Create(client.HrefFor("a.ics"), EventText("a"), etag).ok());
    }
    const QString old = server->Fingerprint();
    const QString renewed = server->Command(QStringLiteral("new-certificate"));
    ASSERT_NE(renewed, old);
    CalDavClient client(settings);
    const auto changed = client.ListChanges("", listing);
    EXPECT_EQ(changed.status, ServerStatus::Unreachable);
    EXPECT_NE(changed.message.find("sa zmenil"), std::string::npos) << changed.message;
    EXPECT_TRUE(client.Session().RefusedCertificate().changed);
    EXPECT_EQ(client.Session().RefusedCertificate().sha256, renewed);
}

}  // namespace
}  // namespace kalvo::test
