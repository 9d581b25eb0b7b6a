// The start of the program with damaged files: while a message of the start waits on screen, nothing of
// the half-built program runs, and the program works once the start is over.

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "storage/reminder_file.h"
#include "storage/snooze_file.h"
#include "ui/main_window/kalvounit.h"
#include "ui/overview/prehlad.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

// The timers of every window that would fire while a message box runs its own event loop.
std::vector<QTimer*> ArmedTimers() {
    std::vector<QTimer*> armed;
    for (QWidget* w : QApplication::topLevelWidgets())
        for (QTimer* t : w->findChildren<QTimer*>())
            if (t->isActive()) armed.push_back(t);
    return armed;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void nothingRunsWhileAMessageOfTheStartWaits() {
        UiFixture f;
        const DayNumber today = Day(2026, 12, 7);
        auto user = *storage::EncodeReminderFile({Ordinary(today, At(9, 0), "Teraz"), Ordinary(today + 1, At(8, 0))});
        user.resize(user.size() - 5);  // a disk error took the end
        f.folder.Write("eva.dat", user);
        const std::string snooze = "2026-02-30 09:00:00\tevent\t00\n";
        f.folder.Write("eva.snooze", std::vector<std::uint8_t>(snooze.begin(), snooze.end()));
        int messages = 0;
        f.dialogs.whileShown = [&](const FakeDialogs::Shown&) {
            ++messages;
            // Nothing is armed that could fire while the box waits for the user.
            const std::vector<QTimer*> armed = ArmedTimers();
            for (const QTimer* t : armed) QFAIL(qPrintable(QStringLiteral("armed in ") + t->parent()->objectName()));
        };
        f.CreateWindows();
        f.dialogs.whileShown = nullptr;
        QCOMPARE(messages, 2);
        ui::TMainForm* main = f.windows->main;
        QVERIFY(!main->SchedulerRunning());

        // Once started, the overview counts down and the scheduler takes over when it goes.
        ui::TPlan* plan = f.windows->plan;
        plan->show();
        QVERIFY(plan->TimerHide->isActive());
        QVERIFY(main->SaveRetry->isActive());
        plan->Label9Click();
        QVERIFY(main->SchedulerRunning());
    }
};

KALVO_UI_TEST(StartupTest)

}  // namespace kalvo::test

#include "startup_test.moc"
