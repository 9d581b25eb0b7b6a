// The alarm pop-up: where it rests, how it slides in and out, and its self-close countdown.

#include <QTest>

#include "ui/alarm/message_popup.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {

class PopupTest : public QObject {
    Q_OBJECT

    // The pop-up shown without its modal loop, its timers left for the test to drive.
    static void ShowDriven(ui::TMesgPopUp* popup) {
        for (QTimer* t : {popup->TimerShow, popup->TimerHide, popup->TimerClose}) t->setInterval(24 * 3600 * 1000);
        popup->show();
    }

private slots:
    void restsAboveTheTaskBarWithoutAnimation() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.CreateWindows();
        ui::TMesgPopUp* popup = f.windows->popup;
        popup->Message->appendPlainText(QStringLiteral("Zubár o tretej"));
        ShowDriven(popup);
        const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
        QCOMPARE(popup->size(), QSize(473, 82));
        QCOMPARE(popup->x(), screen.width() - 473 - 2);
        QCOMPARE(popup->y(), screen.height() - 82 - 34);
        QVERIFY(!popup->TimerShow->isActive());
        QVERIFY(!popup->TimerClose->isActive());  // an ordinary reminder waits for the user
        QCOMPARE(popup->windowOpacity(), 220.0 / 255.0);
        popup->Label9Click();
        QVERIFY(!popup->isVisible());
        QCOMPARE(popup->Tag(), 1);
    }

    void slidesInWithTheStepTableAndOutTwoPixelsAtATime() {
        UiFixture f;
        f.CreateWindows();  // animation is on by default
        ui::TMesgPopUp* popup = f.windows->popup;
        popup->Datum->setText(QStringLiteral("Dátum: 7.12.2026       Čas: 9:00:00"));
        popup->Message->appendPlainText(QStringLiteral("Porada"));
        ShowDriven(popup);
        const int target = popup->TargetLeft();
        QCOMPARE(popup->x(), target + 473);
        QVERIFY(popup->TimerShow->isActive());
        std::map<int, int> steps;
        int count = 0;
        while (popup->TimerShow->isActive() && count < 200) {
            const int before = popup->x();
            popup->TimerShowTimer();
            ++steps[before - popup->x()];
            ++count;
        }
        QCOMPARE(count, 70);
        QCOMPARE(popup->x(), target);
        const std::map<int, int> expected{{10, 39}, {8, 2}, {6, 3}, {4, 5}, {2, 8}, {1, 13}};
        QCOMPARE(steps, expected);
        QCOMPARE(popup->Tag(), 2);
        UiFixture::Screenshot(popup, QStringLiteral("popup"));

        // Shown again while in place: it does not move and no countdown starts.
        popup->FormShow();
        QCOMPARE(popup->x(), target);
        QVERIFY(!popup->TimerShow->isActive());

        popup->Label9Click();
        QVERIFY(popup->TimerHide->isActive());
        int down = 0;
        while (popup->TimerHide->isActive() && down < 200) {
            popup->TimerHideTimer();
            ++down;
        }
        QVERIFY(!popup->isVisible());
        QCOMPARE(popup->Tag(), 1);
        QVERIFY(popup->y() >= popup->DesktopBottom() - 2);
    }

    void timeSignalClosesItselfAfterNinetySeconds() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.CreateWindows();
        ui::TMesgPopUp* popup = f.windows->popup;
        popup->Message->appendPlainText(QStringLiteral(" "));
        popup->Message->appendPlainText(QStringLiteral("Časové znamenie !!!  Dátum: 7.12.2026       Čas: 9:00:00"));
        ShowDriven(popup);
        QVERIFY(popup->TimerClose->isActive());
        popup->TimerCloseTimer();
        QCOMPARE(popup->Label9->Text(), QStringLiteral("Zatvoriť o 89s"));
        for (int i = 2; i <= 89; ++i) popup->TimerCloseTimer();
        QCOMPARE(popup->Label9->Text(), QStringLiteral("Zatvoriť o 1s"));
        QVERIFY(popup->isVisible());
        popup->TimerCloseTimer();
        QCOMPARE(popup->Label9->Text(), QStringLiteral("Zatvoriť"));
        QVERIFY(!popup->isVisible());
        QCOMPARE(f.windows->popup->CloseCountdown, 90);
    }

    void clickDuringTheCountdownStopsItForTheNextOne() {
        UiFixture f;
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.CreateWindows();
        f.windows->popup->AutoCloseAlarms = true;  // a shut-down is ordered: every alarm closes itself
        ui::TMesgPopUp* popup = f.windows->popup;
        popup->Message->appendPlainText(QStringLiteral("Porada"));
        ShowDriven(popup);
        QVERIFY(popup->TimerClose->isActive());
        for (int i = 0; i < 10; ++i) popup->TimerCloseTimer();
        QCOMPARE(popup->Label9->Text(), QStringLiteral("Zatvoriť o 80s"));
        popup->Label9Click();
        QVERIFY(!popup->TimerClose->isActive());
        QCOMPARE(popup->Label9->Text(), QStringLiteral("Zatvoriť"));
        QCOMPARE(f.windows->popup->CloseCountdown, 90);
    }
};

KALVO_UI_TEST(PopupTest)

}  // namespace kalvo::test

#include "popup_test.moc"
