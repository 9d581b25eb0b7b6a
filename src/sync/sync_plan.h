#pragma once
// What one sync does with each item, decided from three states of it: the base both sides last agreed
// on, the record of the reminder file it stands for now (or what became of it) and the server's event.
// Pure: the sync run reads the files and the server, asks PlanItem, and carries the plan out.
//
// The rules: a change on one side goes to the other; changes on both sides merge field by field
// (sync/field_merge.h). A local delete of an event changed on the server keeps the server's; a server
// delete of a record changed here creates it again. A reminder that ended here (archived) stays on the
// server as an acknowledged event; one acknowledged elsewhere goes to the archive here without ringing.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/reminder.h"
#include "storage/ical/event_mapping.h"
#include "sync/record_match.h"
#include "sync/sync_state.h"

namespace kalvo::sync {

using storage::ical::EventMarks;
using storage::ical::EventReading;

enum class RemoteKind {
    Unchanged,  // the server's event is the one the item's copy holds
    Changed,    // the server holds another version: `reading`
    Removed,    // the server has no event at the item's href any more
};

struct ItemInput {
    const SyncItem* item = nullptr;  // as the last sync left it
    LocalLink link;                  // where it stands in the list now (sync/record_match.h)
    const TReminder* found = nullptr;
    RemoteKind remote = RemoteKind::Unchanged;
    const EventReading* reading = nullptr;  // for Changed
    std::int64_t snoozedHere = 0;           // when the snooze of the record here ends (<user>.snooze); 0: none
    std::int64_t now = 0;                   // local moment
};

enum class LocalAction {
    Keep,     // the reminder file keeps what it has
    Write,    // the item's record becomes `record`
    Remove,   // the item's record leaves the list (deleted on the server)
    Archive,  // the item's record leaves the list for the archive as `record` (acknowledged elsewhere)
};

enum class Upload {
    None,
    Create,  // a new event: If-None-Match
    Update,  // the event patched: If-Match
    Delete,  // the event removed: If-Match
};

struct ItemPlan {
    LocalAction local = LocalAction::Keep;
    TReminder record;                       // for Write and Archive
    std::optional<TReminder> conflictCopy;  // the version of this computer, for the archive, after a conflict
    Upload upload = Upload::None;
    TReminder sent;                       // for Create and Update
    bool marksOnly = false;               // Update: only the acknowledgement and snooze change
    EventMarks marks;                     // written with Create and Update
    bool recreate = false;                // Create under a new identity: the old event was deleted
    ItemState state = ItemState::Synced;  // the item afterwards, once any upload succeeded
    std::optional<TReminder> base;        // the new base when nothing is sent
    bool drop = false;                    // the item ends: its event and its record are both gone
    bool followSeries = false;            // after the upload, the series' next occurrence comes here
    std::int64_t snooze = 0;              // the snooze of the record here afterwards; 0: none
    // For the report.
    bool received = false;               // the list takes something from the server
    bool deletedHere = false;            // the list loses a record the server deleted
    bool acknowledgedElsewhere = false;  // moved on or ended by an acknowledgement on another machine
};

ItemPlan PlanItem(const ItemInput& in);

// The local moment a record comes at (day number * 86400 + second of the day).
std::int64_t StartMoment(const TReminder& r);

// For an event the server has and no item knows: whether it becomes a reminder here. Kalvo's own events
// do unless they have ended; another program's do when they are still to come (a series always has
// its next occurrence to come), as import takes them.
bool Wanted(const EventReading& reading, std::int64_t now);

// Pairs records of the list that no item stands for with events no item knows: by the event's X-KALVO-
// record exactly, then without its moving fields, then by date, time and text. `pairs[i]` gets the
// event index for record i. `exact[i]` tells a pairing by the whole record.
void PairWithEvents(const std::vector<const TReminder*>& records, const std::vector<const EventReading*>& events,
                    std::vector<std::optional<std::size_t>>& pairs, std::vector<bool>& exact);

}  // namespace kalvo::sync
