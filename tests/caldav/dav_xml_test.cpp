// Hrefs in one spelling and multistatus answers read by namespace, whatever prefixes a server chooses.

#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include "caldav/dav_xml.h"
#include "caldav/href.h"

namespace kalvo::caldav {
namespace {

const QUrl kCalendar(QStringLiteral("http://127.0.0.1:5232/alice/kalendar/"));

TEST(HrefTest, EverySpellingOfOnePathIsOneHref) {
    const QByteArray canonical = "/alice/kalendar/a%40b%20c.ics";
    for (const char* spelling : {"/alice/kalendar/a@b%20c.ics", "/alice/kalendar/a%40b%20c.ics",
                                 "http://127.0.0.1:5232/alice/kalendar/a%40b%20c.ics",
                                 "http%3A//127.0.0.1%3A5232/alice/kalendar/a%40b%20c.ics", "a@b%20c.ics",
                                 " /alice/kalendar/a%40b%20c.ics?x=1 "}) {
        EXPECT_EQ(CanonicalHref(spelling, kCalendar), canonical) << spelling;
    }
    EXPECT_EQ(CanonicalHref("/alice/kalendar/%C4%8Dierny%2Bbiely%25.ics", kCalendar),
              "/alice/kalendar/%C4%8Dierny%2Bbiely%25.ics");
    EXPECT_EQ(CanonicalHref("", kCalendar), "");
    EXPECT_EQ(ResolveHref(kCalendar, "http%3A//other.host%3A8080/p/").toString(),
              QStringLiteral("http://other.host:8080/p/"));
    EXPECT_EQ(ResolveHref(kCalendar, "../bob/").toString(), QStringLiteral("http://127.0.0.1:5232/alice/bob/"));
    EXPECT_EQ(CanonicalPath(kCalendar), "/alice/kalendar/");
}

TEST(HrefTest, AMemberNameStaysOneMember) {
    EXPECT_EQ(MemberHref("/alice/kalendar/", QStringLiteral("a/b č+.ics")), "/alice/kalendar/a_b%20%C4%8D%2B.ics");
    EXPECT_EQ(MemberHref("/alice/kalendar", QStringLiteral("x.ics")), "/alice/kalendar/x.ics");
    EXPECT_EQ(AsCollection(QUrl(QStringLiteral("https://h/cal"))).toString(), QStringLiteral("https://h/cal/"));
    const QUrl url = UrlForHref(kCalendar, "/alice/kalendar/a%40b.ics");
    EXPECT_EQ(CanonicalPath(url), "/alice/kalendar/a%40b.ics");
    EXPECT_EQ(url.host(), QStringLiteral("127.0.0.1"));
}

TEST(MultistatusTest, PropertiesComeOnlyFromSuccessfulPropstats) {
    // Xandikos' style: numbered prefixes, the status before the properties.
    const QByteArray body =
        "<ns0:multistatus xmlns:ns0=\"DAV:\" xmlns:ns1=\"urn:ietf:params:xml:ns:caldav\">"
        "<ns0:response><ns0:href>/user/calendars/calendar/</ns0:href>"
        "<ns0:propstat><ns0:status>HTTP/1.1 200 OK</ns0:status><ns0:prop>"
        "<ns0:resourcetype><ns0:collection /><ns1:calendar /></ns0:resourcetype>"
        "<ns0:displayname>Práca &amp; doma</ns0:displayname>"
        "<ns1:supported-calendar-component-set><ns1:comp name=\"VTODO\"/><ns1:comp name=\"vevent\"/>"
        "</ns1:supported-calendar-component-set>"
        "<ns0:current-user-privilege-set><ns0:privilege><ns0:read/></ns0:privilege></ns0:current-user-privilege-set>"
        "</ns0:prop></ns0:propstat>"
        "<ns0:propstat><ns0:status>HTTP/1.1 404 Not Found</ns0:status><ns0:prop><ns0:getetag>\"x\"</ns0:getetag>"
        "</ns0:prop></ns0:propstat></ns0:response>"
        "<ns0:response><ns0:href>/user/calendars/calendar/gone.ics</ns0:href>"
        "<ns0:status>HTTP/1.1 404 Not Found</ns0:status></ns0:response>"
        "<ns0:sync-token>abc</ns0:sync-token></ns0:multistatus>";
    const Multistatus ms = ParseMultistatus(body);
    ASSERT_TRUE(ms.valid);
    EXPECT_EQ(ms.syncToken, QStringLiteral("abc"));
    ASSERT_EQ(ms.responses.size(), 2);
    const DavResponse& calendar = ms.responses[0];
    EXPECT_TRUE(calendar.isCalendar);
    EXPECT_TRUE(calendar.isCollection);
    EXPECT_EQ(calendar.displayName, QStringLiteral("Práca & doma"));
    EXPECT_TRUE(calendar.HoldsEvents());
    EXPECT_FALSE(calendar.Writable());
    EXPECT_TRUE(calendar.etag.isEmpty());
    EXPECT_EQ(ms.responses[1].status, 404);
    EXPECT_FALSE(ms.responses[1].hasProperties);
}

TEST(MultistatusTest, DefaultNamespaceAndCalendarDataWithItsLineEnds) {
    // Radicale's style: DAV: as the default namespace, the status after the properties.
    const QByteArray body =
        "<?xml version='1.0' encoding='utf-8'?>\n<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
        "<response><href>/a/b.ics</href><propstat><prop><getetag>\"e1\"</getetag>"
        "<C:calendar-data>BEGIN:VCALENDAR\r\nSUMMARY:a&lt;b\r\nEND:VCALENDAR\r\n</C:calendar-data></prop>"
        "<status>HTTP/1.1 200 OK</status></propstat></response>"
        "<response><href>/a/</href><propstat><prop><current-user-principal><href>/alice/</href>"
        "</current-user-principal><C:calendar-home-set><href>https://other.example/home/</href></C:calendar-home-set>"
        "<current-user-privilege-set><privilege><all/></privilege></current-user-privilege-set>"
        "</prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>";
    const Multistatus ms = ParseMultistatus(body);
    ASSERT_TRUE(ms.valid);
    ASSERT_EQ(ms.responses.size(), 2);
    EXPECT_EQ(ms.responses[0].etag, QStringLiteral("\"e1\""));
    EXPECT_TRUE(ms.responses[0].calendarData.contains(QStringLiteral("SUMMARY:a<b")));
    EXPECT_EQ(ms.responses[1].principalHrefs, QList<QByteArray>{"/alice/"});
    EXPECT_EQ(ms.responses[1].calendarHomeHrefs, QList<QByteArray>{"https://other.example/home/"});
    EXPECT_TRUE(ms.responses[1].Writable());
    EXPECT_TRUE(ms.responses[1].HoldsEvents());  // no component set given: any
}

TEST(MultistatusTest, WhatIsNoMultistatusIsNotValid) {
    EXPECT_FALSE(ParseMultistatus("").valid);
    EXPECT_FALSE(ParseMultistatus("500 Internal Server Error\n\nServer got itself in trouble").valid);
    EXPECT_FALSE(ParseMultistatus("<multistatus xmlns=\"other:\"/>").valid);
    EXPECT_FALSE(ParseMultistatus("<multistatus xmlns=\"DAV:\"><response><href>/a").valid);
}

TEST(MultistatusTest, ErrorConditionsAndStatusLines) {
    EXPECT_TRUE(
        HasErrorCondition("<error xmlns=\"DAV:\"><valid-sync-token /></error>", QStringLiteral("valid-sync-token")));
    EXPECT_TRUE(
        HasErrorCondition("<d:error xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                          "<c:supported-report/></d:error>",
                          QStringLiteral("supported-report")));
    EXPECT_FALSE(HasErrorCondition("<error xmlns=\"DAV:\"><number-of-matches-within-limits/></error>",
                                   QStringLiteral("valid-sync-token")));
    EXPECT_FALSE(HasErrorCondition("valid-sync-token", QStringLiteral("valid-sync-token")));
    EXPECT_EQ(StatusFromLine(QStringLiteral("HTTP/1.1 507 Insufficient Storage")), 507);
    EXPECT_EQ(StatusFromLine(QStringLiteral(" HTTP/1.0  200 OK ")), 200);
    EXPECT_EQ(StatusFromLine(QStringLiteral("garbage")), 0);
}

TEST(RequestBodyTest, HrefsAndTokensAreEscaped) {
    QXmlStreamReader xml(MultigetBody({"/a/x&y.ics", "/a/<z>.ics"}));
    QStringList hrefs;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("href") &&
            xml.namespaceUri() == QLatin1String(kDavNs))
            hrefs << xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError());
    EXPECT_EQ(hrefs, (QStringList{QStringLiteral("/a/x&y.ics"), QStringLiteral("/a/<z>.ics")}));
    const QByteArray sync = SyncCollectionBody(QStringLiteral("http://t/&1"));
    EXPECT_TRUE(sync.contains("http://t/&amp;1"));
    EXPECT_TRUE(sync.contains("xmlns:d=\"DAV:\""));
}

}  // namespace
}  // namespace kalvo::caldav
