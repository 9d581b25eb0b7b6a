#include "test_server.h"

#include <gtest/gtest.h>
#include <QJsonDocument>

namespace kalvo::test {

std::unique_ptr<TestServer> TestServer::Start(const QString& kind, const QStringList& options) {
    std::unique_ptr<TestServer> server(new TestServer);
    server->process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server->process_.start(QStringLiteral(KALVO_PYTHON), QStringList{QStringLiteral(KALVO_SERVE_PY), kind} + options);
    if (!server->process_.waitForStarted(10000)) {
        ADD_FAILURE() << "serve.py did not start";
        return nullptr;
    }
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
    process_.closeWriteChannel();
    if (!process_.waitForFinished(15000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString TestServer::ReadLine(int timeoutMs) {
    while (!process_.canReadLine()) {
        if (process_.state() == QProcess::NotRunning || !process_.waitForReadyRead(timeoutMs)) {
            if (process_.canReadLine()) break;
            return QString::fromUtf8(process_.readAll()).trimmed();
        }
    }
    return QString::fromUtf8(process_.readLine()).trimmed();
}

QString TestServer::Command(const QString& line) {
    process_.write((line + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(5000);
    return ReadLine(60000);
}

}  // namespace kalvo::test
