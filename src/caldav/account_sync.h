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

#include "caldav/discovery.h"
#include "caldav/password_store.h"
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
    // The wait for an answer's first byte: a server with thousands of events takes its time to list them.
    std::chrono::milliseconds answerTimeout{180000};
};

// The runs' reports summed up: counts, notices and what was acknowledged elsewhere of every run, the
// outcome and failure of the last.
sync::SyncReport RunAccountSync(const AccountSyncRequest& request);

// What a sync did or why it failed, in one Slovak line, for the settings page and the tray.
std::string SyncResultText(const sync::SyncReport& report);

// Why a discovery found no calendar to sync, in Slovak; when the one asked for is missing, with the
// calendars that could be taken instead ("„name“  address" a line each).
QString DiscoveryFailureText(const DiscoveryResult& result);
// What the user needs to decide whether to trust a certificate the system refused: that it was refused
// (or changed since it was accepted), its SHA-256 fingerprint, whom it names, who issued it, its end.
QString CertificateText(const CertificateInfo& certificate);

// Sync turned off for the user: the account, its password in the keyring, the sync's state and hints,
// once no sync of the files runs (waited for up to `lockWait`; after that nothing is touched). The sync
// lock file stays. Empty when all is gone, else what is left, in Slovak.
QString ForgetAccount(const storage::DataFiles& files, Keyring& keyring,
                      std::chrono::milliseconds lockWait = storage::LockWait());

}  // namespace kalvo::caldav
