// The day overview: today's rows, its countdown, and the scheduler paused while it is on screen.

#include <QTest>

#include "ui/main_window/kalvounit.h"
#include "ui/overview/prehlad.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {

class OverviewTest : public QObject {
    Q_OBJECT

private slots:
    void listsEveryKindDatedTodayAndNothingElse() {
        UiFixture f;
        const DayNumber today = Day(2026, 12, 7);
        TReminder notice = WithNotice(Ordinary(today + 3, At(10, 0), "Porada"), today, rpDaily, At(9, 0));
        TReminder nameDay = NameDay(today, At(12, 0), today - 1, At(8, 0));
        nameDay.Text = "Ambróz";
        f.WriteReminders({Ordinary(today - 1, At(9, 0), "Včera"), Ordinary(today, At(14, 30), "Zubár"), nameDay, notice,
                          Ordinary(today + 1, At(9, 0), "Zajtra")});
        f.CreateWindows();
        ui::TPlan* plan = f.windows->plan;
        plan->show();
        QCOMPARE(plan->MesgList->Rows(), QStringList({QStringLiteral("7.12.2026   14:30:00 - Zubár"),
                                                      QStringLiteral("7.12.2026   12:00:00 - Ambróz")}));
        QVERIFY(!f.windows->main->SchedulerRunning());
        UiFixture::Screenshot(plan, QStringLiteral("overview"));
        plan->Label9Click();
        QVERIFY(!plan->isVisible());
        QVERIFY(f.windows->main->SchedulerRunning());
    }

    void emptyDaySaysSoAndNamesTodayAndTomorrow() {
        UiFixture f;
        f.platform.assetFolder = KALVO_ASSET_DIR;  // the calend.dat this build made
        f.CreateWindows();
        f.windows->plan->show();
        QCOMPARE(f.windows->plan->MesgList->Rows(), QStringList{QStringLiteral(" -Žiadne pripomienky")});
        QCOMPARE(f.windows->plan->LMenoDnes->text(), QStringLiteral("Ambróz"));  // 7 December
        QCOMPARE(f.windows->plan->LZajtra->text(), QStringLiteral("Marína"));
    }

    void countsDownAndHidesAtTheLastTick() {
        UiFixture f;
        TSettings s;
        s.OverviewSeconds = 5;
        f.WriteSettings(s);
        f.CreateWindows();
        ui::TPlan* plan = f.windows->plan;
        plan->TimerHide->setInterval(24 * 3600 * 1000);
        QCOMPARE(plan->OverviewCountdown, 5);
        plan->show();
        for (int left = 4; left >= 1; --left) {
            plan->TimerHideTimer();
            QCOMPARE(plan->Label9->Text(), QStringLiteral("Zatvoriť o %1s").arg(left));
            QVERIFY(plan->isVisible());
        }
        plan->TimerHideTimer();
        QVERIFY(!plan->isVisible());
        QVERIFY(!plan->TimerHide->isActive());
        QCOMPARE(plan->Label9->Text(), QStringLiteral("Zatvoriť"));
        QVERIFY(f.windows->main->SchedulerRunning());
    }

    void keptOpenWhenAskedAndTheSchedulerWaits() {
        UiFixture f;
        TSettings s;
        s.OverviewSeconds = 1;
        f.WriteSettings(s);
        f.CreateWindows();
        ui::TPlan* plan = f.windows->plan;
        plan->show();
        plan->CBclose->setChecked(true);
        plan->TimerHideTimer();
        QVERIFY(plan->isVisible());
        QCOMPARE(plan->Label9->Text(), QStringLiteral("Zatvoriť"));
        QVERIFY(!f.windows->main->SchedulerRunning());
        QTest::keyClick(plan, Qt::Key_Escape);  // any way out starts the scheduler again
        QVERIFY(!plan->isVisible());
        QVERIFY(f.windows->main->SchedulerRunning());
    }

    void showingTheMainWindowStopsTheCountdown() {
        UiFixture f;
        TSettings s;
        s.OverviewSeconds = 20;
        f.WriteSettings(s);
        f.WriteReminders({});  // a user without a file would stop it at once, for the first-run question
        f.CreateWindows();
        f.windows->plan->show();
        QVERIFY(f.windows->plan->TimerHide->isActive());
        f.windows->main->pmObnovitClick();
        QVERIFY(!f.windows->plan->TimerHide->isActive());
        QVERIFY(f.windows->plan->isVisible());
        f.windows->plan->hide();
        f.windows->plan->ShowFromTray();  // "Dnes": afresh, without the keep-open box
        QVERIFY(!f.windows->plan->CBclose->isVisible());
        QVERIFY(!f.windows->plan->TimerHide->isActive());
    }
};

KALVO_UI_TEST(OverviewTest)

}  // namespace kalvo::test

#include "overview_test.moc"
