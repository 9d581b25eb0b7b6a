#include "test_server.h"

#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpSocket>

namespace kalvo::test {
namespace {

// serve.py started by the broker: the connection's first line is serve.py's arguments.
std::unique_ptr<QIODevice> ThroughBroker(const QString& broker, const QStringList& args) {
    auto socket = std::make_unique<QTcpSocket>();
    const qsizetype colon = broker.lastIndexOf(QLatin1Char(':'));
    socket->connectToHost(broker.left(colon), broker.mid(colon + 1).toUShort());
    if (!socket->waitForConnected(10000)) {
        ADD_FAILURE() << "the server broker at " << broker.toStdString() << " does not answer";
        return nullptr;
    }
    socket->write(QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + '\n');
    return socket;
}

std::unique_ptr<QIODevice> Started(const QStringList& args) {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral(KALVO_PYTHON), QStringList{QStringLiteral(KALVO_SERVE_PY)} + args);
    if (!process->waitForStarted(10000)) {
        ADD_FAILURE() << "serve.py did not start";
        return nullptr;
    }
    return process;
}

}  // namespace

std::unique_ptr<TestServer> TestServer::Start(const QString& kind, const QStringList& options) {
    std::unique_ptr<TestServer> server(new TestServer);
    const QString broker = qEnvironmentVariable("KALVO_SERVE_BROKER");
    server->channel_ =
        broker.isEmpty() ? Started(QStringList{kind} + options) : ThroughBroker(broker, QStringList{kind} + options);
    if (!server->channel_) return nullptr;
    const QString line = server->ReadLine(60000);
    server->info_ = QJsonDocument::fromJson(line.toUtf8()).object();
    if (server->info_.contains(QStringLiteral("missing"))) return nullptr;
    if (server->info_.isEmpty()) {
        ADD_FAILURE() << "serve.py " << kind.toStdString() << " gave no address: " << line.toStdString();
        return nullptr;
    }
    return server;
}

TestServer::~TestServer() {
    if (auto* process = qobject_cast<QProcess*>(channel_.get())) {
        process->closeWriteChannel();
        if (!process->waitForFinished(15000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    } else if (auto* socket = qobject_cast<QTcpSocket*>(channel_.get())) {
        // serve.py stops its server, then ends, and the broker closes the connection.
        socket->write("quit\n");
        socket->waitForBytesWritten(5000);
        if (socket->state() != QAbstractSocket::UnconnectedState) socket->waitForDisconnected(15000);
    }
}

bool TestServer::Running() const {
    if (auto* process = qobject_cast<QProcess*>(channel_.get())) return process->state() != QProcess::NotRunning;
    if (auto* socket = qobject_cast<QTcpSocket*>(channel_.get()))
        return socket->state() == QAbstractSocket::ConnectedState;
    return false;
}

QString TestServer::ReadLine(int timeoutMs) {
    while (!channel_->canReadLine()) {
        if (!Running() || !channel_->waitForReadyRead(timeoutMs)) {
            if (channel_->canReadLine()) break;
            return QString::fromUtf8(channel_->readAll()).trimmed();
        }
    }
    return QString::fromUtf8(channel_->readLine()).trimmed();
}

QString TestServer::Command(const QString& line) {
    channel_->write((line + QLatin1Char('\n')).toUtf8());
    channel_->waitForBytesWritten(5000);
    return ReadLine(60000);
}

}  // namespace kalvo::test
