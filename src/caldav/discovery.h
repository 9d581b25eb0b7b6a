#pragma once
// Finding the calendar to sync from what the user typed: a calendar's own address, or a server's address
// from which the account's calendars are found (RFC 6764's /.well-known/caldav, the current user's
// principal, its calendar home set; each may be on another host). Only a calendar that holds events and
// that the user may write is taken; when the one asked for by name is missing it is made with MKCALENDAR
// where the server allows it, and otherwise the candidates are given back.

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

#include "caldav/http_session.h"
#include "sync/calendar_server.h"

namespace kalvo::caldav {

struct CalendarInfo {
    QUrl url;  // the collection's address, ending in '/'
    QString displayName;
    bool holdsEvents = true;
    bool writable = true;
};

struct DiscoveryRequest {
    QUrl address;                                    // see AddressFromUserText
    QString calendarName = QStringLiteral("Kalvo");  // wanted when `address` is a server's
    bool createWhenMissing = true;
    SessionOptions session;
};

struct DiscoveryResult {
    sync::Outcome outcome;                 // Ok when `calendar` is set
    std::optional<CalendarInfo> calendar;  // the one to sync
    bool created = false;                  // made by this discovery
    QList<CalendarInfo> candidates;        // calendars that hold events and may be written
    CertificateInfo certificate;           // a refused server certificate, for the question to trust it
    int requests = 0;
};

DiscoveryResult DiscoverCalendar(const DiscoveryRequest& request);

// What the user typed as an address: "https://" in front when no scheme is given, surrounding blanks
// removed, a login and password written into it dropped. An empty or unusable text gives an invalid URL.
QUrl AddressFromUserText(const QString& text);

}  // namespace kalvo::caldav
