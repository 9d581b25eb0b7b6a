#pragma once
// What the settings page and kalvo-cli do with an account: the client made from it, the account made
// from a discovery, and the account forgotten with its password.

#include <QString>

#include "caldav/caldav_client.h"
#include "caldav/discovery.h"
#include "caldav/password_store.h"
#include "caldav/sync_account.h"

namespace kalvo::caldav {

// The client's settings for the account's calendar; `password` from PasswordFor.
ClientSettings ClientSettingsFor(const SyncAccount& account, const QString& password);

// The discovery's request for what the user gave: the address as typed, the login and the password, the
// calendar's name ("Kalvo" when empty) and a certificate fingerprint the user has accepted.
DiscoveryRequest DiscoveryRequestFor(const QString& address, const QString& login, const QString& password,
                                     const QString& calendarName = {}, const QString& acceptedCertificate = {});

// The account to save after a discovery found `calendar`. The interval starts at its default.
SyncAccount AccountFromDiscovery(const DiscoveryRequest& request, const CalendarInfo& calendar,
                                 const std::string& passwordCommand = {});

// Removes the account file and the account's password from the keyring (when it is kept there). Empty
// when both are gone, else a Slovak message; the file is removed even when the keyring fails.
QString ForgetSyncAccount(const storage::DataFiles& files, Keyring& keyring);

}  // namespace kalvo::caldav
