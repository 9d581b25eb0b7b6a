// The sync account file and the password: the file never holds the password, keeps what it does not
// know, and the password comes from a command or the keyring within a bounded time.

#include <gtest/gtest.h>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "caldav/password_store.h"
#include "caldav/sync_account.h"
#include "caldav/sync_setup.h"
#include "support/temp_folder.h"

namespace kalvo::caldav {
namespace {

using namespace std::chrono_literals;

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

SyncAccount Sample() {
    SyncAccount a;
    a.server = "https://nas.doma:5232/";
    a.calendar = "https://nas.doma:5232/jana/kalvo/";
    a.calendarName = "Kalvo – pripomienky";
    a.login = "jana@doma.sk";
    a.intervalMinutes = 30;
    a.passwordCommand = "pass show kalvo=nas";
    a.pinnedCertificate = "AB:CD";
    return a;
}

TEST(SyncAccountTest, RoundTripKeepsUnknownKeysAndNoPassword) {
    test::TempFolder folder;
    const storage::DataFiles files{folder.Path(), "Jana"};
    EXPECT_EQ(LoadSyncAccount(files).state, AccountState::Missing);
    { std::ofstream(SyncAccountFile(files)) << "[General]\nCalendar=x\nFutureKey=kept\n"; }
    SyncAccount account = Sample();
    ASSERT_TRUE(SaveSyncAccount(files, account));
    EXPECT_EQ(SyncAccountFile(files), folder.Path() / "Jana.sync.ini");
    const LoadedAccount loaded = LoadSyncAccount(files);
    ASSERT_EQ(loaded.state, AccountState::Ok);
    EXPECT_EQ(loaded.account, account);
    const std::string text = ReadText(SyncAccountFile(files));
    EXPECT_NE(text.find("FutureKey=kept"), std::string::npos);
    EXPECT_EQ(text.find("\nPassword="), std::string::npos);  // the command only, never a password

    // A value is one line: a line break cannot smuggle in a key.
    account.calendarName = "A\nCalendar=https://evil/";
    ASSERT_TRUE(SaveSyncAccount(files, account));
    EXPECT_EQ(LoadSyncAccount(files).account.calendar, account.calendar);
    EXPECT_EQ(LoadSyncAccount(files).account.calendarName, "A Calendar=https://evil/");

    ASSERT_TRUE(RemoveSyncAccount(files));
    EXPECT_EQ(LoadSyncAccount(files).state, AccountState::Missing);
    EXPECT_TRUE(RemoveSyncAccount(files));
}

// A sync holds the user's sync lock while it runs and writes its last result into the same file: the
// account is written only under that lock, so neither write loses the other's.
TEST(SyncAccountTest, TheFileIsWrittenOnlyUnderTheSyncLock) {
    test::TempFolder folder;
    const storage::DataFiles files{folder.Path(), "Jana"};
    SyncAccount account = Sample();
    ASSERT_TRUE(SaveSyncAccount(files, account));
    const std::string before = ReadText(SyncAccountFile(files));
    {
        const storage::FileLock sync(files.SyncLockFile(), 0ms);
        ASSERT_TRUE(sync);
        account.intervalMinutes = 45;
        const storage::WriteResult refused = SaveSyncAccount(files, account, 20ms);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.errorCode, storage::kErrorLockTimeout);
        EXPECT_EQ(ReadText(SyncAccountFile(files)), before);
        EXPECT_TRUE(SaveSyncAccount(sync, files, account));  // by the lock's holder
    }
    EXPECT_EQ(LoadSyncAccount(files).account.intervalMinutes, 45);
}

TEST(SyncAccountTest, AFileWithoutACalendarIsDamagedAndBadIntervalsFallBack) {
    test::TempFolder folder;
    const storage::DataFiles files{folder.Path(), "jana"};
    std::ofstream(SyncAccountFile(files)) << "[General]\nServer=https://x/\n";
    const LoadedAccount damaged = LoadSyncAccount(files);
    EXPECT_EQ(damaged.state, AccountState::Damaged);
    EXPECT_NE(damaged.message.find("neuvádza adresu kalendára"), std::string::npos);
    for (const char* interval : {"0", "-5", "99999", "15min", ""}) {
        std::ofstream(SyncAccountFile(files))
            << "[General]\nCalendar=https://x/c/\nIntervalMinutes=" << interval << "\n";
        const LoadedAccount loaded = LoadSyncAccount(files);
        EXPECT_EQ(loaded.state, AccountState::Ok);
        EXPECT_EQ(loaded.account.intervalMinutes, kDefaultSyncMinutes) << interval;
    }
}

TEST(PasswordTest, TheKeyNamesLoginAndServer) {
    SyncAccount a = Sample();
    EXPECT_EQ(KeyringKey(a), QStringLiteral("jana@doma.sk@https://nas.doma:5232"));
    a.calendar = "http://127.0.0.1/cal/";
    EXPECT_EQ(KeyringKey(a), QStringLiteral("jana@doma.sk@http://127.0.0.1"));
}

// A provider whose calendars live on another host than the address the user typed: kalvo-cli sync-setup
// looks the password up by that address before it knows the calendar, a sync by the calendar's.
TEST(PasswordTest, ACalendarOnAnotherHostKeepsThePasswordUnderBothNames) {
    class MapKeyring final : public Keyring {
    public:
        std::map<QString, QString> passwords;
        QString refusal;
        PasswordResult Read(const QString& key) override {
            if (!refusal.isEmpty()) return {false, {}, refusal, false};
            const auto it = passwords.find(key);
            if (it == passwords.end()) return {false, {}, QStringLiteral("nie je"), true};
            return {true, it->second, {}, false};
        }
        QString Write(const QString& key, const QString& password) override {
            passwords[key] = password;
            return refusal;
        }
        QString Remove(const QString& key) override {
            passwords.erase(key);
            return refusal;
        }
    } keyring;
    SyncAccount a = Sample();
    a.passwordCommand.clear();
    a.server = "https://cloud.example/";
    a.calendar = "https://p42-caldav.cloud.example:443/jana/kalvo/";
    SyncAccount typed;  // what sync-setup knows before the discovery
    typed.server = a.server;
    typed.login = a.login;

    // Stored before the server's name was added: still found by the calendar's.
    keyring.passwords[KeyringKey(a)] = QStringLiteral("staré");
    EXPECT_EQ(PasswordFor(a, keyring).password, QStringLiteral("staré"));
    EXPECT_TRUE(PasswordFor(typed, keyring).notStored);

    EXPECT_EQ(StorePassword(a, keyring, QStringLiteral("nové")), QString());
    EXPECT_EQ(PasswordFor(a, keyring).password, QStringLiteral("nové"));
    EXPECT_EQ(PasswordFor(typed, keyring).password, QStringLiteral("nové"));
    // A locked keyring is told as such, not as a password missing under the other name.
    keyring.refusal = QStringLiteral("zamknutá");
    EXPECT_EQ(PasswordFor(a, keyring).message, QStringLiteral("zamknutá"));
    keyring.refusal.clear();

    EXPECT_EQ(RemoveStoredPassword(a, keyring), QString());
    EXPECT_TRUE(keyring.passwords.empty());
}

#ifndef _WIN32
TEST(PasswordTest, ACommandPrintsThePassword) {
    const PasswordResult ok = RunPasswordCommand(QStringLiteral("printf 'tajné heslo\\ndruhý riadok\\n'"));
    EXPECT_TRUE(ok.ok) << ok.message.toStdString();
    EXPECT_EQ(ok.password, QStringLiteral("tajné heslo"));

    const PasswordResult failed = RunPasswordCommand(QStringLiteral("echo 'trezor je zamknutý' >&2; exit 3"));
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message, QStringLiteral("Príkaz na heslo zlyhal (kód 3): trezor je zamknutý"));

    EXPECT_EQ(RunPasswordCommand(QStringLiteral("true")).message,
              QStringLiteral("Príkaz na heslo nevypísal nijaké heslo."));

    const auto start = std::chrono::steady_clock::now();
    const PasswordResult slow = RunPasswordCommand(QStringLiteral("sleep 30"), 300ms);
    EXPECT_FALSE(slow.ok);
    EXPECT_NE(slow.message.indexOf(QStringLiteral("neskončil")), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}
#else
// cmd prints in the console's code page unless told otherwise; Slovak letters must come through either way.
TEST(PasswordTest, ACommandPrintsThePasswordWithItsLetters) {
    const PasswordResult ok = RunPasswordCommand(QStringLiteral("echo tajné heslo čaj& echo druhý riadok"));
    EXPECT_TRUE(ok.ok) << ok.message.toStdString();
    EXPECT_EQ(ok.password, QStringLiteral("tajné heslo čaj"));

    const PasswordResult failed = RunPasswordCommand(QStringLiteral("echo trezor je zamknutý 1>&2 & exit 3"));
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message, QStringLiteral("Príkaz na heslo zlyhal (kód 3): trezor je zamknutý"));
}
#endif

#ifndef _WIN32
class RecordingKeyring final : public Keyring {
public:
    QStringList asked;
    PasswordResult Read(const QString& key) override {
        asked << key;
        return PasswordResult{true, QStringLiteral("z kľúčenky"), {}, false};
    }
    QString Write(const QString&, const QString&) override { return {}; }
    QString Remove(const QString&) override { return {}; }
};

TEST(PasswordTest, TheCommandGoesBeforeTheKeyringAndNoLoginNeedsNoPassword) {
    RecordingKeyring keyring;
    SyncAccount a = Sample();
    a.passwordCommand = "echo z-prikazu";
    EXPECT_EQ(PasswordFor(a, keyring).password, QStringLiteral("z-prikazu"));
    EXPECT_TRUE(keyring.asked.isEmpty());
    a.passwordCommand.clear();
    EXPECT_EQ(PasswordFor(a, keyring).password, QStringLiteral("z kľúčenky"));
    EXPECT_EQ(keyring.asked, QStringList{KeyringKey(a)});
    a.login.clear();
    const PasswordResult none = PasswordFor(a, keyring);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.password.isEmpty());
}
#endif

TEST(SyncSetupTest, TheAccountFromADiscoveryGivesTheClientAndIsForgottenWithItsPassword) {
    test::TempFolder folder;
    const storage::DataFiles files{folder.Path(), "jana"};
    const DiscoveryRequest request = DiscoveryRequestFor(QStringLiteral(" nas.doma:8443 "), QStringLiteral("jana"),
                                                         QStringLiteral("heslo"), {}, QStringLiteral("ab:cd:ef"));
    EXPECT_EQ(request.calendarName, QStringLiteral("Kalvo"));
    CalendarInfo calendar;
    calendar.url = QUrl(QStringLiteral("https://nas.doma:8443/dav/jana/kalvo/"));
    calendar.displayName = QStringLiteral("Kalvo");
    const SyncAccount account = AccountFromDiscovery(request, calendar);
    EXPECT_EQ(account.server, "https://nas.doma:8443");
    EXPECT_EQ(account.calendar, "https://nas.doma:8443/dav/jana/kalvo/");
    EXPECT_EQ(account.pinnedCertificate, "AB:CD:EF");
    EXPECT_EQ(account.intervalMinutes, kDefaultSyncMinutes);

    const ClientSettings settings = ClientSettingsFor(account, QStringLiteral("heslo"));
    EXPECT_EQ(settings.calendar, calendar.url);
    EXPECT_EQ(settings.session.login, QStringLiteral("jana"));
    EXPECT_EQ(settings.session.pinnedCertificate, QStringLiteral("AB:CD:EF"));

    class ForgettingKeyring final : public Keyring {
    public:
        QStringList removed;
        PasswordResult Read(const QString&) override { return {}; }
        QString Write(const QString&, const QString&) override { return {}; }
        QString Remove(const QString& key) override {
            removed << key;
            return {};
        }
    } keyring;
    ASSERT_TRUE(SaveSyncAccount(files, account));
    EXPECT_EQ(ForgetSyncAccount(files, keyring), QString());
    EXPECT_EQ(keyring.removed, QStringList{QStringLiteral("jana@https://nas.doma:8443")});
    EXPECT_EQ(LoadSyncAccount(files).state, AccountState::Missing);
    EXPECT_EQ(ForgetSyncAccount(files, keyring), QString());  // nothing left: no failure
}

// The system keyring as tests/sync/with_keyring.py sets it up (KALVO_TEST_KEYRING): a Secret Service of
// the test's own, unlocked or locked; or none at all (no session bus). "windows": the Credential Manager.
std::string KeyringUnderTest() {
    const char* mode = std::getenv("KALVO_TEST_KEYRING");
    return mode == nullptr ? std::string() : std::string(mode);
}

TEST(SystemKeyringTest, StoresReadsAndRemovesAPassword) {
    if (KeyringUnderTest() != "unlocked" && KeyringUnderTest() != "windows")
        GTEST_SKIP() << "needs tests/sync/with_keyring.py, or Windows' Credential Manager";
    const auto keyring = SystemKeyring(5s);
    const QString key = QStringLiteral("jana@https://nas.doma");
    EXPECT_EQ(keyring->Remove(key), QString());  // left by a run that was stopped halfway
    const PasswordResult before = keyring->Read(key);
    EXPECT_FALSE(before.ok);
    EXPECT_TRUE(before.notStored) << before.message.toStdString();
    EXPECT_EQ(keyring->Write(key, QStringLiteral("Ťažké heslo 🙂")), QString());
    const PasswordResult read = keyring->Read(key);
    ASSERT_TRUE(read.ok) << read.message.toStdString();
    EXPECT_EQ(read.password, QStringLiteral("Ťažké heslo 🙂"));
    EXPECT_FALSE(keyring->Read(QStringLiteral("ina@https://nas.doma")).ok);

#ifndef _WIN32
    // Another thread is refused at once rather than blocking the keyring's queue for good.
    PasswordResult onWorker;
    QThread* worker = QThread::create([&] { onWorker = SystemKeyring(5s)->Read(key); });
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    delete worker;
    EXPECT_FALSE(onWorker.ok);
    EXPECT_NE(onWorker.message.indexOf(QStringLiteral("hlavného vlákna")), -1);
    EXPECT_TRUE(keyring->Read(key).ok);
#endif

    EXPECT_EQ(keyring->Remove(key), QString());
    EXPECT_TRUE(keyring->Read(key).notStored);
    EXPECT_EQ(keyring->Remove(key), QString());  // gone already: no failure
}

TEST(SystemKeyringTest, AMissingOrLockedKeyringAnswersAtOnce) {
    const std::string mode = KeyringUnderTest();
    if (mode != "locked" && mode != "none") GTEST_SKIP() << "needs a locked or missing keyring";
    const auto keyring = SystemKeyring(800ms);
    const auto start = std::chrono::steady_clock::now();
    const PasswordResult read = keyring->Read(QStringLiteral("jana@https://nas.doma"));
    const QString written = keyring->Write(QStringLiteral("jana@https://nas.doma"), QStringLiteral("x"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    EXPECT_FALSE(read.ok);
    EXPECT_FALSE(read.message.isEmpty());
    EXPECT_FALSE(written.isEmpty());
    EXPECT_NE(written.indexOf(QStringLiteral("kľúčenk")), -1) << written.toStdString();
}

}  // namespace
}  // namespace kalvo::caldav
