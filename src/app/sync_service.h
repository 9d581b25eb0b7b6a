#pragma once
// The program's calendar sync: when it runs (at start, some seconds after each change, on the account's
// interval, after a wake, when kalvo-cli asks over D-Bus), each run on a thread of its own with a CalDAV
// client of its own, and what the windows do with the result (the files taken in, a strip closed when
// its reminder was acknowledged or put off elsewhere, a failure told once and kept in the tray icon's
// tooltip).
// Nothing happens, and no file is touched, while the user has no sync account.

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "caldav/password_store.h"
#include "caldav/sync_account.h"
#include "storage/file_stamp.h"
#include "sync/sync_run.h"
#include "ui/common/app_context.h"

class QThread;

namespace kalvo::app {

class ProgramWindows;

class SyncService : public QObject {
    Q_OBJECT
public:
    struct Options {
        std::chrono::milliseconds afterChange{5000};      // a sync follows a change after this pause
        std::chrono::milliseconds alarmsWait{5000};       // alarms wait at most this long for a sync
        std::chrono::milliseconds firstRetry{60000};      // after a failure; doubled up to the interval
        std::chrono::milliseconds requestTimeout{30000};  // the longest silence of the server
        std::chrono::milliseconds answerTimeout{180000};  // ... between a request and its answer
        // The keyring, asked on the main thread; the system's by default.
        std::function<std::unique_ptr<caldav::Keyring>()> keyring;
        // How a failure is told (once); by default a message from the tray icon, or a message box where
        // there is no tray.
        std::function<void(const QString&)> tellFailure;
    };

    // What a run that was asked for ended with: `noAccount` when there was none to run.
    using Done = std::function<void(const sync::SyncReport& report, bool noAccount)>;

    SyncService(ui::AppContext& ctx, ProgramWindows& windows, Options options);
    SyncService(ui::AppContext& ctx, ProgramWindows& windows);
    // Gives up a run under way (its requests end soon) and waits for its thread.
    ~SyncService() override;

    // The user has an account (its file exists).
    bool Enabled() const;
    // At start: a sync, which holds the alarms until it ends or `alarmsWait` passes.
    void Start();
    // After a wake from sleep: the same, before what fell due meanwhile fires.
    void Woke();
    // A run that starts after this call (the one under way may have missed the latest change); `done`
    // gets its report.
    void SyncNow(Done done);
    // Waits in a local event loop until no run that holds the alarms is under way, at most `wait`: at
    // start-up, before the day overview lists what was missed.
    void WaitForAlarms(std::chrono::milliseconds wait);
    bool Running() const { return thread_ != nullptr; }
    // The account was set up, changed or forgotten on the settings page.
    void AccountChanged();

signals:
    // A run ended; the account's file holds its time and result.
    void Finished(const kalvo::sync::SyncReport& report);

private:
    void ChangeSaved();
    // Another process changed the files: kalvo-cli (where it cannot ask this program), or the sync itself.
    void OutsideChange();
    void Request(bool holdAlarms);
    void Begin();
    void End(QThread* thread, const std::shared_ptr<sync::SyncReport>& report);
    void Apply(const sync::SyncReport& report);
    // From the tray icon, once it is shown (waiting for it `triesLeft` more times); else in a box.
    void TellFromTray(const QString& text, int triesLeft);
    void ReleaseAlarms();
    void Schedule(std::chrono::milliseconds after);
    std::chrono::milliseconds Interval() const;
    // The account's password, from the keyring on this thread (once; kept while the program runs).
    caldav::PasswordResult Password(const caldav::SyncAccount& account);

    ui::AppContext& ctx_;
    ProgramWindows& windows_;
    Options options_;
    QTimer changeTimer_;  // some seconds after a change
    QTimer timer_;        // the account's interval, or the retry after a failure
    QTimer alarmsTimer_;  // the longest the alarms wait
    // The reminder file as the last run left it. A change that reached the file by a way the program did not
    // hear of (kalvo-cli writing beside it while the folder's watch was busy) is found by a look every few
    // seconds and synced like any other. The snooze file too, which kalvo-cli's sync may change alone: what
    // changed there is taken in, with no sync of its own.
    QTimer lookTimer_;
    storage::FileStamp fileSeen_;
    storage::FileStamp snoozesSeen_;
    void LookAtFile();
    QThread* thread_ = nullptr;
    // Shared with the run's thread, which may outlive this object by a moment at the program's end.
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    bool again_ = false;       // another run was asked for while one was under way
    bool holdAlarms_ = false;  // the next run holds the alarms
    bool runHolds_ = false;    // the run under way holds them
    bool outsideDuringRun_ = false;
    std::vector<Done> waiting_;   // for the next run
    std::vector<Done> attached_;  // for the run under way
    QString told_;                // the failure told last; empty after a success
    std::chrono::milliseconds retry_{0};
    QString passwordKey_;
    QString password_;
    int intervalMinutes_ = caldav::kDefaultSyncMinutes;
};

}  // namespace kalvo::app
