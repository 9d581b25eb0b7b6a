#include "sync/sync_run.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <mutex>
#include <random>
#include <unordered_map>

#include "core/zorad.h"
#include "storage/file_stamp.h"
#include "storage/folder_lock.h"
#include "storage/reminder_file.h"
#include "storage/reminder_store.h"
#include "storage/sync_hints.h"
#include "sync/field_merge.h"
#include "sync/record_match.h"
#include "sync/sync_plan.h"
#include "sync/sync_state.h"

namespace kalvo::sync {
namespace {

using storage::ical::MappingOptions;

constexpr std::int64_t kDaySeconds = 86400;
// How often one item goes back to the server after finding it changed (412) within one sync.
constexpr int kRounds = 3;

// Unique across machines: the system's randomness, and the time in case a runtime gives the same
// sequence on every start.
std::string NewUid() {
    static std::mt19937_64 rng{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(),
                           static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()),
                           static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }()};
    static std::mutex guard;  // runs of other users' files may go on in other threads
    const std::lock_guard lock(guard);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string uid = "kalvo-";
    for (int part = 0; part < 2; ++part) {
        std::uint64_t v = rng();
        for (int i = 0; i < 16; ++i, v >>= 4) uid += kHex[v & 15];
    }
    return uid;
}

bool WeakOrMissing(const std::string& etag) { return etag.empty() || etag.rfind("W/", 0) == 0; }

std::string ServerText(const Outcome& o) {
    if (!o.message.empty()) return o.message;
    switch (o.status) {
        case ServerStatus::Unreachable:
            return "Server kalendára je nedostupný.";
        case ServerStatus::Unauthorized:
            return "Server kalendára odmietol prihlásenie.";
        case ServerStatus::Forbidden:
            return "Server kalendára zmenu odmietol.";
        default:
            break;
    }
    return o.httpStatus > 0 ? "Server kalendára odpovedal chybou (HTTP " + std::to_string(o.httpStatus) + ")."
                            : "Server kalendára odpovedal chybou.";
}

std::uint64_t HashOf(const std::vector<std::uint8_t>& bytes) { return storage::HashBytes(bytes); }

// The moment the record's alarm is put off until (a snooze of the reminder itself), 0 when it is not.
std::int64_t SnoozeOf(const std::vector<storage::PendingSnooze>& entries, const std::optional<TReminder>& record) {
    if (!record) return 0;
    for (const storage::PendingSnooze& e : entries)
        if (e.kind == storage::SnoozeKind::Event && ExactKey(e.record) == ExactKey(*record)) return e.until;
    return 0;
}

// One item through the run.
struct Work {
    SyncItem before;  // as the last sync left it (or as found for a new one)
    SyncItem item;    // what the state file will keep
    LocalLink link;
    std::optional<TReminder> found;  // the record of the list it stood for when the run began
    std::int64_t snoozedHere = 0;    // the snooze of that record in <user>.snooze
    RemoteKind remote = RemoteKind::Unchanged;
    std::optional<EventReading> reading;  // the server's version as read
    ItemPlan plan;
    bool confirmed = false;  // the planned upload went through
    bool deferred = false;   // the planned upload waits for the next sync
};

class Run {
public:
    Run(const SyncRequest& q, CalendarServer& server) : q_(q), server_(server) {}

    SyncReport Go();

private:
    // The steps.
    bool Load();
    bool List();
    bool QuietByHead() const;
    bool LoadItems();
    void ReadListing();
    bool Quiet() const;
    void Match();
    bool Fetch();
    void Plan();
    bool PersistPendingCreates();
    void Upload();
    bool Apply();
    template <typename Changes>
    bool ApplySnoozes(const Changes& changes);

    // Uploads.
    enum class Step { Done, Again, Deferred, Stop };
    Step Carry(Work& w);
    Step Create(Work& w);
    Step Update(Work& w);
    Step Delete(Work& w);
    Step Refused(const Outcome& o);
    // Fetches the item's event again; false when the server could not be asked.
    bool Refetch(Work& w);
    void Confirm(Work& w, const std::string& text, const std::string& etag, const TReminder& base);
    void Replan(Work& w);
    ItemInput InputOf(const Work& w) const;
    const EventReading& CopyReading(Work& w);

    void Wrote(std::string_view what) const {
        if (q_.afterWrite) q_.afterWrite(what);
    }
    Outcome Count(Outcome o) {
        ++report_.requests;
        return o;
    }
    bool Fail(std::string text) {
        report_.outcome = SyncOutcome::Failed;
        if (report_.failure.empty()) report_.failure = std::move(text);
        return false;
    }
    MappingOptions Mapping() const {
        MappingOptions o;
        o.now = now_;
        o.stampUtc = q_.utcNow ? q_.utcNow() : static_cast<std::int64_t>(std::time(nullptr));
        return o;
    }
    // An item's event is read from the occurrence of a series the item follows, which stays the one shown
    // here until it is acknowledged, also once its moment has passed (as an event Kalvo wrote is read).
    MappingOptions MappingFor(const std::optional<TReminder>& base) const {
        MappingOptions o = Mapping();
        if (base && IsOrdinary(*base)) o.now = std::min(o.now, StartMoment(*base));
        return o;
    }

    const SyncRequest& q_;
    CalendarServer& server_;
    SyncReport report_;
    std::int64_t now_ = 0;

    SyncState state_;  // as read
    bool itemsLoaded_ = false;
    std::optional<std::uint64_t> settled_;  // as the state file's head says
    bool firstSync_ = false;
    ReminderList list_;  // the reminder file when the run began
    std::uint64_t listHash_ = 0;
    std::vector<storage::SyncHint> hints_;
    std::vector<Work> works_;
    Listing listing_;
    bool fullListing_ = false;
    std::string token_;  // the collection's token after the listing
    bool readOnly_ = false;
    bool stopped_ = false;
    bool snoozesReadable_ = true;
    std::vector<storage::PendingSnooze> snoozes_;
    std::vector<RemoteKind> remote_;    // per item of the state, as the listing says
    std::vector<std::string> toFetch_;  // what the listing says changed
};

SyncReport Run::Go() {
    if (!q_.clock) {
        Fail("Synchronizácia nemá hodiny.");
        return report_;
    }
    const LocalMoment m = q_.clock->Now();
    now_ = std::int64_t{m.day} * kDaySeconds + m.SecondOfDay();
    const storage::FileLock syncLock(q_.files.SyncLockFile(), std::chrono::milliseconds(0));
    if (!syncLock) {
        if (syncLock.ErrorCode() == storage::kErrorLockTimeout) {
            report_.outcome = SyncOutcome::Busy;
            report_.failure = "Synchronizácia týchto pripomienok už prebieha (v programe Kalvo alebo v kalvo-cli).";
        } else {
            Fail("Synchronizácia sa nedá spustiť: " + storage::DescribeError(syncLock.ErrorCode()) + ".");
        }
        return report_;
    }
    if (!Load() || !List() || QuietByHead() || !LoadItems()) return report_;
    ReadListing();
    if (Quiet()) return report_;
    Match();
    if (!Fetch()) return report_;
    Plan();
    if (!PersistPendingCreates()) return report_;
    Upload();
    Apply();
    return report_;
}

bool Run::Load() {
    const storage::FolderLock lock(storage::LockFolderOf(q_.files.UserFile()), storage::LockWait());
    if (!lock)
        return Fail("Synchronizácia sa nespustila: súbory pripomienok má otvorené iný program (" +
                    storage::DescribeError(lock.ErrorCode()) + ").");
    storage::ReadResult file = storage::ReadReminderFile(q_.files.UserFile());
    if (file.outcome == storage::ReadOutcome::Failed || storage::IsDamaged(file.decoded.status))
        return Fail("Súbor pripomienok sa nedá prečítať celý, preto sa synchronizácia nespustila.");
    list_ = std::move(file.decoded.records);
    listHash_ = HashOf(file.bytes);
    report_.reminderFileHash = listHash_;

    // The items wait until the listing shows that there is something to do.
    StateRead read = ReadStateFile(q_.files.SyncStateFile(), StatePart::Head);
    if (read.status == StateStatus::Failed)
        return Fail("Stav synchronizácie sa nedá prečítať: " + storage::DescribeError(read.errorCode) + ".");
    if (read.status == StateStatus::Damaged) {
        // Started over as a first sync, which pairs records with the events already there.
        KeepStateAside(q_.files.SyncStateFile(), q_.clock->Now());
        report_.notices.push_back(
            "Stav synchronizácie bol poškodený a bol odložený bokom; synchronizácia začala odznova a pripomienky "
            "spárovala s udalosťami na serveri.");
    }
    itemsLoaded_ = read.status != StateStatus::Ok || !read.hasItems;
    state_ = read.status == StateStatus::Ok ? std::move(read.state) : SyncState{};
    settled_ = read.settled;
    if (state_.calendar != q_.calendar) {
        state_ = SyncState{q_.calendar, {}, 0, 0, {}};
        settled_.reset();
        itemsLoaded_ = true;
    }
    firstSync_ = itemsLoaded_ && state_.token.empty();

    hints_ = storage::ReadHintsFile(q_.files.SyncHintsFile()).decoded.hints;
    storage::SnoozeRead snoozes = storage::ReadSnoozeFile(q_.files.SnoozeFile());
    snoozesReadable_ = snoozes.outcome != storage::ReadOutcome::Failed;
    snoozes_ = std::move(snoozes.decoded.entries);
    return true;
}

bool Run::List() {
    Listing& listing = listing_;
    Outcome o = Count(server_.ListChanges(state_.token, listing));
    fullListing_ = state_.token.empty();
    if (o.status == ServerStatus::TokenInvalid) {
        // The server forgot where it was: everything, and only what differs counts as changed.
        listing = Listing{};
        o = Count(server_.ListChanges("", listing));
        fullListing_ = true;
    }
    if (o.status == ServerStatus::ServerError || o.status == ServerStatus::Forbidden) {
        // No sync-collection here: every event with its ETag.
        listing = Listing{};
        o = Count(server_.ListAll(listing));
        fullListing_ = true;
    }
    if (!o.ok()) return Fail(ServerText(o));
    token_ = listing.token;
    return true;
}

bool Run::QuietByHead() const {
    if (!settled_ || fullListing_ || firstSync_ || !listing_.changed.empty() || !listing_.removed.empty() ||
        token_ != state_.token || listHash_ != state_.fileHash || !hints_.empty())
        return false;
    std::uint64_t snoozes = 0;
    for (const storage::PendingSnooze& e : snoozes_)
        if (e.kind == storage::SnoozeKind::Event) snoozes = AddToSnoozeDigest(snoozes, e.record, e.until);
    return snoozes == *settled_;
}

bool Run::LoadItems() {
    if (itemsLoaded_) return true;
    // The sync lock keeps every other writer of the state away since the head was read.
    StateRead read = ReadStateFile(q_.files.SyncStateFile());
    if (read.status == StateStatus::Failed)
        return Fail("Stav synchronizácie sa nedá prečítať: " + storage::DescribeError(read.errorCode) + ".");
    if (read.status != StateStatus::Ok || read.state.calendar != state_.calendar || read.state.token != state_.token)
        return Fail("Stav synchronizácie sa zmenil počas synchronizácie; skúste ju znova.");
    state_ = std::move(read.state);
    itemsLoaded_ = true;
    return true;
}

void Run::ReadListing() {
    const Listing& listing = listing_;
    const bool full = fullListing_;
    const std::vector<SyncItem>& items = state_.items;
    remote_.assign(items.size(), RemoteKind::Unchanged);
    std::unordered_map<std::string, std::size_t> byHref;
    for (std::size_t i = 0; i < items.size(); ++i) byHref[items[i].href] = i;
    std::vector<bool> listed(items.size(), false);
    for (const ServerResource& r : listing.changed) {
        const auto it = byHref.find(r.href);
        if (it != byHref.end()) {
            listed[it->second] = true;
            if (!r.etag.empty() && r.etag == items[it->second].etag) continue;
        }
        toFetch_.push_back(r.href);
    }
    for (const std::string& href : listing.removed)
        if (const auto it = byHref.find(href); it != byHref.end()) {
            remote_[it->second] = RemoteKind::Removed;
            listed[it->second] = true;
        }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (listed[i]) continue;
        if (full && items[i].state != ItemState::Created) remote_[i] = RemoteKind::Removed;
        // Sent after the token: a listing that does not mention it proves nothing, so it is looked at.
        if (!full && items[i].sentSinceToken) toFetch_.push_back(items[i].href);
    }
}

bool Run::Quiet() const {
    // Nothing changed here since the last sync, nothing on the server, nothing waits to be sent.
    if (firstSync_ || listHash_ != state_.fileHash || !hints_.empty() || !toFetch_.empty() || token_ != state_.token)
        return false;
    for (std::size_t i = 0; i < state_.items.size(); ++i)
        if (remote_[i] != RemoteKind::Unchanged || state_.items[i].state == ItemState::Created ||
            state_.items[i].state == ItemState::Deleted)
            return false;
    if (state_.readOnlySince != 0) return false;
    // Nor was a reminder put off, or its snooze ended, here.
    std::unordered_multimap<std::string, std::int64_t> agreed;
    for (const SyncItem& i : state_.items)
        if (i.snoozedUntil != 0 && i.local) agreed.emplace(ExactKey(*i.local), i.snoozedUntil);
    for (const storage::PendingSnooze& e : snoozes_) {
        if (e.kind != storage::SnoozeKind::Event) continue;
        const auto [from, to] = agreed.equal_range(ExactKey(e.record));
        const auto same = std::find_if(from, to, [&](const auto& a) { return a.second == e.until; });
        if (same == to) return false;
        agreed.erase(same);
    }
    return agreed.empty();
}

void Run::Match() {
    std::vector<const TReminder*> locals;
    for (const SyncItem& i : state_.items) locals.push_back(i.local ? &*i.local : nullptr);
    const LocalMatch match = MatchLocal(locals, list_, hints_, now_);
    for (std::size_t i = 0; i < state_.items.size(); ++i) {
        Work w;
        w.before = state_.items[i];
        w.link = match.items[i];
        w.remote = remote_[i];
        if (w.link.record) w.found = list_[*w.link.record];
        w.snoozedHere = SnoozeOf(snoozes_, w.found);
        works_.push_back(std::move(w));
    }
    // The records no item stands for: new here, or (on a first sync) perhaps already on the server.
    for (const std::size_t j : match.newRecords) {
        Work w;
        w.before.state = ItemState::Created;
        w.before.local = list_[j];
        w.link.record = j;
        w.found = list_[j];
        w.snoozedHere = SnoozeOf(snoozes_, w.found);
        works_.push_back(std::move(w));
    }
}

bool Run::Fetch() {
    std::vector<ServerResource> fetched;
    if (!toFetch_.empty()) {
        const Outcome o = Count(server_.Fetch(toFetch_, fetched));
        if (!o.ok()) return Fail(ServerText(o));
    }
    std::unordered_map<std::string, std::size_t> byHref;
    for (std::size_t i = 0; i < state_.items.size(); ++i) byHref[state_.items[i].href] = i;
    std::unordered_map<std::string, std::size_t> fetchedAt;
    for (std::size_t k = 0; k < fetched.size(); ++k) fetchedAt[fetched[k].href] = k;
    const MappingOptions mapping = Mapping();
    // Known events that changed, or vanished between the listing and the fetch.
    std::vector<std::size_t> arrivals;
    for (const std::string& href : toFetch_) {
        const auto f = fetchedAt.find(href);
        const auto known = byHref.find(href);
        if (known != byHref.end()) {
            Work& w = works_[known->second];
            if (f == fetchedAt.end()) {
                if (w.before.state != ItemState::Created) w.remote = RemoteKind::Removed;
                continue;
            }
            w.remote = RemoteKind::Changed;
            w.reading = ReadEvent(fetched[f->second].ics, MappingFor(w.before.base));
            w.item.etag = fetched[f->second].etag;
            w.item.serverCopy = fetched[f->second].ics;
        } else if (f != fetchedAt.end()) {
            arrivals.push_back(f->second);
        }
    }

    // Events no item knows: they pair with records no item stands for (a first sync, a copied file, a
    // create whose answer was lost), or they come in as new reminders.
    std::vector<EventReading> readings;
    readings.reserve(arrivals.size());
    for (const std::size_t k : arrivals) readings.push_back(ReadEvent(fetched[k].ics, mapping));
    std::vector<std::size_t> fresh;
    std::vector<const TReminder*> records;
    for (std::size_t i = state_.items.size(); i < works_.size(); ++i) {
        fresh.push_back(i);
        records.push_back(&*works_[i].found);
    }
    std::vector<const EventReading*> events;
    for (const EventReading& r : readings) events.push_back(&r);
    std::vector<std::optional<std::size_t>> pairs;
    std::vector<bool> exact;
    PairWithEvents(records, events, pairs, exact);
    std::vector<bool> bound(arrivals.size(), false);
    for (std::size_t n = 0; n < fresh.size(); ++n) {
        if (!pairs[n]) continue;
        const std::size_t a = *pairs[n];
        const ServerResource& res = fetched[arrivals[a]];
        Work& w = works_[fresh[n]];
        w.before.uid = readings[a].uid;
        w.before.href = res.href;
        w.before.etag = res.etag;
        w.before.state = ItemState::Synced;
        if (exact[n]) w.before.base = *readings[a].kalvo;
        w.item.etag = res.etag;
        w.item.serverCopy = res.ics;
        w.remote = RemoteKind::Changed;
        w.reading = std::move(readings[a]);
        bound[a] = true;
    }
    for (std::size_t a = 0; a < arrivals.size(); ++a) {
        if (bound[a]) continue;
        const ServerResource& res = fetched[arrivals[a]];
        Work w;
        w.before.uid = readings[a].uid;
        w.before.href = res.href;
        w.before.etag = res.etag;
        w.before.state = readings[a].kalvo ? ItemState::Archived : ItemState::Foreign;
        w.item.etag = res.etag;
        w.item.serverCopy = res.ics;
        w.remote = RemoteKind::Changed;
        w.reading = std::move(readings[a]);
        works_.push_back(std::move(w));
    }
    return true;
}

ItemInput Run::InputOf(const Work& w) const {
    ItemInput in;
    in.item = &w.before;
    in.link = w.link;
    in.found = w.found ? &*w.found : nullptr;
    in.remote = w.remote;
    in.reading = w.reading ? &*w.reading : nullptr;
    in.snoozedHere = w.snoozedHere;
    in.now = now_;
    return in;
}

void Run::Replan(Work& w) {
    w.plan = PlanItem(InputOf(w));
    if (w.plan.upload == Upload::Create && (w.before.uid.empty() || w.plan.recreate)) {
        // Chosen before anything is sent, and kept as pending, so that a lost answer is looked for.
        w.item.uid = NewUid();
        w.item.href = server_.HrefFor(w.item.uid + ".ics");
        w.item.etag.clear();
        w.item.serverCopy.clear();
    }
}

void Run::Plan() {
    readOnly_ = state_.readOnlySince != 0 && now_ - state_.readOnlySince < kDaySeconds;
    for (Work& w : works_) {
        w.item.uid = w.before.uid;
        w.item.href = w.before.href;
        if (w.remote != RemoteKind::Changed) {
            w.item.etag = w.before.etag;
            w.item.serverCopy = w.before.serverCopy;
        }
        Replan(w);
    }
}

bool Run::PersistPendingCreates() {
    if (readOnly_) return true;
    SyncState pending = state_;
    bool any = false;
    for (const Work& w : works_) {
        if (w.plan.upload != Upload::Create || w.item.uid == w.before.uid) continue;
        SyncItem created;
        created.uid = w.item.uid;
        created.href = w.item.href;
        created.state = ItemState::Created;
        created.local = w.found;
        pending.items.push_back(std::move(created));
        any = true;
    }
    if (!any) return true;
    // The state as it was, with the events about to be created: a crash from here on finds them by
    // their href, never creates them twice.
    if (const storage::WriteResult w = WriteStateFile(q_.files.SyncStateFile(), pending, q_.durability); !w)
        return Fail("Stav synchronizácie sa nepodarilo uložiť: " + storage::DescribeError(w.errorCode) + ".");
    Wrote("state");
    return true;
}

const EventReading& Run::CopyReading(Work& w) {
    if (!w.reading) w.reading = ReadEvent(w.item.serverCopy, MappingFor(w.before.base));
    return *w.reading;
}

bool Run::Refetch(Work& w) {
    std::vector<ServerResource> out;
    const Outcome o = Count(server_.Fetch({w.item.href}, out));
    if (!o.ok()) {
        Fail(ServerText(o));
        return false;
    }
    if (out.empty()) {
        w.remote = RemoteKind::Removed;
        w.reading.reset();
        return true;
    }
    w.remote = RemoteKind::Changed;
    w.item.etag = out.front().etag;
    w.item.serverCopy = out.front().ics;
    w.reading = ReadEvent(w.item.serverCopy, MappingFor(w.before.base));
    return true;
}

void Run::Confirm(Work& w, const std::string& text, const std::string& etag, const TReminder& base) {
    w.confirmed = true;
    w.item.etag = etag;
    w.item.serverCopy = text;
    // Without a strong ETag the server may have changed what it stored: its own copy is the one kept.
    if (WeakOrMissing(etag)) {
        std::vector<ServerResource> out;
        if (Count(server_.Fetch({w.item.href}, out)).ok() && !out.empty()) {
            w.item.etag = out.front().etag;
            w.item.serverCopy = out.front().ics;
        }
    }
    w.reading = ReadEvent(w.item.serverCopy, Mapping());
    w.item.base = base;
    w.item.acknowledged = w.plan.marks.acknowledged;
    ++report_.sent;
}

Run::Step Run::Refused(const Outcome& o) {
    if (o.status == ServerStatus::Forbidden) {
        // A calendar that may only be read: told once, tried again a day later.
        readOnly_ = true;
        state_.readOnlySince = now_;
        report_.notices.push_back(
            "Kalendár na serveri je len na čítanie: zmeny z tohto počítača sa doň nedajú zapísať. Zmeny zo "
            "servera sa preberajú ďalej; zápis sa Kalvo pokúsi zopakovať o deň.");
        return Step::Stop;
    }
    Fail(ServerText(o));
    return Step::Stop;
}

Run::Step Run::Create(Work& w) {
    const std::string text = storage::ical::NewEvent(w.plan.sent, w.item.uid, w.plan.marks, Mapping());
    std::string etag;
    const Outcome o = Count(server_.Create(w.item.href, text, etag));
    Wrote("server");
    switch (o.status) {
        case ServerStatus::Ok:
            Confirm(w, text, etag, w.plan.sent);
            return Step::Done;
        case ServerStatus::PreconditionFailed:
        case ServerStatus::Uncertain: {
            // Something is there already, or perhaps this very create: look.
            if (!Refetch(w)) return Step::Stop;
            if (w.remote == RemoteKind::Removed) return Step::Deferred;
            if (w.reading->uid != w.item.uid) {
                // Another event holds the href: the record is created anew at the next sync.
                w.item.uid.clear();
                return Step::Deferred;
            }
            // Ours: it counts as the base it was sent as, and what differs is merged.
            w.before.base = w.plan.sent;
            w.before.uid = w.item.uid;
            w.before.href = w.item.href;
            w.before.state = ItemState::Synced;
            return Step::Again;
        }
        default:
            return Refused(o);
    }
}

Run::Step Run::Update(Work& w) {
    if (w.item.serverCopy.empty()) {
        if (!Refetch(w)) return Step::Stop;
        return Step::Again;
    }
    const EventReading& was = CopyReading(w);
    const EventMarks& marks = w.plan.marks;
    const TReminder sent = w.plan.marksOnly ? was.record : w.plan.sent;
    const auto text = storage::ical::PatchEvent(w.item.serverCopy, was.record, sent, marks, Mapping());
    if (!text) {
        if (!Refetch(w)) return Step::Stop;
        return Step::Again;
    }
    std::string etag;
    const Outcome o = Count(server_.Update(w.item.href, *text, w.item.etag, etag));
    Wrote("server");
    switch (o.status) {
        case ServerStatus::Ok:
            Confirm(w, *text, etag, sent);
            return Step::Done;
        case ServerStatus::PreconditionFailed:
        case ServerStatus::NotFound:
        case ServerStatus::Uncertain:
            // Changed meanwhile (or perhaps by this very request): fetched and merged, never sent blind.
            if (!Refetch(w)) return Step::Stop;
            return Step::Again;
        default:
            return Refused(o);
    }
}

Run::Step Run::Delete(Work& w) {
    if (w.item.etag.empty()) {
        // A create that may or may not have reached the server: looked for first.
        if (!Refetch(w)) return Step::Stop;
        if (w.remote != RemoteKind::Removed) return Step::Again;
        w.confirmed = true;
        return Step::Done;
    }
    const Outcome o = Count(server_.Remove(w.item.href, w.item.etag));
    Wrote("server");
    switch (o.status) {
        case ServerStatus::Ok:
        case ServerStatus::NotFound:
            ++report_.deletedThere;
            w.confirmed = true;
            return Step::Done;
        case ServerStatus::PreconditionFailed:
        case ServerStatus::Uncertain:
            if (!Refetch(w)) return Step::Stop;
            if (w.remote == RemoteKind::Removed) {
                ++report_.deletedThere;
                w.confirmed = true;
                return Step::Done;
            }
            return Step::Again;
        default:
            return Refused(o);
    }
}

Run::Step Run::Carry(Work& w) {
    switch (w.plan.upload) {
        case Upload::Create:
            return Create(w);
        case Upload::Update:
            return Update(w);
        case Upload::Delete:
            return Delete(w);
        case Upload::None:
            break;
    }
    return Step::Done;
}

void Run::Upload() {
    for (Work& w : works_) {
        if (w.plan.upload == Upload::None) continue;
        if (readOnly_ || stopped_) {
            w.deferred = true;
            continue;
        }
        for (int round = 0;; ++round) {
            const Step step = Carry(w);
            if (step == Step::Stop) {
                stopped_ = true;
                w.deferred = true;
                break;
            }
            if (step == Step::Deferred) w.deferred = true;
            if (step != Step::Again) break;
            Replan(w);
            if (w.plan.upload == Upload::None) break;
            if (round + 1 == kRounds) {
                w.deferred = true;
                break;
            }
        }
        if (w.deferred) report_.again = true;
        // One occurrence acknowledged: the series' next one comes here.
        if (w.confirmed && w.plan.followSeries && w.reading && w.reading->usable && !w.reading->done &&
            w.reading->series) {
            w.plan.local = LocalAction::Write;
            w.plan.record = w.reading->record;
            w.plan.state = ItemState::Synced;
            w.item.base = w.reading->record;
            w.plan.received = true;
        }
    }
}

bool Run::Apply() {
    const std::filesystem::path userFile = q_.files.UserFile();
    const storage::FolderLock lock(storage::LockFolderOf(userFile), storage::LockWait());
    if (!lock)
        return Fail("Výsledok synchronizácie sa nepodarilo uložiť: " + storage::DescribeError(lock.ErrorCode()) +
                    ". Dokončí sa pri ďalšej synchronizácii.");
    storage::ReadResult file = storage::ReadReminderFile(userFile);
    if (file.outcome == storage::ReadOutcome::Failed || storage::IsDamaged(file.decoded.status))
        return Fail(
            "Súbor pripomienok sa medzičasom stal nečitateľným; zmeny zo servera sa uložia pri ďalšej "
            "synchronizácii.");
    ReminderList now = std::move(file.decoded.records);
    const bool changedMeanwhile = HashOf(file.bytes) != listHash_;

    // Where each item's record is now: another program may have written the file meanwhile.
    std::vector<std::optional<std::size_t>> at(works_.size());
    if (!changedMeanwhile) {
        for (std::size_t i = 0; i < works_.size(); ++i) at[i] = works_[i].link.record;
    } else {
        report_.again = true;
        std::vector<const TReminder*> locals;
        for (const Work& w : works_) locals.push_back(w.found ? &*w.found : nullptr);
        const LocalMatch m =
            MatchLocal(locals, now, storage::ReadHintsFile(q_.files.SyncHintsFile()).decoded.hints, now_);
        for (std::size_t i = 0; i < works_.size(); ++i) at[i] = m.items[i].record;
    }

    std::vector<std::optional<TReminder>> replaced(now.size());
    std::vector<bool> erased(now.size(), false);
    ReminderList appended, toArchive;
    std::vector<storage::SyncHint> ownHints;
    bool listChanged = false;
    bool keepHints = changedMeanwhile;
    // What becomes of the snoozes of the records the sync changes.
    struct SnoozeChange {
        std::optional<TReminder> was, is;
        std::int64_t found = 0, wanted = 0;
    };
    std::vector<SnoozeChange> snoozeChanges;
    const auto note = [&](storage::HintKind kind, const TReminder& before, std::optional<TReminder> after) {
        ownHints.push_back(storage::SyncHint{kind, now_, before, std::move(after)});
    };

    for (std::size_t i = 0; i < works_.size(); ++i) {
        Work& w = works_[i];
        const ItemPlan& p = w.plan;
        SyncItem& item = w.item;
        const TReminder* was = w.found ? &*w.found : nullptr;
        const TReminder* is = at[i] ? &now[*at[i]] : nullptr;
        const bool untouched = was && is && *was == *is;
        std::optional<TReminder> local = is ? std::optional<TReminder>(*is) : std::nullopt;
        bool dropped = p.drop;
        if (p.conflictCopy) {
            toArchive.push_back(*p.conflictCopy);
            report_.notices.push_back(ConflictNotice(*was));
            ++report_.conflicts;
        }
        switch (p.local) {
            case LocalAction::Keep:
                if (!is && was) local = *was;  // gone meanwhile: the next sync follows it
                break;
            case LocalAction::Write: {
                TReminder record = p.record;
                if (was && is && !untouched) {
                    // Changed here meanwhile: merged with what the server gave, whose side wins a conflict.
                    const Merged m = MergeFields(*was, *is, record);
                    record = m.record;
                    if (m.conflict) {
                        toArchive.push_back(ConflictCopy(*is));
                        report_.notices.push_back(ConflictNotice(*is));
                        ++report_.conflicts;
                    }
                }
                if (is) {
                    if (!(record == *is)) {
                        note(storage::HintKind::Edited, *is, record);
                        replaced[*at[i]] = record;
                    }
                } else if (!was || !SameApartFromMoving(record, *was)) {
                    appended.push_back(record);
                } else {
                    record = *was;  // removed here meanwhile: the next sync removes it on the server
                }
                local = record;
                if (p.received) ++report_.received;
                if (p.acknowledgedElsewhere) report_.acknowledged.push_back({was ? *was : record, record});
                break;
            }
            case LocalAction::Remove:
            case LocalAction::Archive:
                if (is && (untouched || SameApartFromMoving(*is, *was))) {
                    erased[*at[i]] = true;
                    note(p.local == LocalAction::Archive ? storage::HintKind::Archived : storage::HintKind::Deleted,
                         *is, std::nullopt);
                    if (p.local == LocalAction::Archive) {
                        if (q_.keepArchive) toArchive.push_back(p.record);
                        report_.acknowledged.push_back({*is, std::nullopt});
                        ++report_.received;
                    } else {
                        ++report_.deletedHere;
                    }
                    local.reset();
                } else if (is) {
                    // Changed here meanwhile: it stays, and goes to the server again as a record of its own.
                    dropped = true;
                }
                break;
        }
        if (dropped) {
            item.uid.clear();
            continue;
        }
        if (is || (local && p.snooze != 0))
            snoozeChanges.push_back(
                {is ? std::optional(*is) : std::nullopt, local, w.snoozedHere, local ? p.snooze : 0});
        // What the state keeps of the item.
        item.local = local;
        item.state = p.state;
        if (!w.confirmed && p.upload == Upload::Create) item.state = ItemState::Created;
        if (!w.confirmed && p.upload == Upload::Delete) item.state = ItemState::Deleted;
        if (!w.confirmed && p.upload == Upload::Update && p.state == ItemState::Archived) {
            // The acknowledgement waits: the item stays as it was, and the hints keep where its record went.
            keepHints = true;
            item = w.before;
            item.etag = w.item.etag;
            item.serverCopy = w.item.serverCopy;
            item.sentSinceToken = false;
            continue;
        }
        item.snoozedUntil = p.marks.snoozedUntil;
        if (!w.confirmed) {
            item.snoozedUntil = w.reading ? w.reading->marks.snoozedUntil : w.before.snoozedUntil;
            item.base = p.base;
            item.acknowledged =
                w.reading ? std::max(w.before.acknowledged, w.reading->marks.acknowledged) : w.before.acknowledged;
        }
        if (w.confirmed && p.upload == Upload::Delete) item.uid.clear();
        // The state's next token is the one listed before this sync's uploads.
        item.sentSinceToken = w.confirmed && p.upload != Upload::None;
        if (item.state == ItemState::Archived || item.state == ItemState::Foreign) {
            // Only watched from now on: its copy is not needed again.
            item.serverCopy.clear();
            item.base.reset();
            item.local.reset();
        }
    }

    // The new list: the file as it is now, with the sync's changes in their places and the new records.
    ReminderList result;
    result.reserve(now.size() + appended.size());
    for (std::size_t j = 0; j < now.size(); ++j) {
        if (erased[j]) continue;
        result.push_back(replaced[j] ? std::move(*replaced[j]) : std::move(now[j]));
    }
    listChanged = !ownHints.empty() || !appended.empty();
    result.insert(result.end(), appended.begin(), appended.end());
    if (listChanged) Zorad(result);

    // Archived once: a record the archive already holds (a crash before the state was written) is not
    // added again.
    if (!toArchive.empty()) {
        const std::filesystem::path archivePath = q_.files.ArchiveFile();
        storage::ReadResult archive = storage::ReadReminderFile(archivePath);
        if (archive.outcome == storage::ReadOutcome::Failed || storage::IsDamaged(archive.decoded.status))
            return Fail(
                "Súbor starých pripomienok sa nedá prečítať celý; výsledok synchronizácie sa uloží pri "
                "ďalšej synchronizácii.");
        ReminderList kept = std::move(archive.decoded.records);
        std::vector<const TReminder*> have;
        for (const TReminder& r : kept) have.push_back(&r);
        std::vector<const TReminder*> add;
        for (const TReminder& r : toArchive) add.push_back(&r);
        std::vector<std::optional<std::size_t>> already(add.size());
        std::vector<bool> taken(have.size(), false);
        PairBy(ExactKey, add, already, have, taken);
        std::size_t added = 0;
        for (std::size_t k = 0; k < add.size(); ++k)
            if (!already[k]) {
                kept.push_back(*add[k]);
                ++added;
            }
        toArchive.clear();
        if (added > 0) {
            if (!ownHints.empty()) {
                storage::AppendHints(q_.files.SyncHintsFile(), ownHints, q_.durability);
                Wrote("hints");
                ownHints.clear();
            }
            const auto bytes = storage::EncodeReminderFile(kept);
            const storage::WriteResult wr = bytes ? storage::WriteFileAtomically(archivePath, *bytes, q_.durability)
                                                  : storage::WriteResult{false, 0};
            if (!wr)
                return Fail("Súbor starých pripomienok sa nepodarilo uložiť: " + storage::DescribeError(wr.errorCode) +
                            ".");
            report_.archiveChanged = true;
            Wrote("archive");
        }
    }

    std::uint64_t fileHash = HashOf(file.bytes);
    if (listChanged) {
        if (!ownHints.empty()) {
            storage::AppendHints(q_.files.SyncHintsFile(), ownHints, q_.durability);
            Wrote("hints");
        }
        const auto bytes = storage::EncodeReminderFile(result);
        const storage::WriteResult wr =
            bytes ? storage::WriteFileAtomically(userFile, *bytes, q_.durability) : storage::WriteResult{false, 0};
        if (!wr) return Fail("Súbor pripomienok sa nepodarilo uložiť: " + storage::DescribeError(wr.errorCode) + ".");
        fileHash = HashOf(*bytes);
        report_.reminderFileChanged = true;
        Wrote("reminders");
    }

    if (!ApplySnoozes(snoozeChanges)) return false;

    SyncState next;
    next.calendar = q_.calendar;
    next.token = token_;
    next.fileHash = fileHash;
    report_.reminderFileHash = fileHash;
    next.readOnlySince = readOnly_ ? state_.readOnlySince : 0;
    for (Work& w : works_)
        if (!w.item.uid.empty()) next.items.push_back(std::move(w.item));
    if (!(next == state_) || firstSync_) {
        if (const storage::WriteResult wr = WriteStateFile(q_.files.SyncStateFile(), next, q_.durability); !wr)
            return Fail("Stav synchronizácie sa nepodarilo uložiť: " + storage::DescribeError(wr.errorCode) + ".");
        Wrote("state");
    }
    // Every hint is in the state now, unless the file changed meanwhile: then the next sync needs them.
    if (!keepHints && (!hints_.empty() || listChanged)) storage::ClearHints(q_.files.SyncHintsFile());
    return true;
}

// A snooze follows its record when the sync rewrites it, ends when the record leaves the list, and takes
// the moment the two sides agreed on, unless the program changed it meanwhile.
template <typename Changes>
bool Run::ApplySnoozes(const Changes& changes) {
    if (changes.empty() || !snoozesReadable_) return true;
    storage::SnoozeRead read = storage::ReadSnoozeFile(q_.files.SnoozeFile());
    if (read.outcome == storage::ReadOutcome::Failed) return true;
    std::vector<storage::PendingSnooze>& entries = read.decoded.entries;
    const std::vector<storage::PendingSnooze> before = entries;
    for (const auto& c : changes) {
        auto entry = entries.end();
        if (c.was)
            entry = std::find_if(entries.begin(), entries.end(), [&](const storage::PendingSnooze& e) {
                return e.kind == storage::SnoozeKind::Event && ExactKey(e.record) == ExactKey(*c.was);
            });
        const bool ours = entry == entries.end() ? c.found == 0 : entry->until == c.found;
        const std::int64_t until = ours ? c.wanted : (entry == entries.end() ? 0 : entry->until);
        if (!c.is || until == 0) {
            if (entry != entries.end()) entries.erase(entry);
        } else if (entry != entries.end()) {
            entry->record = *c.is;
            entry->until = until;
        } else {
            entries.push_back({until, storage::SnoozeKind::Event, *c.is});
        }
    }
    if (entries == before) return true;
    if (const storage::WriteResult wr = storage::WriteSnoozeFile(q_.files.SnoozeFile(), entries, q_.durability); !wr)
        return Fail("Súbor odložených pripomienok sa nepodarilo uložiť: " + storage::DescribeError(wr.errorCode) + ".");
    Wrote("snooze");
    return true;
}

}  // namespace

SyncReport RunSync(const SyncRequest& request, CalendarServer& server) { return Run(request, server).Go(); }

}  // namespace kalvo::sync
