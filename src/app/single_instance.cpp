#include "app/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <algorithm>

#include "ui/common/app_context.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min and std::max below
#endif
#include <windows.h>
#endif

namespace kalvo::app {
namespace {

// The requests on the channel, one line each. "show" is what every earlier version sends.
constexpr char kShow[] = "show\n";
constexpr char kQuit[] = "quit\n";
constexpr char kEnding[] = "ending\n";
constexpr char kBusy[] = "busy\n";

QString ChannelName(const QString& key) {
    const QString id =
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    return QStringLiteral("kalvo-") + id;
}

std::unique_ptr<QLockFile> MakeLock(const QString& name) {
    auto lock = std::make_unique<QLockFile>(QDir::temp().filePath(name + QStringLiteral(".lock")));
    // A lock left by a copy that crashed is taken over (QLockFile checks whether its owner still runs).
    lock->setStaleLockTime(0);
    return lock;
}

int Remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// The process holding the lock, opened before it is asked to end: on Windows its files stay in use
// until the process is gone, which is a moment after it has let go of the lock.
class ProcessWatch {
public:
    explicit ProcessWatch([[maybe_unused]] qint64 pid) {
#ifdef _WIN32
        // A copy in this very process (the tests) has nothing to wait for.
        if (pid > 0 && pid != QCoreApplication::applicationPid())
            process_ = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
#endif
    }
    ~ProcessWatch() {
#ifdef _WIN32
        if (process_) CloseHandle(process_);
#endif
    }
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    bool WaitForEnd([[maybe_unused]] int ms) const {
#ifdef _WIN32
        return !process_ || WaitForSingleObject(process_, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
#else
        return true;
#endif
    }

private:
#ifdef _WIN32
    HANDLE process_ = nullptr;
#endif
};

}  // namespace

QString InstanceKey(const std::string& user, const std::filesystem::path& folder) {
    return QString::fromStdString(user) + QLatin1Char('|') + ui::PathText(folder);
}

SingleInstance::SingleInstance(const QString& key) {
    const QString name = ChannelName(key);
    lock_ = MakeLock(name);
    first_ = lock_->tryLock(200);
    if (!first_) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(1000)) {
            socket.write(kShow);
            socket.waitForBytesWritten(1000);
        }
        return;
    }
    QLocalServer::removeServer(name);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(name);
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] { Answer(peer); });
            if (peer->canReadLine()) Answer(peer);
        }
    });
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::Answer(QLocalSocket* peer) {
    while (peer->canReadLine()) {
        if (peer->readLine() == kQuit) {
            const bool ending = quit_ && quit_();
            peer->write(ending ? kEnding : kBusy);
            peer->flush();
        } else if (activate_) {
            activate_();
        }
    }
}

SingleInstance::QuitResult SingleInstance::RequestQuit(const QString& key, std::chrono::milliseconds wait) {
    const QString name = ChannelName(key);
    const std::unique_ptr<QLockFile> lock = MakeLock(name);
    if (lock->tryLock(0)) {
        lock->unlock();
        return QuitResult::NoneRunning;
    }
    qint64 pid = 0;
    QString host, application;
    lock->getLockInfo(&pid, &host, &application);
    const ProcessWatch process(pid);

    const QDeadlineTimer deadline(wait);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(Remaining(deadline))) return QuitResult::StillRunning;
    socket.write(kQuit);
    if (!socket.waitForBytesWritten(Remaining(deadline))) return QuitResult::StillRunning;
    // An earlier version takes the line for "show" and never answers.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(Remaining(deadline))) return QuitResult::StillRunning;
    if (socket.readLine() != kEnding) return QuitResult::StillRunning;

    // The lock goes with the end of the program, after its files are saved.
    while (!lock->tryLock(std::min(100, Remaining(deadline))))
        if (deadline.hasExpired()) return QuitResult::StillRunning;
    lock->unlock();
    return process.WaitForEnd(Remaining(deadline)) ? QuitResult::Ended : QuitResult::StillRunning;
}

}  // namespace kalvo::app
