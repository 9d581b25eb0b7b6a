#include "caldav/account_sync.h"

#include <QThread>
#include <algorithm>
#include <iterator>

#include "caldav/sync_setup.h"
#include "storage/file_io.h"
#include "storage/folder_lock.h"
#include "storage/snooze_file.h"

namespace kalvo::caldav {
namespace {

// A run that leaves something to send is followed at once by another, a few times at most.
constexpr int kMaxRuns = 3;
constexpr std::chrono::milliseconds kBusyPause{200};

void Add(sync::SyncReport& sum, sync::SyncReport&& run) {
    sum.outcome = run.outcome;
    sum.failure = std::move(run.failure);
    sum.again = run.again;
    sum.sent += run.sent;
    sum.received += run.received;
    sum.deletedHere += run.deletedHere;
    sum.deletedThere += run.deletedThere;
    sum.conflicts += run.conflicts;
    sum.requests += run.requests;
    sum.reminderFileChanged = sum.reminderFileChanged || run.reminderFileChanged;
    sum.reminderFileHash = run.reminderFileHash;
    sum.archiveChanged = sum.archiveChanged || run.archiveChanged;
    for (std::string& notice : run.notices) sum.notices.push_back(std::move(notice));
    for (sync::AcknowledgedElsewhere& a : run.acknowledged) sum.acknowledged.push_back(std::move(a));
}

bool Cancelled(const AccountSyncRequest& q) { return q.cancelled != nullptr && q.cancelled->load(); }

}  // namespace

sync::SyncReport RunAccountSync(const AccountSyncRequest& q) {
    ClientSettings settings = ClientSettingsFor(q.account, q.password);
    settings.session.cancelled = q.cancelled;
    settings.session.timeout = q.requestTimeout;
    settings.session.answerTimeout = q.answerTimeout;
    CalDavClient client(settings);

    sync::SyncRequest request;
    request.files = q.files;
    request.calendar = q.account.calendar;
    request.clock = q.clock;
    request.keepArchive = q.keepArchive;

    sync::SyncReport sum;
    const auto waitEnds = std::chrono::steady_clock::now() + q.busyWait;
    for (int runs = 0; runs < kMaxRuns;) {
        sync::SyncReport run = sync::RunSync(request, client);
        if (run.outcome == sync::SyncOutcome::Busy && std::chrono::steady_clock::now() < waitEnds && !Cancelled(q)) {
            QThread::msleep(static_cast<unsigned long>(kBusyPause.count()));
            continue;
        }
        ++runs;
        // A run that moved nothing (a calendar that may only be read) would do the same again.
        const bool moved = run.sent + run.received + run.deletedHere + run.deletedThere > 0;
        Add(sum, std::move(run));
        if (sum.outcome != sync::SyncOutcome::Done || !sum.again || !moved || Cancelled(q)) break;
    }

    if (q.clock != nullptr && sum.outcome != sync::SyncOutcome::Busy) {
        const LocalMoment now = q.clock->Now();
        SaveLastSync(q.files, LastSync{storage::FormatSnoozeMoment(std::int64_t{now.day} * 86400 + now.SecondOfDay()),
                                       sum.outcome == sync::SyncOutcome::Done, SyncResultText(sum)});
    }
    return sum;
}

std::string SyncResultText(const sync::SyncReport& r) {
    if (r.outcome != sync::SyncOutcome::Done) return r.failure;
    std::string text;
    const auto part = [&text](int count, const char* what) {
        if (count == 0) return;
        text += (text.empty() ? "" : ", ") + std::string(what) + std::to_string(count);
    };
    part(r.sent, "odoslané na server: ");
    part(r.received, "prijaté zo servera: ");
    part(r.deletedHere, "zmazané tu: ");
    part(r.deletedThere, "zmazané na serveri: ");
    part(r.conflicts, "konflikty: ");
    if (text.empty()) return "Bez zmien, všetko je zosúladené.";
    return "Hotovo – " + text + ".";
}

QString DiscoveryFailureText(const DiscoveryResult& result) {
    const sync::Outcome& o = result.outcome;
    QString text;
    if (!o.message.empty()) {
        text = QString::fromStdString(o.message);
    } else if (o.status == sync::ServerStatus::Unauthorized) {
        text = QStringLiteral("Server odmietol prihlasovacie meno alebo heslo.");
    } else if (o.status == sync::ServerStatus::Unreachable) {
        text = QStringLiteral("Server sa nedá zastihnúť.");
    } else {
        text = QStringLiteral("Na serveri sa nenašiel kalendár, do ktorého by Kalvo mohol zapisovať.");
    }
    if (o.status == sync::ServerStatus::NotFound && !result.candidates.isEmpty()) {
        text += QStringLiteral("\nKalendáre na serveri, ktoré možno použiť:");
        for (const CalendarInfo& c : result.candidates)
            text += QStringLiteral("\n  „%1“  %2").arg(c.displayName, c.url.toString());
    }
    return text;
}

QString CertificateText(const CertificateInfo& c) {
    QString text = c.changed ? QStringLiteral("Server sa preukázal iným certifikátom, než aký bol prijatý predtým.")
                             : QStringLiteral("Server sa preukázal certifikátom, ktorému systém nedôveruje.");
    text += QStringLiteral("\nOdtlačok SHA-256: %1").arg(c.sha256);
    if (!c.subject.isEmpty()) text += QStringLiteral("\nVydaný pre: %1").arg(c.subject);
    if (!c.issuer.isEmpty()) text += QStringLiteral("\nVydavateľ: %1").arg(c.issuer);
    if (c.expires.isValid())
        text += QStringLiteral("\nPlatí do: %1").arg(c.expires.toString(QStringLiteral("d.M.yyyy")));
    return text;
}

QString ForgetAccount(const storage::DataFiles& files, Keyring& keyring, std::chrono::milliseconds lockWait) {
    const std::filesystem::path sideFiles[] = {files.SyncStateFile(), files.SyncHintsFile()};
    // Never set up: nothing to wait for, and no lock file made for it.
    if (!storage::FileExists(SyncAccountFile(files)) &&
        std::none_of(std::begin(sideFiles), std::end(sideFiles), storage::FileExists))
        return {};
    // No sync of these files runs meanwhile, so none writes its state again once it is gone. The lock file
    // itself stays: it holds nothing, and another process may have it open (on Windows it could not even
    // be removed then), where a new one would let two syncs run at once.
    const storage::FileLock lock(files.SyncLockFile(), lockWait);
    if (!lock)
        return lock.ErrorCode() == storage::kErrorLockTimeout
                   ? QStringLiteral(
                         "Synchronizácia týchto pripomienok práve prebieha a neskončila; skúste to "
                         "znova o chvíľu.")
                   : QStringLiteral("Účet synchronizácie sa nedá zrušiť (%1).")
                         .arg(QString::fromStdString(storage::DescribeError(lock.ErrorCode())));
    QString problems = ForgetSyncAccount(files, keyring);
    for (const std::filesystem::path& file : sideFiles) {
        std::error_code error;
        std::filesystem::remove(file, error);
        if (!error) continue;
        if (!problems.isEmpty()) problems += QLatin1Char('\n');
        problems += QStringLiteral("Súbor %1 sa nedá odstrániť (%2).")
                        .arg(QString::fromStdString(storage::Utf8FromPath(file)),
                             QString::fromStdString(storage::DescribeError(error.value())));
    }
    return problems;
}

}  // namespace kalvo::caldav
