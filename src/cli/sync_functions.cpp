// kalvo-cli's sync commands on Qt's side: the account found and stored, forgotten, and one sync run. Every
// text for the user is Slovak.

#include <QCoreApplication>
#include <filesystem>
#include <memory>
#include <optional>

#include "caldav/account_sync.h"
#include "caldav/discovery.h"
#include "caldav/password_store.h"
#include "caldav/sync_account.h"
#include "caldav/sync_setup.h"
#include "cli/sync_module.h"
#include "core/clock.h"
#include "kalvo_version.h"
#include "storage/file_io.h"
#include "storage/folder_lock.h"
#include "storage/settings_file.h"

namespace kalvo::cli {
namespace {

using caldav::PasswordResult;
using sync::ServerStatus;

constexpr int kDone = 0, kFailed = 1, kUsage = 2;
// "namiesto ..." the keyring: Windows calls its own the Credential Manager.
#ifdef _WIN32
const QString kKeyringInstead = QStringLiteral("správcu poverení");
#else
const QString kKeyringInstead = QStringLiteral("kľúčenky");
#endif

// The network and the keyring need an application object; kalvo-cli has none of its own.
class QtRuntime {
public:
    QtRuntime() {
        if (QCoreApplication::instance() == nullptr) app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }

private:
    static inline char name_[] = "kalvo-cli";
    static inline char* argv_[] = {name_, nullptr};
    static inline int argc_ = 1;
    std::unique_ptr<QCoreApplication> app_;
};

SyncCommandOutcome Fail(int code, const QString& message) {
    SyncCommandOutcome out;
    out.exitCode = code;
    out.message = message.toStdString();
    return out;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// 32 pairs of hexadecimal digits, with or without colons between them.
bool IsSha256Fingerprint(const QString& text) {
    QString hex = text;
    hex.remove(QLatin1Char(':'));
    if (hex.size() != 64) return false;
    for (const QChar c : hex)
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))) return false;
    return true;
}

// A refused certificate, and how to accept it.
QString CertificateQuestion(const caldav::CertificateInfo& c) {
    return caldav::CertificateText(c) +
           QStringLiteral(
               "\nAk je to naozaj certifikát vášho servera (overte odtlačok u jeho správcu), zopakujte "
               "príkaz s voľbou --accept-certificate %1")
               .arg(c.sha256);
}

// The password for the discovery: given, printed by the command, or already in the keyring.
PasswordResult SetupPassword(const SyncSetupArgs& args, caldav::Keyring& ring, const caldav::SyncAccount& probe) {
    if (!args.passwordCommand.empty()) return caldav::RunPasswordCommand(Q(args.passwordCommand));
    if (args.passwordGiven || args.login.empty()) return PasswordResult{true, Q(args.password), {}, false};
    return caldav::ReadStoredPassword(probe, ring);
}

SyncCommandOutcome Setup(const SyncSetupArgs& args) {
    const QtRuntime qt;
    const storage::DataFiles files{args.folder, args.user};
    const caldav::DiscoveryRequest request = caldav::DiscoveryRequestFor(
        Q(args.address), Q(args.login), {}, Q(args.calendarName), Q(args.acceptCertificate));
    if (!request.address.isValid())
        return Fail(
            kUsage,
            QStringLiteral("Adresa „%1“ nie je adresou servera (http:// alebo https://).").arg(Q(args.address)));
    if (!args.acceptCertificate.empty() && !IsSha256Fingerprint(Q(args.acceptCertificate)))
        return Fail(kUsage, QStringLiteral("Odtlačok certifikátu „%1“ nie je odtlačkom SHA-256 (32 dvojíc "
                                           "šestnástkových číslic).")
                                .arg(Q(args.acceptCertificate)));

    const std::unique_ptr<caldav::Keyring> ring = caldav::SystemKeyring();
    const caldav::LoadedAccount before = caldav::LoadSyncAccount(files);
    caldav::SyncAccount probe;
    probe.server = request.address.toString().toStdString();
    probe.login = args.login;
    // The same account set up again: its password may be stored by its calendar's address alone.
    if (before.state == caldav::AccountState::Ok && before.account.server == probe.server &&
        before.account.login == probe.login)
        probe.calendar = before.account.calendar;
    const PasswordResult password = SetupPassword(args, *ring, probe);
    if (!password.ok) {
        if (password.notStored)
            return Fail(kUsage, QStringLiteral("Chýba heslo: zadajte ho voľbou --password-stdin (na štandardnom "
                                               "vstupe) alebo --password-command PRÍKAZ."));
        return Fail(kFailed, password.message);
    }

    caldav::DiscoveryRequest withPassword = request;
    withPassword.session.password = password.password;
    const caldav::DiscoveryResult found = caldav::DiscoverCalendar(withPassword);
    if (!found.outcome.ok() || !found.calendar) {
        if (!found.certificate.IsEmpty()) return Fail(kFailed, CertificateQuestion(found.certificate));
        QString text = caldav::DiscoveryFailureText(found);
        if (found.outcome.status == ServerStatus::NotFound && !found.candidates.isEmpty())
            text += QStringLiteral("\nZvoľte jeden z nich voľbou --calendar NÁZOV alebo zadajte jeho adresu.");
        return Fail(kFailed, text);
    }

    caldav::SyncAccount account = caldav::AccountFromDiscovery(withPassword, *found.calendar, args.passwordCommand);
    if (before.state == caldav::AccountState::Ok) account.intervalMinutes = before.account.intervalMinutes;
    // The password and the file go together, while no sync of the same files runs.
    const storage::FileLock lock(files.SyncLockFile(), storage::LockWait());
    if (!lock)
        return Fail(kFailed, lock.ErrorCode() == storage::kErrorLockTimeout
                                 ? QStringLiteral("Synchronizácia týchto pripomienok práve prebieha a neskončila; "
                                                  "účet sa neuložil, skúste to znova o chvíľu.")
                                 : QStringLiteral("Účet synchronizácie sa nepodarilo uložiť (%1).")
                                       .arg(Q(storage::DescribeError(lock.ErrorCode()))));
    if (args.passwordGiven && args.passwordCommand.empty() && !args.login.empty()) {
        if (const QString refused = caldav::StorePassword(account, *ring, password.password); !refused.isEmpty())
            return Fail(kFailed, refused + QStringLiteral(" Účet sa neuložil; heslo môže namiesto %1 vypísať "
                                                          "príkaz (--password-command).")
                                               .arg(kKeyringInstead));
    }
    if (const storage::WriteResult saved = caldav::SaveSyncAccount(lock, files, account); !saved)
        return Fail(kFailed, QStringLiteral("Účet synchronizácie sa nepodarilo uložiť do súboru %1 (%2).")
                                 .arg(Q(storage::Utf8FromPath(caldav::SyncAccountFile(files))),
                                      Q(storage::DescribeError(saved.errorCode))));
    SyncCommandOutcome out;
    out.calendar = account.calendar;
    out.name = account.calendarName;
    return out;
}

SyncCommandOutcome Forget(const std::filesystem::path& folder, const std::string& user) {
    const QtRuntime qt;
    const QString problems = caldav::ForgetAccount(storage::DataFiles{folder, user}, *caldav::SystemKeyring());
    return problems.isEmpty() ? SyncCommandOutcome{} : Fail(kFailed, problems);
}

SyncCommandOutcome Run(const std::filesystem::path& folder, const std::string& user) {
    const QtRuntime qt;
    const storage::DataFiles files{folder, user};
    const caldav::LoadedAccount loaded = caldav::LoadSyncAccount(files);
    if (loaded.state == caldav::AccountState::Missing)
        return Fail(kUsage, QStringLiteral("Používateľ %1 nemá nastavenú synchronizáciu; nastavte ju príkazom "
                                           "sync-setup ADRESA.")
                                .arg(Q(user)));
    if (loaded.state == caldav::AccountState::Damaged) return Fail(kFailed, Q(loaded.message));
    const PasswordResult password = caldav::PasswordFor(loaded.account, *caldav::SystemKeyring());
    if (!password.ok) return Fail(kFailed, password.message);

    TSettings settings;
    storage::OpenSetup(files.SetupFile(), settings);
    SystemClock clock;
    caldav::AccountSyncRequest request;
    request.files = files;
    request.account = loaded.account;
    request.password = password.password;
    request.keepArchive = settings.DeleteOldReminders == 0;
    request.clock = &clock;
    const sync::SyncReport report = caldav::RunAccountSync(request);
    if (report.outcome != sync::SyncOutcome::Done) return Fail(kFailed, Q(report.failure));
    SyncCommandOutcome out;
    out.counts = SyncCounts{report.sent, report.received, report.deletedHere, report.deletedThere, report.conflicts};
    out.notices = report.notices;
    return out;
}

}  // namespace

const SyncModule& SyncFunctions() {
    static const SyncModule table{{sizeof(SyncModule), KALVO_VERSION_TEXT}, &Setup, &Forget, &Run};
    return table;
}

}  // namespace kalvo::cli
