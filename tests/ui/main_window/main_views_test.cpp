// The main window as its user drives it: the list with its details, the commands on it, the week view
// and the month calendar, and the tabs that switch between them.

#include <QTableView>
#include <QTest>

#include "person.h"
#include "ui/alarm/message_popup.h"
#include "ui/common/day_convert.h"
#include "ui/editor/messageedit.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendarlist.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

const DayNumber kMonday = Day(2026, 12, 7);  // the fixture's today

// Opens the main window from the tray, with the window animations off unless asked for.
ui::TMainForm* OpenMain(UiFixture& f, const ReminderList& reminders, bool animate = false) {
    TSettings s;
    s.AnimateWindows = animate ? 1 : 0;
    f.WriteSettings(s);
    f.WriteReminders(reminders);
    f.CreateWindows();
    ui::TMainForm* main = f.windows->main;
    main->pmObnovitClick();
    QApplication::processEvents();  // the window becomes the active one
    return main;
}

QStringList Texts(const ReminderList& list) {
    QStringList out;
    for (const TReminder& r : list) out << ui::Q(r.Text);
    return out;
}

QStringList DayLabels(ui::TMainForm* main) {
    QStringList out;
    for (ui::ClickLabel* l : main->DayDate) out << l->text();
    return out;
}

// A week around the fixture's Monday: a lunch on Tuesday; on Thursday a meeting with daily notices
// from Monday, and a session noticed on Monday only; a name day on Sunday noticed on Saturday.
ReminderList Week() {
    return {Ordinary(kMonday + 1, At(12, 0), "Obed"),
            WithNotice(Ordinary(kMonday + 3, At(10, 0), "Porada"), kMonday, rpDaily, At(8, 0)),
            WithNotice(Ordinary(kMonday + 3, At(11, 0), "Schôdza"), kMonday, rpNone, At(8, 0)),
            NameDay(kMonday + 6, At(0, 0), kMonday + 5, At(8, 0))};
}

}  // namespace

class MainViewsTest : public QObject {
    Q_OBJECT

private slots:
    void listShowsEveryOrdinaryReminderAndTheDetailsOfThePickedOne() {
        UiFixture f;
        TReminder weekly =
            WithNotice(Ordinary(kMonday + 20, At(7, 15, 30), "Servis auta"), kMonday + 4, rpWeekly, At(8, 0), 4);
        weekly.Picture = "/nikde/obrazok.jpg";
        ui::TMainForm* main = OpenMain(
            f, {Ordinary(kMonday, At(14, 30), "Zubár"), NameDay(kMonday + 2, At(0, 0), kMonday + 1, At(8, 0)), weekly});
        QCOMPARE(main->MesgList->Rows(), QStringList({QStringLiteral("7.12.2026 o 14:30:00 -Zubár"),
                                                      QStringLiteral("27.12.2026 o 7:15:30 -Servis auta")}));
        QCOMPARE(main->MesgList->Pictures(), QStringList({QString(), QStringLiteral("/nikde/obrazok.jpg")}));
        QCOMPARE(f.windows->kalendForm->MesgList->Rows(),
                 QStringList{QStringLiteral("Meniny :: 8.12.2026 o 8:00:00 -Dňa oslavuje meniny Ján")});
        QVERIFY(main->BtEdit->isEnabled() && main->BtDel->isEnabled());
        // Shown from the tray: the first row's details, without notice.
        QCOMPARE(main->MesgList->ItemIndex(), 0);
        QCOMPARE(main->LDateTime->text(), QStringLiteral("7.12.2026 - 14:30"));
        QCOMPARE(main->LText->text(), QStringLiteral("Zubár"));
        QCOMPARE(main->LDateOdPerioda->text(), QStringLiteral("-"));
        QCOMPARE(main->LLastShow->text(), QStringLiteral("-"));
        QVERIFY(!main->LStart->isEnabled() && !main->LLastShow->isEnabled());

        ClickRow(main->MesgList, 1);
        QCOMPARE(main->LDateTime->text(), QStringLiteral("27.12.2026 - 07:15:30"));
        QCOMPARE(main->LDateOdPerioda->text(), QStringLiteral("11.12.2026 (týždenne)"));
        QCOMPARE(main->LLastShow->text(), QStringLiteral("08:00 (11.12.26 - piatok)"));
        QVERIFY(main->LStart->isEnabled() && main->LLast->isEnabled() && main->LLastShow->isEnabled());
        UiFixture::Screenshot(main, QStringLiteral("main-list"));
    }

    void ownMainPictureReplacesTheBuiltInOneOnlyWhenItExists() {
        for (const bool exists : {true, false}) {
            UiFixture f;
            QImage red(20, 20, QImage::Format_RGB32);
            red.fill(Qt::red);
            const QString file = ui::PathText(f.folder / "hlavny.png");
            if (exists) QVERIFY(red.save(file));
            TSettings s;
            s.MainPicture = ui::S(file);
            f.WriteSettings(s);
            f.CreateWindows();
            const QImage shown = f.windows->main->Image1->pixmap().toImage();
            QCOMPARE(shown.pixelColor(10, 10) == QColor(Qt::red), exists);
            QVERIFY(!shown.isNull());
        }
    }

    void emptyFileLeavesNothingToEditOrDelete() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, {});
        QCOMPARE(main->MesgList->Count(), 0);
        QVERIFY(!main->BtEdit->isEnabled() && !main->BtDel->isEnabled());
        QCOMPARE(main->LDateTime->text(), QString());
        QCOMPARE(main->LDateOdPerioda->text(), QStringLiteral("-"));
        QCOMPARE(main->LLastShow->text(), QStringLiteral("-"));
        // Nothing to act on: no editor, no question, no save.
        const auto before = f.folder.Read("eva.dat");
        main->BtEditClick();
        main->BtDelClick();
        main->Koprova1Click();
        QVERIFY(f.dialogs.shown.empty());
        QCOMPARE(f.folder.Read("eva.dat"), before);
    }

    void deleteAndCopyWorkFromTheKeyboardAndReachTheFileAtOnce() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        ClickRow(main->MesgList, 1);
        QTest::keyClick(main->MesgList, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(Texts(f.ReadReminders()),
                 QStringList({"Obed", "Porada", "Porada", "Schôdza", "Dňa oslavuje meniny Ján"}));
        QCOMPARE(main->MesgList->Count(), 4);

        ClickRow(main->MesgList, 3);
        QCOMPARE(main->LText->text(), QStringLiteral("Schôdza"));
        QTest::keyClick(main->MesgList, Qt::Key_Delete);
        QCOMPARE(Texts(f.ReadReminders()), QStringList({"Obed", "Porada", "Porada", "Dňa oslavuje meniny Ján"}));
        QVERIFY(f.dialogs.shown.empty());  // deleting asks nothing
        QCOMPARE(main->MesgList->ItemIndex(), 0);
        QCOMPARE(main->LText->text(), QStringLiteral("Obed"));
    }

    // Long lists format their rows only as they come into sight; every row still reads as its reminder,
    // and none keeps the text of the place it had before a change.
    void aLongListShowsTheRightRowsWhereverItIsAndAfterAChange() {
        UiFixture f;
        ReminderList many;
        for (int i = 0; i < 3000; ++i)
            many.push_back(Ordinary(kMonday + 1 + i / 24, At(i % 24, 0), "Úloha " + std::to_string(i)));
        many.push_back(NameDay(kMonday + 6, At(0, 0), kMonday + 5, At(8, 0)));
        ui::TMainForm* main = OpenMain(f, many);
        auto row = [&](int r) { return main->MesgList->model()->index(r, 0).data().toString(); };
        QCOMPARE(main->MesgList->Count(), 3000);
        QCOMPARE(row(0), QStringLiteral("8.12.2026 o 0:00:00 -Úloha 0"));

        main->MesgList->setFocus();
        QTest::keyClick(main->MesgList, Qt::Key_End);
        QCOMPARE(main->MesgList->ItemIndex(), 2999);
        QCOMPARE(main->LText->text(), QStringLiteral("Úloha 2999"));
        QCOMPARE(row(2999), QStringLiteral("11.4.2027 o 23:00:00 -Úloha 2999"));

        QTest::keyClick(main->MesgList, Qt::Key_Delete);
        QCOMPARE(main->MesgList->Count(), 2999);
        QCOMPARE(row(2998), QStringLiteral("11.4.2027 o 22:00:00 -Úloha 2998"));
        QCOMPARE(row(0), QStringLiteral("8.12.2026 o 0:00:00 -Úloha 0"));
        QCOMPARE(main->LText->text(), QStringLiteral("Úloha 0"));
        QCOMPARE(f.ReadReminders().size(), std::size_t{3000});
        QCOMPARE(f.windows->kalendForm->MesgList->Count(), 1);
    }

    void editByDoubleClickReplacesTheReminderInItsSortedPlace() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        WhenModal([&] {
            ui::TEditMessage* e = f.windows->edit;
            QVERIFY(!e->SpeedButton2->isHidden() && e->SpeedButton1->isHidden());
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("Obed"));
            e->Date->setDate(ui::DateOfDay(kMonday + 5));
            e->EText->selectAll();
            Type(e->EText, QStringLiteral("Večera"));
            QTest::mouseClick(e->SpeedButton2, Qt::LeftButton);
            if (e->isVisible()) e->done(0);
        });
        DoubleClickRow(main->MesgList, 0);
        QCOMPARE(Texts(f.ReadReminders()), QStringList({"Porada", "Schôdza", "Večera", "Dňa oslavuje meniny Ján"}));
        QVERIFY(!f.windows->edit->EditMode);
        QCOMPARE(main->MesgList->Rows().last(), QStringLiteral("12.12.2026 o 12:00:00 -Večera"));
    }

    void weekViewCountsNoticeDaysAndMarksThemWithHash() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        QTest::mouseClick(main->Label6, Qt::LeftButton);
        QCOMPARE(main->CurrentView, ui::MainView::Week);
        QCOMPARE(DayLabels(main), QStringList({"07.12 Úlohy: 2", "08.12 Úlohy: 2", "09.12 Úlohy: 1", "10.12 Úlohy: 2",
                                               "11.12 Úlohy: 0", "12.12 Úlohy: 0", "13.12 Úlohy: 0"}));
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(main->Spacer[i]->Brush() == QColor(0, 147, 0), i >= 4);
            QCOMPARE(main->NameCell[i]->Pen().isValid(), i == 0);  // today is outlined
        }
        QCOMPARE(main->LMonth->text(), QStringLiteral("december 2026"));
        // Monday is picked: both Thursday reminders are noticed that day.
        QCOMPARE(main->MesgList->Rows(), QStringList({QStringLiteral("#10.12.2026 o 10:00:00 (denne) -Porada"),
                                                      QStringLiteral("#10.12.2026 o 11:00:00 -Schôdza")}));
        QTest::mouseClick(main->DayName[1], Qt::LeftButton);
        QCOMPARE(main->SelectedWeekDay, 2);
        QCOMPARE(main->MesgList->Rows(), QStringList({QStringLiteral("8.12.2026 o 12:00:00 -Obed"),
                                                      QStringLiteral("#10.12.2026 o 10:00:00 (denne) -Porada")}));
        QCOMPARE(main->NameCell[1]->Brush(), QColor(215, 215, 227));
        QCOMPARE(main->DateCell[0]->Brush(), QColor(182, 191, 211));
        UiFixture::Screenshot(main, QStringLiteral("main-week"));
        QTest::mouseClick(main->DayDate[3], Qt::LeftButton);
        QCOMPARE(main->MesgList->Rows(), QStringList({QStringLiteral("10.12.2026 o 10:00:00 (denne) -Porada"),
                                                      QStringLiteral("10.12.2026 o 11:00:00 -Schôdza")}));
        QTest::mouseClick(main->DayDate[6], Qt::LeftButton);
        QCOMPARE(main->MesgList->Count(), 0);  // a name day never counts on its own date
        QCOMPARE(main->LDateOdPerioda->text(), QStringLiteral("-"));
    }

    void arrowsKeepThePickedWeekdayAndTheMonthFollowsSunday() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        main->Label6Click();
        QTest::mouseClick(main->DayDate[2], Qt::LeftButton);
        QTest::mouseClick(main->BtNext, Qt::LeftButton);
        QCOMPARE(main->SelectedWeekDay, 3);
        QCOMPARE(main->WeekDates.at(2), kMonday + 9);
        QCOMPARE(main->DateCell[2]->Brush(), QColor(215, 215, 227));
        main->BtNextClick();
        main->BtNextClick();  // 28 December to 3 January
        QCOMPARE(main->LMonth->text(), QStringLiteral("január 2027"));
        QCOMPARE(main->DayDate[0]->text(), QStringLiteral("28.12 Úlohy: 0"));
        for (int i = 0; i < 5; ++i) main->BtBackClick();
        QCOMPARE(main->LMonth->text(), QStringLiteral("november 2026"));
        QVERIFY(!main->NameCell[0]->Pen().isValid());
    }

    void addDatesTheEditorByThePickedWeekdayOrByTheCalendar() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        main->Label6Click();
        main->BtNextClick();
        QTest::mouseClick(main->DayName[2], Qt::LeftButton);
        QDate offered;
        auto cancel = [&] {
            ui::TEditMessage* e = f.windows->edit;
            offered = e->Date->date();
            e->SpeedButton3Click();
        };
        WhenModal(cancel);
        QTest::mouseClick(main->SpeedButton4, Qt::LeftButton);
        QCOMPARE(offered, ui::DateOfDay(kMonday + 9));  // Wednesday of next week
        QCOMPARE(main->SelectedWeekDay, 3);
        main->Label4Click();
        WhenModal(cancel);
        main->SpeedButton4Click();
        QCOMPARE(offered, ui::DateOfDay(kMonday));
    }

    void deletingInTheWeekRecountsAndPicksTheSameDayAgain() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        main->Label6Click();
        QTest::mouseClick(main->DayName[3], Qt::LeftButton);
        ClickRow(main->MesgList, 1);
        QCOMPARE(main->LText->text(), QStringLiteral("Schôdza"));
        QTest::mouseClick(main->BtDel, Qt::LeftButton);
        QCOMPARE(Texts(f.ReadReminders()), QStringList({"Obed", "Porada", "Dňa oslavuje meniny Ján"}));
        QCOMPARE(main->SelectedWeekDay, 4);
        QCOMPARE(main->DayDate[3]->text(), QStringLiteral("10.12 Úlohy: 1"));
        QCOMPARE(main->DayDate[0]->text(), QStringLiteral("07.12 Úlohy: 1"));
        QCOMPARE(main->MesgList->Rows(), QStringList{QStringLiteral("10.12.2026 o 10:00:00 (denne) -Porada")});
    }

    void monthViewListsEventAndNextNoticeDaysOnly() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        QTest::mouseClick(main->Label7, Qt::LeftButton);
        QVERIFY(main->Date->isVisible());
        QCOMPARE(main->Date->x(), 0);
        QCOMPARE(main->Shape6->width(), main->Date->width() + 1);
        QCOMPARE(main->MesgList->Rows(), QStringList({QStringLiteral("10.12.2026 o 10:00:00 -Porada"),
                                                      QStringLiteral("10.12.2026 o 11:00:00 -Schôdza")}));
        QCOMPARE(main->LMonth->text(), QStringLiteral("december 2026"));
        UiFixture::Screenshot(main, QStringLiteral("main-month"));
        // Wednesday: the daily series would notice the meeting, but its next notice is Monday.
        main->Date->setSelectedDate(ui::DateOfDay(kMonday + 2));
        QCOMPARE(main->MesgList->Count(), 0);
        QCOMPARE(main->LText->text(), QString());
        // A greyed day of the next month takes the calendar there.
        main->Date->setSelectedDate(QDate(2027, 1, 2));
        QCOMPARE(main->LMonth->text(), QStringLiteral("január 2027"));
        QCOMPARE(main->Date->monthShown(), 1);
        // Paging with the keyboard moves a month on and lists the day it lands on.
        QTest::keyClick(main->Date->findChild<QTableView*>(), Qt::Key_PageDown);
        QCOMPARE(main->LMonth->text(), QStringLiteral("február 2027"));
        QCOMPARE(main->CalendarDate(), Day(2027, 2, 2));
        // The calendar's date is what a new reminder gets.
        QDate offered;
        WhenModal([&] {
            offered = f.windows->edit->Date->date();
            f.windows->edit->SpeedButton3Click();
        });
        main->SpeedButton4Click();
        QCOMPARE(offered, QDate(2027, 2, 2));
    }

    void rowsKeepStandingForWhatTheyShowedAfterASchedulerReload() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        main->Label7Click();
        main->Date->setSelectedDate(ui::DateOfDay(kMonday + 3));
        QCOMPARE(main->MesgList->Count(), 2);
        // The scheduler saves and reloads: the rows become the whole list again, the calendar stays.
        main->Store().Commit(/*sort=*/false);
        QCOMPARE(main->MesgList->Count(), 3);
        QCOMPARE(main->LText->text(), QStringLiteral("Obed"));
        main->BtDelClick();
        QCOMPARE(Texts(f.ReadReminders()), QStringList({"Porada", "Schôdza", "Dňa oslavuje meniny Ján"}));
    }

    void anAlarmGivenInTheWeekViewRecountsTheWeekAndPicksTheDayAgain() {
        UiFixture f;
        ui::TMainForm* main =
            OpenMain(f, {Ordinary(kMonday + 1, At(12, 0), "Obed"), Ordinary(kMonday + 3, At(10, 0), "Porada")});
        main->Label6Click();
        QTest::mouseClick(main->DayName[1], Qt::LeftButton);
        // Tuesday's lunch falls due and, once shown, leaves the list.
        f.SetNow(kMonday + 1, 12, 0, 0);
        WhenModal([&] { f.windows->popup->Label9Click(); });
        main->Scheduler().Tick();
        QCOMPARE(Texts(f.ReadReminders()), QStringList{"Porada"});
        QCOMPARE(main->DayDate[1]->text(), QStringLiteral("08.12 Úlohy: 0"));
        QCOMPARE(main->SelectedWeekDay, 2);
        QCOMPARE(main->MesgList->Count(), 0);
        QTest::mouseClick(main->DayName[3], Qt::LeftButton);
        QCOMPARE(main->MesgList->Rows(), QStringList{QStringLiteral("10.12.2026 o 10:00:00 -Porada")});
    }

    void aFailedSchedulerSaveStillRebuildsTheRowsFromTheList() {
        UiFixture f;
        ui::TMainForm* main =
            OpenMain(f, {Ordinary(kMonday + 1, At(12, 0), "Obed"), Ordinary(kMonday + 3, At(10, 0), "Porada"),
                         Ordinary(kMonday + 3, At(11, 0), "Schôdza")});
        main->Label7Click();
        main->Date->setSelectedDate(ui::DateOfDay(kMonday + 3));
        ClickRow(main->MesgList, 1);
        std::filesystem::remove(f.folder / "eva.dat");
        std::filesystem::create_directory(f.folder / "eva.dat");
        f.SetNow(kMonday + 1, 12, 0, 0);
        WhenModal([&] { f.windows->popup->Label9Click(); });
        main->Scheduler().Tick();
        QCOMPARE(f.dialogs.Count("error"), 1);
        // The lunch is gone from the list in memory, and so from the rows.
        QCOMPARE(main->MesgList->Count(), 2);
        QCOMPARE(main->LText->text(), QStringLiteral("Porada"));
        main->BtDelClick();
        QCOMPARE(Texts(main->Store().Reminders()), QStringList{"Schôdza"});
    }

    void onlyTheTopStripDragsTheWindow() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, {});
        auto drag = [](QWidget* w, QPoint from, QPoint to) {
            QMouseEvent press(QEvent::MouseButtonPress, from, w->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(w, &press);
            QMouseEvent move(QEvent::MouseMove, to, w->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(w, &move);
            QMouseEvent release(QEvent::MouseButtonRelease, to, w->mapToGlobal(to), Qt::LeftButton, Qt::NoButton, {});
            QApplication::sendEvent(w, &release);
        };
        const QPoint start = main->pos();
        drag(main->findChild<QWidget*>(QStringLiteral("Image3")), QPoint(50, 5), QPoint(80, 25));
        QCOMPARE(main->pos(), start + QPoint(30, 20));
        drag(main->Shape2, QPoint(50, 5), QPoint(80, 25));
        drag(main->MesgList->viewport(), QPoint(50, 5), QPoint(80, 25));
        QCOMPARE(main->pos(), start + QPoint(30, 20));
    }

    void aFailedSaveKeepsTheRowsInStepWithTheList() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        std::filesystem::remove(f.folder / "eva.dat");
        std::filesystem::create_directory(f.folder / "eva.dat");  // the file cannot be written now
        main->BtDelClick();
        QCOMPARE(f.dialogs.Count("error"), 1);
        QCOMPARE(main->MesgList->Count(), 2);
        QCOMPARE(main->LText->text(), QStringLiteral("Porada"));
        main->BtDelClick();
        QCOMPARE(main->LText->text(), QStringLiteral("Schôdza"));
        QCOMPARE(Texts(main->Store().Reminders()), QStringList({"Schôdza", "Dňa oslavuje meniny Ján"}));
    }

    void tabsActOnlyWhenTheyChangeTheView() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week());
        const QStringList listRows = main->MesgList->Rows();
        ClickRow(main->MesgList, 1);
        // The first "Zoznam" rebuilds the list although it is on show, and selects nothing...
        QTest::mouseClick(main->Label4, Qt::LeftButton);
        QCOMPARE(main->MesgList->ItemIndex(), -1);
        QCOMPARE(main->MesgList->Rows(), listRows);
        QVERIFY(main->Label4->font().bold());
        // ...the second does nothing.
        ClickRow(main->MesgList, 1);
        QTest::mouseClick(main->Label4, Qt::LeftButton);
        QCOMPARE(main->MesgList->ItemIndex(), 1);
        // From the week back to the list: every ordinary reminder once, in list order, none selected.
        main->Label6Click();
        QCOMPARE(main->TabBar[1]->Brush(), QColor(183, 60, 0));
        QCOMPARE(main->TabBack[0]->Brush(), QColor(255, 224, 193));
        main->Label4Click();
        QCOMPARE(main->MesgList->Rows(), listRows);
        QCOMPARE(main->MesgList->ItemIndex(), -1);
        QVERIFY(!main->DayName[0]->isVisible() && !main->LMonth->isVisible() && !main->Date->isVisible());
    }

    void animationsUnrollTheWeekAndSlideTheCalendarInOnce() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, Week(), /*animate=*/true);
        main->Label6Click();
        QVERIFY(main->Animating());
        QVERIFY(!main->DayName[6]->isVisible());
        main->FinishAnimation();
        for (int i = 0; i < 7; ++i) {
            QVERIFY(main->DayName[i]->isVisible());
            QCOMPARE(main->NameCell[i]->height(), 17);
        }
        QCOMPARE(main->LMonth->height(), 14);
        QCOMPARE(main->Shape6->height(), 25);
        QVERIFY(main->BtBack->isVisible() && main->BtNext->isVisible());

        main->Label7Click();
        QVERIFY(main->Animating());
        QCOMPARE(main->Date->x(), -193);
        main->FinishAnimation();
        QCOMPARE(main->Date->x(), 0);
        QCOMPARE(main->MesgList->Count(), 2);
        main->Label7Click();  // already on show: no second slide
        QVERIFY(!main->Animating());
        QCOMPARE(main->Date->x(), 0);
        // Leaving a view in the middle of its animation drops the rest of it.
        main->Label6Click();
        QVERIFY(main->Animating());
        main->Label4Click();
        QVERIFY(!main->Animating());
        QVERIFY(!main->DayName[0]->isVisible());
    }

    void bottomButtonsLightUpUnderTheMouseAndRestOverTheBars() {
        UiFixture f;
        ui::TMainForm* main = OpenMain(f, {});
        Hover(main->Label8);
        QCOMPARE(main->Label8->Current().text, QColor(255, 165, 74));
        Hover(main->Label9);
        QCOMPARE(main->Label9->Current().frame, QColor(255, 165, 74));
        QCOMPARE(main->Label8->Current().frame, QColor(215, 215, 227));
        Hover(main->Shape2);
        QCOMPARE(main->Label9->Current().text, QColor(245, 245, 245));
    }
};

KALVO_UI_TEST(MainViewsTest)

}  // namespace kalvo::test

#include "main_views_test.moc"
