// The name-day notice: its slide out of the corner, its stay and slide down, and when the mouse over the
// tray icon brings it out.

#include <QTest>
#include <fstream>
#include <iterator>

#include "ui/common/colors.h"
#include "ui/main_window/kalvounit.h"
#include "ui/main_window/tray_hover.h"
#include "ui/namedays/mena.h"
#include "ui/overview/prehlad.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

constexpr int kNever = 24 * 3600 * 1000;

// The notice's timers left for the test to drive.
ui::TFormMena* DrivenNotice(UiFixture& f) {
    ui::TFormMena* notice = f.windows->mena;
    for (QTimer* t : {notice->TimerShow, notice->TimerHide, notice->TimerClose, notice->TimerBlok})
        t->setInterval(kNever);
    return notice;
}

void Settle(UiFixture& f, bool animate) {
    TSettings s;
    s.AnimateWindows = animate ? 1 : 0;
    f.WriteSettings(s);
    f.platform.assetFolder = KALVO_ASSET_DIR;
    f.CreateWindows();
}

}  // namespace

class NameNoticeTest : public QObject {
    Q_OBJECT

private slots:
    void slidesOutInFortyOneStepsStaysThenSlidesDown() {
        UiFixture f;
        Settle(f, /*animate=*/true);
        ui::TFormMena* notice = DrivenNotice(f);
        notice->show();
        const int target = notice->TargetLeft();
        QCOMPARE(notice->size(), QSize(182, 53));
        QCOMPARE(notice->windowOpacity(), 205.0 / 255.0);
        QCOMPARE(notice->x(), target + 182);
        QCOMPARE(notice->y(), notice->RestTop());
        QCOMPARE(notice->Datum->text(), QStringLiteral("7.12.2026"));
        QVERIFY(notice->TimerShow->isActive() && !notice->TimerHide->isActive());
        std::map<int, int> steps;
        int count = 0;
        while (notice->TimerShow->isActive() && count < 100) {
            const int before = notice->x();
            notice->TimerShowTimer();
            ++steps[before - notice->x()];
            ++count;
        }
        QCOMPARE(count, 41);
        QCOMPARE(steps, (std::map<int, int>{{10, 10}, {8, 2}, {6, 3}, {4, 5}, {2, 7}, {1, 14}}));
        QCOMPARE(notice->x(), target);
        QCOMPARE(notice->Tag(), 2);
        QVERIFY(notice->TimerHide->isActive());
        f.windows->main->UpdateDayNames();
        UiFixture::Screenshot(notice, QStringLiteral("name-notice"));

        // Shown again while in place: it stays put and its stay is not restarted.
        notice->FormShow();
        QCOMPARE(notice->x(), target);
        QVERIFY(!notice->TimerShow->isActive() && notice->TimerHide->isActive());

        notice->TimerHideTimer();  // ten seconds later
        QVERIFY(!notice->TimerHide->isActive() && notice->TimerClose->isActive());
        const int top = notice->y();
        int down = 0;
        while (notice->TimerClose->isActive() && down < 100) {
            notice->TimerCloseTimer();
            ++down;
        }
        QCOMPARE(down, (notice->DesktopBottom() - 2 - top + 1) / 2);
        QVERIFY(!notice->isVisible());
        QCOMPARE(notice->Tag(), 1);
    }

    void withoutAnimationItStandsInPlaceForTenSeconds() {
        UiFixture f;
        Settle(f, /*animate=*/false);
        ui::TFormMena* notice = DrivenNotice(f);
        notice->show();
        QCOMPARE(notice->pos(), QPoint(notice->TargetLeft(), notice->RestTop()));
        QVERIFY(!notice->TimerShow->isActive() && notice->TimerHide->isActive());
        QCOMPARE(notice->Tag(), 1);
        notice->TimerHideTimer();
        QVERIFY(!notice->isVisible());
        QCOMPARE(notice->pos(), QPoint(notice->TargetLeft(), notice->RestTop()));
    }

    void closingSlidesItDownAtOnceEvenHalfWayIn() {
        UiFixture f;
        Settle(f, /*animate=*/true);
        ui::TFormMena* notice = DrivenNotice(f);
        notice->show();
        for (int i = 0; i < 5; ++i) notice->TimerShowTimer();
        QTest::mouseClick(notice->Label9, Qt::LeftButton);
        QVERIFY(!notice->TimerShow->isActive() && !notice->TimerHide->isActive());
        QVERIFY(notice->TimerClose->isActive());
        QCOMPARE(notice->Label9->Current().text, ui::ColorNumber(27607));
        QVERIFY(!notice->Label9->Underlined());
        while (notice->TimerClose->isActive()) notice->TimerCloseTimer();
        QVERIFY(!notice->isVisible());
        // Next time it starts from the corner again.
        notice->show();
        QCOMPARE(notice->x(), notice->TargetLeft() + 182);
        QCOMPARE(notice->Label9->Current().text, ui::ColorNumber(108));
    }

    void trayHoverWantsAMoveOnBothAxesOfFourPixels() {
        using ui::TrayHover;
        using ui::TrayHoverConditions;
        using ui::TrayHoverStep;
        const TrayHoverConditions on;
        TrayHover h;
        QVERIFY(!TrayHoverStep(h, {false, true, false}, 500, 700));
        QCOMPARE(h.x, 0);                          // switched off, nothing is even recorded
        QVERIFY(!TrayHoverStep(h, on, 500, 700));  // the first move only records where the mouse is
        QCOMPARE(h.x, 500);
        QCOMPARE(h.y, 700);
        QVERIFY(!TrayHoverStep(h, on, 520, 700));                    // across only
        QVERIFY(!TrayHoverStep(h, on, 500, 690));                    // up and down only
        QVERIFY(!TrayHoverStep(h, on, 503, 697));                    // too little
        QVERIFY(!TrayHoverStep(h, {true, false, false}, 510, 710));  // within five seconds of the last
        QVERIFY(!TrayHoverStep(h, {true, true, true}, 510, 710));    // the notice is staying
        QVERIFY(TrayHoverStep(h, on, 504, 701));
        QCOMPARE(h.x, 504);
        QCOMPARE(h.y, 701);
        QVERIFY(!TrayHoverStep(h, on, 505, 698));
        QVERIFY(TrayHoverStep(h, on, 500, 702));  // four back is enough
    }

    void restingOnTheTrayIconSlidesTheNoticeOutOncePerBlock() {
        UiFixture f;
        Settle(f, /*animate=*/false);
        ui::TMainForm* main = f.windows->main;
        ui::TFormMena* notice = DrivenNotice(f);
        f.SetNow(Day(2026, 12, 8), 9, 0);  // the names are worked out again when it slides out
        main->TrayIconMouseMove(1200, 760);
        QVERIFY(!notice->isVisible());
        main->TrayIconMouseMove(1205, 762);
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->LMenoDnes->text(), QStringLiteral("Marína"));
        QCOMPARE(notice->Datum->text(), QStringLiteral("8.12.2026"));
        QVERIFY(!f.windows->main->TrayHoverArmed && notice->TimerBlok->isActive());

        // A click on the icon takes it away; the block still holds.
        main->TrayIconClick();
        QVERIFY(!notice->isVisible() && !notice->TimerHide->isActive());
        QVERIFY(main->isVisible());
        main->TrayIconMouseMove(1220, 740);
        QVERIFY(!notice->isVisible());
        notice->TimerBlokTimer();  // five seconds on
        QVERIFY(f.windows->main->TrayHoverArmed && !notice->TimerBlok->isActive());
        main->TrayIconMouseMove(1240, 720);
        QVERIFY(notice->isVisible());

        // Opening the tray menu takes it away and blocks the next one as well.
        notice->TimerBlokTimer();
        main->PopupMenuPopup();
        QVERIFY(!notice->isVisible() && !notice->TimerHide->isActive());
        QVERIFY(!f.windows->main->TrayHoverArmed && notice->TimerBlok->isActive());
        main->TrayIconMouseMove(1260, 700);
        QVERIFY(!notice->isVisible());
    }

    void theDayNamesAreRenewedAtMidnightOnEveryTray() {
        // No StatusNotifier tray here: the names follow the day by the tick, and by the caption ticker
        // while the scheduler waits.
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.SetNow(Day(2026, 12, 7), 23, 59, 59);
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        QVERIFY(!main->NamesInToolTip);
        QCOMPARE(main->TodayNames, QStringLiteral("Ambróz"));
        QCOMPARE(f.windows->plan->LMenoDnes->text(), QStringLiteral("Ambróz"));

        f.SetNow(Day(2026, 12, 8), 0, 0, 0);
        main->TestTimerTimer();
        QCOMPARE(main->TodayNames, QStringLiteral("Marína"));
        QCOMPARE(main->TomorrowNames, QStringLiteral("Izabela"));
        for (QLabel* today : {f.windows->plan->LMenoDnes, f.windows->mena->LMenoDnes})
            QCOMPARE(today->text(), QStringLiteral("Marína"));
        QCOMPARE(f.windows->mena->LZajtra->text(), QStringLiteral("Izabela"));

        main->StopScheduler();
        f.SetNow(Day(2026, 12, 9), 0, 0, 5);
        main->DatumChangeTimer();
        QCOMPARE(main->TodayNames, QStringLiteral("Izabela"));
        QCOMPARE(f.windows->plan->LMenoDnes->text(), QStringLiteral("Izabela"));
    }

    void aDamagedNameCalendarIsToldOnceAtStart() {
        // Cut short as a disk error would: the days after the cut have no names, and the user is told.
        std::ifstream in(std::string(KALVO_ASSET_DIR) + "/calend.dat", std::ios::binary);
        std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        QVERIFY(bytes.size() > 1000);
        bytes.resize(bytes.size() / 2);
        TempFolder assets;
        assets.Write("calend.dat", bytes);
        UiFixture f;
        f.platform.assetFolder = assets.Path();
        f.CreateWindows();
        QCOMPARE(f.dialogs.Count("error"), 1);
        const std::string& text = f.dialogs.shown.back().text;
        QVERIFY2(text.find("Kalendár mien") != std::string::npos, text.c_str());
        QVERIFY2(text.find("súbor je neúplný (skrátený)") != std::string::npos, text.c_str());
        QVERIFY(f.windows->main->TodayNames.isEmpty());  // 7 December lies after the cut
    }

    void onAStatusNotifierTrayTheTooltipCarriesTheNamesAndTheMiddleButtonShowsThem() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        s.SlideNameWindow = 0;  // asked for, not slid out on hover
        f.WriteSettings(s);
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        ui::TFormMena* notice = DrivenNotice(f);
        QCOMPARE(main->TrayIcon->toolTip(), QStringLiteral("Kalvo"));
        main->NamesInToolTip = true;
        f.SetNow(Day(2026, 12, 8), 9, 0);
        main->UpdateDayNames();
        QCOMPARE(main->TrayIcon->toolTip(), QStringLiteral("Kalvo\nDnes: Marína\nZajtra: ") + main->TomorrowNames);
        QVERIFY(!main->TomorrowNames.isEmpty());
        emit main->TrayIcon->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->LMenoDnes->text(), QStringLiteral("Marína"));
        QVERIFY(!main->isVisible());  // the main window is the left button's

        // After midnight the tooltip follows with the names.
        f.SetNow(Day(2026, 12, 9), 0, 0, 1);
        main->TestTimerTimer();
        QCOMPARE(main->TrayIcon->toolTip(), QStringLiteral("Kalvo\nDnes: Izabela\nZajtra: ") + main->TomorrowNames);
    }
};

KALVO_UI_TEST(NameNoticeTest)

}  // namespace kalvo::test

#include "name_notice_test.moc"
