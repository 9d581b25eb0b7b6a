#pragma once
// The settings dialog's "Synchronizácia" page: the calendar server, the login and the password (kept in
// the system's keyring, never in a file), a button that tries them and says what it found, how often to
// sync, and when the last sync ran and how it went. The account is stored on "Použiť".

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "caldav/discovery.h"
#include "caldav/password_store.h"
#include "caldav/sync_account.h"
#include "ui/common/app_context.h"

class QThread;

namespace kalvo::ui {

class TFrSync : public QFrame {
    Q_OBJECT
public:
    explicit TFrSync(AppContext& ctx, QWidget* parent = nullptr);
    ~TFrSync() override;

    // The fields as the account's file has them.
    void FormShow();
    // What the account's file says of the last sync.
    void ShowLastSync();
    // Stores what the page holds when it differs from the account (trying it first when that was not
    // done); false, with the reason on the page or in a message, when it cannot be stored.
    bool Apply();
    // Tries the server, login and password and shows what was found; the answer comes later.
    void TryClick();
    void ForgetClick();
    bool Trying() const { return thread_ != nullptr; }

    // The keyring, asked on the main thread; the system's unless a test gives its own.
    std::function<std::unique_ptr<caldav::Keyring>()> keyring;
    // How long storing or forgetting the account waits for a sync that holds the user's sync lock; the
    // window does not answer meanwhile, so not long.
    std::chrono::milliseconds syncLockWait{2000};

    QLineEdit* Server;
    QLineEdit* Login;
    QLineEdit* Password;
    QPushButton* BtTry;
    QLabel* LFound;
    QSpinBox* Interval;
    QPushButton* BtForget;
    QLabel* LLast;

signals:
    // The account was stored or forgotten: the sync starts over with it.
    void AccountChanged();

private:
    struct Found {
        QString server, login, password;  // as the fields held them
        caldav::DiscoveryRequest request;
        caldav::CalendarInfo calendar;
    };

    void Build();
    // Starts the discovery on a thread of its own; `then` runs on this thread with what it found.
    void Discover(const std::function<void(const caldav::DiscoveryResult&)>& then);
    // Shows the result; true when a calendar was found. Asks about a refused certificate.
    bool Take(const caldav::DiscoveryResult& result, bool& askAgain);
    // The password to try: as typed, or the stored one when the field was left empty.
    std::optional<QString> PasswordToTry();
    bool FieldsChanged() const;
    bool FoundMatchesFields() const;
    void Say(const QString& text, bool problem);
    // Stores the account under the user's sync lock, with `password` in the keyring unless a command gives it.
    bool Store(const caldav::SyncAccount& account, const QString& password);
    // Why the account was not stored (an error code of the lock or the write); the fields keep what was typed.
    void TellNotStored(int errorCode);

    AppContext& ctx_;
    caldav::LoadedAccount loaded_;
    std::optional<Found> found_;
    QString acceptedCertificate_;
    QThread* thread_ = nullptr;
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace kalvo::ui
