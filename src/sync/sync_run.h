#pragma once
// One two-way sync of a user's reminders with a calendar on a server: a blocking call, for a worker thread
// of the program and for kalvo-cli. It reads the reminder file, the hints and the sync state under the
// folder's lock, talks to the server without holding it, and writes what changed under the lock again,
// merging what another program wrote meanwhile. The program and kalvo-cli never sync the same user's
// files at once: a per-user lock (<user>.sync.lock) is held for the whole run.
//
// Writes are ordered so that a crash at any point is reconciled by the next sync, never doubled: a new
// event is recorded as pending (its UID and href chosen) before it is sent, so an unanswered create is
// looked for before it is sent again; then come the hints of what the sync changes in the list, the
// archive, the reminder file and last the sync state.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/reminder.h"
#include "storage/data_files.h"
#include "storage/file_io.h"
#include "sync/calendar_server.h"

namespace kalvo::sync {

struct SyncRequest {
    storage::DataFiles files;
    std::string calendar;          // the collection's address, as the account names it
    const Clock* clock = nullptr;  // local time; required
    // As the settings say (DeleteOldReminders): whether a reminder ended elsewhere goes to the archive here.
    // Conflicting versions always do.
    bool keepArchive = true;
    storage::Durability durability = storage::Durability::Flush;
    // UTC seconds for the stamps of what is sent; the system's clock when empty.
    std::function<std::int64_t()> utcNow;
    // For tests: called after every write to a file or to the server, with what was written ("state",
    // "server", "hints", "archive", "reminders"); a test throws from it to stop the run there, as a crash would.
    std::function<void(std::string_view)> afterWrite;
};

// A record on screen that another machine acknowledged: the program closes its strip.
struct AcknowledgedElsewhere {
    TReminder before;                // the record as this computer had it
    std::optional<TReminder> after;  // as it is now; none when it went to the archive
};

enum class SyncOutcome {
    Done,
    Busy,    // another sync of the same files is running
    Failed,  // see `failure`; what could be done was done and the rest waits for the next sync
};

struct SyncReport {
    SyncOutcome outcome = SyncOutcome::Done;
    // kalvo-cli's counts.
    int sent = 0;          // events created or changed on the server
    int received = 0;      // records added or changed here from the server
    int deletedHere = 0;   // records removed here because the server deleted their events
    int deletedThere = 0;  // events deleted on the server
    int conflicts = 0;
    std::vector<std::string> notices;  // Slovak, each to be told once: conflicts, a read-only calendar
    std::vector<AcknowledgedElsewhere> acknowledged;
    bool reminderFileChanged = false;
    // HashBytes of the reminder file as the run left it: the file on disk differs when something else
    // changed it after the run had read it, a change for the next run.
    std::uint64_t reminderFileHash = 0;
    bool archiveChanged = false;
    bool again = false;   // something is left to send: another sync soon would do it
    std::string failure;  // Slovak, when the outcome is not Done
    int requests = 0;     // calls made to the server
};

SyncReport RunSync(const SyncRequest& request, CalendarServer& server);

}  // namespace kalvo::sync
