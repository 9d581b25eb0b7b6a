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

QString DiscoveryFailure(const sync::Outcome& o) {
    if (!o.message.empty()) return Q(o.message);
    switch (o.status) {
        case ServerStatus::Unauthorized:
            return QStringLiteral("Server odmietol prihlasovacie meno alebo heslo.");
        case ServerStatus::Unreachable:
            return QStringLiteral("Server sa nedá zastihnúť.");
        default:
            return QStringLiteral("Na serveri sa nenašiel kalendár, do ktorého by Kalvo mohol zapisovať.");
    }
}

QString CertificateQuestion(const caldav::CertificateInfo& c) {
    QString text = c.changed ? QStringLiteral("Server sa preukázal iným certifikátom, než aký bol prijatý predtým.")
                             : QStringLiteral("Server sa preukázal certifikátom, ktorému systém nedôveruje.");
    text += QStringLiteral("\nOdtlačok SHA-256: %1").arg(c.sha256);
    if (!c.subject.isEmpty()) text += QStringLiteral("\nVydaný pre: %1").arg(c.subject);
    if (!c.issuer.isEmpty()) text += QStringLiteral("\nVydavateľ: %1").arg(c.issuer);
    if (c.expires.isValid())
        text += QStringLiteral("\nPlatí do: %1").arg(c.expires.toString(QStringLiteral("d.M.yyyy")));
    text += QStringLiteral(
                "\nAk je to naozaj certifikát vášho servera (overte odtlačok u jeho správcu), zopakujte príkaz s "
                "voľbou --accept-certificate %1")
                .arg(c.sha256);
    return text;
}

QString CandidatesText(const QList<caldav::CalendarInfo>& candidates) {
    if (candidates.isEmpty()) return {};
    QString text = QStringLiteral(
        "\nKalendáre na serveri, ktoré možno použiť (zvoľte jeden voľbou --calendar NÁZOV "
        "alebo zadajte jeho adresu):");
    for (const caldav::CalendarInfo& c : candidates)
        text += QStringLiteral("\n  „%1“  %2").arg(c.displayName, c.url.toString());
    return text;
}

// The password for the discovery: given, printed by the command, or already in the keyring.
PasswordResult SetupPassword(const SyncSetupArgs& args, caldav::Keyring& ring, const caldav::SyncAccount& probe) {
    if (!args.passwordCommand.empty()) return caldav::RunPasswordCommand(Q(args.passwordCommand));
    if (args.passwordGiven || args.login.empty()) return PasswordResult{true, Q(args.password), {}, false};
    return ring.Read(caldav::KeyringKey(probe));
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
    caldav::SyncAccount probe;
    probe.server = request.address.toString().toStdString();
    probe.login = args.login;
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
        return Fail(kFailed, DiscoveryFailure(found.outcome) + (found.outcome.status == ServerStatus::NotFound
                                                                    ? CandidatesText(found.candidates)
                                                                    : QString()));
    }

    caldav::SyncAccount account = caldav::AccountFromDiscovery(withPassword, *found.calendar, args.passwordCommand);
    const caldav::LoadedAccount before = caldav::LoadSyncAccount(files);
    if (before.state == caldav::AccountState::Ok) account.intervalMinutes = before.account.intervalMinutes;
    if (args.passwordGiven && args.passwordCommand.empty() && !args.login.empty()) {
        if (const QString refused = ring->Write(caldav::KeyringKey(account), password.password); !refused.isEmpty())
            return Fail(kFailed, refused + QStringLiteral(" Účet sa neuložil; heslo môže namiesto kľúčenky vypísať "
                                                          "príkaz (--password-command)."));
    }
    if (const storage::WriteResult saved = caldav::SaveSyncAccount(files, account); !saved)
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
    const storage::DataFiles files{folder, user};
    QString problems;
    const auto note = [&problems](const QString& text) {
        if (!text.isEmpty()) problems += (problems.isEmpty() ? QString() : QStringLiteral("\n")) + text;
    };
    {
        // No sync of these files runs meanwhile, so none writes its state again after it is gone.
        const storage::FileLock lock(files.SyncLockFile(), storage::LockWait());
        if (!lock)
            return Fail(kFailed, QStringLiteral("Synchronizácia týchto pripomienok práve prebieha a neskončila; "
                                                "zopakujte príkaz neskôr."));
        const std::unique_ptr<caldav::Keyring> ring = caldav::SystemKeyring();
        note(caldav::ForgetSyncAccount(files, *ring));
        for (const std::filesystem::path& file : {files.SyncStateFile(), files.SyncHintsFile()}) {
            std::error_code error;
            std::filesystem::remove(file, error);
            if (error)
                note(QStringLiteral("Súbor %1 sa nedá odstrániť (%2).")
                         .arg(Q(storage::Utf8FromPath(file)), Q(storage::DescribeError(error.value()))));
        }
    }
    std::error_code ignored;
    std::filesystem::remove(files.SyncLockFile(), ignored);
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
