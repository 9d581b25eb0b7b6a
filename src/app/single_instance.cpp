#include "app/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <algorithm>

#include "ui/common/app_context.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kalvo::app {
namespace {

// The requests on the channel, one line each. "show" is what every earlier version sends.
constexpr char kShow[] = "show\n";
constexpr char kQuit[] = "quit\n";
constexpr char kEnding[] = "ending\n";
constexpr char kBusy[] = "busy\n";
constexpr char kAnswered[] = "kalvoAnswered";  // a property of a connection whose line was read

QString ChannelName(const QString& key) {
    const QString id =
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    return QStringLiteral("kalvo-") + id;
}

int Remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// The process at the other end of a connection to the running copy, opened before it is asked to end:
// on Windows its files stay in use until the process is gone, a moment after it has closed the channel.
class ServerProcess {
public:
    explicit ServerProcess([[maybe_unused]] const QLocalSocket& socket) {
#ifdef _WIN32
        ULONG pid = 0;
        // A copy in this very process (the tests) has nothing to wait for.
        if (GetNamedPipeServerProcessId(reinterpret_cast<HANDLE>(socket.socketDescriptor()), &pid) &&
            pid != QCoreApplication::applicationPid())
            process_ = OpenProcess(SYNCHRONIZE, FALSE, pid);
#endif
    }
    ~ServerProcess() {
#ifdef _WIN32
        if (process_) CloseHandle(process_);
#endif
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

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
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name + QStringLiteral(".lock")));
    // A lock left by a copy that crashed is taken over (QLockFile checks whether its owner still runs).
    lock_->setStaleLockTime(0);
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
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] { Answer(peer); });
            QObject::connect(peer, &QLocalSocket::disconnected, peer, [this, peer] { Closed(peer); });
            Answer(peer);
            if (peer->state() == QLocalSocket::UnconnectedState) Closed(peer);
        }
    });
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::Answer(QLocalSocket* peer) {
    while (peer->canReadLine()) {
        peer->setProperty(kAnswered, true);
        if (peer->readLine() == kQuit) {
            const bool ending = quit_ && quit_();
            peer->write(ending ? kEnding : kBusy);
            peer->flush();
        } else if (activate_) {
            activate_();
        }
    }
}

void SingleInstance::Closed(QLocalSocket* peer) {
    Answer(peer);
    // A second start writes its line and ends at once, and a Windows pipe may lose the line with its
    // writer: a connection that said nothing asks to be shown, as every connection did before.
    if (!peer->property(kAnswered).toBool()) {
        peer->setProperty(kAnswered, true);
        if (activate_) activate_();
    }
    peer->deleteLater();
}

SingleInstance::QuitResult SingleInstance::RequestQuit(const QString& key, std::chrono::milliseconds wait) {
    const QDeadlineTimer deadline(wait);
    QLocalSocket socket;
    // No one listens: no copy runs (or one crashed and left its channel behind).
    socket.connectToServer(ChannelName(key));
    if (!socket.waitForConnected(Remaining(deadline))) return QuitResult::NoneRunning;
    const ServerProcess process(socket);
    socket.write(kQuit);
    if (!socket.waitForBytesWritten(Remaining(deadline))) return QuitResult::StillRunning;
    // An earlier version takes the line for "show" and never answers.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(Remaining(deadline))) return QuitResult::StillRunning;
    if (socket.readLine() != kEnding) return QuitResult::StillRunning;
    // The program closes its channel at the very end, after its files are saved.
    if (socket.state() != QLocalSocket::UnconnectedState && !socket.waitForDisconnected(Remaining(deadline)))
        return QuitResult::StillRunning;
    return process.WaitForEnd(Remaining(deadline)) ? QuitResult::Ended : QuitResult::StillRunning;
}

}  // namespace kalvo::app
