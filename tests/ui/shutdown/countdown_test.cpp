// The shut-down order from the settings dialog through the scheduler to the countdown strip, and the
// alarms that close themselves while an order stands.

#include <QTest>
#include <algorithm>

#include "ui/alarm/message_popup.h"
#include "ui/main_window/kalvounit.h"
#include "ui/settings/setup.h"
#include "ui/shutdown/offwin.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

constexpr int kNever = 24 * 3600 * 1000;
const DayNumber kToday = Day(2026, 12, 7);

// Orders the shut-down for today at hh:mm as a person does: settings, "Vypnutie PC", "Použiť".
void Order(UiFixture& f, int hour, int minute) {
    ui::TFormSetup* s = f.windows->setup;
    WhenModal([&] {
        QTest::mouseClick(s->BtPC, Qt::LeftButton);
        if (!s->FrPC1->CBDownPC->isChecked()) ClickBox(s->FrPC1->CBDownPC);
        s->FrPC1->DateDownPC->setDate(QDate(2026, 12, 7));
        s->FrPC1->TimeDownPC->setTime(QTime(hour, minute));
        QTest::mouseClick(s->Label11, Qt::LeftButton);
    });
    f.windows->main->Nastavenia1->trigger();
}

bool ShutDownAsked(const UiFixture& f) {
    return std::find(f.platform.calls.begin(), f.platform.calls.end(), "ShutDown") != f.platform.calls.end();
}

ui::TOffWinForm* DrivenCountdown(UiFixture& f) {
    ui::TOffWinForm* w = f.windows->offWin;
    w->TimerOffWin->setInterval(kNever);
    w->TimerShow->setInterval(kNever);
    return w;
}

}  // namespace

class CountdownTest : public QObject {
    Q_OBJECT

private slots:
    void countdownRunsOutAndShutsDown() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        ui::TOffWinForm* w = DrivenCountdown(f);
        Order(f, 9, 30);
        QVERIFY(f.windows->popup->AutoCloseAlarms);
        main->StartScheduler();

        f.SetNow(kToday, 9, 29, 59);
        main->Scheduler().Tick();
        QVERIFY(!w->isVisible());

        QStringList seen;
        WhenModal([&] {
            QVERIFY(w->isVisible());
            QCOMPARE(w->size(), QSize(473, 82));
            QCOMPARE(w->pos(), QPoint(w->TargetLeft(), w->RestTop()));
            QVERIFY(!main->SchedulerRunning());
            seen << w->LTime->text();
            w->TimerOffWinTimer();
            seen << w->LTime->text();
            UiFixture::Screenshot(w, QStringLiteral("shutdown_countdown"));
            for (int i = 2; i <= 59; ++i) w->TimerOffWinTimer();
            seen << w->LTime->text();
            QVERIFY(!ShutDownAsked(f));
            w->TimerOffWinTimer();
        });
        f.SetNow(kToday, 9, 30, 0);
        main->Scheduler().Tick();
        QCOMPARE(seen, QStringList({"60 s", "59 s", "1 s"}));
        QCOMPARE(f.platform.calls.back(), std::string("ShutDown"));
        QVERIFY(!w->isVisible());
        QVERIFY(!main->CurrentShutdownOrder().ordered);
        QVERIFY(!main->SchedulerRunning());  // the computer is going down
        QCOMPARE(f.ctx->Settings.ShutdownEnabled, std::uint8_t{0});
        QVERIFY(!f.windows->popup->AutoCloseAlarms);
    }

    void cancelLetsRemindersFireAgainAndASecondCountdownOpensWhereTheFirstStood() {
        UiFixture f;
        f.WriteReminders({Ordinary(kToday, At(9, 40), "Porada")});
        f.CreateWindows();  // windows slide in by default
        ui::TMainForm* main = f.windows->main;
        ui::TOffWinForm* w = DrivenCountdown(f);
        Order(f, 9, 30);
        main->StartScheduler();
        for (QTimer* t : {f.windows->popup->TimerShow, f.windows->popup->TimerHide}) t->setInterval(kNever);

        QPoint stood;
        WhenModal([&] {
            QCOMPARE(w->x(), w->DesktopRight() - 2);
            QVERIFY(w->TimerShow->isActive());
            for (int i = 0; i < 200 && w->TimerShow->isActive(); ++i) w->TimerShowTimer();
            QCOMPARE(w->x(), w->TargetLeft());
            QCOMPARE(w->Tag(), 2);
            for (int i = 0; i < 10; ++i) w->TimerOffWinTimer();
            stood = w->pos();
            QTest::mouseClick(w->Label9, Qt::LeftButton);
        });
        f.SetNow(kToday, 9, 30, 0);
        main->Scheduler().Tick();
        QVERIFY(!w->isVisible());
        QVERIFY(!ShutDownAsked(f));
        QVERIFY(main->SchedulerRunning());
        QVERIFY(!main->CurrentShutdownOrder().ordered);

        // Orders no longer close alarms by themselves: the reminder waits for the user.
        bool waited = false;
        WhenModal([&] {
            ui::TMesgPopUp* popup = f.windows->popup;
            waited = !popup->TimerClose->isActive();
            popup->Label9Click();
            for (int i = 0; i < 200 && popup->isVisible(); ++i) popup->TimerHideTimer();
        });
        f.SetNow(kToday, 9, 40, 0);
        main->Scheduler().Tick();
        QVERIFY(waited);

        Order(f, 9, 50);
        WhenModal([&] {
            QCOMPARE(w->pos(), stood);
            QVERIFY(!w->TimerShow->isActive());
            QCOMPARE(w->LTime->text(), QStringLiteral("60 s"));
            w->Dismiss();  // Escape cancels too
        });
        f.SetNow(kToday, 9, 50, 0);
        main->Scheduler().Tick();
        QVERIFY(!ShutDownAsked(f));
        QVERIFY(main->SchedulerRunning());
    }

    void alarmsCloseThemselvesWhileAnOrderStands() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.WriteReminders({Ordinary(kToday, At(9, 10), "Porada")});
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        Order(f, 18, 0);
        ui::TMesgPopUp* popup = f.windows->popup;
        popup->TimerClose->setInterval(kNever);
        int ticks = 0;
        WhenModal([&] {
            QVERIFY(popup->TimerClose->isActive());
            while (popup->isVisible() && ticks < 100) {
                popup->TimerCloseTimer();
                ++ticks;
            }
        });
        f.SetNow(kToday, 9, 10, 0);
        main->Scheduler().Tick();
        QCOMPARE(ticks, 90);
        QVERIFY(f.ReadReminders().empty());
    }
};

KALVO_UI_TEST(CountdownTest)

}  // namespace kalvo::test

#include "countdown_test.moc"
