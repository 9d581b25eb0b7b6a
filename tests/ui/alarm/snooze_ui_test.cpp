// "Odložiť" in the alarm strip, the lateness limit on the settings page and the missed alarms in the
// day overview, used as a person uses them, with the files they leave.

#include <QSpinBox>
#include <QTest>

#include "modal_script.h"
#include "storage/extra_settings_file.h"
#include "storage/settings_file.h"
#include "storage/snooze_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/main_window/kalvounit.h"
#include "ui/overview/prehlad.h"
#include "ui/settings/setup.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

const DayNumber kToday = Day(2026, 12, 7);

void ChooseFromMenu(QMenu* menu, const QString& text) {
    QVERIFY(menu->isVisible());
    for (QAction* a : menu->actions()) {
        if (a->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no menu item ") + text));
}

std::vector<storage::PendingSnooze> SnoozeFile(const UiFixture& f) {
    return storage::ReadSnoozeFile(f.folder / "eva.snooze").decoded.entries;
}

}  // namespace

class SnoozeUiTest : public QObject {
    Q_OBJECT

    static ui::TMainForm* Started(UiFixture& f, const ReminderList& list) {
        TSettings s;
        s.AnimateWindows = 0;
        s.DeleteOldReminders = 0;
        f.WriteSettings(s);
        f.WriteReminders(list);
        f.CreateWindows();
        f.windows->main->StartScheduler();
        return f.windows->main;
    }

private slots:
    void fiveMinutesFromTheMenuThenTheAlarmComesBackAndIsArchivedWhenClosed() {
        UiFixture f;
        ui::TMainForm* main = Started(f, {Ordinary(kToday, At(9, 5), "Zubár o piatej")});
        ui::TMesgPopUp* popup = f.windows->popup;
        bool onDiskBeforeClosing = false;
        ModalScript script({[&](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(popup));
            QVERIFY(popup->LabelSnooze->isVisible());
            UiFixture::Screenshot(popup, QStringLiteral("popup_snooze"));
            QTest::mouseClick(popup->LabelSnooze, Qt::LeftButton);
            QStringList items;
            for (QAction* a : popup->SnoozeChoices->actions())
                if (!a->isSeparator()) items << a->text();
            QCOMPARE(items, QStringList({"o 5 minút", "o 10 minút", "o 30 minút", "o 1 hodinu",
                                         "zajtra v rovnakom čase", "Iný čas…"}));
            QObject::connect(
                popup, &QDialog::finished, popup, [&] { onDiskBeforeClosing = f.folder.Exists("eva.snooze"); },
                Qt::SingleShotConnection);
            ChooseFromMenu(popup->SnoozeChoices, QStringLiteral("o 5 minút"));
        }});
        f.SetNow(kToday, 9, 5, 0);
        main->Scheduler().Tick();
        QCOMPARE(script.Done(), std::size_t{1});
        QVERIFY(!popup->isVisible());
        QVERIFY(onDiskBeforeClosing);
        QCOMPARE(f.ReadReminders().size(), std::size_t{1});  // neither removed nor archived
        QVERIFY(!f.folder.Exists("eva_old.dat"));
        QCOMPARE(SnoozeFile(f).size(), std::size_t{1});

        f.SetNow(kToday, 9, 9, 59);
        main->Scheduler().Tick();
        QCOMPARE(script.Done(), std::size_t{1});

        ModalScript closeIt({[&](QWidget*) {
            QCOMPARE(popup->Message->toPlainText(), QStringLiteral("Zubár o piatej"));
            QTest::mouseClick(popup->Label9, Qt::LeftButton);
        }});
        f.SetNow(kToday, 9, 10, 0);
        main->Scheduler().Tick();
        QCOMPARE(closeIt.Done(), std::size_t{1});
        QVERIFY(f.ReadReminders().empty());
        QCOMPARE(f.ReadArchive().size(), std::size_t{1});
        QVERIFY(!f.folder.Exists("eva.snooze"));
    }

    void anotherTimeIsPickedInItsOwnDialog() {
        UiFixture f;
        ui::TMainForm* main = Started(f, {Ordinary(kToday, At(9, 5), "Porada")});
        ui::TMesgPopUp* popup = f.windows->popup;
        ModalScript script({[&](QWidget*) {
                                QTest::mouseClick(popup->LabelSnooze, Qt::LeftButton);
                                ChooseFromMenu(popup->SnoozeChoices, QStringLiteral("Iný čas…"));
                            },
                            [&](QWidget* modal) {
                                auto* dialog = qobject_cast<ui::SnoozeTimeDialog*>(modal);
                                QVERIFY(dialog);
                                QCOMPARE(dialog->windowTitle(), QStringLiteral("Odložiť pripomienku"));
                                QCOMPARE(dialog->When->dateTime(), QDateTime(QDate(2026, 12, 7), QTime(9, 20)));
                                UiFixture::Screenshot(dialog, QStringLiteral("snooze_time_dialog"));
                                // Earlier than the next minute cannot be chosen.
                                dialog->When->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
                                QCOMPARE(dialog->When->dateTime(), QDateTime(QDate(2026, 12, 7), QTime(9, 6)));
                                dialog->When->setDateTime(QDateTime(QDate(2026, 12, 7), QTime(14, 20)));
                                QTest::mouseClick(dialog->OkButton, Qt::LeftButton);
                            }});
        f.SetNow(kToday, 9, 5, 0);
        main->Scheduler().Tick();
        QCOMPARE(script.Done(), std::size_t{2});
        QVERIFY(!popup->isVisible());
        const auto pending = SnoozeFile(f);
        QCOMPARE(pending.size(), std::size_t{1});
        QCOMPARE(storage::FormatSnoozeMoment(pending[0].until), std::string("2026-12-07 14:20:00"));
    }

    void aClickWhileTheNextStripSlidesInNeitherPutsItOffNorClosesIt() {
        // Two alarms at once, the strips animated: the second slides in under the mouse that has just
        // closed the first, and a click then lands on whichever link passes by.
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 1;
        s.DeleteOldReminders = 0;
        f.WriteSettings(s);
        f.WriteReminders({Ordinary(kToday, At(9, 5), "prvá"), Ordinary(kToday, At(9, 5), "druhá")});
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        ui::TMesgPopUp* popup = f.windows->popup;
        // The slide is stepped by the test.
        for (QTimer* t : {popup->TimerShow, popup->TimerHide}) t->setInterval(24 * 3600 * 1000);
        auto slideIn = [&] {
            while (popup->Sliding()) popup->TimerShowTimer();
        };
        auto slideOut = [&] {
            while (popup->isVisible() && popup->TimerHide->isActive()) popup->TimerHideTimer();
        };
        int strips = 0;
        bool menuWhileSliding = true, closedWhileSliding = true, menuOnceIn = false;
        QTimer poll;
        poll.setInterval(0);
        bool busy = false;
        connect(&poll, &QTimer::timeout, popup, [&] {
            if (busy || QApplication::activeModalWidget() != popup || !popup->isVisible()) return;
            busy = true;
            QTimer::singleShot(0, popup, [&] {
                if (++strips == 1) {
                    slideIn();
                    QTest::mouseClick(popup->Label9, Qt::LeftButton);
                    slideOut();
                } else {
                    QVERIFY(popup->Sliding());
                    for (int i = 0; i < 5; ++i) popup->TimerShowTimer();
                    QTest::mouseClick(popup->LabelSnooze, Qt::LeftButton);
                    menuWhileSliding = popup->SnoozeChoices->isVisible();
                    popup->SnoozeChoices->hide();
                    QTest::mouseClick(popup->Label9, Qt::LeftButton);
                    closedWhileSliding = popup->TimerHide->isActive() || !popup->isVisible();
                    slideIn();
                    // In place, both links work, and the menu opens clear of the link.
                    QTest::mouseClick(popup->LabelSnooze, Qt::LeftButton);
                    menuOnceIn = popup->SnoozeChoices->isVisible();
                    QVERIFY(!popup->SnoozeChoices->geometry().intersects(
                        QRect(popup->LabelSnooze->mapToGlobal(QPoint()), popup->LabelSnooze->size())));
                    popup->SnoozeChoices->hide();
                    QTest::mouseClick(popup->Label9, Qt::LeftButton);
                    slideOut();
                }
                busy = false;
            });
        });
        poll.start();
        f.SetNow(kToday, 9, 5, 0);
        main->Scheduler().Tick();
        QCOMPARE(strips, 2);
        QVERIFY(!menuWhileSliding);
        QVERIFY(!closedWhileSliding);
        QVERIFY(menuOnceIn);
        QVERIFY(!f.folder.Exists("eva.snooze"));
        QCOMPARE(f.ReadArchive().size(), std::size_t{2});
    }

    void theTimeSignalCannotBePutOff() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        s.TimeSignalInterval = tsHourly;
        f.WriteSettings(s);
        f.CreateWindows();
        ui::TMesgPopUp* popup = f.windows->popup;
        bool snoozeShown = true;
        ModalScript script({[&](QWidget*) {
            snoozeShown = popup->LabelSnooze->isVisible();
            QTest::mouseClick(popup->Label9, Qt::LeftButton);
        }});
        f.SetNow(kToday, 10, 0, 0);
        f.windows->main->Scheduler().Tick();
        QCOMPARE(script.Done(), std::size_t{1});
        QVERIFY(!snoozeShown);
    }

    void theLatenessLimitIsSetOnTheGeneralPageAndKeptBesideSetupDat() {
        UiFixture f;
        f.CreateWindows();
        ui::TFormSetup* setup = f.windows->setup;
        ModalScript unchanged({[&](QWidget*) {
            QVERIFY(!setup->FrVseob1->CBLateness->isChecked());
            QVERIFY(!setup->FrVseob1->LatenessHours->isEnabled());
            QTest::mouseClick(setup->Label11, Qt::LeftButton);
        }});
        f.windows->main->Nastavenia1->trigger();
        QCOMPARE(unchanged.Done(), std::size_t{1});
        QVERIFY(!f.folder.Exists("setup.ini"));  // at the defaults nothing new is written
        const auto setupBefore = f.folder.Read("setup.dat");

        ModalScript change({[&](QWidget*) {
            ui::TFrVseob* page = setup->FrVseob1;
            ClickBox(page->CBLateness);
            QVERIFY(page->LatenessHours->isEnabled());
            page->LatenessHours->selectAll();
            QTest::keyClicks(page->LatenessHours, QStringLiteral("48"));
            UiFixture::Screenshot(setup, QStringLiteral("setup_lateness"));
            QTest::mouseClick(setup->Label11, Qt::LeftButton);
        }});
        f.windows->main->Nastavenia1->trigger();
        QCOMPARE(change.Done(), std::size_t{1});
        QCOMPARE(f.folder.Read("setup.dat"), setupBefore);
        TSettings back;
        storage::OpenExtraSetup(f.folder / "setup.ini", back);
        QCOMPARE(back.LatenessLimitOn, std::uint8_t{1});
        QCOMPARE(back.LatenessLimitHours, 48);
        QCOMPARE(f.ctx->Settings.LatenessLimitHours, 48);
    }

    void theOverviewListsWhatWasMissedOnceAndTheArchiveKeepsIt() {
        UiFixture f;
        TSettings s;
        s.OverviewSeconds = 20;
        f.WriteSettings(s);
        const std::string ini = "[General]\nLatenessLimitOn=true\nLatenessLimitHours=12\n";
        f.folder.Write("setup.ini", std::vector<std::uint8_t>(ini.begin(), ini.end()));
        f.WriteReminders({Ordinary(kToday - 4, At(18, 0), "Koncert"), Ordinary(kToday - 2, At(8, 15), "Lekár"),
                          Ordinary(kToday, At(14, 0), "Dnes")});
        f.CreateWindows();
        ui::TPlan* plan = f.windows->plan;
        plan->show();
        QCOMPARE(plan->MesgList->Rows(),
                 QStringList({QStringLiteral("7.12.2026   14:00:00 - Dnes"), QStringLiteral("Zmeškané"),
                              QStringLiteral("3.12.2026   18:00:00 - Koncert"),
                              QStringLiteral("5.12.2026   8:15:00 - Lekár")}));
        UiFixture::Screenshot(plan, QStringLiteral("overview_missed"));
        QCOMPARE(f.ReadArchive().size(), std::size_t{2});
        QCOMPARE(f.ReadReminders().size(), std::size_t{1});
        plan->Label9Click();
        plan->show();  // shown again from the tray: listed once only
        QCOMPARE(plan->MesgList->Rows(), QStringList{QStringLiteral("7.12.2026   14:00:00 - Dnes")});
        plan->Label9Click();
    }
};

KALVO_UI_TEST(SnoozeUiTest)

}  // namespace kalvo::test

#include "snooze_ui_test.moc"
