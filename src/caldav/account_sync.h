#pragma once
// One sync of a user's reminders with the calendar of their account, as the program's sync thread and
// kalvo-cli run it: the CalDAV client made for the account, the engine's run repeated while something is
// left to send, a wait while another sync of the same files runs, and the outcome kept in the account's
// file for the settings page. Blocking: call it on the thread that owns no windows, in a process with a
// QCoreApplication.

#include <QString>
#include <atomic>
#include <chrono>
#include <string>

#include "caldav/sync_account.h"
#include "core/clock.h"
#include "storage/data_files.h"
#include "sync/sync_run.h"

namespace kalvo::caldav {

struct AccountSyncRequest {
    storage::DataFiles files;
    SyncAccount account;
    QString password;  // from PasswordFor, read where the keyring may be asked
    bool keepArchive = true;
    const Clock* clock = nullptr;
    // Set from another thread to give up soon (the program ends).
    const std::atomic<bool>* cancelled = nullptr;
    // How long to wait while another sync of the same files runs (the program or kalvo-cli).
    std::chrono::milliseconds busyWait{60000};
    std::chrono::milliseconds requestTimeout{30000};
};

// The runs' reports summed up: counts, notices and what was acknowledged elsewhere of every run, the
// outcome and failure of the last.
sync::SyncReport RunAccountSync(const AccountSyncRequest& request);

// What a sync did or why it failed, in one Slovak line, for the settings page and the tray.
std::string SyncResultText(const sync::SyncReport& report);

}  // namespace kalvo::caldav
