#include "sync/sync_plan.h"

#include <algorithm>
#include <bit>

#include "sync/field_merge.h"

namespace kalvo::sync {
namespace {

bool SameStart(const TReminder& a, const TReminder& b) {
    return a.Date == b.Date && std::bit_cast<std::uint64_t>(a.Time) == std::bit_cast<std::uint64_t>(b.Time);
}

enum class Local { Record, Deleted, Archived, Absent };

Local LocalSide(const ItemInput& in) {
    if (in.found) return Local::Record;
    if (in.item->state == ItemState::Deleted) return Local::Deleted;
    if (!in.item->local) return Local::Absent;
    return in.link.fate == Fate::Archived ? Local::Archived : Local::Deleted;
}

void Send(ItemPlan& p, Upload how, const TReminder& record) {
    p.upload = how;
    p.sent = record;
    if (p.state != ItemState::Archived) p.state = ItemState::Synced;
}

// The server lost the event (deleted, or made it something else) while this computer has its record.
void ServerLost(ItemPlan& p, const ItemInput& in) {
    const TReminder& l = *in.found;
    const SyncItem& item = *in.item;
    if (item.state == ItemState::Created) return Send(p, Upload::Create, l);
    if (item.base && SameApartFromMoving(l, *item.base)) {
        p.local = LocalAction::Remove;
        p.deletedHere = true;
        p.drop = true;
        return;
    }
    // Changed here: it comes back under a new identity, so no server mistakes it for the deleted one.
    p.recreate = true;
    Send(p, Upload::Create, l);
}

void TakeFromServer(ItemPlan& p, const TReminder& r) {
    p.local = LocalAction::Write;
    p.record = r;
    p.received = true;
    p.base = r;
    p.state = ItemState::Synced;
}

}  // namespace

std::int64_t StartMoment(const TReminder& r) {
    const TimeParts t = SplitTime(r.Time);
    return std::int64_t{r.Date} * 86400 + (t.hour * 60 + t.minute) * 60 + t.second;
}

bool Wanted(const EventReading& reading, std::int64_t now) {
    if (!reading.usable || reading.done) return false;
    return reading.kalvo || reading.series || !IsOrdinary(reading.record) || StartMoment(reading.record) >= now;
}

ItemPlan PlanItem(const ItemInput& in) {
    const SyncItem& item = *in.item;
    ItemPlan p;
    p.state = item.state;
    p.base = item.base;
    const Local local = LocalSide(in);
    const EventReading* rd = in.remote == RemoteKind::Changed ? in.reading : nullptr;

    // An acknowledgement here: noted by the program, or seen in the moving fields alone.
    std::int64_t localAck = in.link.acknowledged;
    if (local == Local::Record && item.local && !(*in.found == *item.local) &&
        SameApartFromMoving(*in.found, *item.local) && localAck == 0)
        localAck = in.now;
    const std::int64_t serverAck = rd ? rd->marks.acknowledged : item.acknowledged;
    p.marks.acknowledged = std::max({item.acknowledged, localAck, serverAck});
    // A snooze changed on one side goes to the other; put off on both, the later moment. An alarm
    // acknowledged since its snooze ends the snooze.
    const std::int64_t serverSnooze = rd ? rd->marks.snoozedUntil : item.snoozedUntil;
    std::int64_t snooze = in.snoozedHere == item.snoozedUntil ? serverSnooze
                          : serverSnooze == item.snoozedUntil ? in.snoozedHere
                                                              : std::max(in.snoozedHere, serverSnooze);
    if (snooze != 0 && snooze <= p.marks.acknowledged) snooze = 0;
    p.marks.snoozedUntil = snooze;
    p.snooze = local == Local::Record ? snooze : 0;
    const bool snoozeToSend = snooze != serverSnooze;

    if (in.remote == RemoteKind::Removed || (rd && !rd->usable)) {
        if (local == Local::Record) {
            ServerLost(p, in);
        } else if (rd) {
            // Made something else by another program (a task, cancelled): only watched from now on.
            p.state = ItemState::Foreign;
            p.base.reset();
        } else {
            p.drop = true;
        }
        return p;
    }

    if (!rd) {  // the server's event is as the item last saw it
        switch (local) {
            case Local::Record: {
                const TReminder& l = *in.found;
                if (item.state == ItemState::Created) Send(p, Upload::Create, l);
                else if (!item.base || !(l == *item.base) || localAck > item.acknowledged || snoozeToSend)
                    Send(p, Upload::Update, l);
                break;
            }
            case Local::Deleted:
                p.upload = Upload::Delete;
                p.state = ItemState::Deleted;
                break;
            case Local::Archived:
                p.state = ItemState::Archived;
                if (item.state == ItemState::Created && item.local) {
                    Send(p, Upload::Create, *item.local);
                } else if (in.link.left && item.base && !SameApartFromMoving(*in.link.left, *item.base)) {
                    // Edited here before its alarm was closed: the event takes the edit with the acknowledgement.
                    Send(p, Upload::Update, *in.link.left);
                    p.followSeries = true;
                } else if (localAck > item.acknowledged) {
                    p.upload = Upload::Update;
                    p.marksOnly = true;
                    p.followSeries = true;
                }
                break;
            case Local::Absent:
                break;
        }
        return p;
    }

    // The server holds another version.
    std::optional<TReminder> base = item.base;
    if (!base && item.state == ItemState::Created) base = item.local;
    const TReminder& r = rd->record;
    if (rd->done) {
        if (local == Local::Record) {
            const TReminder& l = *in.found;
            // A reminder moved to another moment here is not the one acknowledged there.
            if (base && !SameStart(l, *base) && !SameStart(l, r)) {
                Send(p, Upload::Update, l);
                p.state = ItemState::Synced;
                return p;
            }
            p.local = LocalAction::Archive;
            p.record = base ? MergeFields(*base, l, r).record : MergeUnbased(l, r);
            p.acknowledgedElsewhere = true;
            p.received = true;
        }
        p.state = ItemState::Archived;
        p.base.reset();
        return p;
    }

    switch (local) {
        case Local::Record: {
            const TReminder& l = *in.found;
            const Merged m = base ? MergeFields(*base, l, r) : Merged{MergeUnbased(l, r), false};
            if (!(m.record == l)) {
                p.local = LocalAction::Write;
                p.record = m.record;
                p.received = true;
                p.acknowledgedElsewhere = SameApartFromMoving(m.record, l);
            }
            if (m.conflict) p.conflictCopy = ConflictCopy(l);
            p.state = ItemState::Synced;
            p.base = r;
            if (!(m.record == r) || p.marks.acknowledged > rd->marks.acknowledged || snoozeToSend)
                Send(p, Upload::Update, m.record);
            break;
        }
        case Local::Deleted:
            // A local delete of an event changed on the server keeps the server's version.
            if (base && SameApartFromMoving(r, *base)) {
                p.upload = Upload::Delete;
                p.state = ItemState::Deleted;
            } else {
                TakeFromServer(p, r);
            }
            break;
        case Local::Archived:
            // Moved past the acknowledgement by someone else: it is to come again.
            if (!rd->series && StartMoment(r) > localAck) {
                TakeFromServer(p, r);
                break;
            }
            p.state = ItemState::Archived;
            p.base.reset();
            if (localAck > rd->marks.acknowledged) {
                p.upload = Upload::Update;
                p.marksOnly = true;
                p.followSeries = rd->series;
            }
            break;
        case Local::Absent:
            if (Wanted(*rd, in.now) && (item.acknowledged == 0 || StartMoment(r) > item.acknowledged))
                TakeFromServer(p, r);
            break;
    }
    return p;
}

void PairWithEvents(const std::vector<const TReminder*>& records, const std::vector<const EventReading*>& events,
                    std::vector<std::optional<std::size_t>>& pairs, std::vector<bool>& exact) {
    pairs.assign(records.size(), std::nullopt);
    exact.assign(records.size(), false);
    std::vector<const TReminder*> kalvo(events.size(), nullptr), shown(events.size(), nullptr);
    for (std::size_t j = 0; j < events.size(); ++j) {
        if (events[j]->kalvo) kalvo[j] = &*events[j]->kalvo;
        if (events[j]->usable) shown[j] = &events[j]->record;
    }
    std::vector<bool> taken(events.size(), false);
    PairBy(ExactKey, records, pairs, kalvo, taken);
    for (std::size_t i = 0; i < records.size(); ++i) exact[i] = pairs[i].has_value();
    PairBy(SteadyKey, records, pairs, kalvo, taken);
    PairBy(DateTimeTextKey, records, pairs, shown, taken);
}

}  // namespace kalvo::sync
