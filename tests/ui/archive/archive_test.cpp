// The archive window as its user drives it: reading and pruning the archive, and putting an entry back
// through the editor or, a year later, through the name calendar.

#include <QTest>

#include "person.h"
#include "storage/reminder_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/archive/oldprehlad.h"
#include "ui/common/day_convert.h"
#include "ui/editor/messageedit.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

struct Archived {
    UiFixture f;
    ui::TMainForm* main = nullptr;
    ui::TOldPlan* old = nullptr;

    explicit Archived(const ReminderList& archive, const ReminderList& reminders = {}) {
        TSettings s;
        s.AnimateWindows = 0;
        s.DeleteOldReminders = 0;
        f.WriteSettings(s);
        f.WriteReminders(reminders);
        f.folder.Write("eva_old.dat", *storage::EncodeReminderFile(archive));
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.CreateWindows();
        main = f.windows->main;
        old = f.windows->oldPlan;
        main->pmObnovitClick();
        QApplication::processEvents();
    }
};

// "Staré" as the tray menu offers it when it opens (a hidden action also counts as disabled).
bool StareOffered(ui::TMainForm* main) {
    main->PopupMenuPopup();
    return main->Starpripomienky1->isVisible() && main->Starpripomienky1->isEnabled();
}

TReminder Zubar() {
    TReminder r = WithNotice(Ordinary(Day(2006, 3, 5), At(14, 30), "Zubár"), Day(2006, 3, 1), rpMonthly, At(9, 15));
    r.Picture = "/obrazky/zub.jpg";
    r.Melody = "/zvuky/zvon.wav";
    return r;
}

TReminder Birthday(DayNumber date, DayNumber notice, std::string text) {
    TReminder r = NameDay(date, At(18, 0), notice, -At(9, 0), /*birthday=*/true);  // its notice was given
    r.Text = std::move(text);
    return r;
}

}  // namespace

class ArchiveTest : public QObject {
    Q_OBJECT

private slots:
    void listsEveryKindAndDeletesDownToAnEmptyFile() {
        TReminder both = NameDay(Day(2025, 8, 8), At(8, 0), Day(2025, 8, 7), At(7, 0));
        both.IsBirthday = 1;
        both.Text = "Oskar";
        Archived a({Zubar(), both, Birthday(Day(2025, 6, 24), Day(2025, 6, 23), "Ján"),
                    NameDay(Day(2025, 3, 1), At(8, 0), Day(2025, 2, 28), At(7, 0))});
        QVERIFY(StareOffered(a.main));
        a.main->Starpripomienky1->trigger();
        QVERIFY(a.old->isVisible());
        QCOMPARE(a.old->Label1->text(), QStringLiteral("Staré pripomienky"));
        QCOMPARE(a.old->LMenoDnes->text(), QStringLiteral("Ambróz"));
        QVERIFY(a.old->CBclose->isHidden() && a.old->Label2->isHidden() && a.old->Label3->isHidden());
        QCOMPARE(a.old->Label9->Text(), QStringLiteral("Zatvoriť"));
        const QStringList rows = a.old->MesgList->Rows();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0], QStringLiteral("5.3.2006   14:30:00 :: Pripomienka - Zubár"));
        QCOMPARE(rows[1], QStringLiteral("8.8.2025   8:00:00 :: Neznáme :: CHYBA - Oskar"));
        QCOMPARE(rows[2], QStringLiteral("24.6.2025   18:00:00 :: Narodeniny - Ján"));
        QVERIFY(rows[3].contains(QStringLiteral(" :: Meniny - ")));
        QCOMPARE(a.old->ArchivePictures()[0], QStringLiteral("/obrazky/zub.jpg"));
        QCOMPARE(a.old->MesgList->ItemIndex(), 0);
        UiFixture::Screenshot(a.old, QStringLiteral("archive"));

        // The key and the list's menu delete the marked entry, and the file follows.
        ClickRow(a.old->MesgList, 1);
        QTest::keyClick(a.old->MesgList, Qt::Key_Delete);
        QCOMPARE(a.f.ReadArchive().size(), std::size_t{3});
        QCOMPARE(a.f.ReadArchive()[1].Text, std::string("Ján"));
        QCOMPARE(a.old->MesgList->Count(), 3);
        QCOMPARE(a.old->MesgList->ItemIndex(), 0);
        for (int left = 3; left > 0; --left) a.old->Vymazavber1->trigger();
        QCOMPARE(a.f.folder.Read("eva_old.dat").size(), std::size_t{0});
        QCOMPARE(a.old->MesgList->Rows(), QStringList{QStringLiteral(" -Žiadne pripomienky")});
        QCOMPARE(a.old->MesgList->ItemIndex(), -1);
        // With nothing left, the row of the empty archive is no entry.
        ClickRow(a.old->MesgList, 0);
        a.old->Vymazavber1->trigger();
        QCOMPARE(a.f.dialogs.shown.size(), std::size_t{0});
        QCOMPARE(a.old->MesgList->Count(), 1);
        a.old->Label9Click();
        QVERIFY(!a.old->isVisible());
    }

    void putsAnOrdinaryReminderBackThroughTheEditorAndKeepsItArchived() {
        Archived a({Zubar()});
        const std::vector<std::uint8_t> archiveBefore = a.f.folder.Read("eva_old.dat");
        a.f.SetNow(Day(2026, 12, 7), 10, 17, 42);
        a.main->Label7Click();  // the month view
        a.main->FinishAnimation();
        a.main->Date->setSelectedDate(ui::DateOfDay(Day(2026, 12, 15)));
        // The list's shortcuts work while it has the focus, as a click on a row gives it.
        a.main->MesgList->setFocus();
        QTest::keyClick(a.main->MesgList, Qt::Key_M, Qt::ControlModifier);  // "Vložiť zo starých"
        QVERIFY(a.old->isVisible());
        QVERIFY(a.old->PutBackMode());
        QVERIFY(a.old->Label2->isVisible() && a.old->Label3->isVisible());
        QVERIFY(!StareOffered(a.main));
        UiFixture::Screenshot(a.old, QStringLiteral("archive-put-back"));

        ui::TEditMessage* editor = a.f.windows->edit;
        bool opened = false;
        WhenModalIs(editor, [&] {
            opened = true;
            QVERIFY(a.f.windows->edit->EditMode);
            QVERIFY(!editor->SpeedButton1->isHidden() && editor->SpeedButton2->isHidden());
            QCOMPARE(editor->Date->date(), QDate(2026, 12, 15));
            QCOMPARE(editor->Time->time(), QTime(10, 17));
            QCOMPARE(editor->EText->toPlainText(), QStringLiteral("Zubár"));
            QVERIFY(editor->CB->isChecked());
            QCOMPARE(editor->CBPeriod->currentText(), QStringLiteral("mesačne"));
            QCOMPARE(editor->CBPicture->currentText(), QStringLiteral("/obrazky/zub.jpg"));
            QCOMPARE(editor->CBMelody->currentText(), QStringLiteral("/zvuky/zvon.wav"));
            QTest::mouseClick(editor->SpeedButton1, Qt::LeftButton);
        });
        QTest::mouseClick(a.old->Label9, Qt::LeftButton);
        QVERIFY(opened);
        QVERIFY(!a.old->isVisible());
        QVERIFY(!a.old->PutBackMode() && a.old->Label2->isHidden());
        QVERIFY(StareOffered(a.main));
        QVERIFY(!a.f.windows->edit->EditMode);

        const ReminderList saved = a.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{1});
        QCOMPARE(saved[0].Date, Day(2026, 12, 15));
        QCOMPARE(saved[0].Time, At(10, 17));
        QCOMPARE(saved[0].Text, std::string("Zubár"));
        QCOMPARE(saved[0].Period, std::int32_t{rpMonthly});
        QCOMPARE(saved[0].Picture, std::string("/obrazky/zub.jpg"));
        QVERIFY(a.f.folder.Read("eva_old.dat") == archiveBefore);
        QCOMPARE(a.main->Store().Archive().size(), std::size_t{1});
        QCOMPARE(a.main->MesgList->Count(), 1);  // the month view lists the calendar's day again
    }

    void leavingThePutBackModeWritesNothing() {
        Archived a({Zubar()});
        a.main->Vloizostarch1Click();
        a.old->MesgList->SetItemIndex(-1);
        a.old->Label9Click();  // "Vložiť" with no entry marked
        QVERIFY(!a.old->isVisible() && !a.old->PutBackMode());
        QVERIFY(StareOffered(a.main));
        a.main->Vloizostarch1Click();
        QTest::keyClick(a.old, Qt::Key_Escape);  // the way out is the second "Zatvoriť"
        QVERIFY(!a.old->isVisible() && a.old->Label3->isHidden() && !a.old->PutBackMode());
        QVERIFY(StareOffered(a.main));
        QCOMPARE(a.f.ReadReminders().size(), std::size_t{0});
        QCOMPARE(a.f.ReadArchive().size(), std::size_t{1});
    }

    void followsWhatTheSchedulerArchivesWhileOpen() {
        Archived a({Zubar(), Birthday(Day(2025, 6, 12), Day(2025, 6, 11), "Eva")},
                   {Ordinary(Day(2026, 12, 7), At(9, 0, 5), "Porada")});
        a.main->Vloizostarch1Click();
        ClickRow(a.old->MesgList, 1);
        a.f.SetNow(Day(2026, 12, 7), 9, 0, 5);
        WhenModal([&] { a.f.windows->popup->Label9Click(); });
        a.main->Scheduler().Tick();
        QCOMPARE(a.old->MesgList->Count(), 3);
        QVERIFY(a.old->MesgList->Rows()[2].endsWith(QStringLiteral(":: Pripomienka - Porada")));
        QCOMPARE(a.old->MesgList->ItemIndex(), 1);  // what the user marked stays marked
        QVERIFY(a.old->PutBackMode());
    }

    void putsABirthdayBackAYearLaterFromTheDayList() {
        Archived a({Birthday(Day(2005, 6, 12), Day(2005, 6, 11), "Dňa 12.06 oslavuje svoje narodeniny Eva"),
                    Birthday(Day(2024, 2, 29), Day(2024, 2, 28), "Dňa 29.02 oslavuje svoje narodeniny Roman")});
        ui::TKalendForm* dayList = a.f.windows->kalendForm;
        ui::TFormKalendar* kalendar = a.f.windows->kalendar;
        QStringList seen;
        // From the day list, which waits for its user: the archive window takes the input meanwhile.
        WhenModalIs(dayList, [&] {
            for (int row : {0, 1}) {
                dayList->Vloizostarch1->trigger();
                QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(a.old));
                QVERIFY(!StareOffered(a.main));
                ClickRow(a.old->MesgList, row);
                WhenModalIs(kalendar, [&] {
                    QVERIFY(kalendar->Label8->isVisible());
                    if (row == 0) UiFixture::Screenshot(kalendar, QStringLiteral("name-calendar-put-back"));
                    QVERIFY(!kalendar->SpeedButton1->isHidden() && kalendar->SpeedButton2->isHidden());
                    seen << kalendar->Date->date().toString(Qt::ISODate) + QLatin1Char(' ') + kalendar->LDate->text() +
                                QLatin1Char(' ') + kalendar->DatePrip->date().toString(Qt::ISODate) + QLatin1Char(' ') +
                                kalendar->TimePrip->time().toString() + QLatin1Char(' ') +
                                kalendar->Time->time().toString();
                    QVERIFY(kalendar->CB2->isChecked() && !kalendar->CB1->isChecked());
                    QVERIFY(!kalendar->LMeninyCaption->isEnabled() && kalendar->LNarodeninyCaption->isEnabled());
                    QCOMPARE(kalendar->Memo1->toPlainText(), ui::Q(a.main->Store().Archive()[row].Text));
                    QTest::mouseClick(kalendar->SpeedButton1, Qt::LeftButton);
                });
                QTest::mouseClick(a.old->Label9, Qt::LeftButton);
                QVERIFY(!kalendar->Label8->isVisible());
                QVERIFY(!a.f.windows->kalendar->Prefilled());
            }
            QCOMPARE(dayList->MesgList->Count(), 2);
            dayList->Label9Click();
        });
        QTest::mouseClick(a.main->BtOslava, Qt::LeftButton);
        // The pickers show the days that will be written.
        QCOMPARE(seen, QStringList({QStringLiteral("2027-06-12 12.06.2027 2027-06-11 09:00:00 18:00:00"),
                                    QStringLiteral("2027-02-28 28.02.2027 2027-02-28 09:00:00 18:00:00")}));
        // Both celebrations have passed: they are written for their next days. The archive keeps both.
        const ReminderList saved = a.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{2});
        QCOMPARE(saved[0].Date, Day(2027, 2, 28));
        QCOMPARE(saved[0].NoticeFrom, Day(2027, 2, 28));
        QCOMPARE(saved[1].Date, Day(2027, 6, 12));
        QCOMPARE(saved[1].NoticeFrom, Day(2027, 6, 11));
        QCOMPARE(saved[1].NoticeNext, Day(2027, 6, 11));
        QCOMPARE(saved[1].NoticeTime, At(9, 0));  // pending again
        QCOMPARE(saved[1].IsBirthday, std::uint8_t{1});
        QCOMPARE(saved[1].IsNameDay, std::uint8_t{0});
        QCOMPARE(a.f.ReadArchive()[0].Date, Day(2005, 6, 12));
        QCOMPARE(a.f.ReadArchive()[1].Date, Day(2024, 2, 29));
    }
};

KALVO_UI_TEST(ArchiveTest)

}  // namespace kalvo::test

#include "archive_test.moc"
