#pragma once
// A calendar collection in memory that behaves like a strict CalDAV server: every write gives a new ETag,
// If-Match and If-None-Match are enforced, one UID lives at one href only, and sync tokens list what
// changed since them. On demand it forgets its tokens, refuses writes (a read-only calendar), answers
// writes without an ETag, rewrites what it stores, or fails a request, before or after carrying it out.
// The engine's tests use it in place of a real server; the real-server tests swap in the CalDAV client.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "storage/ical/event_mapping.h"
#include "sync/calendar_server.h"

namespace kalvo::test {

class MemoryServer : public sync::CalendarServer {
public:
    struct Resource {
        std::string ics;
        std::string etag;
    };

    // The next request `op` ("list", "fetch", "create", "update", "remove") on `href` (empty: any) fails
    // with `status`; with `applied` it is carried out first, as when the answer to a sent request is lost.
    struct Fault {
        std::string op;
        std::string href;
        sync::ServerStatus status = sync::ServerStatus::Uncertain;
        bool applied = false;
    };

    std::map<std::string, Resource> resources;  // by href
    std::vector<Fault> faults;
    bool readOnly = false;          // every write is refused (403)
    bool noEtags = false;           // writes are answered without an ETag
    bool noSyncCollection = false;  // sync-collection is refused: only full listings by PROPFIND
    // Called before each write request is carried out, with its op and href: a test changes the server or
    // the files there, as another client would at that moment.
    std::function<void(const std::string&, const std::string&)> beforeWrite;
    // What the server changes in data it stores (a normalising server); its answer then has no ETag.
    std::function<std::string(const std::string&)> rewrite;
    int requests = 0;
    int writes = 0;
    int uidConflicts = 0;  // creates refused because the UID lives elsewhere already: never expected

    // Another client's changes.
    void Put(const std::string& href, const std::string& ics) { Store(href, ics); }
    void Erase(const std::string& href) {
        resources.erase(href);
        journal_[href] = {++seq_, true};
    }
    void ForgetTokens() { forgottenBelow_ = seq_ + 1; }

    sync::Outcome ListChanges(const std::string& token, sync::Listing& out) override {
        ++requests;
        if (const auto f = Take("list", "")) return *f;
        if (noSyncCollection) return {sync::ServerStatus::Forbidden, 403, "sync-collection nie je podporované"};
        std::uint64_t since = 0;
        if (!token.empty()) {
            if (token.rfind("mem-", 0) != 0) return {sync::ServerStatus::TokenInvalid, 403, {}};
            since = std::stoull(token.substr(4));
            if (since < forgottenBelow_) return {sync::ServerStatus::TokenInvalid, 403, {}};
        }
        for (const auto& [href, change] : journal_) {
            if (change.seq <= since) continue;
            if (change.removed) {
                if (since > 0) out.removed.push_back(href);
            } else if (const auto it = resources.find(href); it != resources.end()) {
                out.changed.push_back({href, it->second.etag, {}});
            }
        }
        out.token = "mem-" + std::to_string(seq_);
        return {};
    }

    sync::Outcome ListAll(sync::Listing& out) override {
        ++requests;
        if (const auto f = Take("list", "")) return *f;
        for (const auto& [href, r] : resources) out.changed.push_back({href, r.etag, {}});
        return {};
    }

    sync::Outcome Fetch(const std::vector<std::string>& hrefs, std::vector<sync::ServerResource>& out) override {
        ++requests;
        for (const std::string& href : hrefs)
            if (const auto f = Take("fetch", href)) return *f;
        for (const std::string& href : hrefs)
            if (const auto it = resources.find(href); it != resources.end())
                out.push_back({href, it->second.etag, it->second.ics});
        return {};
    }

    sync::Outcome Create(const std::string& href, const std::string& ics, std::string& etag) override {
        return Write("create", href, [&]() -> sync::Outcome {
            if (resources.count(href)) return {sync::ServerStatus::PreconditionFailed, 412, {}};
            const std::string uid = storage::ical::EventUid(ics);
            for (const auto& [other, r] : resources)
                if (storage::ical::EventUid(r.ics) == uid) {
                    ++uidConflicts;
                    return {sync::ServerStatus::Forbidden, 403, "UID už existuje"};
                }
            etag = Store(href, ics);
            return {};
        });
    }

    sync::Outcome Update(const std::string& href, const std::string& ics, const std::string& ifMatch,
                         std::string& etag) override {
        return Write("update", href, [&]() -> sync::Outcome {
            const auto it = resources.find(href);
            if (it == resources.end() || it->second.etag != ifMatch)
                return {sync::ServerStatus::PreconditionFailed, 412, {}};
            etag = Store(href, ics);
            return {};
        });
    }

    sync::Outcome Remove(const std::string& href, const std::string& ifMatch) override {
        return Write("remove", href, [&]() -> sync::Outcome {
            const auto it = resources.find(href);
            if (it == resources.end()) return {sync::ServerStatus::NotFound, 404, {}};
            if (it->second.etag != ifMatch) return {sync::ServerStatus::PreconditionFailed, 412, {}};
            Erase(href);
            return {};
        });
    }

    std::string HrefFor(const std::string& name) const override { return "/cal/" + name; }

private:
    struct Change {
        std::uint64_t seq = 0;
        bool removed = false;
    };

    std::string Store(const std::string& href, const std::string& ics) {
        const bool changed = static_cast<bool>(rewrite);
        Resource& r = resources[href];
        r.ics = changed ? rewrite(ics) : ics;
        r.etag = "\"e" + std::to_string(++etags_) + "\"";
        journal_[href] = {++seq_, false};
        return noEtags || changed ? std::string() : r.etag;
    }

    std::optional<sync::Outcome> Take(const std::string& op, const std::string& href) {
        for (auto it = faults.begin(); it != faults.end(); ++it) {
            if (it->op != op || it->applied || (!it->href.empty() && it->href != href)) continue;
            const sync::Outcome o{it->status, 0, "porucha"};
            faults.erase(it);
            return o;
        }
        return std::nullopt;
    }

    template <typename Body>
    sync::Outcome Write(const std::string& op, const std::string& href, Body body) {
        ++requests;
        if (beforeWrite) beforeWrite(op, href);
        for (auto it = faults.begin(); it != faults.end(); ++it) {
            if (it->op != op || (!it->href.empty() && it->href != href)) continue;
            const Fault f = *it;
            faults.erase(it);
            if (f.applied) {
                const sync::Outcome done = body();
                if (done.ok()) ++writes;
                return {f.status, 0, "spojenie sa prerušilo"};
            }
            return {f.status, 0, "porucha"};
        }
        if (readOnly) return {sync::ServerStatus::Forbidden, 403, {}};
        const sync::Outcome o = body();
        if (o.ok()) ++writes;
        return o;
    }

    std::map<std::string, Change> journal_;
    std::uint64_t seq_ = 0;
    std::uint64_t forgottenBelow_ = 0;
    std::uint64_t etags_ = 0;
};

}  // namespace kalvo::test
