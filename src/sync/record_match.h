#pragma once
// Which record of the reminder file each synced item stands for now. Records have no identity of their
// own and their bytes change (an edit, a notice moving on, a yearly move), so an item is followed through
// ever looser keys, each pairing one to one (equal records are a multiset): first the exact record, then
// the hints of where records went, then the record with its moving fields left out, then its date, time
// and text. Only what is left over is a removal and an addition. The same stages pair the records of a
// first sync with the events already on the server.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/reminder.h"
#include "storage/sync_hints.h"

namespace kalvo::sync {

// The keys, strictest first. Doubles count by their bits, so a NaN from a damaged file is still itself.
std::string ExactKey(const TReminder& r);
// Without what alarms move on: the next notice, the mark of a given alarm, the year of a yearly record.
std::string SteadyKey(const TReminder& r);
std::string DateTimeTextKey(const TReminder& r);

// Equal apart from what alarms move on.
inline bool SameApartFromMoving(const TReminder& a, const TReminder& b) { return SteadyKey(a) == SteadyKey(b); }

// Pairs the entries of `a` with those of `b` whose key is equal, one to one and in order, among those not
// yet paired (`pairOfA[i]` set, `bTaken[j]` true). An entry without a key takes no part.
using KeyOf = std::string (*)(const TReminder&);
void PairBy(KeyOf key, const std::vector<const TReminder*>& a, std::vector<std::optional<std::size_t>>& pairOfA,
            const std::vector<const TReminder*>& b, std::vector<bool>& bTaken);

enum class Fate {
    Present,   // it stands for a record of the list
    Deleted,   // the user removed it
    Archived,  // it went to the archive after its alarm (or passed without one); its event stays on the server
};

struct LocalLink {
    std::optional<std::size_t> record;  // the record of the list it stands for (Present)
    Fate fate = Fate::Present;
    std::int64_t acknowledged = 0;  // the latest acknowledgement noted for it (local moment), 0 none
    std::optional<TReminder> left;  // Archived: the record as it left the list (edits since the sync included)
};

struct LocalMatch {
    std::vector<LocalLink> items;         // one per item, in the order given
    std::vector<std::size_t> newRecords;  // records of the list that no item stands for, in list order
};

// `locals[i]` is the record item i stood for when the list was last synced (null for an item without
// one: it takes no part and stays Present without a record). An item left without a record was deleted,
// unless a hint says it went to the archive, or, without any hint, its event has passed by `now` (a
// local moment): a reminder that ended is never deleted on the server. The time signal's transient record
// is never synced.
LocalMatch MatchLocal(const std::vector<const TReminder*>& locals, const ReminderList& records,
                      const std::vector<storage::SyncHint>& hints, std::int64_t now);

}  // namespace kalvo::sync
