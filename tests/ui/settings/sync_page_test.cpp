// "Nastavenia" > "Synchronizácia" used as a person uses it, against a real Radicale: the account tried,
// stored on "Použiť" (the password in a keyring of the test's own, never in a file), refused logins and
// keyrings told in Slovak, a self-signed certificate accepted by its fingerprint, the last sync shown.

#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "caldav/sync_account.h"
#include "storage/folder_lock.h"
#include "sync_test_support.h"
#include "ui/main_window/kalvounit.h"
#include "ui/settings/setup.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

using namespace std::chrono_literals;

void InSettings(UiFixture& f, const std::function<void(ui::TFormSetup*, ui::TFrSync*)>& steps) {
    ui::TFormSetup* setup = f.windows->setup;
    bool ran = false;
    WhenModal([&] {
        QTest::mouseClick(setup->BtSync, Qt::LeftButton);
        steps(setup, setup->FrSync1);
        ran = true;
        if (setup->isVisible()) QTest::mouseClick(setup->Label10, Qt::LeftButton);
    });
    f.windows->main->Nastavenia1->trigger();
    QVERIFY(ran);
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void Apply(ui::TFormSetup* s) { QTest::mouseClick(s->Label11, Qt::LeftButton); }

// What the page says, as read: without the zero-width spaces that let a long address break.
QString Said(const ui::TFrSync* page) { return page->LFound->text().remove(QChar(0x200B)); }

// What the page says once the try under way has answered.
QString Found(ui::TFrSync* page) {
    [page] { QTRY_VERIFY_WITH_TIMEOUT(!page->Trying(), 30000); }();
    return Said(page);
}

struct Fixture {
    UiFixture f;
    std::shared_ptr<MemoryKeyring::Store> keyring = std::make_shared<MemoryKeyring::Store>();

    Fixture() {
        f.CreateWindows();
        f.windows->setup->FrSync1->keyring = MemoryKeyring::Over(keyring);
    }
    caldav::LoadedAccount Account() const { return caldav::LoadSyncAccount(f.ctx->files); }
};

}  // namespace

class SyncPageTest : public QObject {
    Q_OBJECT

private slots:
    void thePageStandsBesideTheOthers() {
        Fixture x;
        const std::vector<std::string> files = x.f.folder.Names();
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync* page) {
            QVERIFY(page->isVisible());
            QVERIFY(!s->FrVseob1->isVisible());
            QCOMPARE(page->size(), s->FrPC1->size());
            QCOMPARE(page->pos(), s->FrPC1->pos());
            // The fifth page's name fits in the band beside the others.
            QVERIFY(s->BtSync->geometry().right() < s->width() - 2);
            QVERIFY(s->BtSync->fontMetrics().horizontalAdvance(s->BtSync->text()) + 12 <= s->BtSync->width());
            QVERIFY(Said(page).startsWith(QStringLiteral("Synchronizácia je vypnutá.")));
            QCOMPARE(page->LLast->text(), QStringLiteral("—"));
            QVERIFY(!page->BtForget->isEnabled());
            QCOMPARE(page->Interval->value(), caldav::kDefaultSyncMinutes);
            QCOMPARE(page->Password->echoMode(), QLineEdit::Password);
            UiFixture::Screenshot(s, QStringLiteral("setup-sync-off"));
        });
        // Looking does not write anything.
        QCOMPARE(x.f.folder.Names(), files);
    }

    void anAccountIsTriedThenStoredOnApply() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        Fixture x;
        QSignalSpy changed(x.f.windows->setup, &ui::TFormSetup::SyncAccountChanged);
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync* page) {
            Type(page->Server, server->Base().toString());
            Type(page->Login, server->User());
            Type(page->Password, server->Password());
            QTest::mouseClick(page->BtTry, Qt::LeftButton);
            QVERIFY(page->Trying());
            QVERIFY(!page->BtTry->isEnabled());
            const QString found = Found(page);
            QVERIFY2(found.startsWith(QStringLiteral("Nájdený kalendár „Kalvo“ – ") + server->Principal().toString()),
                     qPrintable(found));
            QVERIFY(found.endsWith(QStringLiteral("(vytvorený pre Kalvo)")));
            UiFixture::Screenshot(s, QStringLiteral("setup-sync-found"));
            page->Interval->setValue(30);
            Apply(s);
            QVERIFY(!s->isVisible());
        });
        QCOMPARE(changed.count(), 1);
        const caldav::LoadedAccount a = x.Account();
        QCOMPARE(int(a.state), int(caldav::AccountState::Ok));
        QCOMPARE(QString::fromStdString(a.account.calendarName), QStringLiteral("Kalvo"));
        QCOMPARE(a.account.login, server->User().toStdString());
        QCOMPARE(a.account.intervalMinutes, 30);
        QVERIFY(a.account.passwordCommand.empty());
        QCOMPARE(x.keyring->passwords.value(caldav::KeyringKey(a.account)), server->Password());
        const std::vector<std::uint8_t> ini = x.f.folder.Read("eva.sync.ini");
        QVERIFY(std::string(ini.begin(), ini.end()).find(server->Password().toStdString()) == std::string::npos);

        // Shown again: the account's fields, the password left in the keyring.
        InSettings(x.f, [&](ui::TFormSetup*, ui::TFrSync* page) {
            QCOMPARE(page->Server->text(), server->Base().toString());
            QVERIFY(page->Password->text().isEmpty());
#ifdef _WIN32
            QCOMPARE(page->Password->placeholderText(), QStringLiteral("v správcovi poverení"));
#else
            QCOMPARE(page->Password->placeholderText(), QStringLiteral("uložené v kľúčenke"));
#endif
            QVERIFY(Said(page).startsWith(QStringLiteral("Kalendár „Kalvo“ – ")));
            QCOMPARE(page->LLast->text(), QStringLiteral("ešte neprebehla"));
            QVERIFY(page->BtForget->isEnabled());
            // Tried again without typing the password: the keyring's is used.
            QTest::mouseClick(page->BtTry, Qt::LeftButton);
            QVERIFY(Found(page).startsWith(QStringLiteral("Nájdený kalendár „Kalvo“")));
        });
        QCOMPARE(changed.count(), 1);  // nothing changed, nothing stored again
    }

    void aRefusedLoginKeepsTheDialogOpenAndStoresNothing() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        Fixture x;
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync* page) {
            Type(page->Server, server->Calendar().toString());
            Type(page->Login, server->User());
            Type(page->Password, QStringLiteral("zle-heslo"));
            // "Použiť" tries what was not tried yet, and stays on the page with the reason.
            s->BtVseob->click();
            Apply(s);
            QVERIFY(s->isVisible());
            QVERIFY(page->isVisible());
            QVERIFY2(Said(page).contains(QStringLiteral("odmietol prihlasovacie meno alebo heslo")),
                     qPrintable(Said(page)));
            Type(page->Server, QStringLiteral("ftp://server"));
            QTest::mouseClick(page->BtTry, Qt::LeftButton);
            QVERIFY(Said(page).startsWith(QStringLiteral("Adresa servera nie je platná")));
        });
        QVERIFY(!x.f.folder.Exists("eva.sync.ini"));
        QVERIFY(x.keyring->passwords.isEmpty());
    }

    void aKeyringThatRefusesIsToldAtOnce() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        Fixture x;
        x.keyring->refusal = QStringLiteral("Systémová kľúčenka nie je dostupná alebo je zamknutá (zamknutá).");
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync* page) {
            Type(page->Server, server->Calendar().toString());
            Type(page->Login, server->User());
            Type(page->Password, server->Password());
            Apply(s);
            QVERIFY(s->isVisible());
        });
        QCOMPARE(x.f.dialogs.Count("error"), 1);
        const std::string& told = x.f.dialogs.shown.back().text;
        QVERIFY(told.find("kľúčenka nie je dostupná alebo je zamknutá") != std::string::npos);
        QVERIFY(told.find("Účet synchronizácie sa neuložil") != std::string::npos);
        QVERIFY(!x.f.folder.Exists("eva.sync.ini"));
    }

    void aSelfSignedCertificateIsAcceptedByItsFingerprint() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"),
                           QStringLiteral("--tls"))
        Fixture x;
        x.f.dialogs.answers = {false, true};  // not trusted the first time, trusted the second
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync* page) {
            Type(page->Server, server->Calendar().toString());
            Type(page->Login, server->User());
            Type(page->Password, server->Password());
            QTest::mouseClick(page->BtTry, Qt::LeftButton);
            QCOMPARE(Found(page), QStringLiteral("Certifikát servera nebol prijatý, spojenie sa nenadviazalo."));
            QTest::mouseClick(page->BtTry, Qt::LeftButton);
            QVERIFY2(Found(page).startsWith(QStringLiteral("Nájdený kalendár „Kalendár“")), qPrintable(Said(page)));
            Apply(s);
        });
        QCOMPARE(x.f.dialogs.Count("question"), 2);
        const std::string& asked = x.f.dialogs.shown.front().text;
        QVERIFY(asked.find("Odtlačok SHA-256: " + server->Fingerprint().toStdString()) != std::string::npos);
        QVERIFY(asked.find("Dôverovať tomuto certifikátu?") != std::string::npos);
        QCOMPARE(QString::fromStdString(x.Account().account.pinnedCertificate), server->Fingerprint());
    }

    void theLastSyncAndTheIntervalAreShownAndKept() {
        Fixture x;
        caldav::SyncAccount account;
        account.server = account.calendar = "http://127.0.0.1:9/kalendar/";
        account.calendarName = "Domov";
        account.passwordCommand = "echo tajne";
        account.login = "eva";
        QVERIFY(caldav::SaveSyncAccount(x.f.ctx->files, account));
        QVERIFY(caldav::SaveLastSync(x.f.ctx->files, {"2026-12-07 08:55:00", false, "Server sa nedá zastihnúť."}));
        QSignalSpy changed(x.f.windows->setup, &ui::TFormSetup::SyncAccountChanged);
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync* page) {
            QCOMPARE(page->LLast->text(), QStringLiteral("7.12.2026 8:55 – Server sa nedá zastihnúť."));
            QVERIFY(!page->Password->isEnabled());  // a command gives the password
            QCOMPARE(page->Password->placeholderText(), QStringLiteral("dáva ho príkaz"));
            UiFixture::Screenshot(s, QStringLiteral("setup-sync-account"));
            // A sync that ends while the page is on show is shown at once.
            QVERIFY(
                caldav::SaveLastSync(x.f.ctx->files, {"2026-12-07 09:00:00", true, "Hotovo – prijaté zo servera: 2."}));
            s->ShowLastSync();
            QCOMPARE(page->LLast->text(), QStringLiteral("7.12.2026 9:00 – Hotovo – prijaté zo servera: 2."));
            // A failure's reason is read whole, not cut off where the line ends.
            const QString cut =
                QStringLiteral("Spojenie so serverom kalendar.example.sk:8443 sa prerušilo pred koncom odpovede.");
            QVERIFY(caldav::SaveLastSync(x.f.ctx->files, {"2026-12-07 09:10:00", false, cut.toStdString()}));
            s->ShowLastSync();
            QCOMPARE(page->LLast->text(), QStringLiteral("7.12.2026 9:10 – ") + cut);
            const QRect needed = page->LLast->fontMetrics().boundingRect(QRect(0, 0, page->LLast->width(), 1000),
                                                                         Qt::TextWordWrap, page->LLast->text());
            QVERIFY2(needed.height() <= page->LLast->height() && page->LLast->wordWrap(),
                     qPrintable(QStringLiteral("%1 > %2").arg(needed.height()).arg(page->LLast->height())));
            UiFixture::Screenshot(s, QStringLiteral("setup-sync-failed"));
            page->Interval->setValue(60);
            Apply(s);
        });
        QCOMPARE(changed.count(), 1);
        account.intervalMinutes = 60;
        QVERIFY(x.Account().account == account);  // the command kept, the server not asked
        QCOMPARE(caldav::LastSyncOf(x.f.ctx->files).when, std::string("2026-12-07 09:10:00"));  // kept by Apply
    }

    void forgettingTurnsSyncOff() {
        Fixture x;
        caldav::SyncAccount account;
        account.server = account.calendar = "http://127.0.0.1:9/kalendar/";
        account.login = "eva";
        QVERIFY(caldav::SaveSyncAccount(x.f.ctx->files, account));
        x.keyring->passwords.insert(caldav::KeyringKey(account), QStringLiteral("tajne"));
        x.f.folder.Write("eva.sync", {1, 2, 3});
        x.f.folder.Write("eva.sync.hints", {4});
        QSignalSpy changed(x.f.windows->setup, &ui::TFormSetup::SyncAccountChanged);
        x.f.dialogs.answers = {false, true};
        InSettings(x.f, [&](ui::TFormSetup*, ui::TFrSync* page) {
            QTest::mouseClick(page->BtForget, Qt::LeftButton);  // "Nie": nothing happens
            QVERIFY(x.f.folder.Exists("eva.sync.ini"));
            QTest::mouseClick(page->BtForget, Qt::LeftButton);
            QVERIFY(Said(page).startsWith(QStringLiteral("Synchronizácia je vypnutá.")));
            QVERIFY(page->Server->text().isEmpty());
        });
        QCOMPARE(changed.count(), 1);
        QVERIFY(x.f.dialogs.shown.front().text.find("Zrušiť synchronizáciu") != std::string::npos);
        QVERIFY(x.keyring->passwords.isEmpty());
        for (const char* name : {"eva.sync.ini", "eva.sync", "eva.sync.hints"})
            QVERIFY2(!x.f.folder.Exists(name), name);
    }

    // A sync holds the user's sync lock while it runs (the program's own or kalvo-cli's): "Použiť" and
    // "Zrušiť účet" wait for it a moment, then say why nothing was stored and keep what was typed.
    void aSyncUnderWayIsWaitedForAMomentThenToldAndNothingIsLost() {
        Fixture x;
        caldav::SyncAccount account;
        account.server = account.calendar = "http://127.0.0.1:9/kalendar/";
        account.passwordCommand = "echo tajne";
        account.login = "eva";
        QVERIFY(caldav::SaveSyncAccount(x.f.ctx->files, account));
        const std::vector<std::uint8_t> stored = x.f.folder.Read("eva.sync.ini");
        ui::TFrSync* page = x.f.windows->setup->FrSync1;
        page->syncLockWait = 100ms;
        QSignalSpy changed(x.f.windows->setup, &ui::TFormSetup::SyncAccountChanged);
        x.f.dialogs.answers = {true};
        InSettings(x.f, [&](ui::TFormSetup* s, ui::TFrSync*) {
            {
                const storage::FileLock sync(x.f.ctx->files.SyncLockFile(), 0ms);
                QVERIFY(sync);
                page->Interval->setValue(45);
                Apply(s);
                QVERIFY(s->isVisible() && page->isVisible());
                QCOMPARE(page->Interval->value(), 45);
                QTest::mouseClick(page->BtForget, Qt::LeftButton);
                QCOMPARE(page->Server->text(), QString::fromStdString(account.server));
                QVERIFY(page->BtForget->isEnabled());
                QCOMPARE(x.f.folder.Read("eva.sync.ini"), stored);
            }
            // A sync that ends within the wait is waited for.
            std::thread sync([&x] {
                const storage::FileLock held(x.f.ctx->files.SyncLockFile(), 0ms);
                std::this_thread::sleep_for(100ms);
            });
            std::this_thread::sleep_for(20ms);
            page->syncLockWait = 5000ms;
            Apply(s);
            sync.join();
            QVERIFY(!s->isVisible());
        });
        QCOMPARE(x.f.dialogs.Count("error"), 2);
        for (const FakeDialogs::Shown& told : x.f.dialogs.shown)
            if (told.kind == "error")
                QVERIFY2(told.text.find("práve prebieha a neskončila") != std::string::npos, told.text.c_str());
        QVERIFY(x.f.dialogs.shown.front().text.find("Zadané údaje zostávajú vyplnené") != std::string::npos);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(x.Account().account.intervalMinutes, 45);
    }
};

KALVO_UI_TEST(SyncPageTest)

}  // namespace kalvo::test

#include "sync_page_test.moc"
