#pragma once
// The WebDAV and CalDAV XML that the client sends and reads: request bodies written with
// QXmlStreamWriter, multistatus answers read with QXmlStreamReader by namespace and local name (servers
// choose their own prefixes: "D:", "ns0:", none at all).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kalvo::caldav {

inline constexpr char kDavNs[] = "DAV:";
inline constexpr char kCalDavNs[] = "urn:ietf:params:xml:ns:caldav";
inline constexpr char kCalendarServerNs[] = "http://calendarserver.org/ns/";

// One <response> of a multistatus. Properties are taken only from propstats with a 2xx status.
struct DavResponse {
    QByteArray href;  // as the server wrote it (still percent-encoded)
    int status = 0;   // the response's own <status>, 0 when it has propstats only
    bool hasProperties = false;

    QString etag;
    QString calendarData;
    QString displayName;
    QString syncToken;
    QString ctag;
    bool isCollection = false;
    bool isCalendar = false;
    bool componentsGiven = false;
    QStringList components;  // supported-calendar-component-set, upper case
    bool privilegesGiven = false;
    QStringList privileges;               // current-user-privilege-set, local names
    QList<QByteArray> principalHrefs;     // current-user-principal
    QList<QByteArray> calendarHomeHrefs;  // calendar-home-set
    QStringList supportedReports;         // supported-report-set, local names
    QStringList errors;                   // the preconditions in the response's own <error>, local names

    bool Writable() const;  // no privilege set given counts as writable; the server refuses later if not
    bool HoldsEvents() const;
};

struct Multistatus {
    bool valid = false;  // the body was a DAV:multistatus that could be read to its end
    QList<DavResponse> responses;
    QString syncToken;  // the sync-collection answer's own token
};

Multistatus ParseMultistatus(const QByteArray& body);

// The preconditions a DAV:error body names (local names, in DAV: or CalDAV's namespace).
QStringList ErrorConditions(const QByteArray& body);
bool HasErrorCondition(const QByteArray& body, const QString& name);

// The status code of an "HTTP/1.1 404 Not Found" line; 0 when it cannot be read.
int StatusFromLine(const QString& line);

// Request bodies. A sync-collection asks for the events' data too: where the server gives it (Radicale),
// one listing brings what a calendar-multiget per batch would.
QByteArray SyncCollectionBody(const QString& token);
QByteArray EtagPropfindBody();
QByteArray MultigetBody(const QList<QByteArray>& hrefs);
QByteArray QueryAllBody();  // calendar-query for every object of the collection, with its data
QByteArray DiscoveryPropfindBody();
QByteArray MkCalendarBody(const QString& displayName);

}  // namespace kalvo::caldav
