// Start-up, the tray's toggle and menu, the end question, and alarms fired by the real scheduler.

#include <QMenu>
#include <QTest>

#include "storage/reminder_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/main_window/kalvounit.h"
#include "ui/overview/prehlad.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpReadsSettingsFilesAndAsksTheFirstRunQuestionBeforeAnyWindowShows() {
        UiFixture f;
        f.folder.Write("memo.dat", *storage::EncodeReminderFile({Ordinary(Day(2026, 12, 8), At(9, 0), "staré")}));
        TSettings s;
        s.OverviewSeconds = 7;
        f.WriteSettings(s);
        f.dialogs.answers = {true};
        f.CreateWindows();
        QCOMPARE(f.ctx->Settings.OverviewSeconds, 7);
        QCOMPARE(f.windows->plan->OverviewCountdown, 7);
        QCOMPARE(f.dialogs.Count("question"), 1);
        QVERIFY(f.folder.Exists("memo_bak.kvl"));
        QCOMPARE(f.windows->main->Store().Reminders().size(), std::size_t{1});
        for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        QVERIFY(!f.windows->main->SchedulerRunning());
        QCOMPARE(f.windows->main->LMeno->text(), QStringLiteral("Kalvo :: pripomienky, meniny a narodeniny"));
    }

    void theTrayMenusSeparatorsReachItsRightEdge() {
        UiFixture f;
        f.CreateWindows();
        QMenu* menu = f.windows->main->PopupMenu;
        menu->popup(QPoint(200, 200));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        const QImage picture = menu->grab().toImage();
        UiFixture::Screenshot(menu, QStringLiteral("tray-menu"));
        int separators = 0;
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator()) continue;
            ++separators;
            const QRect item = menu->actionGeometry(a);
            const int middle = item.top() + item.height() / 2;
            for (const int x : {item.left() + 1, item.left() + item.width() / 2, item.right() - 1})
                QCOMPARE(picture.pixelColor(x, middle), QColor(208, 118, 74));
        }
        QCOMPARE(separators, 4);
        menu->hide();
    }

    void trayToggleFollowsTheWindow() {
        UiFixture f;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        QCOMPARE(main->pmObnovit->text(), QStringLiteral("Kalvo"));
        main->TrayIconClick();
        QVERIFY(main->isVisible());
        QCOMPARE(main->pmObnovit->text(), QStringLiteral("Skryť Kalvo"));
        main->TrayIconClick();
        QVERIFY(!main->isVisible());
        QCOMPARE(main->pmObnovit->text(), QStringLiteral("Kalvo"));
    }

    void trayMenuListsItsItemsAndStareOnlyWhileTheArchiveIsKept() {
        UiFixture f;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        QStringList captions;
        for (QAction* a : main->PopupMenu->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(captions, QStringList({"O programe", "-", "Dnes", "Staré", "-", "Kalendár", "Kalvo", "Nastavenia", "-",
                                        "Pripomienky", "-", "Zatvoriť"}));
        QCOMPARE(main->PopupMenu->defaultAction(), main->pmObnovit);
        f.ctx->Settings.DeleteOldReminders = 1;
        main->PopupMenuPopup();
        QVERIFY(!main->Starpripomienky1->isVisible());
        f.ctx->Settings.DeleteOldReminders = 0;
        main->PopupMenu->popup(QPoint(100, 100));  // opening runs the same check
        QVERIFY(main->Starpripomienky1->isVisible());
        main->PopupMenu->setActiveAction(main->pmObnovit);
        UiFixture::Screenshot(main->PopupMenu, QStringLiteral("tray_menu"));
        main->PopupMenu->hide();
    }

    void endQuestionNoLeavesEverythingRunning() {
        UiFixture f;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        main->StartScheduler();
        bool ended = false;
        connect(main, &ui::TMainForm::EndRequested, this, [&] { ended = true; });
        f.dialogs.answers = {false};
        main->pmCloseClick();
        QCOMPARE(f.dialogs.shown.back().caption, std::string("Kalvo"));
        QCOMPARE(f.dialogs.shown.back().text, std::string("Ukončením programu už nebude možné kontrolovať\nnastavené "
                                                          "pripomienky.\n\nNaozaj si želáte ukončiť program?"));
        QVERIFY(!ended);
        QVERIFY(main->SchedulerRunning());
        f.dialogs.answers = {true};
        main->Label8->clicked();
        QVERIFY(ended);
        QVERIFY(main->Ending());
    }

    void remindersDueTogetherFireOneAfterAnotherThenGoToTheArchive() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        s.DeleteOldReminders = 0;
        f.WriteSettings(s);
        const DayNumber today = Day(2026, 12, 7);
        f.WriteReminders({Ordinary(today, At(9, 0), "Prvá"), Ordinary(today, At(9, 0, 30), "Druhá"),
                          Ordinary(today, At(10, 0), "Neskôr")});
        f.CreateWindows();
        f.SetNow(today, 9, 1, 0);
        QStringList shown;
        std::function<void()> acknowledge = [&] {
            ui::TMesgPopUp* popup = f.windows->popup;
            shown << popup->Datum->text() + QStringLiteral(" | ") + popup->Message->toPlainText();
            QVERIFY(f.windows->main->Timer->isActive());  // the tray blinks meanwhile
            popup->Label9Click();
            if (shown.size() < 2) WhenModal(acknowledge);
        };
        WhenModal(acknowledge);
        f.windows->main->Scheduler().Tick();
        // The record that moved into the fired one's place comes next, in the same tick.
        QCOMPARE(shown, QStringList({QStringLiteral("Dátum: 7.12.2026       Čas: 9:00:00 | Prvá"),
                                     QStringLiteral("Dátum: 7.12.2026       Čas: 9:00:30 | Druhá")}));
        QVERIFY(!f.windows->main->Timer->isActive());
        QCOMPARE(f.windows->main->trayImage, 0);
        QVERIFY(f.windows->main->SchedulerRunning());
        QCOMPARE(f.ReadReminders().size(), std::size_t{1});
        QCOMPARE(f.ReadArchive().size(), std::size_t{2});
        QCOMPARE(f.platform.sounds.size(), std::size_t{2});
        QCOMPARE(f.platform.sounds[0].file, std::filesystem::path("sound.wav"));
    }
};

KALVO_UI_TEST(MainWindowTest)

}  // namespace kalvo::test

#include "main_window_test.moc"
