#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include "platform/system_paths.h"
#include "storage/file_io.h"

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

}  // namespace

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
    const QString id =
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    first_ = TakeLock(id);
#ifdef _WIN32
    // A named pipe of the user's session; UserAccessOption lets no one else connect.
    const QString socketName = QStringLiteral("kalvo-%1-%2").arg(UserSid(), id);
#else
    const QString socketName = QDir(InstanceFolder()).filePath(QStringLiteral("kalvo-%1.socket").arg(id));
#endif
    if (first_) {
        Listen(socketName);
        return;
    }
    QLocalSocket socket;
    socket.connectToServer(socketName);
    if (socket.waitForConnected(1000)) {
        socket.write("show\n");
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
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (activate_) activate_();
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

}  // namespace kalvo::app
