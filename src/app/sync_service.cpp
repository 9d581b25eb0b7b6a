#include "app/sync_service.h"

#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/program_windows.h"
#include "caldav/account_sync.h"
#include "storage/file_io.h"
#include "storage/file_stamp.h"
#include "ui/main_window/kalvounit.h"
#include "ui/settings/setup.h"

namespace kalvo::app {
namespace {

constexpr std::chrono::milliseconds kLookEvery{3000};  // a look at the reminder file's size and time
constexpr std::chrono::milliseconds kBusyRetry{3000};  // kalvo-cli syncs the same files
constexpr std::chrono::milliseconds kCancelWait{5000};
// At start-up the tray icon shows only after the first sync has ended or waited its time: a failure waits
// for the icon this long before it is told in a box instead.
constexpr std::chrono::milliseconds kTrayTry{500};
constexpr int kTrayTries = 20;

// Size and time only: reading the bytes for the hash every few seconds would cost more than it tells.
storage::FileStamp StampOnDisk(const std::filesystem::path& path) {
    std::error_code error;
    storage::FileStamp stamp;
    stamp.size = std::filesystem::file_size(path, error);
    if (error) return storage::MissingStamp();
    stamp.modified = std::filesystem::last_write_time(path, error);
    if (error) return storage::MissingStamp();
    stamp.exists = true;
    return stamp;
}

sync::SyncReport Failure(const QString& text) {
    sync::SyncReport report;
    report.outcome = sync::SyncOutcome::Failed;
    report.failure = text.toStdString();
    return report;
}

}  // namespace

SyncService::SyncService(ui::AppContext& ctx, ProgramWindows& windows) : SyncService(ctx, windows, Options{}) {}

SyncService::SyncService(ui::AppContext& ctx, ProgramWindows& windows, Options options)
    : ctx_(ctx), windows_(windows), options_(std::move(options)) {
    if (!options_.keyring) options_.keyring = [] { return caldav::SystemKeyring(); };
    if (!options_.tellFailure) {
        // After the caller has finished: a message box has an event loop of its own.
        options_.tellFailure = [this](const QString& text) {
            QTimer::singleShot(0, this, [this, text] { TellFromTray(text, kTrayTries); });
        };
    }
    for (QTimer* t : {&changeTimer_, &timer_, &alarmsTimer_}) t->setSingleShot(true);
    connect(&changeTimer_, &QTimer::timeout, this, [this] { Request(false); });
    connect(&timer_, &QTimer::timeout, this, [this] { Request(false); });
    connect(&alarmsTimer_, &QTimer::timeout, this, &SyncService::ReleaseAlarms);
    connect(&lookTimer_, &QTimer::timeout, this, &SyncService::LookAtFile);
    snoozesSeen_ = StampOnDisk(ctx_.files.SnoozeFile());
    lookTimer_.start(kLookEvery);
    connect(windows_.main, &ui::TMainForm::FilesSaved, this, &SyncService::ChangeSaved);
    connect(windows_.main, &ui::TMainForm::OutsideChangesTaken, this, &SyncService::OutsideChange);
    connect(windows_.setup, &ui::TFormSetup::SyncAccountChanged, this, &SyncService::AccountChanged);
    connect(this, &SyncService::Finished, windows_.setup, &ui::TFormSetup::ShowLastSync);
}

SyncService::~SyncService() {
    *cancelled_ = true;
    if (thread_) {
        thread_->disconnect(this);
        thread_->wait(static_cast<unsigned long>(kCancelWait.count()));
        if (thread_->isFinished()) delete thread_;
        // A thread that still has not ended is left to end with the process rather than blocking its end.
    }
    if (windows_.main) windows_.main->HoldTicks(false);
}

bool SyncService::Enabled() const { return storage::FileExists(caldav::SyncAccountFile(ctx_.files)); }

void SyncService::Start() {
    if (Enabled()) Request(true);
}

void SyncService::Woke() {
    if (Enabled()) Request(true);
}

void SyncService::ChangeSaved() {
    if (Enabled() && !changeTimer_.isActive()) changeTimer_.start(options_.afterChange);
}

void SyncService::OutsideChange() {
    // While a run writes the files, their change is most likely its own: End looks at its report.
    if (thread_) outsideDuringRun_ = true;
    else ChangeSaved();
}

void SyncService::SyncNow(Done done) {
    waiting_.push_back(std::move(done));
    Request(false);
}

void SyncService::AccountChanged() {
    told_.clear();
    passwordKey_.clear();
    password_.clear();
    retry_ = std::chrono::milliseconds{0};
    windows_.main->SetSyncProblem({});
    if (Enabled()) {
        Request(false);
    } else {
        changeTimer_.stop();
        timer_.stop();
    }
}

void SyncService::WaitForAlarms(std::chrono::milliseconds wait) {
    if (!runHolds_ && !holdAlarms_) return;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&alarmsTimer_, &QTimer::timeout, &loop, &QEventLoop::quit);
    const QMetaObject::Connection ended = connect(this, &SyncService::Finished, &loop, [this, &loop] {
        if (!runHolds_ && !holdAlarms_) loop.quit();
    });
    limit.start(wait);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    disconnect(ended);
}

void SyncService::Request(bool holdAlarms) {
    if (holdAlarms) {
        holdAlarms_ = true;
        windows_.main->HoldTicks(true);
        if (!alarmsTimer_.isActive()) alarmsTimer_.start(options_.alarmsWait);
    }
    if (thread_) {
        again_ = true;
        return;
    }
    Begin();
}

caldav::PasswordResult SyncService::Password(const caldav::SyncAccount& account) {
    const QString key = caldav::KeyringKey(account);
    if (!account.login.empty() && key == passwordKey_) return caldav::PasswordResult{true, password_, {}, false};
    const std::unique_ptr<caldav::Keyring> ring = options_.keyring();
    caldav::PasswordResult p = caldav::PasswordFor(account, *ring);
    if (p.ok && !account.login.empty()) {
        passwordKey_ = key;
        password_ = p.password;
    }
    return p;
}

void SyncService::Begin() {
    changeTimer_.stop();
    timer_.stop();
    again_ = false;
    runHolds_ = holdAlarms_;
    holdAlarms_ = false;
    attached_ = std::move(waiting_);
    waiting_.clear();

    const caldav::LoadedAccount loaded = caldav::LoadSyncAccount(ctx_.files);
    if (loaded.state == caldav::AccountState::Missing) {
        // Forgotten meanwhile (kalvo-cli): nothing to do, and nothing is written.
        for (const Done& done : attached_) done(sync::SyncReport{}, true);
        attached_.clear();
        windows_.main->SetSyncProblem({});
        ReleaseAlarms();
        return;
    }
    if (loaded.state == caldav::AccountState::Damaged)
        return End(nullptr, std::make_shared<sync::SyncReport>(Failure(QString::fromStdString(loaded.message))));
    const caldav::SyncAccount& account = loaded.account;
    intervalMinutes_ = account.intervalMinutes;
    caldav::AccountSyncRequest q;
    q.files = ctx_.files;
    q.account = account;
    q.keepArchive = ctx_.Settings.DeleteOldReminders == 0;
    q.clock = &ctx_.clock;
    q.cancelled = cancelled_.get();
    q.requestTimeout = options_.requestTimeout;
    q.answerTimeout = options_.answerTimeout;
    // A password command may take its time: it runs on the sync's thread. The keyring is asked here.
    if (account.passwordCommand.empty()) {
        const caldav::PasswordResult p = Password(account);
        if (!p.ok) return End(nullptr, std::make_shared<sync::SyncReport>(Failure(p.message)));
        q.password = p.password;
    }
    auto report = std::make_shared<sync::SyncReport>();
    thread_ = QThread::create([q, report, cancelled = cancelled_]() mutable {
        if (!q.account.passwordCommand.empty()) {
            const caldav::PasswordResult p =
                caldav::RunPasswordCommand(QString::fromStdString(q.account.passwordCommand));
            if (!p.ok) {
                *report = Failure(p.message);
                return;
            }
            q.password = p.password;
        }
        *report = caldav::RunAccountSync(q);
    });
    QThread* started = thread_;
    connect(started, &QThread::finished, this, [this, started, report] { End(started, report); });
    started->start();
}

void SyncService::End(QThread* thread, const std::shared_ptr<sync::SyncReport>& report) {
    if (thread) {
        thread->wait();
        delete thread;
        thread_ = nullptr;
    }
    std::vector<Done> answered = std::move(attached_);
    attached_.clear();
    if (report->outcome == sync::SyncOutcome::Busy) {
        // kalvo-cli syncs the same files (where it cannot ask this program): once more in a moment.
        waiting_.insert(waiting_.begin(), answered.begin(), answered.end());
        holdAlarms_ = holdAlarms_ || runHolds_;
        runHolds_ = false;
        Schedule(kBusyRetry);
        return;
    }
    Apply(*report);
    fileSeen_ = StampOnDisk(ctx_.files.UserFile());
    snoozesSeen_ = StampOnDisk(ctx_.files.SnoozeFile());
    // kalvo-cli may have changed the file after the run read it, even after the run wrote it and before
    // Apply took the file in without a word: the file the run left tells.
    const bool changedSince =
        report->outcome == sync::SyncOutcome::Done &&
        storage::HashBytes(storage::ReadFileBytes(ctx_.files.UserFile()).bytes) != report->reminderFileHash;
    if (changedSince || (outsideDuringRun_ && !report->reminderFileChanged && !report->archiveChanged)) ChangeSaved();
    outsideDuringRun_ = false;
    for (const Done& done : answered) done(*report, false);
    if (runHolds_) {
        runHolds_ = false;
        if (!holdAlarms_) ReleaseAlarms();
    }
    emit Finished(*report);

    const bool failed = report->outcome != sync::SyncOutcome::Done;
    const bool moved = report->sent + report->received + report->deletedHere + report->deletedThere > 0;
    if (again_) {
        Schedule(std::chrono::milliseconds{0});
    } else if (failed) {
        retry_ = retry_.count() == 0 ? options_.firstRetry : std::min(retry_ * 2, Interval());
        Schedule(std::min(retry_, Interval()));
    } else {
        retry_ = std::chrono::milliseconds{0};
        Schedule(report->again && moved ? options_.afterChange : Interval());
    }
}

void SyncService::Apply(const sync::SyncReport& report) {
    ui::TMainForm* main = windows_.main;
    // Before the folder's watch does it, so that the sync's own writes do not count as another change;
    // the snoozes too, which the report does not count.
    main->TakeOutsideChanges();
    for (const sync::AcknowledgedElsewhere& a : report.acknowledged) main->CloseAlarmOf(a.before);
    if (!report.notices.empty()) {
        std::string text;
        for (const std::string& notice : report.notices) text += (text.empty() ? "" : "\n\n") + notice;
        QTimer::singleShot(0, this, [this, text] { ctx_.dialogs.Inform("Kalvo – synchronizácia", text); });
    }
    if (report.outcome == sync::SyncOutcome::Done) {
        told_.clear();
        main->SetSyncProblem({});
        return;
    }
    const QString failure = QString::fromStdString(report.failure);
    main->SetSyncProblem(failure);
    if (failure != told_) {
        told_ = failure;
        options_.tellFailure(failure);
    }
}

void SyncService::TellFromTray(const QString& text, int triesLeft) {
    ui::TMainForm* main = windows_.main;
    if (main->TrayAvailable() && main->TrayIcon->isVisible()) {
        main->TrayIcon->showMessage(QStringLiteral("Kalvo – synchronizácia"), text, QSystemTrayIcon::Warning, 15000);
        return;
    }
    if (main->TrayAvailable() && triesLeft > 0) {
        QTimer::singleShot(kTrayTry, this, [this, text, triesLeft] { TellFromTray(text, triesLeft - 1); });
        return;
    }
    ctx_.dialogs.ShowError("Kalvo", "Synchronizácia s kalendárom zlyhala:\n" + text.toStdString() +
                                        "\n\nKalvo pracuje ďalej a zmeny odošle, keď bude server dostupný.");
}

void SyncService::ReleaseAlarms() {
    alarmsTimer_.stop();
    ui::TMainForm* main = windows_.main;
    if (!main->TicksHeld()) return;
    main->HoldTicks(false);
    main->TickSoon();
}

void SyncService::LookAtFile() {
    if (!Enabled()) return;
    if (const storage::FileStamp snoozes = StampOnDisk(ctx_.files.SnoozeFile()); snoozes != snoozesSeen_) {
        snoozesSeen_ = snoozes;
        windows_.main->TakeOutsideChanges();
    }
    if (thread_ || !fileSeen_.exists || changeTimer_.isActive()) return;
    if (StampOnDisk(ctx_.files.UserFile()) != fileSeen_) ChangeSaved();
}

void SyncService::Schedule(std::chrono::milliseconds after) {
    if (!Enabled()) return;
    timer_.start(after);
}

std::chrono::milliseconds SyncService::Interval() const { return std::chrono::minutes(intervalMinutes_); }

}  // namespace kalvo::app
