// The keyring on Linux: the Secret Service (GNOME Keyring, KeePassXC...) or KWallet, through qtkeychain.
#include <qt6keychain/keychain.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>

#include "caldav/password_store.h"

namespace kalvo::caldav {
namespace {

const QString kService = QStringLiteral("Kalvo");

// What a job said. Shared with the job's own handler, which may run after the caller stopped waiting.
struct JobState {
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString password;
};

// qtkeychain queues its jobs in the thread that used it first and hears of their end there: jobs from
// two threads block each other for good. Kalvo uses it from the main thread alone.
const QString kWrongThread = QStringLiteral("Systémová kľúčenka sa dá použiť len z hlavného vlákna programu.");

bool OnMainThread() {
    return QCoreApplication::instance() != nullptr &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

QString Describe(const JobState& state, std::chrono::milliseconds wait) {
    if (!state.finished) {
        return QStringLiteral("Systémová kľúčenka neodpovedala do %1 s; je možno zamknutá.")
            .arg(std::max<qint64>(1, wait.count() / 1000));
    }
    switch (state.error) {
        case QKeychain::NoError:
            return {};
        case QKeychain::EntryNotFound:
            return QStringLiteral("V systémovej kľúčenke nie je heslo k účtu synchronizácie.");
        case QKeychain::AccessDenied:
        case QKeychain::AccessDeniedByUser:
            return QStringLiteral("Systémová kľúčenka odoprela prístup k heslu; je možno zamknutá.");
        default:
            // No Secret Service on the bus, no bus at all, a keyring that cannot be unlocked here...
            return QStringLiteral(
                       "Systémová kľúčenka nie je dostupná alebo je zamknutá (%1). Heslo môže "
                       "namiesto nej vypísať príkaz.")
                .arg(state.errorText);
    }
}

class QtKeychainRing final : public Keyring {
public:
    explicit QtKeychainRing(std::chrono::milliseconds wait) : wait_(wait) {}

    PasswordResult Read(const QString& key) override {
        if (!OnMainThread()) return PasswordResult{false, {}, kWrongThread, false};
        auto* job = new QKeychain::ReadPasswordJob(kService);
        job->setKey(key);
        const auto state = Run(job, [job](JobState& s) { s.password = job->textData(); });
        PasswordResult result;
        result.ok = state->finished && state->error == QKeychain::NoError;
        result.notStored = state->finished && state->error == QKeychain::EntryNotFound;
        if (result.ok) result.password = state->password;
        result.message = Describe(*state, wait_);
        return result;
    }

    QString Write(const QString& key, const QString& password) override {
        if (!OnMainThread()) return kWrongThread;
        auto* job = new QKeychain::WritePasswordJob(kService);
        job->setKey(key);
        job->setTextData(password);
        return Describe(*Run(job, nullptr), wait_);
    }

    QString Remove(const QString& key) override {
        if (!OnMainThread()) return kWrongThread;
        auto* job = new QKeychain::DeletePasswordJob(kService);
        job->setKey(key);
        const auto state = Run(job, nullptr);
        if (state->finished && state->error == QKeychain::EntryNotFound) return {};
        return Describe(*state, wait_);
    }

private:
    // Starts the job and waits for it at most `wait_`. The job deletes itself when it ends, however late.
    template <typename Job, typename Take>
    std::shared_ptr<JobState> Run(Job* job, Take take) {
        auto state = std::make_shared<JobState>();
        job->setAutoDelete(true);
        job->setInsecureFallback(false);
        QEventLoop loop;
        QObject::connect(job, &QKeychain::Job::finished, job, [state, take, job](QKeychain::Job*) {
            state->finished = true;
            state->error = job->error();
            state->errorText = job->errorString();
            if constexpr (!std::is_same_v<Take, std::nullptr_t>) {
                if (state->error == QKeychain::NoError) take(*state);
            }
        });
        QObject::connect(job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(wait_, &loop, &QEventLoop::quit);
        job->start();
        if (!state->finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
        return state;
    }

    std::chrono::milliseconds wait_;
};

}  // namespace

std::unique_ptr<Keyring> SystemKeyring(std::chrono::milliseconds wait) {
    return std::make_unique<QtKeychainRing>(wait);
}

}  // namespace kalvo::caldav
