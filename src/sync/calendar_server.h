#pragma once
// The calendar collection on a server as the sync engine sees it: a set of resources, each an iCalendar
// object at an address (href) with an entity tag that changes whenever the resource does. The engine
// decides what to send and what to take in; an implementation of this interface (the CalDAV client)
// does the talking. Calls block until they have an answer or give up; they never throw.
//
// Every answer says what is known of the server afterwards, so that a repeated request never doubles a
// change: `Uncertain` means the request may have been carried out (the connection broke or the server
// failed after the body was sent), and the engine looks before it sends anything again.

#include <cstdint>
#include <string>
#include <vector>

namespace kalvo::sync {

enum class ServerStatus {
    Ok,
    NotFound,            // 404 / 410: no resource at that href
    PreconditionFailed,  // 412: the resource is not in the state the request assumed (If-Match, If-None-Match)
    TokenInvalid,        // the sync token is no longer known (403/409 valid-sync-token, Xandikos' 500)
    Forbidden,           // 403 other than the token: e.g. a read-only calendar
    Unauthorized,        // 401 after the credentials were offered
    Unreachable,         // no connection, name not found, TLS refused: nothing was sent
    Uncertain,           // sent, but the answer was lost or a 5xx came after the body: look before retrying
    ServerError,         // the server answered with a failure that did not change anything
};

struct Outcome {
    ServerStatus status = ServerStatus::Ok;
    int httpStatus = 0;   // the last HTTP status seen, 0 when none
    std::string message;  // Slovak, for the user, when status is not Ok

    bool ok() const { return status == ServerStatus::Ok; }
};

// One resource of the collection, as listed (etag only) or fetched (with its data).
struct ServerResource {
    std::string href;  // the path on the server, as the server spells it (percent-encoded)
    std::string etag;  // as the server sent it, quotes included; empty when the server gave none
    std::string ics;   // the iCalendar object; empty in listings
};

struct Listing {
    std::vector<ServerResource> changed;  // added or changed since the token (all, for a full listing)
    std::vector<std::string> removed;     // hrefs removed since the token (never in a full listing)
    std::string token;                    // the collection's new sync token; empty when it has none
};

class CalendarServer {
public:
    virtual ~CalendarServer() = default;

    // The changes since `token` (RFC 6578 sync-collection); an empty token lists everything. A listing cut
    // short by the server is continued until it is whole. TokenInvalid when the server forgot the token.
    virtual Outcome ListChanges(const std::string& token, Listing& out) = 0;
    // Every resource with its etag (PROPFIND, depth 1): for servers without sync-collection.
    virtual Outcome ListAll(Listing& out) = 0;
    // The data of these resources (calendar-multiget, in batches). A resource that no longer exists is
    // left out of `out`.
    virtual Outcome Fetch(const std::vector<std::string>& hrefs, std::vector<ServerResource>& out) = 0;
    // Creates a resource at `href` only where none exists (If-None-Match: *). `etag` receives the new etag,
    // or stays empty when the server sent none (the engine then fetches it again).
    virtual Outcome Create(const std::string& href, const std::string& ics, std::string& etag) = 0;
    // Replaces a resource only while its etag is `ifMatch` (If-Match).
    virtual Outcome Update(const std::string& href, const std::string& ics, const std::string& ifMatch,
                           std::string& etag) = 0;
    // Removes a resource only while its etag is `ifMatch`.
    virtual Outcome Remove(const std::string& href, const std::string& ifMatch) = 0;
    // The href a new resource named `name` (e.g. "<uid>.ics") gets in this collection.
    virtual std::string HrefFor(const std::string& name) const = 0;
};

}  // namespace kalvo::sync
