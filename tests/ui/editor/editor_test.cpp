// The reminder editor as its user drives it: what each way of filling it stores, the notice controls and
// their rules, and what it refuses to take.

#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "person.h"
#include "ui/common/day_convert.h"
#include "ui/editor/messageedit.h"
#include "ui/main_window/kalvounit.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

const DayNumber kMonday = Day(2026, 12, 7);  // the fixture's today

struct Opened {
    UiFixture f;
    ui::TMainForm* main = nullptr;
    ui::TEditMessage* editor = nullptr;

    explicit Opened(const ReminderList& reminders) {
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.WriteReminders(reminders);
        f.CreateWindows();
        main = f.windows->main;
        editor = f.windows->edit;
        main->pmObnovitClick();
        QApplication::processEvents();
    }

    // Runs `inside` once the editor is up; a failed check there must not leave the test waiting.
    void Inside(std::function<void(ui::TEditMessage*)> inside) {
        WhenModal([this, inside] {
            inside(editor);
            if (editor->isVisible()) editor->done(0);
        });
    }
    void Add(std::function<void(ui::TEditMessage*)> inside) {
        Inside(std::move(inside));
        QTest::mouseClick(main->SpeedButton4, Qt::LeftButton);
    }
    void Edit(int row, std::function<void(ui::TEditMessage*)> inside) {
        Inside(std::move(inside));
        DoubleClickRow(main->MesgList, row);
    }
};

void CheckNotice(ui::TEditMessage* e) { QTest::mouseClick(e->CB, Qt::LeftButton, {}, QPoint(6, 10)); }

void LeaveField(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT

private slots:
    void addStoresWhatIsTypedAndTheListShowsItAtOnce() {
        Opened o({Ordinary(kMonday + 1, At(9, 0), "Zajtra")});
        o.Add([&](ui::TEditMessage* e) {
            QVERIFY(!e->SpeedButton1->isHidden() && e->SpeedButton2->isHidden());
            QCOMPARE(e->Date->date(), ui::DateOfDay(kMonday));
            QCOMPARE(e->Time->time(), QTime(9, 0));
            QCOMPARE(e->CBPicture->currentText(), QStringLiteral("Štandardný"));
            e->Time->setTime(QTime(7, 45));
            Type(e->EText, QStringLiteral("Kúpiť "));
            QTest::keyClick(e->EText, Qt::Key_Return, Qt::ShiftModifier);  // a line break; Enter writes
            Type(e->EText, QStringLiteral("chlieb"));
            UiFixture::Screenshot(e, QStringLiteral("editor-new"));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        const ReminderList saved = o.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{2});
        // Two typed lines are one text; no notice stores the values of "none", the standard picture and
        // melody store nothing.
        TReminder expected = Ordinary(kMonday, At(7, 45), "Kúpiť chlieb");
        QCOMPARE(saved[0], expected);
        QCOMPARE(o.main->MesgList->Rows().first(), QStringLiteral("7.12.2026 o 7:45:00 -Kúpiť chlieb"));
        QCOMPARE(o.main->LText->text(), QStringLiteral("Kúpiť chlieb"));
        // Opened again, the text is the one line it became.
        o.Edit(0, [](ui::TEditMessage* e) {
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("Kúpiť chlieb"));
            e->SpeedButton3Click();
        });
    }

    void noticeOffStoresNoneWhateverTheDisabledControlsShow() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            CheckNotice(e);
            e->CBPeriod->setCurrentIndex(1);
            e->CBDen->setCurrentIndex(3);
            e->CBLast->setTime(QTime(6, 0));
            CheckNotice(e);
            QVERIFY(!e->CB->isChecked() && !e->DateOpak->isEnabled() && !e->CBLast->isEnabled());
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        const TReminder r = o.f.ReadReminders().at(0);
        QCOMPARE(r.Notice, std::uint8_t{0});
        QCOMPARE(r.NoticeFrom, 0);
        QCOMPARE(r.NoticeNext, 0);
        QCOMPARE(r.Period, -1);
        QCOMPARE(r.NoticeTime, -1.0);
        QCOMPARE(r.NoticeWeekDay, -1);
    }

    void periodListGivesItsPositionAndTheBlankEntryFour() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            CheckNotice(e);
            e->DateOpak->setDate(ui::DateOfDay(kMonday + 1));
            e->CBPeriod->setCurrentIndex(4);
            QCOMPARE(e->Label7->text(), QStringLiteral("-"));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        o.Add([](ui::TEditMessage* e) {
            CheckNotice(e);
            e->CBPeriod->setEditText(QStringLiteral("občas"));  // not in the list: daily
            QCOMPARE(e->Label7->text(), QStringLiteral("občas"));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        const ReminderList saved = o.f.ReadReminders();
        QCOMPARE(saved.at(0).Period, 4);
        QCOMPARE(saved.at(0).NoticeFrom, kMonday + 1);
        QCOMPARE(saved.at(0).NoticeNext, kMonday + 1);
        QCOMPARE(saved.at(1).Period, 0);
    }

    void weeklyNoticeStartsOnTheChosenWeekdayAfterTomorrow() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            CheckNotice(e);
            e->CBPeriod->setCurrentIndex(1);
            QVERIFY(!e->CBDen->isHidden());
            e->CBDen->setCurrentIndex(2);  // "Stredu", two days after Monday
            QCOMPARE(e->DateOpak->date(), ui::DateOfDay(kMonday + 2));
            QCOMPARE(e->Label6->text(), QStringLiteral("každú "));
            e->CBDen->setCurrentIndex(1);  // "Utorok" is tomorrow: a week later
            QCOMPARE(e->DateOpak->date(), ui::DateOfDay(kMonday + 8));
            QCOMPARE(e->Label6->text(), QStringLiteral("každý"));
            e->CBPeriod->setCurrentIndex(2);
            QVERIFY(e->CBDen->isHidden());
            QCOMPARE(e->Label6->text(), QStringLiteral("s periódou :"));
            e->CBPeriod->setCurrentIndex(1);
            UiFixture::Screenshot(e, QStringLiteral("editor-weekly"));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        const TReminder r = o.f.ReadReminders().at(0);
        QCOMPARE(r.Period, 1);
        QCOMPARE(r.NoticeWeekDay, 1);
        QCOMPARE(r.NoticeFrom, kMonday + 8);
    }

    void reopenedWeeklyReminderRestartsFromTodayAndAGivenTimeShowsItsMagnitude() {
        TReminder weekly =
            WithNotice(Ordinary(kMonday + 30, At(18, 0), "Tréning"), kMonday - 35, rpWeekly, -At(17, 30), 4);
        weekly.NoticeNext = kMonday - 7;
        Opened o({weekly});
        o.Edit(0, [](ui::TEditMessage* e) {
            QVERIFY(e->CB->isChecked());
            QCOMPARE(e->CBPeriod->currentText(), QStringLiteral("týždenne"));
            QCOMPARE(e->CBDen->currentText(), QStringLiteral("Piatok"));
            QCOMPARE(e->DateOpak->date(), ui::DateOfDay(kMonday + 4));
            QCOMPARE(e->CBLast->time(), QTime(17, 30));
            // Editing keeps the notice time apart from the reminder's time.
            e->Time->setTime(QTime(6, 0));
            QCOMPARE(e->CBLast->time(), QTime(17, 30));
            QTest::mouseClick(e->SpeedButton2, Qt::LeftButton);
        });
        const TReminder r = o.f.ReadReminders().at(0);
        QCOMPARE(r.NoticeFrom, kMonday + 4);
        QCOMPARE(r.NoticeNext, kMonday + 4);
        QCOMPARE(r.NoticeTime, At(17, 30));  // pending again
        QCOMPARE(r.Time, At(6, 0));
    }

    void newReminderNoticeTimeFollowsItsTimeAndNeverComesLater() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            e->activateWindow();
            QApplication::processEvents();
            QCOMPARE(e->EText->palette().color(QPalette::Base), QColor(255, 224, 193));  // the focused input
            QCOMPARE(e->Time->palette().color(QPalette::Base), QColor(252, 252, 252));
            CheckNotice(e);
            e->Time->setTime(QTime(14, 30));
            QCOMPARE(e->CBLast->time(), QTime(14, 30));
            e->CBLast->setTime(QTime(15, 0));
            LeaveField(e->CBLast);
            QCOMPARE(e->CBLast->time(), QTime(14, 30));
            e->CBLast->setTime(QTime(9, 0));
            LeaveField(e->CBLast);
            QCOMPARE(e->CBLast->time(), QTime(9, 0));
            e->SpeedButton3Click();
        });
    }

    void enterInTimeWritesWhatTheVisibleButtonWritesOnce() {
        Opened o({Ordinary(kMonday + 2, At(8, 0), "Porada")});
        o.Edit(0, [&](ui::TEditMessage* e) {
            e->Time->setTime(QTime(8, 15));
            QTest::keyClick(e->Time, Qt::Key_Return);
            QVERIFY(!e->isVisible());
        });
        QCOMPARE(o.f.ReadReminders(), ReminderList(1, Ordinary(kMonday + 2, At(8, 15), "Porada")));
    }

    void updateRewritesInSortedPlaceAndCancelChangesNothing() {
        Opened o({Ordinary(kMonday + 1, At(9, 0), "A"), Ordinary(kMonday + 3, At(9, 0), "B"),
                  Ordinary(kMonday + 5, At(9, 0), "C")});
        o.Edit(0, [](ui::TEditMessage* e) {
            e->Date->setDate(ui::DateOfDay(kMonday + 4));
            e->EText->selectAll();
            Type(e->EText, QStringLiteral("Á2"));
            UiFixture::Screenshot(e, QStringLiteral("editor-edit"));
            QTest::mouseClick(e->SpeedButton2, Qt::LeftButton);
        });
        ReminderList saved = o.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{3});
        QCOMPARE(saved[1], Ordinary(kMonday + 4, At(9, 0), "Á2"));
        QCOMPARE(saved[2].Text, std::string("C"));
        QVERIFY(o.editor->SpeedButton2->isHidden() && !o.editor->SpeedButton1->isHidden());

        const auto before = o.f.folder.Read("eva.dat");
        o.Edit(2, [](ui::TEditMessage* e) {
            Type(e->EText, QStringLiteral("zmena"));
            QTest::mouseClick(e->SpeedButton3, Qt::LeftButton);
        });
        QCOMPARE(o.f.folder.Read("eva.dat"), before);
        QVERIFY(!o.editor->DateOpak->isEnabled() && !o.editor->CBPeriod->isEnabled());
    }

    void updateReplacesTheEditedReminderAfterTheSchedulerReloadedTheList() {
        Opened o({Ordinary(kMonday + 1, At(9, 0), "A"),
                  WithNotice(Ordinary(kMonday + 3, At(9, 0), "B"), kMonday, rpDaily, At(8, 0))});
        o.Edit(1, [&](ui::TEditMessage* e) {
            // Meanwhile the scheduler gave B's notice and saved: the rows were rebuilt, row 0 selected.
            ReminderList& list = o.main->Store().Reminders();
            list[1].NoticeNext = kMonday + 1;
            list.insert(list.begin(), Ordinary(kMonday, At(10, 0), "X"));
            o.main->Store().Commit(false);
            e->EText->selectAll();
            Type(e->EText, QStringLiteral("B2"));
            QTest::mouseClick(e->SpeedButton2, Qt::LeftButton);
        });
        QCOMPARE(o.f.ReadReminders().size(), std::size_t{3});
        QCOMPARE(o.f.ReadReminders()[0].Text, std::string("X"));
        QCOMPARE(o.f.ReadReminders()[1].Text, std::string("A"));
        QCOMPARE(o.f.ReadReminders()[2].Text, std::string("B2"));
        QCOMPARE(o.f.dialogs.Count("info"), 0);
    }

    void updateOfAReminderThatFiredMeanwhileKeepsTheChangesAsANewOne() {
        Opened o({Ordinary(kMonday + 1, At(9, 0), "A"), Ordinary(kMonday + 3, At(9, 0), "B")});
        o.Edit(0, [&](ui::TEditMessage* e) {
            ReminderList& list = o.main->Store().Reminders();
            list.erase(list.begin());
            o.main->Store().Commit(false);
            e->EText->selectAll();
            Type(e->EText, QStringLiteral("A2"));
            QTest::mouseClick(e->SpeedButton2, Qt::LeftButton);
        });
        const ReminderList saved = o.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{2});
        QCOMPARE(saved[0], Ordinary(kMonday + 1, At(9, 0), "A2"));
        QCOMPARE(saved[1].Text, std::string("B"));
        QCOMPARE(o.f.dialogs.Count("info"), 1);
        QVERIFY(o.f.dialogs.shown.back().text.find("zo zoznamu zmizla") != std::string::npos);
    }

    void charactersTheFileCannotHoldAreRefusedAsTypedOrPasted() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            Type(e->EText, QStringLiteral("Čaj 漢 o piatej"));
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("Čaj  o piatej"));
            QCOMPARE(e->LRefused->text(), QStringLiteral("Znak „漢“ sa do súboru nedá uložiť, preto sa nevložil."));
            QApplication::clipboard()->setText(QStringLiteral("!🙂→"));
            e->EText->paste();
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("Čaj  o piatej!"));
            // While the note is shown it names every character refused so far.
            QCOMPARE(
                e->LRefused->text(),
                QStringLiteral(
                    "Znaky „漢“, „🙂“ a „→“ sa do súboru nedajú uložiť, preto sa nevložili."));
            CheckNotice(e);
            e->CBPeriod->lineEdit()->clear();
            e->CBPeriod->lineEdit()->insert(QStringLiteral("de→nne"));
            QCOMPARE(e->CBPeriod->currentText(), QStringLiteral("denne"));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        const TReminder r = o.f.ReadReminders().at(0);
        QCOMPARE(r.Text, std::string("Čaj  o piatej!"));
        QCOMPARE(r.Period, 0);
    }

    void pastedControlCharactersAreRefusedAsEveryOtherInputRefusesThem() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            // DEL and a C1 control are refused and named by their codes; a tab becomes a space.
            QApplication::clipboard()->setText(QStringLiteral("zmaž\x7f\tto\u0081"));
            e->EText->paste();
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("zmaž to"));
            QCOMPARE(e->LRefused->text(), QStringLiteral("Znaky U+007F a U+0081 sa do súboru nedajú uložiť, preto sa "
                                                         "nevložili."));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        QCOMPARE(o.f.ReadReminders().at(0).Text, std::string("zmaž to"));
    }

    void everyRefusedCharacterIsNamedAndTheTextStopsAtTheLengthEveryInputAllows() {
        Opened o({});
        o.Add([](ui::TEditMessage* e) {
            Type(e->EText, QStringLiteral("Test 😀 Ωmega"));
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("Test  mega"));
            QCOMPARE(e->LRefused->text(),
                     QStringLiteral("Znaky „😀“ a „Ω“ sa do súboru nedajú uložiť, preto sa nevložili."));
            e->EText->clear();
            QApplication::clipboard()->setText(QString(1206, QChar(u'ľ')));
            e->EText->paste();
            QCOMPARE(e->EText->toPlainText().size(), qsizetype(kMaxTextLength));
            QCOMPARE(e->LRefused->text(), QStringLiteral("Text môže mať najviac 1000 znakov, ďalšie sa nevložili."));
            Type(e->EText, QStringLiteral("x"));
            QCOMPARE(e->EText->toPlainText().size(), qsizetype(kMaxTextLength));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        QCOMPARE(o.f.ReadReminders().at(0).Text.size(), 2 * kMaxTextLength);  // ľ is two bytes of UTF-8
    }

    void pickedFilesReplaceTheSecondItemAndPathsTheFileCannotHoldAreRefused() {
        Opened o({});
        QImage red(8, 8, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QString redFile = ui::PathText(o.f.folder / "cerveny.png");
        QVERIFY(red.save(redFile));
        o.f.dialogs.files = {"/nikde/prvy.jpg", ui::S(redFile), "/nikde/漢.jpg", "/nikde/zvonenie.wav"};
        o.Add([&](ui::TEditMessage* e) {
            QTest::mouseClick(e->SpeedButton4, Qt::LeftButton);
            QTest::mouseClick(e->SpeedButton4, Qt::LeftButton);
            QCOMPARE(e->CBPicture->count(), 2);
            QCOMPARE(e->CBPicture->currentText(), redFile);
            QCOMPARE(e->ImageMsg->pixmap().toImage().pixelColor(4, 4), QColor(Qt::red));
            QTest::mouseClick(e->SpeedButton4, Qt::LeftButton);
            QCOMPARE(o.f.dialogs.Count("error"), 1);
            QCOMPARE(e->CBPicture->currentText(), redFile);
            QTest::mouseClick(e->SpeedButton5, Qt::LeftButton);
            QCOMPARE(e->CBMelody->currentText(), QStringLiteral("/nikde/zvonenie.wav"));
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        const FileDialogOptions& picture = o.f.dialogs.fileDialogs.at(0);
        QCOMPARE(picture.filter, std::string("Všetky obrázky (*.jpg *.jpeg *.bmp *.ico *.emf *.wmf)|"
                                             "*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"));
        QCOMPARE(picture.initialFolder, ui::S(ui::PathText(o.f.folder.Path())));
        QCOMPARE(o.f.dialogs.fileDialogs.at(3).filter, std::string("Zvukové súbory (*.wav)|*.wav"));
        const TReminder r = o.f.ReadReminders().at(0);
        QCOMPARE(r.Picture, ui::S(redFile));
        QCOMPARE(r.Melody, std::string("/nikde/zvonenie.wav"));
        // Opened again, a picture that is gone shows the standard one; the path stays.
        QVERIFY(QFile::remove(redFile));
        o.Edit(0, [&](ui::TEditMessage* e) {
            QCOMPARE(e->CBPicture->currentText(), redFile);
            QVERIFY(e->ImageMsg->pixmap().toImage().pixelColor(4, 4) != QColor(Qt::red));
            e->SpeedButton3Click();
        });
    }

    void putBackFillsFromTheArchivedReminderAndWritesANewOne() {
        Opened o({});
        TReminder old = WithNotice(Ordinary(Day(2006, 3, 5), At(14, 30), "Zubár"), Day(2006, 3, 1), rpDaily, At(8, 0));
        old.Melody = "/nikde/zvonenie.wav";
        o.Inside([](ui::TEditMessage* e) {
            QVERIFY(!e->SpeedButton1->isHidden() && e->SpeedButton2->isHidden());
            QCOMPARE(e->Date->date(), ui::DateOfDay(kMonday));
            QCOMPARE(e->EText->toPlainText(), QStringLiteral("Zubár"));
            QVERIFY(e->CB->isChecked() && e->CBPeriod->isEnabled());
            QTest::mouseClick(e->SpeedButton1, Qt::LeftButton);
        });
        o.editor->PutBack(old);
        QVERIFY(!o.f.windows->edit->EditMode);
        const TReminder r = o.f.ReadReminders().at(0);
        QCOMPARE(r.Date, kMonday);
        QCOMPARE(r.Time, At(9, 0));
        QCOMPARE(r.Text, std::string("Zubár"));
        QCOMPARE(r.Period, 0);
        QCOMPARE(r.Melody, old.Melody);
    }
};

KALVO_UI_TEST(EditorTest)

}  // namespace kalvo::test

#include "editor_test.moc"
