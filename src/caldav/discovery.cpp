#include "caldav/discovery.h"

#include <QHash>
#include <QSet>
#include <utility>

#include "caldav/caldav_client.h"
#include "caldav/dav_xml.h"
#include "caldav/href.h"

namespace kalvo::caldav {
namespace {

using sync::Outcome;
using sync::ServerStatus;

const HeaderList kDepth0{{"Depth", "0"}};
const HeaderList kDepth1{{"Depth", "1"}};
constexpr int kNameTries = 5;

Outcome Fail(ServerStatus status, const QString& message) { return Outcome{status, 0, message.toStdString()}; }

QString LastSegment(const QUrl& url) {
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

CalendarInfo InfoOf(const DavResponse& response, const QUrl& url) {
    CalendarInfo info;
    info.url = AsCollection(url);
    info.displayName = response.displayName.isEmpty() ? LastSegment(url) : response.displayName;
    info.holdsEvents = response.HoldsEvents();
    info.writable = response.Writable();
    return info;
}

bool Named(const CalendarInfo& calendar, const QString& name) {
    const QString wanted = name.trimmed();
    return calendar.displayName.trimmed().compare(wanted, Qt::CaseInsensitive) == 0 ||
           LastSegment(calendar.url).compare(wanted, Qt::CaseInsensitive) == 0;
}

// A path segment for a new calendar: ASCII letters and digits of the name, the rest '-'.
QString Slug(const QString& name) {
    QString slug;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.isMark()) continue;
        const char16_t u = c.toLower().unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')) {
            slug += QChar(u);
        } else if (!slug.endsWith(QLatin1Char('-'))) {
            slug += QLatin1Char('-');
        }
    }
    while (slug.startsWith(QLatin1Char('-'))) slug.remove(0, 1);
    while (slug.endsWith(QLatin1Char('-'))) slug.chop(1);
    return slug.isEmpty() ? QStringLiteral("kalvo") : slug;
}

class Discoverer {
public:
    explicit Discoverer(const DiscoveryRequest& request) : request_(request), session_(request.session) {}

    DiscoveryResult Run() {
        result_.outcome = Find();
        result_.certificate = session_.RefusedCertificate();
        result_.requests = session_.RequestCount();
        return result_;
    }

private:
    // A depth-0 PROPFIND: the answer for the resource itself, or false with `failure` set.
    bool Look(const QUrl& url, DavResponse& found, QUrl& answeredAt, Outcome& failure) {
        // The well-known address usually leads to the address itself: asked once.
        const auto seen = looked_.constFind(url);
        if (seen != looked_.constEnd()) {
            found = seen->first;
            answeredAt = seen->second;
            return true;
        }
        const HttpResponse r = session_.Send("PROPFIND", url, DiscoveryPropfindBody(), kDepth0);
        Multistatus ms;
        failure = ReadMultistatus(r, ms);
        if (!failure.ok()) return false;
        if (ms.responses.isEmpty()) {
            failure = Fail(ServerStatus::ServerError,
                           QStringLiteral("Odpoveď servera %1 sa nedá prečítať.").arg(ServerName(r.url)));
            return false;
        }
        found = ms.responses.first();
        answeredAt = r.url;
        looked_.insert(url, {found, r.url});
        looked_.insert(r.url, {found, r.url});
        return true;
    }

    static bool Stops(const Outcome& failure) {
        return failure.status == ServerStatus::Unauthorized || failure.status == ServerStatus::Unreachable ||
               failure.status == ServerStatus::Uncertain;
    }

    Outcome Find() {
        const QUrl address = request_.address;
        if (!address.isValid() || address.host().isEmpty()) {
            return Fail(ServerStatus::Unreachable, QStringLiteral("Adresa servera nie je platná."));
        }
        QUrl principal;
        QUrl home;
        // A bare server address: the well-known address first, as RFC 6764 asks.
        const bool bare = address.path().isEmpty() || address.path() == QLatin1String("/");
        Outcome failure;
        if (bare && FromWellKnown(address, principal, home, failure) && !home.isEmpty()) return FromHome(home);
        if (Stops(failure)) return failure;

        DavResponse own;
        QUrl at;
        if (Look(address, own, at, failure)) {
            if (own.isCalendar) return TakeOwnCalendar(InfoOf(own, at));
            if (!own.calendarHomeHrefs.isEmpty()) return FromHome(ResolveHref(at, own.calendarHomeHrefs.first()));
            if (principal.isEmpty() && !own.principalHrefs.isEmpty()) {
                principal = ResolveHref(at, own.principalHrefs.first());
            }
        } else if (Stops(failure)) {
            return failure;
        }
        if (principal.isEmpty() && !bare && FromWellKnown(address, principal, home, failure) && !home.isEmpty()) {
            return FromHome(home);
        }
        if (Stops(failure)) return failure;
        if (!principal.isEmpty()) {
            DavResponse p;
            if (Look(principal, p, at, failure) && !p.calendarHomeHrefs.isEmpty()) {
                return FromHome(ResolveHref(at, p.calendarHomeHrefs.first()));
            }
            if (Stops(failure)) return failure;
        }
        return Fail(ServerStatus::NotFound,
                    QStringLiteral("Na adrese %1 sa nenašiel kalendár ani účet CalDAV.").arg(address.toString()));
    }

    bool FromWellKnown(const QUrl& address, QUrl& principal, QUrl& home, Outcome& failure) {
        DavResponse found;
        QUrl at;
        if (!Look(address.resolved(QUrl(QStringLiteral("/.well-known/caldav"))), found, at, failure)) return false;
        if (!found.calendarHomeHrefs.isEmpty()) home = ResolveHref(at, found.calendarHomeHrefs.first());
        if (!found.principalHrefs.isEmpty()) principal = ResolveHref(at, found.principalHrefs.first());
        return true;
    }

    Outcome TakeOwnCalendar(const CalendarInfo& calendar) {
        if (!calendar.holdsEvents) {
            return Fail(ServerStatus::Forbidden,
                        QStringLiteral("Kalendár „%1“ nemôže obsahovať udalosti.").arg(calendar.displayName));
        }
        if (!calendar.writable) {
            return Fail(ServerStatus::Forbidden,
                        QStringLiteral("Kalendár „%1“ je len na čítanie.").arg(calendar.displayName));
        }
        result_.calendar = calendar;
        result_.candidates = {calendar};
        return Outcome{};
    }

    Outcome FromHome(const QUrl& homeUrl) {
        const QUrl home = AsCollection(homeUrl);
        const HttpResponse r = session_.Send("PROPFIND", home, DiscoveryPropfindBody(), kDepth1);
        Multistatus ms;
        if (const Outcome read = ReadMultistatus(r, ms); !read.ok()) return read;
        const QByteArray homePath = CanonicalPath(home);
        QList<CalendarInfo> named;
        QSet<QString> taken;
        for (const DavResponse& item : ms.responses) {
            const QUrl url = ResolveHref(r.url, item.href);
            if (CanonicalPath(AsCollection(url)) == homePath) continue;
            taken.insert(LastSegment(url).toLower());
            if (!item.isCalendar) continue;
            const CalendarInfo calendar = InfoOf(item, url);
            if (calendar.holdsEvents && calendar.writable) result_.candidates << calendar;
            if (Named(calendar, request_.calendarName)) named << calendar;
        }
        for (const CalendarInfo& calendar : named) {
            if (calendar.holdsEvents && calendar.writable) {
                result_.calendar = calendar;
                return Outcome{};
            }
        }
        if (!named.isEmpty()) return TakeOwnCalendar(named.first());
        if (request_.createWhenMissing) {
            const Outcome made = Create(home, taken);
            if (made.ok() || Stops(made)) return made;
        }
        return Fail(ServerStatus::NotFound,
                    QStringLiteral("Kalendár „%1“ na serveri nie je a server nedovolil vytvoriť ho. Vyberte "
                                   "niektorý z kalendárov, ktoré na serveri sú.")
                        .arg(request_.calendarName));
    }

    Outcome Create(const QUrl& home, const QSet<QString>& taken) {
        const QString slug = Slug(request_.calendarName);
        QString name = slug;
        for (int i = 2; taken.contains(name) && i < 2 + kNameTries; ++i)
            name = slug + QLatin1Char('-') + QString::number(i);
        const QUrl url = home.resolved(QUrl(name + QLatin1Char('/')));
        const HttpResponse r = session_.Send("MKCALENDAR", url, MkCalendarBody(request_.calendarName));
        // Xandikos answers a MKCALENDAR it refuses with 207 and the refusal inside.
        if (r.delivery != Delivery::Answered || r.status < 200 || r.status >= 300 || r.status == 207) {
            Outcome failure = OutcomeOf(r, true);
            if (failure.ok()) failure = Fail(ServerStatus::Forbidden, {});
            return failure;
        }
        DavResponse made;
        QUrl at;
        Outcome failure;
        CalendarInfo calendar;
        calendar.url = AsCollection(url);
        calendar.displayName = request_.calendarName;
        if (Look(url, made, at, failure)) calendar = InfoOf(made, at);
        if (calendar.displayName.isEmpty() || calendar.displayName == LastSegment(url)) {
            calendar.displayName = request_.calendarName;
        }
        result_.calendar = calendar;
        result_.created = true;
        result_.candidates << calendar;
        return Outcome{};
    }

    const DiscoveryRequest& request_;
    HttpSession session_;
    QHash<QUrl, std::pair<DavResponse, QUrl>> looked_;
    DiscoveryResult result_;
};

}  // namespace

DiscoveryResult DiscoverCalendar(const DiscoveryRequest& request) { return Discoverer(request).Run(); }

QUrl AddressFromUserText(const QString& text) {
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return {};
    if (!trimmed.contains(QLatin1String("://"))) trimmed.prepend(QLatin1String("https://"));
    QUrl url(trimmed, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return {};
    // A login and password written into the address would be stored and shown with it, and Qt would offer
    // them by itself, past the session's own login: only the login given as such is used.
    url.setUserInfo({});
    return url;
}

}  // namespace kalvo::caldav
