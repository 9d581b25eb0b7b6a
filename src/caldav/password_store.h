#pragma once
// The sync password: kept in the system's keyring (the Secret Service through qtkeychain on Linux, the
// Credential Manager on Windows), or printed by a command the user gives (for scripts and for users of a
// password manager). Kalvo never writes it to a file. Every call is bounded in time: a keyring that is
// missing, locked or does not answer gives a Slovak message at once, never a wait without end.

#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>

#include "caldav/sync_account.h"

namespace kalvo::caldav {

struct PasswordResult {
    bool ok = false;
    QString password;
    QString message;         // Slovak, when not ok
    bool notStored = false;  // the keyring answered, and has no password for the account
};

class Keyring {
public:
    virtual ~Keyring() = default;
    virtual PasswordResult Read(const QString& key) = 0;
    // Empty when done, else a Slovak message.
    virtual QString Write(const QString& key, const QString& password) = 0;
    // Empty when the password is gone (or was never there), else a Slovak message.
    virtual QString Remove(const QString& key) = 0;
};

inline constexpr std::chrono::milliseconds kKeyringWait{10000};
inline constexpr std::chrono::milliseconds kPasswordCommandWait{60000};

// The system's keyring, waited for at most `wait` per call. Where the build has none, every call says so.
// Use it on the program's main thread (the one of its QCoreApplication) and hand the password to the sync
// thread: the Linux keyring refuses calls from other threads, since its job queue lives in one thread.
std::unique_ptr<Keyring> SystemKeyring(std::chrono::milliseconds wait = kKeyringWait);

// The name the account's password has in the keyring: "<login>@<scheme>://<host>[:port]" of the
// calendar's address (of the server's while the calendar is not known), so that every Kalvo folder with
// the same login on the same server shares it.
QString KeyringKey(const SyncAccount& account);
// Every name the password is stored by: KeyringKey, then the same for the server's address when the
// calendar lives on another host, where kalvo-cli sync-setup looks before it has found the calendar.
QStringList KeyringKeys(const SyncAccount& account);

// The password stored for the account: under the first of its names that has one (a password stored
// before the server's name was added is found under the calendar's).
PasswordResult ReadStoredPassword(const SyncAccount& account, Keyring& keyring);
// Stored under every name; empty when done, else a Slovak message.
QString StorePassword(const SyncAccount& account, Keyring& keyring, const QString& password);
// Removed under every name; empty when it is gone, else a Slovak message.
QString RemoveStoredPassword(const SyncAccount& account, Keyring& keyring);

// The first line the command prints (through the system's shell), without its line end. A command that
// fails, prints nothing or runs longer than `wait` gives a Slovak message.
PasswordResult RunPasswordCommand(const QString& command, std::chrono::milliseconds wait = kPasswordCommandWait);

// The account's password: from its command when it has one, else from the keyring. An account without a
// login needs none.
PasswordResult PasswordFor(const SyncAccount& account, Keyring& keyring,
                           std::chrono::milliseconds commandWait = kPasswordCommandWait);

}  // namespace kalvo::caldav
