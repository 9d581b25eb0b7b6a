#include "caldav/account_sync.h"

#include <QThread>

#include "caldav/sync_setup.h"
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
        Add(sum, std::move(run));
        if (sum.outcome != sync::SyncOutcome::Done || !sum.again || Cancelled(q)) break;
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

}  // namespace kalvo::caldav
