// The name calendar and the day list of name days and birthdays as their user drives them: a name day
// written from a searched name, the proposals of the window, and entries changed and deleted in the list.

#include <QTest>

#include "person.h"
#include "ui/common/day_convert.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

struct Named {
    UiFixture f;
    ui::TMainForm* main = nullptr;
    ui::TKalendForm* dayList = nullptr;
    ui::TFormKalendar* kalendar = nullptr;

    explicit Named(const ReminderList& reminders) {
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.WriteReminders(reminders);
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.CreateWindows();
        main = f.windows->main;
        dayList = f.windows->kalendForm;
        kalendar = f.windows->kalendar;
        main->pmObnovitClick();
        QApplication::processEvents();
    }

    // "Oslavuje" in the main window; `inside` runs in the day list, which closes afterwards.
    void InDayList(std::function<void()> inside) {
        WhenModalIs(dayList, std::move(inside));
        QTest::mouseClick(main->BtOslava, Qt::LeftButton);
    }
};

QDate D(int year, int month, int day) { return QDate(year, month, day); }

}  // namespace

class NameCalendarTest : public QObject {
    Q_OBJECT

private slots:
    void writesANameDayFoundByItsLowerCaseName() {
        Named n({Ordinary(Day(2026, 12, 8), At(9, 0), "a"), Ordinary(Day(2026, 12, 9), At(9, 0), "b")});
        ui::TFormKalendar* k = n.kalendar;
        n.InDayList([&] {
            QCOMPARE(n.dayList->MesgList->Count(), 0);
            QVERIFY(!n.dayList->BtEdit->isEnabled() && !n.dayList->BtDel->isEnabled());
            WhenModalIs(k, [&] {
                // Proposed for the main calendar's day, today.
                QCOMPARE(k->FindName->text(), QStringLiteral("Vložte meno"));
                QCOMPARE(k->Date->date(), D(2026, 12, 7));
                QCOMPARE(k->Meniny->text(), QStringLiteral("Ambróz"));
                QCOMPARE(k->Time->time(), QTime(8, 30));
                QCOMPARE(k->DatePrip->date(), D(2027, 12, 6));
                QCOMPARE(k->TimePrip->time(), QTime(9, 0));
                QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Dňa 07.12 oslavuje meniny Ambróz"));
                QVERIFY(k->LMeninyCaption->isEnabled() && !k->LNarodeninyCaption->isEnabled());

                QTest::mouseClick(k->FindName, Qt::LeftButton);
                QCOMPARE(k->FindName->text(), QString());
                Type(k->FindName, QStringLiteral("šimon"));
                QTest::keyClick(k->FindName, Qt::Key_Return);
                QCOMPARE(k->FindName->text(), QStringLiteral("Šimon"));
                // This year's day has passed: the picker shows the next one, the day that is written.
                QCOMPARE(k->Date->date(), D(2027, 10, 30));
                QCOMPARE(k->LDate->text(), QStringLiteral("30.10.2027"));
                QCOMPARE(k->Meniny->text(), QStringLiteral("Šimon"));  // not "Šimon a Simona"
                QCOMPARE(k->DatePrip->date(), D(2027, 10, 29));
                QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Dňa 07.12 oslavuje meniny Ambróz"));  // until left
                UiFixture::Screenshot(k, QStringLiteral("name-calendar"));
                QTest::mouseClick(k->SpeedButton1, Qt::LeftButton);
            });
            QTest::mouseClick(n.dayList->SpeedButton4, Qt::LeftButton);

            QCOMPARE(n.dayList->MesgList->Rows(),
                     QStringList{QStringLiteral("Meniny :: 29.10.2027 o 9:00:00 -Dňa 30.10 oslavuje meniny Šimon")});
            QCOMPARE(n.dayList->MesgList->ItemIndex(), 0);
            QVERIFY(n.dayList->BtEdit->isEnabled() && n.dayList->BtDel->isEnabled());
            QCOMPARE(n.dayList->LLastShow->text(), QStringLiteral("30.10.2027 - 08:30"));
            QCOMPARE(n.dayList->LDateTime->text(), QStringLiteral("29.10.2027 - 09:00"));
            QCOMPARE(n.dayList->LText->text(), QStringLiteral("Dňa 30.10 oslavuje meniny Šimon"));
            QCOMPARE(n.dayList->Date->selectedDate(), D(2027, 10, 30));
            QCOMPARE(n.dayList->LMeniny->text(), QStringLiteral("Šimon a Simona"));
            QCOMPARE(n.dayList->LMonth->text(), QStringLiteral("október 2027"));
            UiFixture::Screenshot(n.dayList, QStringLiteral("day-list"));
        });
        const ReminderList saved = n.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{3});
        TReminder expected;
        expected.Date = Day(2027, 10, 30);  // this year's day had passed: written for the next one
        expected.Time = At(8, 30);
        expected.Text = "Dňa 30.10 oslavuje meniny Šimon";
        expected.Notice = 1;
        expected.NoticeFrom = expected.NoticeNext = Day(2027, 10, 29);
        expected.Period = rpNone;
        expected.NoticeTime = At(9, 0);
        expected.IsNameDay = 1;
        QCOMPARE(saved[2], expected);
        QCOMPARE(n.main->MesgList->Count(), 2);  // the main list keeps to ordinary reminders
    }

    void proposalsFollowTheDayTheBoxesAndTheNameField() {
        Named n({});
        n.f.SetNow(Day(2027, 3, 10), 14, 37);
        n.main->Date->setSelectedDate(D(2027, 2, 5));
        ui::TFormKalendar* k = n.kalendar;
        WhenModalIs(k, [&] {
            QCOMPARE(k->DatePrip->date(), D(2028, 2, 4));
            QCOMPARE(k->TimePrip->time(), QTime(14, 0));
            k->Date->setDate(D(2027, 3, 20));
            QCOMPARE(k->DatePrip->date(), D(2027, 3, 19));
            QCOMPARE(k->LDate->text(), QStringLiteral("20.3.2027"));
            k->Date->setDate(D(2027, 3, 10));  // today
            QCOMPARE(k->DatePrip->date(), D(2028, 3, 9));
            QCOMPARE(k->Meniny->text(), QStringLiteral("Bruno a Branislav"));

            ClickBox(k->CB2);
            QVERIFY(!k->CB1->isChecked() && k->CB2->isChecked());
            QVERIFY(!k->LMeninyCaption->isEnabled() && k->LNarodeninyCaption->isEnabled());
            QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Dňa 10.03 oslavuje svoje narodeniny Bruno a Branislav"));
            ClickBox(k->CB2);  // unchecked, the pair turns back; the text stays
            QVERIFY(k->CB1->isChecked() && !k->CB2->isChecked());
            QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Dňa 10.03 oslavuje svoje narodeniny Bruno a Branislav"));

            // Left empty, the field gets its placeholder back and the text is kept.
            QTest::mouseClick(k->FindName, Qt::LeftButton);
            QCOMPARE(k->FindName->text(), QString());
            QTest::mouseClick(k->Memo1->viewport(), Qt::LeftButton);
            QCOMPARE(k->FindName->text(), QStringLiteral("Vložte meno"));
            QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Dňa 10.03 oslavuje svoje narodeniny Bruno a Branislav"));

            k->FindName->setText(QStringLiteral("jAN"));
            k->BtFindClick();
            QCOMPARE(k->FindName->text(), QStringLiteral("JAN"));  // upper-cased, though not found
            QCOMPARE(k->Meniny->text(), QStringLiteral("-"));
            QCOMPARE(k->Sviatok->text(), QStringLiteral("Hľadané meno sa nepodarilo nájsť"));
            QCOMPARE(k->Date->date(), D(2027, 3, 10));

            // A name of 29 February in a common year: the 28th, shown for next year as it has passed.
            k->FindName->setText(QStringLiteral("Radomír"));
            k->BtFindClick();
            QCOMPARE(k->Date->date(), D(2028, 2, 28));
            QCOMPARE(k->DatePrip->date(), D(2028, 2, 27));

            k->Memo1->clear();
            Type(k->Memo1, QStringLiteral("Kúpiť "));
            QTest::keyClick(k->Memo1, Qt::Key_Return, Qt::ShiftModifier);
            Type(k->Memo1, QStringLiteral("kvety"));
            QCOMPARE(k->BuildReminder().Text, std::string("Kúpiť kvety"));
            k->TimePrip->setTime(QTime(0, 0));
            QVERIFY(k->BuildReminder().NoticeTime > 0);  // a notice at 0 would never be given
            QTest::mouseClick(k->SpeedButton3, Qt::LeftButton);
        });
        k->PrepareNew();
        k->ShowModal();
        QCOMPARE(n.f.ReadReminders().size(), std::size_t{0});
    }

    void changesAndDeletesTheEntriesOfTheDayList() {
        TReminder dagmara = NameDay(Day(2026, 12, 20), At(8, 30), Day(2026, 12, 19), At(8, 15));
        dagmara.Text = "Dagmara";
        TReminder karina = NameDay(Day(2027, 1, 2), At(8, 30, 15), Day(2027, 1, 1), At(7, 0), /*birthday=*/true);
        karina.Text = "Karina má narodeniny";
        Named n({Ordinary(Day(2026, 12, 8), At(9, 0), "a"), dagmara, Ordinary(Day(2026, 12, 21), At(9, 0), "b"), karina,
                 Ordinary(Day(2027, 1, 3), At(9, 0), "c")});
        ui::TFormKalendar* k = n.kalendar;
        ui::TKalendForm* list = n.dayList;
        n.InDayList([&] {
            QCOMPARE(list->MesgList->Count(), 2);
            QCOMPARE(list->LLastShow->text(), QStringLiteral("20.12.2026 - 08:30"));
            QCOMPARE(list->LMeniny->text(), QStringLiteral("Dagmara"));
            ClickRow(list->MesgList, 1);
            QCOMPARE(list->LLastShow->text(), QStringLiteral("2.1.2027 - 08:30:15"));
            QCOMPARE(list->LDateTime->text(), QStringLiteral("1.1.2027 - 07:00"));
            QCOMPARE(list->LMeniny->text(), QStringLiteral("Alexandra a Karina"));
            QCOMPARE(list->LMonth->text(), QStringLiteral("január 2027"));

            WhenModalIs(k, [&] {
                QVERIFY(n.f.windows->kalendar->Prefilled());
                QVERIFY(k->SpeedButton1->isHidden() && !k->SpeedButton2->isHidden());
                QCOMPARE(k->Date->date(), D(2027, 1, 2));
                QCOMPARE(k->LDate->text(), QStringLiteral("02.01.2027"));
                QCOMPARE(k->DatePrip->date(), D(2027, 1, 1));
                QCOMPARE(k->TimePrip->time(), QTime(7, 0));  // the entry's own notice time
                QCOMPARE(k->Time->time(), QTime(8, 30, 15));
                QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Karina má narodeniny"));
                QVERIFY(k->CB2->isChecked() && !k->CB1->isChecked());
                ClickBox(k->CB1);  // a name day now; a filled-in text is not rewritten
                QVERIFY(k->CB1->isChecked() && !k->CB2->isChecked());
                QCOMPARE(k->Memo1->toPlainText(), QStringLiteral("Karina má narodeniny"));
                k->TimePrip->setTime(QTime(6, 45));
                QTest::mouseClick(k->SpeedButton2, Qt::LeftButton);
            });
            QTest::mouseClick(list->BtEdit, Qt::LeftButton);
            QVERIFY(!n.f.windows->kalendar->Prefilled());
            QCOMPARE(list->MesgList->Rows().at(1),
                     QStringLiteral("Meniny :: 1.1.2027 o 6:45:00 -Karina má narodeniny"));

            // The second row is the second name day, not the second reminder of the list.
            ClickRow(list->MesgList, 1);
            QTest::mouseClick(list->BtDel, Qt::LeftButton);
            QCOMPARE(list->MesgList->Count(), 1);
            QCOMPARE(list->LText->text(), QStringLiteral("Dagmara"));
            // Offscreen, no window manager gives the day list the input back when the name calendar goes.
            list->activateWindow();
            QApplication::processEvents();
            ClickRow(list->MesgList, 0);
            QTest::keyClick(list->MesgList, Qt::Key_Delete);
            QCOMPARE(list->MesgList->Count(), 0);
            QVERIFY(!list->BtEdit->isEnabled() && !list->BtDel->isEnabled());
            QCOMPARE(list->LText->text(), QString());
        });
        const ReminderList saved = n.f.ReadReminders();
        QStringList texts;
        for (const TReminder& r : saved) texts << ui::Q(r.Text);
        QCOMPARE(texts, QStringList({"a", "b", "c"}));
        QCOMPARE(n.main->MesgList->Count(), 3);
    }
};

KALVO_UI_TEST(NameCalendarTest)

}  // namespace kalvo::test

#include "name_calendar_test.moc"
