#include "caldav/sync_setup.h"

namespace kalvo::caldav {

ClientSettings ClientSettingsFor(const SyncAccount& account, const QString& password) {
    ClientSettings settings;
    settings.calendar = QUrl(QString::fromStdString(account.calendar));
    settings.session.login = QString::fromStdString(account.login);
    settings.session.password = password;
    settings.session.pinnedCertificate = QString::fromStdString(account.pinnedCertificate);
    return settings;
}

DiscoveryRequest DiscoveryRequestFor(const QString& address, const QString& login, const QString& password,
                                     const QString& calendarName, const QString& acceptedCertificate) {
    DiscoveryRequest request;
    request.address = AddressFromUserText(address);
    if (!calendarName.trimmed().isEmpty()) request.calendarName = calendarName.trimmed();
    request.session.login = login;
    request.session.password = password;
    request.session.pinnedCertificate = acceptedCertificate;
    return request;
}

SyncAccount AccountFromDiscovery(const DiscoveryRequest& request, const CalendarInfo& calendar,
                                 const std::string& passwordCommand) {
    SyncAccount account;
    account.server = request.address.toString().toStdString();
    account.calendar = calendar.url.toString().toStdString();
    account.calendarName = calendar.displayName.toStdString();
    account.login = request.session.login.toStdString();
    account.passwordCommand = passwordCommand;
    account.pinnedCertificate = NormalizeFingerprint(request.session.pinnedCertificate).toStdString();
    return account;
}

QString ForgetSyncAccount(const storage::DataFiles& files, Keyring& keyring) {
    const LoadedAccount loaded = LoadSyncAccount(files);
    QString message;
    if (loaded.state == AccountState::Ok && loaded.account.passwordCommand.empty() && !loaded.account.login.empty()) {
        message = RemoveStoredPassword(loaded.account, keyring);
    }
    const storage::WriteResult removed = RemoveSyncAccount(files);
    if (!removed) {
        const QString failure = QStringLiteral("Účet synchronizácie sa nedá odstrániť: %1")
                                    .arg(QString::fromStdString(storage::DescribeError(removed.errorCode)));
        message = message.isEmpty() ? failure : message + QLatin1Char('\n') + failure;
    }
    return message;
}

}  // namespace kalvo::caldav
