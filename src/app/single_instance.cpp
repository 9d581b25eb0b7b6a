#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace kalvo::app {

SingleInstance::SingleInstance(const QString& key) {
    const QString id =
        QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const QString name = QStringLiteral("kalvo-") + id;
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name + QStringLiteral(".lock")));
    // A lock left by a copy that crashed is taken over (QLockFile checks whether its owner still runs).
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(200);
    if (!first_) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(1000)) {
            socket.write("show\n");
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
            if (activate_) activate_();
        }
    });
}

SingleInstance::~SingleInstance() = default;

}  // namespace kalvo::app
