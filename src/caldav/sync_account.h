#pragma once
// <user>.sync.ini: the sync account of one user, beside the reminder file, only once the user has set one
// up. It holds where to sync and how, never the password (that is in the system's keyring, or a command
// prints it). Keys this version does not know are kept when the file is written again.

#include <chrono>
#include <filesystem>
#include <string>

#include "storage/data_files.h"
#include "storage/file_io.h"
#include "storage/folder_lock.h"

namespace kalvo::caldav {

inline constexpr int kDefaultSyncMinutes = 15;
inline constexpr int kMinSyncMinutes = 1;
inline constexpr int kMaxSyncMinutes = 24 * 60;

struct SyncAccount {
    std::string server;        // the address the user gave
    std::string calendar;      // the calendar's own address
    std::string calendarName;  // its display name
    std::string login;         // empty: the server asks for none
    int intervalMinutes = kDefaultSyncMinutes;
    std::string passwordCommand;    // prints the password; empty: the system's keyring holds it
    std::string pinnedCertificate;  // SHA-256 of a certificate the user accepted, "AB:CD:..."

    bool operator==(const SyncAccount&) const = default;
};

std::filesystem::path SyncAccountFile(const storage::DataFiles& files);

enum class AccountState { Ok, Missing, Damaged };

struct LoadedAccount {
    AccountState state = AccountState::Missing;
    SyncAccount account;
    std::string message;  // Slovak, when damaged
};

// Damaged: the file cannot be read, or names no calendar.
LoadedAccount LoadSyncAccount(const storage::DataFiles& files);
// Written atomically under the user's sync lock, which a sync holds while it runs: waited for up to
// `lockWait`, after which the file is left as it is (kErrorLockTimeout). Line breaks in values become
// blanks (a value is one line).
storage::WriteResult SaveSyncAccount(const storage::DataFiles& files, const SyncAccount& account,
                                     std::chrono::milliseconds lockWait = storage::LockWait());
// The same by a caller that holds the user's sync lock already (`held`, on files.SyncLockFile()).
storage::WriteResult SaveSyncAccount(const storage::FileLock& held, const storage::DataFiles& files,
                                     const SyncAccount& account);
// Removes the file; a file that is not there is no failure.
storage::WriteResult RemoveSyncAccount(const storage::DataFiles& files);

// When the last sync of the account ran and how it went, kept in the account's file (the program and
// kalvo-cli both sync, and the settings page shows it).
struct LastSync {
    std::string when;    // local time, "YYYY-MM-DD HH:MM:SS"; empty: never
    bool ok = false;     // it ended without a failure
    std::string result;  // Slovak: what it did, or why it failed
};

LastSync LastSyncOf(const storage::DataFiles& files);
// Written under the user's sync lock, and only while the account exists: a sync that ends after the
// account was forgotten brings no file back.
storage::WriteResult SaveLastSync(const storage::DataFiles& files, const LastSync& last);

}  // namespace kalvo::caldav
