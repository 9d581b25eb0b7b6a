#include "caldav/dav_xml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace kalvo::caldav {
namespace {

bool Is(const QXmlStreamReader& xml, const char* ns, const char* name) {
    return xml.namespaceUri() == QLatin1String(ns) && xml.name() == QLatin1String(name);
}

QString Text(QXmlStreamReader& xml) { return xml.readElementText(QXmlStreamReader::SkipChildElements); }

QList<QByteArray> ReadHrefs(QXmlStreamReader& xml) {
    QList<QByteArray> hrefs;
    while (xml.readNextStartElement()) {
        if (Is(xml, kDavNs, "href")) {
            hrefs << Text(xml).trimmed().toUtf8();
        } else {
            xml.skipCurrentElement();
        }
    }
    return hrefs;
}

void ReadResourceType(QXmlStreamReader& xml, DavResponse& r) {
    while (xml.readNextStartElement()) {
        if (Is(xml, kDavNs, "collection")) r.isCollection = true;
        if (Is(xml, kCalDavNs, "calendar")) r.isCalendar = true;
        xml.skipCurrentElement();
    }
}

void ReadComponents(QXmlStreamReader& xml, DavResponse& r) {
    r.componentsGiven = true;
    while (xml.readNextStartElement()) {
        if (Is(xml, kCalDavNs, "comp"))
            r.components << xml.attributes().value(QLatin1String("name")).toString().toUpper();
        xml.skipCurrentElement();
    }
}

void ReadPrivileges(QXmlStreamReader& xml, DavResponse& r) {
    r.privilegesGiven = true;
    while (xml.readNextStartElement()) {
        if (Is(xml, kDavNs, "privilege")) {
            while (xml.readNextStartElement()) {
                r.privileges << xml.name().toString();
                xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

void ReadReports(QXmlStreamReader& xml, DavResponse& r) {
    while (xml.readNextStartElement()) {          // supported-report
        while (xml.readNextStartElement()) {      // report
            while (xml.readNextStartElement()) {  // the report's own element
                r.supportedReports << xml.name().toString();
                xml.skipCurrentElement();
            }
        }
    }
}

void ReadProp(QXmlStreamReader& xml, DavResponse& r) {
    while (xml.readNextStartElement()) {
        r.hasProperties = true;
        if (Is(xml, kDavNs, "getetag")) {
            r.etag = Text(xml).trimmed();
        } else if (Is(xml, kCalDavNs, "calendar-data")) {
            r.calendarData = Text(xml);
        } else if (Is(xml, kDavNs, "displayname")) {
            r.displayName = Text(xml).trimmed();
        } else if (Is(xml, kDavNs, "sync-token")) {
            r.syncToken = Text(xml).trimmed();
        } else if (Is(xml, kCalendarServerNs, "getctag")) {
            r.ctag = Text(xml).trimmed();
        } else if (Is(xml, kDavNs, "resourcetype")) {
            ReadResourceType(xml, r);
        } else if (Is(xml, kCalDavNs, "supported-calendar-component-set")) {
            ReadComponents(xml, r);
        } else if (Is(xml, kDavNs, "current-user-privilege-set")) {
            ReadPrivileges(xml, r);
        } else if (Is(xml, kDavNs, "current-user-principal")) {
            r.principalHrefs = ReadHrefs(xml);
        } else if (Is(xml, kCalDavNs, "calendar-home-set")) {
            r.calendarHomeHrefs = ReadHrefs(xml);
        } else if (Is(xml, kDavNs, "supported-report-set")) {
            ReadReports(xml, r);
        } else {
            xml.skipCurrentElement();
        }
    }
}

// Copies what a propstat with a 2xx status said into the response.
void Merge(DavResponse& into, const DavResponse& from) {
    into.hasProperties = into.hasProperties || from.hasProperties;
    auto take = [](auto& to, const auto& value) {
        if (!value.isEmpty()) to = value;
    };
    take(into.etag, from.etag);
    take(into.calendarData, from.calendarData);
    take(into.displayName, from.displayName);
    take(into.syncToken, from.syncToken);
    take(into.ctag, from.ctag);
    take(into.principalHrefs, from.principalHrefs);
    take(into.calendarHomeHrefs, from.calendarHomeHrefs);
    take(into.supportedReports, from.supportedReports);
    into.isCollection = into.isCollection || from.isCollection;
    into.isCalendar = into.isCalendar || from.isCalendar;
    if (from.componentsGiven) {
        into.componentsGiven = true;
        into.components = from.components;
    }
    if (from.privilegesGiven) {
        into.privilegesGiven = true;
        into.privileges = from.privileges;
    }
}

void ReadPropstat(QXmlStreamReader& xml, DavResponse& r) {
    DavResponse found;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (Is(xml, kDavNs, "prop")) {
            ReadProp(xml, found);
        } else if (Is(xml, kDavNs, "status")) {
            status = StatusFromLine(Text(xml));
        } else {
            xml.skipCurrentElement();
        }
    }
    if (status >= 200 && status < 300) Merge(r, found);
}

QStringList ReadConditions(QXmlStreamReader& xml) {
    QStringList names;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == QLatin1String(kDavNs) || xml.namespaceUri() == QLatin1String(kCalDavNs)) {
            names << xml.name().toString();
        }
        xml.skipCurrentElement();
    }
    return names;
}

DavResponse ReadResponse(QXmlStreamReader& xml) {
    DavResponse r;
    while (xml.readNextStartElement()) {
        if (Is(xml, kDavNs, "href")) {
            r.href = Text(xml).trimmed().toUtf8();
        } else if (Is(xml, kDavNs, "status")) {
            r.status = StatusFromLine(Text(xml));
        } else if (Is(xml, kDavNs, "propstat")) {
            ReadPropstat(xml, r);
        } else if (Is(xml, kDavNs, "error")) {
            r.errors = ReadConditions(xml);
        } else {
            xml.skipCurrentElement();
        }
    }
    return r;
}

class Writer {
public:
    Writer() : xml_(&bytes_) {
        xml_.writeStartDocument();
        xml_.writeNamespace(QLatin1String(kDavNs), QStringLiteral("d"));
        xml_.writeNamespace(QLatin1String(kCalDavNs), QStringLiteral("c"));
    }
    QXmlStreamWriter& operator*() { return xml_; }
    QXmlStreamWriter* operator->() { return &xml_; }
    void Empty(const char* ns, const char* name) { xml_.writeEmptyElement(QLatin1String(ns), QLatin1String(name)); }
    QByteArray Finish() {
        xml_.writeEndDocument();
        return bytes_;
    }

private:
    QByteArray bytes_;
    QXmlStreamWriter xml_;
};

}  // namespace

bool DavResponse::Writable() const {
    if (!privilegesGiven) return true;
    for (const QString& p : privileges) {
        if (p == QLatin1String("all") || p == QLatin1String("write") || p == QLatin1String("write-content"))
            return true;
    }
    return false;
}

bool DavResponse::HoldsEvents() const { return !componentsGiven || components.contains(QLatin1String("VEVENT")); }

Multistatus ParseMultistatus(const QByteArray& body) {
    Multistatus ms;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !Is(xml, kDavNs, "multistatus")) return ms;
    while (xml.readNextStartElement()) {
        if (Is(xml, kDavNs, "response")) {
            ms.responses << ReadResponse(xml);
        } else if (Is(xml, kDavNs, "sync-token")) {
            ms.syncToken = Text(xml).trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    ms.valid = !xml.hasError();
    return ms;
}

QStringList ErrorConditions(const QByteArray& body) {
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !Is(xml, kDavNs, "error")) return {};
    return ReadConditions(xml);
}

bool HasErrorCondition(const QByteArray& body, const QString& name) { return ErrorConditions(body).contains(name); }

int StatusFromLine(const QString& line) {
    const QStringList parts = line.simplified().split(QLatin1Char(' '));
    if (parts.size() < 2) return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok ? code : 0;
}

QByteArray SyncCollectionBody(const QString& token) {
    Writer w;
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("sync-collection"));
    w->writeTextElement(QLatin1String(kDavNs), QStringLiteral("sync-token"), token);
    w->writeTextElement(QLatin1String(kDavNs), QStringLiteral("sync-level"), QStringLiteral("1"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("prop"));
    w.Empty(kDavNs, "getetag");
    w.Empty(kCalDavNs, "calendar-data");
    w->writeEndElement();
    w->writeEndElement();
    return w.Finish();
}

QByteArray EtagPropfindBody() {
    Writer w;
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("propfind"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("prop"));
    w.Empty(kDavNs, "resourcetype");
    w.Empty(kDavNs, "getetag");
    w.Empty(kDavNs, "sync-token");
    w->writeEndElement();
    w->writeEndElement();
    return w.Finish();
}

QByteArray MultigetBody(const QList<QByteArray>& hrefs) {
    Writer w;
    w->writeStartElement(QLatin1String(kCalDavNs), QStringLiteral("calendar-multiget"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("prop"));
    w.Empty(kDavNs, "getetag");
    w.Empty(kCalDavNs, "calendar-data");
    w->writeEndElement();
    for (const QByteArray& href : hrefs) {
        w->writeTextElement(QLatin1String(kDavNs), QStringLiteral("href"), QString::fromUtf8(href));
    }
    w->writeEndElement();
    return w.Finish();
}

QByteArray QueryAllBody() {
    Writer w;
    w->writeStartElement(QLatin1String(kCalDavNs), QStringLiteral("calendar-query"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("prop"));
    w.Empty(kDavNs, "getetag");
    w.Empty(kCalDavNs, "calendar-data");
    w->writeEndElement();
    w->writeStartElement(QLatin1String(kCalDavNs), QStringLiteral("filter"));
    w->writeEmptyElement(QLatin1String(kCalDavNs), QStringLiteral("comp-filter"));
    w->writeAttribute(QStringLiteral("name"), QStringLiteral("VCALENDAR"));
    w->writeEndElement();
    w->writeEndElement();
    return w.Finish();
}

QByteArray DiscoveryPropfindBody() {
    Writer w;
    w->writeNamespace(QLatin1String(kCalendarServerNs), QStringLiteral("cs"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("propfind"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("prop"));
    w.Empty(kDavNs, "resourcetype");
    w.Empty(kDavNs, "displayname");
    w.Empty(kDavNs, "current-user-principal");
    w.Empty(kDavNs, "current-user-privilege-set");
    w.Empty(kCalDavNs, "calendar-home-set");
    w.Empty(kCalDavNs, "supported-calendar-component-set");
    w.Empty(kDavNs, "supported-report-set");
    w.Empty(kDavNs, "sync-token");
    w.Empty(kCalendarServerNs, "getctag");
    w->writeEndElement();
    w->writeEndElement();
    return w.Finish();
}

QByteArray MkCalendarBody(const QString& displayName) {
    Writer w;
    w->writeStartElement(QLatin1String(kCalDavNs), QStringLiteral("mkcalendar"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("set"));
    w->writeStartElement(QLatin1String(kDavNs), QStringLiteral("prop"));
    w->writeTextElement(QLatin1String(kDavNs), QStringLiteral("displayname"), displayName);
    w->writeStartElement(QLatin1String(kCalDavNs), QStringLiteral("supported-calendar-component-set"));
    w->writeEmptyElement(QLatin1String(kCalDavNs), QStringLiteral("comp"));
    w->writeAttribute(QStringLiteral("name"), QStringLiteral("VEVENT"));
    w->writeEndElement();
    w->writeEndElement();
    w->writeEndElement();
    w->writeEndElement();
    return w.Finish();
}

}  // namespace kalvo::caldav
