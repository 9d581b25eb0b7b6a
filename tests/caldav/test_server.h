#pragma once
// A real CalDAV server for one test, run by tests/sync/serve.py (Radicale or Xandikos on a random loopback
// port with a temporary storage folder, optionally behind the fault proxy). The server lives as long as
// this object: the destructor closes serve.py's standard input, which stops the server by its pid.
//
// A Windows test under Wine cannot start serve.py itself: tests/sync/serve_broker.py starts it on the
// build machine instead and names itself in KALVO_SERVE_BROKER ("127.0.0.1:PORT"); the test then talks
// to serve.py through a loopback connection as it would through serve.py's standard input and output.

#include <QIODevice>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

namespace kalvo::test {

class TestServer {
public:
    // Null when the server's program is not installed (the test then skips); a failed start fails the test.
    static std::unique_ptr<TestServer> Start(const QString& kind, const QStringList& options = {});
    ~TestServer();

    QUrl Base() const { return Url("base"); }
    QUrl Principal() const { return Url("principal"); }
    QUrl Calendar() const { return Url("calendar"); }
    QUrl Proxy() const { return Url("proxy"); }
    QUrl ProxyCalendar() const { return Url("proxy_calendar"); }
    QString User() const { return info_.value(QStringLiteral("user")).toString(); }
    QString Password() const { return info_.value(QStringLiteral("password")).toString(); }
    QString Fingerprint() const { return info_.value(QStringLiteral("fingerprint")).toString(); }
    QString Storage() const { return info_.value(QStringLiteral("storage")).toString(); }

    // One command of serve.py and its one-line answer.
    QString Command(const QString& line);
    void Fault(const QString& spec) { Command(QStringLiteral("fault ") + spec); }
    int RequestCount() { return Command(QStringLiteral("count")).toInt(); }
    void Reset() { Command(QStringLiteral("reset")); }

private:
    TestServer() = default;
    QUrl Url(const char* key) const { return QUrl(info_.value(QLatin1String(key)).toString()); }
    QString ReadLine(int timeoutMs);
    bool Running() const;

    std::unique_ptr<QIODevice> channel_;  // serve.py's standard input and output, or the broker's connection
    QJsonObject info_;
};

}  // namespace kalvo::test
