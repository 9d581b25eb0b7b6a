// A build without a keyring library: the password must come from a command.
#include "caldav/password_store.h"

namespace kalvo::caldav {
namespace {

const QString kMissing =
    QStringLiteral("Táto zostava Kalva nemá prístup k systémovej kľúčenke. Zadajte príkaz, ktorý heslo vypíše.");

class NoKeyring final : public Keyring {
public:
    PasswordResult Read(const QString&) override { return PasswordResult{false, {}, kMissing, false}; }
    QString Write(const QString&, const QString&) override { return kMissing; }
    QString Remove(const QString&) override { return {}; }
};

}  // namespace

std::unique_ptr<Keyring> SystemKeyring(std::chrono::milliseconds) { return std::make_unique<NoKeyring>(); }

}  // namespace kalvo::caldav
