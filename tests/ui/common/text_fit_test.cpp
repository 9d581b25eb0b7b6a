// Every window in each of its states, filled with the longest texts it can get (three-digit countdowns,
// the longest captions and names, a long reminder text), measured in the stock Debian desktop's font:
// no text may be wider than its box or run into the window's edge.

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTest>

#ifdef KALVO_HAVE_SYNC
#include "caldav/sync_account.h"
#endif
#include "core/datetime.h"
#include "filled_windows.h"
#include "namedays/name_calendar.h"
#include "person.h"
#include "text_fit.h"
#include "ui/about/about.h"
#include "ui/alarm/message_popup.h"
#include "ui/archive/oldprehlad.h"
#include "ui/common/day_convert.h"
#include "ui/editor/messageedit.h"
#include "ui/import/addnew.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui/namedays/mena.h"
#include "ui/overview/prehlad.h"
#include "ui/settings/setup.h"
#include "ui/shutdown/offwin.h"
#include "ui/widgets/shape.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

void ExpectAllFit(QWidget* window, const QString& shot) {
    UiFixture::Screenshot(window, QStringLiteral("fit-") + shot);
    const QStringList cut = CutTexts(window);
    QVERIFY2(cut.isEmpty(), qPrintable(shot + QStringLiteral(":\n  ") + cut.join(QStringLiteral("\n  "))));
}

}  // namespace

class TextFitTest : public QObject {
    Q_OBJECT

    QFont before_;

private slots:
    void initTestCase() {
        before_ = QApplication::font();
        QString problem;
        QVERIFY2(UseDesktopFont(&problem), qPrintable(problem));
        QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("DejaVu Sans"));
    }
    void cleanupTestCase() { QApplication::setFont(before_); }

    void mainWindowInEachView() {
        Filled w;
        w.main->pmObnovitClick();
        ClickRow(w.main->MesgList, 1);
        ExpectAllFit(w.main, QStringLiteral("main-list"));
        w.main->Label6Click();
        w.main->FinishAnimation();
        w.main->DatumClick(3);
        ExpectAllFit(w.main, QStringLiteral("main-week"));
        w.main->Label7Click();
        w.main->FinishAnimation();
        ExpectAllFit(w.main, QStringLiteral("main-month"));
    }

    void theLongestTextsEndInAnEllipsisInTheDetailLine() {
        // The editor's longest text, as one word and as words: two lines, the second cut with "…".
        UiFixture f;
        std::string words;
        while (words.size() < kMaxTextLength) words += "slovo ";
        words.resize(kMaxTextLength);
        f.WriteReminders({Ordinary(Day(2026, 12, 8), At(9, 0), std::string(kMaxTextLength, 'x')),
                          Ordinary(Day(2026, 12, 9), At(9, 0), words)});
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        main->pmObnovitClick();
        for (int row = 0; row < 2; ++row) {
            ClickRow(main->MesgList, row);
            const QLabel* detail = main->LText;
            QCOMPARE(detail->text().size(), qsizetype(kMaxTextLength));
            const int width = detail->contentsRect().width();
            const QStringList lines = ui::FittedLines(detail->text(), detail->font(), width, 2);
            QCOMPARE(lines.size(), 2);
            QVERIFY2(lines.back().endsWith(QChar(0x2026)), qPrintable(lines.back()));
            for (const QString& line : lines)
                QVERIFY2(QFontMetrics(detail->font()).horizontalAdvance(line) <= width, qPrintable(line));
            UiFixture::Screenshot(main, QStringLiteral("main-longest-text-%1").arg(row));
        }
    }

    void overviewCountingDownAndFromTheTray() {
        Filled w;
        ui::TPlan* plan = w.f.windows->plan;
        plan->TimerHide->setInterval(24 * 3600 * 1000);
        plan->show();
        plan->TimerHideTimer();
        QCOMPARE(plan->Label9->Text(), QStringLiteral("Zatvoriť o 998s"));
        plan->SetDayNames(w.Widest(true), w.Widest(false));
        ExpectAllFit(plan, QStringLiteral("overview"));
        plan->Label9Click();
        plan->ShowFromTray();
        ExpectAllFit(plan, QStringLiteral("overview-tray"));
    }

    void archiveToViewAndToPutBack() {
        Filled w;
        ui::TOldPlan* old = w.f.windows->oldPlan;
        old->ShowFromTray();
        ExpectAllFit(old, QStringLiteral("archive"));
        old->hide();
        old->ShowForPutBack();
        ExpectAllFit(old, QStringLiteral("archive-put-back"));
        old->Label3Click();
    }

    void alarmStripCountingDown() {
        Filled w;
        ui::TMesgPopUp* popup = w.f.windows->popup;
        popup->Datum->setText(QStringLiteral("Notifikácia: 31.12.2026 23:59:59 (štvrtok)"));
        popup->Message->setPlainText(ui::Q(kLongText));
        popup->SetSnoozable(true);
        popup->show();
        w.f.windows->popup->CloseCountdown = 90;
        popup->TimerCloseTimer();
        QCOMPARE(popup->Label9->Text(), QStringLiteral("Zatvoriť o 89s"));
        ExpectAllFit(popup, QStringLiteral("alarm"));
        popup->hide();
    }

    void nameDayNoticeAndShutdownCountdown() {
        Filled w;
        ui::TFormMena* notice = w.f.windows->mena;
        notice->SetDayNames(w.Widest(true), w.Widest(false));
        notice->show();
        ExpectAllFit(notice, QStringLiteral("name-notice"));
        notice->HideNow();
        ui::TOffWinForm* off = w.f.windows->offWin;
        off->show();
        ExpectAllFit(off, QStringLiteral("shutdown"));
        off->hide();
    }

    void editorNewEditedWithEachPeriod() {
        Filled w;
        ui::TEditMessage* e = w.f.windows->edit;
        e->show();
        ExpectAllFit(e, QStringLiteral("editor-new"));
        ClickBox(e->CB);
        e->CBPeriod->setCurrentIndex(2);
        QCOMPARE(e->Label6->text(), QStringLiteral("s periódou :"));
        Type(e->EText, QStringLiteral("Ωmega ☺ Ж"));
        ExpectAllFit(e, QStringLiteral("editor-notice"));
        e->SpeedButton3Click();
        w.main->pmObnovitClick();
        ClickRow(w.main->MesgList, 1);
        WhenModalIs(e, [&] {
            QVERIFY(!e->SpeedButton2->isHidden());
            ExpectAllFit(e, QStringLiteral("editor-edit-weekly"));
            e->CBDen->setCurrentIndex(0);
            ExpectAllFit(e, QStringLiteral("editor-edit-monday"));
        });
        w.main->BtEditClick();
    }

    void nameCalendarInEachUse() {
        Filled w;
        ui::TFormKalendar* k = w.f.windows->kalendar;
        k->PrepareNew();
        k->show();
        k->FindName->setText(QStringLiteral("Bohuslava"));
        k->BtFindClick();
        ExpectAllFit(k, QStringLiteral("name-calendar-found"));
        k->FindName->setText(QStringLiteral("Xerxes"));
        k->BtFindClick();
        Type(k->Memo1, QStringLiteral("Ωmega ☺ Ж"));
        ExpectAllFit(k, QStringLiteral("name-calendar-not-found"));
        k->hide();
        k->FillForChange(w.f.ReadReminders()[2], 2);
        k->show();
        ExpectAllFit(k, QStringLiteral("name-calendar-change"));
        k->hide();
        w.f.windows->kalendar->EndPrefill();
        WhenModalIs(k, [&] { ExpectAllFit(k, QStringLiteral("name-calendar-put-back")); });
        k->PutBack(w.f.ReadReminders()[2]);
    }

    void dayListWithALongEntry() {
        Filled w;
        ui::TKalendForm* list = w.f.windows->kalendForm;
        list->show();
        ClickRow(list->MesgList, 0);
        list->LMeniny->setText(w.Widest(true));
        ExpectAllFit(list, QStringLiteral("day-list"));
        list->hide();
    }

    void importQuestionForEachKind() {
        Filled w;
        ui::TFAddNew* question = w.f.windows->addNew;
        const ReminderList saved = w.f.ReadReminders();
        question->Fill(saved[1]);
        question->show();
        ExpectAllFit(question, QStringLiteral("import-weekly"));
        question->Fill(saved[2]);
        ExpectAllFit(question, QStringLiteral("import-birthday"));
        question->hide();
    }

    void settingsOnEachPage() {
        Filled w;
        w.f.platform.osName = "Debian GNU/Linux 12 (bookworm) s prostredím GNOME na pracovnej stanici";
        ui::TFormSetup* setup = w.f.windows->setup;
        setup->show();
        ExpectAllFit(setup, QStringLiteral("settings-general"));
        setup->BtSoundClick();
        ExpectAllFit(setup, QStringLiteral("settings-sound"));
        setup->BtPictureClick();
        ExpectAllFit(setup, QStringLiteral("settings-picture"));
        setup->BtPCClick();
        ExpectAllFit(setup, QStringLiteral("settings-shutdown"));
        if (setup->BtSync) {
            setup->BtSyncClick();
            ExpectAllFit(setup, QStringLiteral("settings-sync"));
#ifdef KALVO_HAVE_SYNC
            // With an account, the password box says where its password is kept.
            setup->hide();
            caldav::SyncAccount account;
            account.server = account.calendar = "https://kalendar.example.sk/remote.php/dav/calendars/eva/kalvo/";
            account.calendarName = "Kalvo";
            account.login = "eva.novakova";
            QVERIFY(caldav::SaveSyncAccount(w.f.ctx->files, account));
            setup->show();
            setup->BtSyncClick();
            ExpectAllFit(setup, QStringLiteral("settings-sync-account"));
#endif
        }
        setup->hide();
    }

    void about() {
        Filled w;
        ui::TAboutBox* box = w.f.windows->about;
        box->show();
        ExpectAllFit(box, QStringLiteral("about"));
        box->hide();
    }
};

KALVO_UI_TEST(TextFitTest)

}  // namespace kalvo::test

#include "text_fit_test.moc"
