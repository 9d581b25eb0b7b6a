#pragma once
// What the sync's window tests share: a keyring of the test's own, kept in memory (or refusing, as a
// locked one does), and a real CalDAV server started by tests/sync/serve.py.

#include <QMap>
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "caldav/password_store.h"
#include "test_server.h"

namespace kalvo::test {

class MemoryKeyring final : public caldav::Keyring {
public:
    struct Store {
        QMap<QString, QString> passwords;
        QString refusal;  // set: every call is refused with it, as by a locked keyring
        int reads = 0;
    };

    explicit MemoryKeyring(std::shared_ptr<Store> store) : store_(std::move(store)) {}

    caldav::PasswordResult Read(const QString& key) override {
        ++store_->reads;
        if (!store_->refusal.isEmpty()) return {false, {}, store_->refusal, false};
        if (!store_->passwords.contains(key))
            return {false, {}, QStringLiteral("V systémovej kľúčenke nie je heslo k účtu synchronizácie."), true};
        return {true, store_->passwords.value(key), {}, false};
    }
    QString Write(const QString& key, const QString& password) override {
        if (!store_->refusal.isEmpty()) return store_->refusal;
        store_->passwords.insert(key, password);
        return {};
    }
    QString Remove(const QString& key) override {
        if (!store_->refusal.isEmpty()) return store_->refusal;
        store_->passwords.remove(key);
        return {};
    }

    // A factory for the page and the service, all sharing `store`.
    static std::function<std::unique_ptr<caldav::Keyring>()> Over(const std::shared_ptr<Store>& store) {
        return [store] { return std::make_unique<MemoryKeyring>(store); };
    }

private:
    std::shared_ptr<Store> store_;
};

// The server, or a skip where its program is not installed (a failed start fails the test).
#define KALVO_START_SERVER(var, kind, ...)                                                                   \
    std::unique_ptr<TestServer> var = TestServer::Start(QStringLiteral(kind), {__VA_ARGS__});                \
    if (!var) {                                                                                              \
        if (QStandardPaths::findExecutable(QStringLiteral(kind)).isEmpty()) QSKIP(kind " is not installed"); \
        QFAIL("the CalDAV server did not start");                                                            \
    }

}  // namespace kalvo::test
