#pragma once
// The calendar collection on a CalDAV server, as the sync engine's CalendarServer. Every call blocks in a
// local event loop (see HttpSession): make one client per thread, on that thread.

#include <QUrl>
#include <map>
#include <string>
#include <vector>

#include "caldav/dav_xml.h"
#include "caldav/http_session.h"
#include "sync/calendar_server.h"

namespace kalvo::caldav {

struct ClientSettings {
    QUrl calendar;  // the collection's own address
    SessionOptions session;
    int multigetBatch = 500;    // hrefs per calendar-multiget
    int maxListingRounds = 50;  // requests for one listing the server keeps cutting short
};

class CalDavClient final : public sync::CalendarServer {
public:
    explicit CalDavClient(ClientSettings settings);
    ~CalDavClient() override;

    // A server without sync-collection gets a PROPFIND instead when `token` is empty (and the listing's
    // token stays empty, so the next call lists everything again); a non-empty token then is TokenInvalid.
    sync::Outcome ListChanges(const std::string& token, sync::Listing& out) override;
    sync::Outcome ListAll(sync::Listing& out) override;
    // Takes what the last ListChanges brought along (the listing asks for the data too, and Radicale gives
    // it), then, when the hrefs are a good part of the collection, one calendar-query for all of it
    // (Xandikos reads the whole collection for every href of a multiget, so a first sync of thousands of
    // events would take minutes), else calendar-multiget in batches; one GET per href on a server that
    // refuses both.
    sync::Outcome Fetch(const std::vector<std::string>& hrefs, std::vector<sync::ServerResource>& out) override;
    sync::Outcome Create(const std::string& href, const std::string& ics, std::string& etag) override;
    sync::Outcome Update(const std::string& href, const std::string& ics, const std::string& ifMatch,
                         std::string& etag) override;
    sync::Outcome Remove(const std::string& href, const std::string& ifMatch) override;
    std::string HrefFor(const std::string& name) const override;

    // One resource by GET; NotFound when there is none.
    sync::Outcome Get(const std::string& href, sync::ServerResource& out);

    const QUrl& Calendar() const { return settings_.calendar; }
    HttpSession& Session() { return session_; }

private:
    sync::Outcome SyncReport(const QString& token, sync::Listing& out, bool& unsupported);
    sync::Outcome TokenRefusal(const HttpResponse& response, const QString& token);
    sync::Outcome Put(const std::string& href, const std::string& ics, const HeaderList& condition, std::string& etag);
    sync::Outcome MultigetBatch(const QList<QByteArray>& hrefs, std::vector<sync::ServerResource>& out,
                                bool& unsupported);
    sync::Outcome QueryAll(std::vector<std::string>& missing, std::vector<sync::ServerResource>& out);
    QUrl UrlFor(const std::string& href) const;

    ClientSettings settings_;
    HttpSession session_;
    QByteArray collectionPath_;
    bool syncCollectionMissing_ = false;
    bool multigetMissing_ = false;
    bool queryMissing_ = false;
    std::size_t collectionSize_ = 0;  // members in the last full listing, 0 when unknown
    // The data the last listing brought, by href, each with the etag it was listed with. A write to an
    // href removes it.
    std::map<std::string, sync::ServerResource> listed_;
};

// What the engine hears of an HTTP exchange. `changesServer`: a write, for which a lost answer or a 5xx
// leaves the server's state unknown.
sync::Outcome OutcomeOf(const HttpResponse& response, bool changesServer);

// The multistatus a request was to bring: Ok with `ms` read, or why there is none (the exchange failed,
// the answer was no 207, or its body cannot be read).
sync::Outcome ReadMultistatus(const HttpResponse& response, Multistatus& ms);

}  // namespace kalvo::caldav
