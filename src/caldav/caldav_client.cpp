#include "caldav/caldav_client.h"

#include "caldav/href.h"

namespace kalvo::caldav {
namespace {

using sync::Outcome;
using sync::ServerStatus;

std::string Std(const QByteArray& bytes) { return bytes.toStdString(); }
std::string Std(const QString& text) { return text.toStdString(); }

Outcome Fail(ServerStatus status, int http, const QString& message) { return Outcome{status, http, Std(message)}; }

// The server does not know the REPORT asked for.
bool RefusesReport(const HttpResponse& r) {
    return r.status == 501 || r.status == 405 || HasErrorCondition(r.body, QStringLiteral("supported-report"));
}

// Without a known etag the request is unconditional: the engine only sends one after it has looked.
HeaderList IfMatch(const std::string& etag) {
    if (etag.empty()) return {};
    return {{"If-Match", QByteArray::fromStdString(etag)}};
}

const HeaderList kDepth0{{"Depth", "0"}};
const HeaderList kDepth1{{"Depth", "1"}};
// A fetch of at least this many hrefs, and of at least a quarter of the collection, asks for all of it.
constexpr std::size_t kQueryAtLeast = 20;
constexpr std::size_t kQueryShare = 4;

// A write's outcome. Some servers answer a refused PUT with a 207 that holds the real status (Xandikos:
// 412 with the CalDAV precondition), and a refusal that names its precondition deserves its own words.
Outcome WriteOutcome(HttpResponse r) {
    QStringList conditions;
    if (r.delivery == Delivery::Answered && r.status == 207) {
        const Multistatus ms = ParseMultistatus(r.body);
        r.status = 502;  // a multistatus that says nothing is no answer to a write
        for (const DavResponse& item : ms.responses) {
            if (item.status == 0) continue;
            r.status = item.status;
            conditions = item.errors;
            break;
        }
    } else if (r.delivery == Delivery::Answered && r.status >= 400) {
        conditions = ErrorConditions(r.body);
    }
    const QString server = ServerName(r.url);
    if (conditions.contains(QLatin1String("no-uid-conflict"))) {
        return Fail(ServerStatus::ServerError, r.status,
                    QStringLiteral("Na serveri %1 už je iná udalosť s rovnakým UID.").arg(server));
    }
    for (const char* invalid : {"valid-calendar-data", "valid-calendar-object-resource", "supported-calendar-data",
                                "supported-calendar-component", "calendar-collection-location-ok"}) {
        if (conditions.contains(QLatin1String(invalid))) {
            return Fail(ServerStatus::ServerError, r.status,
                        QStringLiteral("Server %1 odmietol udalosť ako neplatnú.").arg(server));
        }
    }
    if (r.delivery == Delivery::Answered && (r.status == 400 || r.status == 415 || r.status == 422)) {
        return Fail(ServerStatus::ServerError, r.status,
                    QStringLiteral("Server %1 odmietol udalosť ako neplatnú (HTTP %2).").arg(server).arg(r.status));
    }
    return OutcomeOf(r, true);
}

}  // namespace

Outcome OutcomeOf(const HttpResponse& r, bool changesServer) {
    const QString server = ServerName(r.url);
    switch (r.delivery) {
        case Delivery::NotSent:
        case Delivery::CertificateRefused:
            return Fail(ServerStatus::Unreachable, 0, r.message);
        case Delivery::RedirectRefused:
            return Fail(ServerStatus::ServerError, r.status, r.message);
        case Delivery::Lost:
            return Fail(ServerStatus::Uncertain, r.status, r.message);
        case Delivery::Answered:
            break;
    }
    const int s = r.status;
    if (s >= 200 && s < 300) return Outcome{ServerStatus::Ok, s, {}};
    if (s == 401 || r.credentialsRefused) {
        return Fail(ServerStatus::Unauthorized, s,
                    !r.message.isEmpty()
                        ? r.message
                        : QStringLiteral("Server %1 odmietol prihlasovacie meno alebo heslo.").arg(server));
    }
    if (s == 404 || s == 410) {
        return Fail(ServerStatus::NotFound, s, QStringLiteral("Na serveri %1 sa záznam nenašiel.").arg(server));
    }
    if (s == 412) {
        return Fail(ServerStatus::PreconditionFailed, s,
                    QStringLiteral("Záznam na serveri %1 sa medzitým zmenil.").arg(server));
    }
    if (s == 403) {
        return Fail(ServerStatus::Forbidden, s,
                    changesServer ? QStringLiteral("Server %1 nedovolil zmenu: kalendár je len na čítanie.").arg(server)
                                  : QStringLiteral("Server %1 odoprel prístup ku kalendáru.").arg(server));
    }
    if (s >= 500) {
        QString message = r.message;
        if (message.isEmpty()) message = QStringLiteral("Server %1 ohlásil chybu %2.").arg(server).arg(s);
        if (changesServer) {
            message += QStringLiteral(" Pred ďalším pokusom sa overí, či zmenu vykonal.");
            return Fail(ServerStatus::Uncertain, s, message);
        }
        return Fail(ServerStatus::ServerError, s, message);
    }
    return Fail(ServerStatus::ServerError, s,
                QStringLiteral("Server %1 odpovedal neočakávane (HTTP %2).").arg(server).arg(s));
}

Outcome ReadMultistatus(const HttpResponse& r, Multistatus& ms) {
    if (r.delivery != Delivery::Answered || r.status != 207) {
        const Outcome outcome = OutcomeOf(r, false);
        if (!outcome.ok()) return outcome;
        return Fail(ServerStatus::ServerError, r.status,
                    QStringLiteral("Server %1 odpovedal neočakávane (HTTP %2).").arg(ServerName(r.url)).arg(r.status));
    }
    ms = ParseMultistatus(r.body);
    if (!ms.valid) {
        return Fail(ServerStatus::ServerError, r.status,
                    QStringLiteral("Odpoveď servera %1 sa nedá prečítať.").arg(ServerName(r.url)));
    }
    return Outcome{};
}

CalDavClient::CalDavClient(ClientSettings settings) : settings_(std::move(settings)), session_(settings_.session) {
    settings_.calendar = AsCollection(settings_.calendar);
    collectionPath_ = CanonicalPath(settings_.calendar);
}

CalDavClient::~CalDavClient() = default;

QUrl CalDavClient::UrlFor(const std::string& href) const {
    return UrlForHref(settings_.calendar, CanonicalHref(QByteArray::fromStdString(href), settings_.calendar));
}

std::string CalDavClient::HrefFor(const std::string& name) const {
    return Std(MemberHref(collectionPath_, QString::fromStdString(name)));
}

Outcome CalDavClient::ListChanges(const std::string& token, sync::Listing& out) {
    out = {};
    listed_.clear();
    const QString start = QString::fromStdString(token);
    if (syncCollectionMissing_) {
        if (!start.isEmpty()) {
            return Fail(ServerStatus::TokenInvalid, 0, QStringLiteral("Server nepozná stav synchronizácie."));
        }
        const Outcome all = ListAll(out);
        out.token.clear();
        return all;
    }
    bool unsupported = false;
    const Outcome outcome = SyncReport(start, out, unsupported);
    if (!unsupported) return outcome;
    syncCollectionMissing_ = true;
    return ListChanges(token, out);
}

// The changes since `token`, continued while the server cuts the listing short (a 507 for the collection
// itself). A later entry for the same href replaces an earlier one.
Outcome CalDavClient::SyncReport(const QString& token, sync::Listing& out, bool& unsupported) {
    std::map<std::string, sync::ServerResource> changed;
    std::map<std::string, bool> removed;
    QString current = token;
    for (int round = 0; round < settings_.maxListingRounds; ++round) {
        const HttpResponse r = session_.Send("REPORT", settings_.calendar, SyncCollectionBody(current), kDepth0);
        if (r.delivery == Delivery::Answered && r.status != 207) {
            if (RefusesReport(r) && !HasErrorCondition(r.body, QStringLiteral("valid-sync-token"))) {
                unsupported = true;
                return Outcome{ServerStatus::ServerError, r.status, {}};
            }
            return TokenRefusal(r, current);
        }
        Multistatus ms;
        if (const Outcome read = ReadMultistatus(r, ms); !read.ok()) return read;
        bool truncated = false;
        for (const DavResponse& item : ms.responses) {
            const QByteArray href = CanonicalHref(item.href, r.url);
            if (href == collectionPath_) {
                truncated = truncated || item.status == 507;
                continue;
            }
            const std::string key = Std(href);
            if (item.status == 404 || item.status == 410) {
                changed.erase(key);
                removed[key] = true;
            } else if (item.status == 0 || (item.status >= 200 && item.status < 300)) {
                removed.erase(key);
                changed[key] = sync::ServerResource{key, Std(item.etag), Std(item.calendarData)};
            }
        }
        if (!truncated) {
            for (auto& [href, resource] : changed) {
                if (!resource.ics.empty()) listed_[href] = resource;
                resource.ics.clear();
                out.changed.push_back(std::move(resource));
            }
            for (const auto& [href, unused] : removed) out.removed.push_back(href);
            out.token = Std(ms.syncToken);
            if (token.isEmpty()) collectionSize_ = out.changed.size();
            return Outcome{};
        }
        if (ms.syncToken.isEmpty() || ms.syncToken == current) {
            return Fail(
                ServerStatus::ServerError, r.status,
                QStringLiteral("Server %1 skrátil zoznam zmien a nedal, ako pokračovať.").arg(ServerName(r.url)));
        }
        current = ms.syncToken;
    }
    return Fail(ServerStatus::ServerError, 507,
                QStringLiteral("Server %1 skracuje zoznam zmien bez konca.").arg(ServerName(settings_.calendar)));
}

// A refused sync-collection: a forgotten token is said in the body (DAV:valid-sync-token, with 403 from
// Radicale and 409 or 400 elsewhere); Xandikos fails with a bare 500 instead, so a 5xx for a non-empty
// token counts as a forgotten one when the collection itself still answers.
Outcome CalDavClient::TokenRefusal(const HttpResponse& r, const QString& token) {
    if (HasErrorCondition(r.body, QStringLiteral("valid-sync-token"))) {
        return Fail(ServerStatus::TokenInvalid, r.status, QStringLiteral("Server nepozná stav synchronizácie."));
    }
    if (r.status >= 500 && !token.isEmpty() && !r.credentialsRefused) {
        const HttpResponse probe = session_.Send("PROPFIND", settings_.calendar, EtagPropfindBody(), kDepth0);
        Multistatus ms;
        if (ReadMultistatus(probe, ms).ok()) {
            const bool sameToken = !ms.responses.isEmpty() && ms.responses.first().syncToken == token;
            if (!sameToken) {
                return Fail(ServerStatus::TokenInvalid, r.status,
                            QStringLiteral("Server nepozná stav synchronizácie."));
            }
        }
    }
    return OutcomeOf(r, false);
}

Outcome CalDavClient::ListAll(sync::Listing& out) {
    out = {};
    listed_.clear();
    const HttpResponse r = session_.Send("PROPFIND", settings_.calendar, EtagPropfindBody(), kDepth1);
    Multistatus ms;
    if (const Outcome read = ReadMultistatus(r, ms); !read.ok()) return read;
    for (const DavResponse& item : ms.responses) {
        const QByteArray href = CanonicalHref(item.href, r.url);
        if (href == collectionPath_) {
            out.token = Std(item.syncToken);
            continue;
        }
        if (item.isCollection || !item.hasProperties) continue;
        out.changed.push_back(sync::ServerResource{Std(href), Std(item.etag), {}});
    }
    collectionSize_ = out.changed.size();
    return Outcome{};
}

Outcome CalDavClient::Fetch(const std::vector<std::string>& hrefs, std::vector<sync::ServerResource>& out) {
    out.clear();
    std::vector<std::string> missing;
    for (const std::string& href : hrefs) {
        const auto it = listed_.find(Std(CanonicalHref(QByteArray::fromStdString(href), settings_.calendar)));
        if (it != listed_.end()) {
            out.push_back(it->second);
        } else {
            missing.push_back(href);
        }
    }
    if (!queryMissing_ && collectionSize_ > 0 && missing.size() >= kQueryAtLeast &&
        missing.size() * kQueryShare >= collectionSize_) {
        const Outcome outcome = QueryAll(missing, out);
        if (!outcome.ok()) return outcome;
    }
    const std::size_t batch = static_cast<std::size_t>(std::max(1, settings_.multigetBatch));
    std::size_t first = 0;
    while (first < missing.size()) {
        const std::size_t last = std::min(missing.size(), first + batch);
        if (!multigetMissing_) {
            QList<QByteArray> part;
            for (std::size_t i = first; i < last; ++i) {
                part << CanonicalHref(QByteArray::fromStdString(missing[i]), settings_.calendar);
            }
            bool unsupported = false;
            const Outcome outcome = MultigetBatch(part, out, unsupported);
            if (unsupported) {
                multigetMissing_ = true;  // this batch again, one GET each
                continue;
            }
            if (!outcome.ok()) return outcome;
        } else {
            for (std::size_t i = first; i < last; ++i) {
                sync::ServerResource resource;
                const Outcome one = Get(missing[i], resource);
                if (one.status == ServerStatus::NotFound) continue;
                if (!one.ok()) return one;
                out.push_back(std::move(resource));
            }
        }
        first = last;
    }
    return Outcome{};
}

// Every object of the collection in one answer, for the hrefs in `missing`, which it empties. A server that
// refuses the query leaves them all for calendar-multiget.
Outcome CalDavClient::QueryAll(std::vector<std::string>& missing, std::vector<sync::ServerResource>& out) {
    const HttpResponse r = session_.Send("REPORT", settings_.calendar, QueryAllBody(), kDepth1);
    if (r.delivery == Delivery::Answered && r.status >= 400 && r.status < 500 && r.status != 401) {
        queryMissing_ = true;
        return Outcome{};
    }
    Multistatus ms;
    if (const Outcome read = ReadMultistatus(r, ms); !read.ok()) return read;
    std::map<std::string, sync::ServerResource> found;
    for (const DavResponse& item : ms.responses) {
        if (item.calendarData.isEmpty()) continue;
        const std::string href = Std(CanonicalHref(item.href, r.url));
        found[href] = sync::ServerResource{href, Std(item.etag), Std(item.calendarData)};
    }
    for (const std::string& href : missing) {
        const auto it = found.find(Std(CanonicalHref(QByteArray::fromStdString(href), settings_.calendar)));
        if (it != found.end()) out.push_back(it->second);
    }
    // What a whole-collection answer leaves out is gone; a multiget would only say so again.
    missing.clear();
    return Outcome{};
}

Outcome CalDavClient::MultigetBatch(const QList<QByteArray>& hrefs, std::vector<sync::ServerResource>& out,
                                    bool& unsupported) {
    const HttpResponse r = session_.Send("REPORT", settings_.calendar, MultigetBody(hrefs), kDepth1);
    if (r.delivery == Delivery::Answered && (RefusesReport(r) || r.status == 400)) {
        unsupported = true;
        return Outcome{ServerStatus::ServerError, r.status, {}};
    }
    Multistatus ms;
    if (const Outcome read = ReadMultistatus(r, ms); !read.ok()) return read;
    for (const DavResponse& item : ms.responses) {
        if (item.calendarData.isEmpty()) continue;  // gone (404) or not a calendar object
        out.push_back(
            sync::ServerResource{Std(CanonicalHref(item.href, r.url)), Std(item.etag), Std(item.calendarData)});
    }
    return Outcome{};
}

Outcome CalDavClient::Get(const std::string& href, sync::ServerResource& out) {
    const HttpResponse r = session_.Send("GET", UrlFor(href));
    Outcome outcome = OutcomeOf(r, false);
    if (!outcome.ok()) return outcome;
    out = sync::ServerResource{Std(CanonicalHref(QByteArray::fromStdString(href), settings_.calendar)), Std(r.etag),
                               Std(r.body)};
    return outcome;
}

Outcome CalDavClient::Put(const std::string& href, const std::string& ics, const HeaderList& condition,
                          std::string& etag) {
    etag.clear();
    listed_.erase(Std(CanonicalHref(QByteArray::fromStdString(href), settings_.calendar)));
    HeaderList headers = condition;
    headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/calendar; charset=utf-8")));
    const HttpResponse r = session_.Send("PUT", UrlFor(href), QByteArray::fromStdString(ics), headers);
    const Outcome outcome = WriteOutcome(r);
    if (outcome.ok()) etag = Std(r.etag);
    return outcome;
}

Outcome CalDavClient::Create(const std::string& href, const std::string& ics, std::string& etag) {
    return Put(href, ics, {{"If-None-Match", "*"}}, etag);
}

Outcome CalDavClient::Update(const std::string& href, const std::string& ics, const std::string& ifMatch,
                             std::string& etag) {
    return Put(href, ics, IfMatch(ifMatch), etag);
}

Outcome CalDavClient::Remove(const std::string& href, const std::string& ifMatch) {
    listed_.erase(Std(CanonicalHref(QByteArray::fromStdString(href), settings_.calendar)));
    const HttpResponse r = session_.Send("DELETE", UrlFor(href), {}, IfMatch(ifMatch));
    return WriteOutcome(r);
}

}  // namespace kalvo::caldav
