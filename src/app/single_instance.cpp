#include "app/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <algorithm>

#include "platform/system_paths.h"
#include "storage/file_io.h"
#include "ui/common/app_context.h"

#ifdef _WIN32
#include <windows.h>  // first: the headers below need it

#include <sddl.h>

#include <vector>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kalvo::app {
namespace {

// The requests on the channel, one line each. "show" is what every earlier version sends.
constexpr char kShow[] = "show\n";
constexpr char kQuit[] = "quit\n";
constexpr char kEnding[] = "ending\n";
constexpr char kBusy[] = "busy\n";
constexpr char kAnswered[] = "kalvoAnswered";  // a property of a connection whose line was read

#ifdef _WIN32
// The user's security identifier as text ("S-1-5-21-..."), empty when the system does not tell it.
QString UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    QString sid;
    if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
            sid = QString::fromWCharArray(text);
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return sid;
}
#else
// A folder the user alone may write: a real folder (no link), the user's own, closed to everyone else.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat st {};
    return !path.isEmpty() && path.startsWith('/') && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}
#endif

QString InstanceId(const QString& key) {
    return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString SocketName(const QString& id) {
#ifdef _WIN32
    // A named pipe of the user's session; UserAccessOption lets no one else connect.
    return QStringLiteral("kalvo-%1-%2").arg(UserSid(), id);
#else
    return QDir(SingleInstance::InstanceFolder()).filePath(QStringLiteral("kalvo-%1.socket").arg(id));
#endif
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

QString SingleInstance::InstanceFolder() {
#ifdef _WIN32
    return {};
#else
    if (const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"); IsPrivateFolder(runtime))
        return QString::fromLocal8Bit(runtime);
    const std::filesystem::path data = UserDataFolder();
    CreatePrivateFolders(data);
    return QString::fromStdString(storage::Utf8FromPath(data));
#endif
}

SingleInstance::SingleInstance(const QString& key) {
    const QString id = InstanceId(key);
    first_ = TakeLock(id);
    const QString socketName = SocketName(id);
    if (first_) {
        Listen(socketName);
        return;
    }
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (socket.waitForConnected(1000)) {
        socket.write(kShow);
        socket.waitForBytesWritten(1000);
    }
}

bool SingleInstance::TakeLock(const QString& id) {
#ifdef _WIN32
    // The name carries the user's identity and the object opens to that user alone. An object of that
    // name this user may not open was not made by a copy of this user's: it does not keep this one out.
    const QString sid = UserSid();
    const std::wstring name = QStringLiteral("Local\\Kalvo-%1-%2").arg(sid, id).toStdWString();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring sddl = QStringLiteral("D:P(A;;GA;;;%1)").arg(sid).toStdWString();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!sid.isEmpty() &&
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    HANDLE mutex = CreateMutexW(&attributes, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (descriptor) LocalFree(descriptor);
    if (!mutex) return error == ERROR_ACCESS_DENIED;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    mutex_ = mutex;
    return true;
#else
    const QByteArray path = QFile::encodeName(QDir(InstanceFolder()).filePath(QStringLiteral("kalvo-%1.lock").arg(id)));
    lockFd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (lockFd_ < 0) return true;  // no lock to be had: better two copies than none
    while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return errno != EWOULDBLOCK;
    }
    return true;
#endif
}

void SingleInstance::Listen(const QString& socketName) {
    // Whatever a copy that ended without closing its server left behind is stale: this one has the lock.
    QLocalServer::removeServer(socketName);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(socketName);
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] { Answer(peer); });
            QObject::connect(peer, &QLocalSocket::disconnected, peer, [this, peer] { Closed(peer); });
            Answer(peer);
            if (peer->state() == QLocalSocket::UnconnectedState) Closed(peer);
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.reset();  // removes the socket
#ifdef _WIN32
    if (mutex_) CloseHandle(mutex_);
#else
    // Closing the descriptor releases the lock; the empty file may stay for the next start.
    if (lockFd_ >= 0) ::close(lockFd_);
#endif
}

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
    socket.connectToServer(SocketName(InstanceId(key)));
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
