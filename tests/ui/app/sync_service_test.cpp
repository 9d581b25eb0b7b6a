// The program's sync (app/sync_service.h) with its windows, against a real Radicale behind the fault
// proxy: nothing written without an account, a change sent by itself some seconds later, the alarms held
// for a start's sync (and not longer than their wait), a failure told once (from the tray icon even when it
// came before the icon showed) and kept in the tooltip, lost and cut answers healed without doubles, a change
// written beside the program right after a run, a sync asked for while one runs, and snoozes made on
// another computer, which hold the alarms here.

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <thread>

#include "app/sync_service.h"
#include "caldav/sync_account.h"
#include "modal_script.h"
#include "settings/sync_test_support.h"
#include "storage/file_io.h"
#include "storage/reminder_file.h"
#include "storage/snooze_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/main_window/kalvounit.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

using namespace std::chrono_literals;

struct Program {
    UiFixture f;
    std::shared_ptr<MemoryKeyring::Store> keyring = std::make_shared<MemoryKeyring::Store>();
    QStringList told;
    std::unique_ptr<app::SyncService> sync;

    // `ownTelling`: failures are collected in `told` instead of being told as the program tells them.
    // `settings`: written before the windows are made (none: the program's defaults).
    explicit Program(app::SyncService::Options options = {}, bool ownTelling = true,
                     const TSettings* settings = nullptr) {
        if (settings) f.WriteSettings(*settings);
        f.WriteReminders({});
        f.CreateWindows();
        options.afterChange = 100ms;
        options.keyring = MemoryKeyring::Over(keyring);
        if (ownTelling) options.tellFailure = [this](const QString& text) { told << text; };
        options.requestTimeout = 3000ms;
        options.answerTimeout = 3000ms;
        sync = std::make_unique<app::SyncService>(*f.ctx, *f.windows, options);
    }
    ~Program() { sync.reset(); }

    ui::TMainForm* Main() const { return f.windows->main; }

    void Account(const QUrl& calendar, const TestServer& server) {
        caldav::SyncAccount a;
        a.server = a.calendar = calendar.toString().toStdString();
        a.login = server.User().toStdString();
        QVERIFY(caldav::SaveSyncAccount(f.ctx->files, a));
        keyring->passwords.insert(caldav::KeyringKey(a), server.Password());
    }

    void Add(const TReminder& r) {
        Main()->Store().Reminders().push_back(r);
        QVERIFY(Main()->CommitChange(true));
    }

    // Asks for a sync and waits for its end: (report, noAccount).
    std::pair<sync::SyncReport, bool> SyncNow() {
        std::optional<std::pair<sync::SyncReport, bool>> done;
        sync->SyncNow([&done](const sync::SyncReport& r, bool noAccount) { done.emplace(r, noAccount); });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(done.has_value(), 30000); }();
        return done.value_or(std::pair<sync::SyncReport, bool>{});
    }
};

const DayNumber kToday = Day(2026, 12, 7);

// Alarms without their slide, so that a test's ticks show them at once.
TSettings StillAlarms() {
    TSettings s;
    s.AnimateWindows = 0;
    return s;
}

std::int64_t Moment(int hour, int minute) { return std::int64_t{kToday} * 86400 + (hour * 60 + minute) * 60; }

// The alarms at `hour`:`minute` today, as the program's timer ticks then; the number of strips shown.
std::size_t TickAt(Program& p, int hour, int minute, std::vector<std::function<void(QWidget*)>> steps = {}) {
    const ModalScript script(std::move(steps));
    p.f.SetNow(kToday, hour, minute, 0);
    p.Main()->TestTimerTimer();
    return script.Done();
}

// Whether the strip closes by itself soon; one that does not is closed, so that the test goes on.
bool ClosesByItself(ui::TMesgPopUp* popup) {
    if (QTest::qWaitFor([popup] { return !popup->isVisible(); }, 5000)) return true;
    popup->Label9Click();
    return false;
}

std::vector<storage::PendingSnooze> SnoozeFile(const Program& p) {
    return storage::ReadSnoozeFile(p.f.ctx->files.SnoozeFile()).decoded.entries;
}

// Another computer's copy of the same account, with a folder of its own, adds `r` and sends it.
void SendFromAnotherComputer(const TestServer& server, const TReminder& r) {
    Program second;
    second.Account(server.Calendar(), server);
    second.Add(r);
    const auto [report, noAccount] = second.SyncNow();
    QVERIFY(!noAccount);
    QCOMPARE(report.sent, 1);
}

int ServerEvents(TestServer& server) {
    return static_cast<int>(QJsonDocument::fromJson(server.Command(QStringLiteral("files")).toUtf8()).object().size());
}

}  // namespace

class SyncServiceTest : public QObject {
    Q_OBJECT

private slots:
    void withoutAnAccountNothingIsWrittenAndNothingWaits() {
        Program p;
        // Every file as the program's own changes leave it.
        const auto files = [&p] {
            std::vector<std::pair<std::string, std::vector<std::uint8_t>>> all;
            for (const std::string& name : p.f.folder.Names()) all.emplace_back(name, p.f.folder.Read(name));
            return all;
        };
        p.Add(Ordinary(Day(2026, 12, 24), At(18, 0), "Večera"));
        p.Main()->Store().Snoozes().push_back({std::int64_t{86400} * Day(2026, 12, 8), storage::SnoozeKind::Event,
                                               Ordinary(Day(2026, 12, 8), At(8, 0), "Ráno")});
        QVERIFY(p.Main()->Store().SaveSnoozes());
        const auto before = files();
        QVERIFY(p.f.folder.Exists("eva.dat") && p.f.folder.Exists("eva.snooze"));

        p.sync->Start();
        p.sync->Woke();
        QVERIFY(!p.Main()->TicksHeld());
        const auto [report, noAccount] = p.SyncNow();
        QVERIFY(noAccount);
        QTest::qWait(300);  // past the pause after a change
        QVERIFY(!p.sync->Running());
        QVERIFY(files() == before);  // not a byte changed, nothing new
        QCOMPARE(p.Main()->TrayIcon->toolTip(), QStringLiteral("Kalvo"));
        QVERIFY(p.told.isEmpty());
    }

    void aChangeGoesOutByItselfAndWhatCameIsTakenIn() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        Program p;
        p.Account(server->Calendar(), *server);
        p.Add(Ordinary(Day(2026, 12, 24), At(18, 0), "Večera"));
        QTRY_COMPARE_WITH_TIMEOUT(ServerEvents(*server), 1, 20000);
        QTRY_VERIFY(!p.sync->Running());
        QCOMPARE(p.f.dialogs.shown.size(), std::size_t{0});
        const caldav::LastSync last = caldav::LastSyncOf(p.f.ctx->files);
        QVERIFY(last.ok);
        QCOMPARE(last.when, std::string("2026-12-07 09:00:00"));
        QCOMPARE(last.result, std::string("Hotovo – odoslané na server: 1."));

        // Another computer sends one more; the program's list takes it in.
        SendFromAnotherComputer(*server, Ordinary(Day(2026, 12, 25), At(12, 0), "Obed"));
        if (QTest::currentTestFailed()) return;
        QSignalSpy runs(p.sync.get(), &app::SyncService::Finished);
        const auto [report, noAccount] = p.SyncNow();
        QCOMPARE(report.received, 1);
        QCOMPARE(p.Main()->Store().Reminders().size(), std::size_t{2});
        QCOMPARE(p.Main()->Store().Reminders().back().Text, std::string("Obed"));
        // The sync's own writes to the files are no change that calls for another sync.
        QTest::qWait(600);
        QCOMPARE(runs.count(), 1);
    }

    // kalvo-cli waits for the lock the run holds and writes the file the moment the run lets it go: the
    // program takes that file in with the run's result, and the change still goes out.
    void aChangeWrittenBesideTheProgramRightAfterARunGoesOutWithTheNext() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        Program p;
        p.Account(server->Calendar(), *server);
        p.Add(Ordinary(Day(2026, 12, 24), At(18, 0), "Večera"));
        QTRY_COMPARE_WITH_TIMEOUT(ServerEvents(*server), 1, 20000);
        QTRY_VERIFY(!p.sync->Running());
        SendFromAnotherComputer(*server, Ordinary(Day(2026, 12, 25), At(12, 0), "Obed"));
        if (QTest::currentTestFailed()) return;

        // The run ends on its thread (its result is in the account's file) before the program hears of it.
        const std::string before = caldav::LastSyncOf(p.f.ctx->files).result;
        p.sync->SyncNow([](const sync::SyncReport&, bool) {});
        for (int waited = 0; caldav::LastSyncOf(p.f.ctx->files).result == before && waited < 3000; ++waited)
            std::this_thread::sleep_for(10ms);
        QCOMPARE(caldav::LastSyncOf(p.f.ctx->files).result, std::string("Hotovo – prijaté zo servera: 1."));
        const auto path = p.f.ctx->files.UserFile();
        ReminderList records = storage::ReadReminderFile(path).decoded.records;
        QCOMPARE(records.size(), std::size_t{2});
        records.push_back(Ordinary(Day(2026, 12, 26), At(10, 0), "Štefan"));
        QVERIFY(storage::WriteFileAtomically(path, *storage::EncodeReminderFile(records)));

        QTRY_COMPARE_WITH_TIMEOUT(ServerEvents(*server), 3, 20000);
        QCOMPARE(p.Main()->Store().Reminders().size(), std::size_t{3});
    }

    void theAlarmsWaitForTheStartsSyncButNotLonger() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"),
                           QStringLiteral("--proxy"))
        app::SyncService::Options options;
        options.alarmsWait = 400ms;
        Program p(options);
        p.Account(server->ProxyCalendar(), *server);
        p.sync->Start();
        QVERIFY(p.Main()->TicksHeld());
        QTRY_VERIFY_WITH_TIMEOUT(!p.sync->Running(), 20000);
        QVERIFY(!p.Main()->TicksHeld());

        // A server that stalls: the alarms go on after their wait, while the sync still waits for it.
        server->Fault(QStringLiteral("stall - 5"));
        p.sync->Woke();
        QVERIFY(p.Main()->TicksHeld());
        QVERIFY(p.sync->Running());
        QTRY_VERIFY_WITH_TIMEOUT(!p.Main()->TicksHeld(), 3000);
        QVERIFY(p.sync->Running());
        QTRY_VERIFY_WITH_TIMEOUT(!p.sync->Running(), 20000);
    }

    void aFailureIsToldOnceAndKeptInTheTooltipUntilASuccess() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"),
                           QStringLiteral("--proxy"))
        Program p;
        p.Account(server->ProxyCalendar(), *server);
        server->Fault(QStringLiteral("401 - 50"));
        for (int i = 0; i < 3; ++i) {
            const auto [report, noAccount] = p.SyncNow();
            QCOMPARE(int(report.outcome), int(sync::SyncOutcome::Failed));
        }
        QCOMPARE(p.told.size(), 1);
        QVERIFY2(p.told.front().contains(QStringLiteral("odmietol")), qPrintable(p.told.front()));
        QVERIFY(p.Main()->TrayIcon->toolTip().startsWith(QStringLiteral("Kalvo\nSynchronizácia zlyhala: ")));
        QCOMPARE(p.keyring->reads, 1);  // the password is read once, not at every try
        QVERIFY(!caldav::LastSyncOf(p.f.ctx->files).ok);

        server->Reset();
        QCOMPARE(int(p.SyncNow().first.outcome), int(sync::SyncOutcome::Done));
        QCOMPARE(p.Main()->TrayIcon->toolTip(), QStringLiteral("Kalvo"));
        // After a success the next failure is told again.
        server->Fault(QStringLiteral("401 - 50"));
        p.SyncNow();
        QCOMPARE(p.told.size(), 2);
    }

    void aFailureBeforeTheTrayIconShowsIsToldFromTheIconNotInABox() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"),
                           QStringLiteral("--proxy"))
        Program p({}, /*ownTelling=*/false);
        p.Account(server->ProxyCalendar(), *server);
        server->Fault(QStringLiteral("401 - 50"));
        // At start-up the first sync ends before the icon is shown.
        QVERIFY(!p.Main()->TrayIcon->isVisible());
        QCOMPARE(int(p.SyncNow().first.outcome), int(sync::SyncOutcome::Failed));
        QTest::qWait(200);
        p.Main()->TrayIcon->show();
        QTest::qWait(1200);
        QCOMPARE(p.f.dialogs.shown.size(), std::size_t{0});

        // Without a notification area the box is the only way, once.
        server->Reset();
        QCOMPARE(int(p.SyncNow().first.outcome), int(sync::SyncOutcome::Done));
        p.f.ctx->trayAvailable = [] { return false; };
        p.Main()->TrayIcon->hide();
        server->Fault(QStringLiteral("401 - 50"));
        p.SyncNow();
        p.SyncNow();
        QTRY_COMPARE(p.f.dialogs.shown.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(p.f.dialogs.shown.front().text).contains(QStringLiteral("zlyhala")));
    }

    void lostAndCutAnswersHealWithoutDoublesWithinFewRequests() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"),
                           QStringLiteral("--proxy"))
        Program p;
        p.Account(server->ProxyCalendar(), *server);
        QCOMPARE(int(p.SyncNow().first.outcome), int(sync::SyncOutcome::Done));

        // The upload of a change went through, but its answer says 500: the sync that follows the change
        // by itself looks before it sends again, and finds the event there.
        server->Reset();
        server->Fault(QStringLiteral("500-after PUT 1"));
        std::vector<sync::SyncOutcome> ended;
        connect(p.sync.get(), &app::SyncService::Finished, this,
                [&ended](const sync::SyncReport& r) { ended.push_back(r.outcome); });
        p.Add(Ordinary(Day(2026, 12, 24), At(18, 0), "Večera"));
        QTRY_VERIFY_WITH_TIMEOUT(!ended.empty() && !p.sync->Running(), 20000);
        QCOMPARE(int(p.SyncNow().first.outcome), int(sync::SyncOutcome::Done));
        QCOMPARE(ServerEvents(*server), 1);

        // A listing cut off halfway, then a forgotten sync token: nothing doubled on either side.
        server->Reset();
        server->Fault(QStringLiteral("cut REPORT 1"));
        p.SyncNow();
        server->Fault(QStringLiteral("forget-token REPORT 1"));
        QCOMPARE(int(p.SyncNow().first.outcome), int(sync::SyncOutcome::Done));
        QCOMPARE(ServerEvents(*server), 1);
        QCOMPARE(p.Main()->Store().Reminders().size(), std::size_t{1});
        QVERIFY2(server->RequestCount() <= 12, qPrintable(QString::number(server->RequestCount())));
        // The cut listing was told once; the next sync healed the rest without a word.
        QVERIFY2(p.told.size() == 1 && p.told.front().contains(QStringLiteral("prerušilo")),
                 qPrintable(p.told.join('|')));
        QCOMPARE(p.Main()->TrayIcon->toolTip(), QStringLiteral("Kalvo"));
    }

    void aKeyringThatRefusesIsToldAndNothingIsSent() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"),
                           QStringLiteral("--proxy"))
        Program p;
        p.Account(server->ProxyCalendar(), *server);
        p.keyring->refusal = QStringLiteral("Systémová kľúčenka neodpovedala do 10 s; je možno zamknutá.");
        const auto [report, noAccount] = p.SyncNow();
        QCOMPARE(report.failure, p.keyring->refusal.toStdString());
        QCOMPARE(server->RequestCount(), 0);
        QCOMPARE(p.told, QStringList{p.keyring->refusal});
    }

    void aSyncAskedForWhileOneRunsRunsAfterIt() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        Program p;
        p.Account(server->Calendar(), *server);
        p.sync->Start();
        QVERIFY(p.sync->Running());
        // Added while the first sync runs: the sync asked for now sends it.
        p.Add(Ordinary(Day(2026, 12, 31), At(23, 0), "Silvester"));
        const auto [report, noAccount] = p.SyncNow();
        QCOMPARE(int(report.outcome), int(sync::SyncOutcome::Done));
        QCOMPARE(ServerEvents(*server), 1);
        QTRY_VERIFY(!p.sync->Running());
        QCOMPARE(p.SyncNow().first.sent, 0);
    }

    // kalvo-cli's sync (or the folder's watch) brings the snooze another computer made while the strip of
    // that reminder shows here: the strip closes as if put off here, and the alarm comes back when the
    // snooze ends; the reminder was not acknowledged here.
    void aStripPutOffElsewhereClosesHereAndComesBackWhenTheSnoozeEnds() {
        const TSettings settings = StillAlarms();
        Program p({}, true, &settings);
        const TReminder r = Ordinary(kToday, At(9, 5), "Porada");
        p.Add(r);
        ui::TMesgPopUp* popup = p.f.windows->popup;
        bool closed = false;
        QCOMPARE(TickAt(p, 9, 5, {[&](QWidget*) {
                            storage::WriteSnoozeFile(p.f.ctx->files.SnoozeFile(),
                                                     {{Moment(9, 35), storage::SnoozeKind::Event, r}});
                            closed = ClosesByItself(popup);
                        }}),
                 std::size_t{1});
        QVERIFY(closed);
        QCOMPARE(p.f.ReadReminders().size(), std::size_t{1});
        QCOMPARE(p.f.ReadArchive().size(), std::size_t{0});
        QCOMPARE(p.Main()->Store().Snoozes().size(), std::size_t{1});

        QCOMPARE(TickAt(p, 9, 34, {[&](QWidget*) { popup->Label9Click(); }}), std::size_t{0});
        QCOMPARE(TickAt(p, 9, 35, {[&](QWidget*) { QTest::mouseClick(popup->Label9, Qt::LeftButton); }}),
                 std::size_t{1});
        QVERIFY(p.f.ReadReminders().empty());  // acknowledged now, here
        QVERIFY(SnoozeFile(p).empty());
    }

    // Two computers on one calendar: a reminder put off on the other one does not ring here before its
    // snooze ends, and a strip on show here closes when the sync brings its snooze. The program's own
    // snooze afterwards keeps what the sync wrote.
    void aSnoozeFromAnotherComputerHoldsTheAlarmHere() {
        KALVO_START_SERVER(server, "radicale", QStringLiteral("--auth"), QStringLiteral("basic"))
        const TSettings settings = StillAlarms();
        Program p({}, true, &settings);
        p.Account(server->Calendar(), *server);
        p.Add(Ordinary(kToday, At(9, 5), "Porada"));
        p.Add(Ordinary(kToday, At(9, 10), "Obed"));
        QTRY_COMPARE_WITH_TIMEOUT(ServerEvents(*server), 2, 20000);
        QTRY_VERIFY(!p.sync->Running());

        Program other;
        other.Account(server->Calendar(), *server);
        QCOMPARE(other.SyncNow().first.received, 2);
        const auto putOff = [&other](const std::string& text, std::int64_t until) {
            const ReminderList& list = other.Main()->Store().Reminders();
            const auto r = std::find_if(list.begin(), list.end(), [&](const TReminder& x) { return x.Text == text; });
            QVERIFY(r != list.end());
            other.Main()->Store().Snoozes().push_back({until, storage::SnoozeKind::Event, *r});
            QVERIFY(other.Main()->Store().SaveSnoozes());
            QCOMPARE(other.SyncNow().first.sent, 1);
        };
        putOff("Porada", Moment(9, 35));

        p.SyncNow();
        ui::TMesgPopUp* popup = p.f.windows->popup;
        QCOMPARE(TickAt(p, 9, 5, {[&](QWidget*) { popup->Label9Click(); }}), std::size_t{0});

        // "Obed" rings here; the other computer puts it off meanwhile, and the sync brings that.
        putOff("Obed", Moment(9, 40));
        bool closed = false;
        QString rang;
        QCOMPARE(TickAt(p, 9, 10, {[&](QWidget*) {
                            rang = popup->Message->toPlainText();
                            p.SyncNow();
                            closed = ClosesByItself(popup);
                        }}),
                 std::size_t{1});
        QCOMPARE(rang, QStringLiteral("Obed"));
        QVERIFY(closed);
        QCOMPARE(p.f.ReadReminders().size(), std::size_t{2});
        QCOMPARE(TickAt(p, 9, 34, {[&](QWidget*) { popup->Label9Click(); }}), std::size_t{0});

        // "Porada" comes back and is put off here for ten minutes: "Obed"'s snooze stays.
        QCOMPARE(TickAt(p, 9, 35, {[&](QWidget*) {
                            if (!p.Main()->SnoozeShownAlarm(scheduler::SnoozeRequest::ForMinutes(10)))
                                popup->Label9Click();
                        }}),
                 std::size_t{1});
        std::vector<std::pair<std::string, std::int64_t>> left;
        for (const storage::PendingSnooze& e : SnoozeFile(p)) left.emplace_back(e.record.Text, e.until);
        std::sort(left.begin(), left.end());
        QCOMPARE(left, (std::vector<std::pair<std::string, std::int64_t>>{{"Obed", Moment(9, 40)},
                                                                          {"Porada", Moment(9, 45)}}));
    }
};

KALVO_UI_TEST(SyncServiceTest)

}  // namespace kalvo::test

#include "sync_service_test.moc"
