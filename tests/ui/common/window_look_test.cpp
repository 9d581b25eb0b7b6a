// What the windows look like after a person has used them: buttons back at rest, one reading of the
// decorative strip's colour step everywhere, and a main window that can be hidden on a desktop without a
// notification area.

#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "person.h"
#include "ui/common/colors.h"
#include "ui/common/window_builders.h"
#include "ui/import/addnew.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendarlist.h"
#include "ui/overview/prehlad.h"
#include "ui/widgets/shape.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

const QPoint kOnButton(10, 10);

// The left column of the strip, one colour per band of 8 pixels, top to bottom.
QList<QColor> Bands(const QImage& image) {
    QList<QColor> bands;
    for (int y = 4; y < image.height(); y += 8) bands << image.pixelColor(1, y);
    return bands;
}

// Each band is `step` lighter than the one above on red, green and blue alike, up to white.
void ExpectGreyStepsOf(const QImage& strip, int step, const QColor* lastBand = nullptr) {
    const QList<QColor> bands = Bands(strip);
    QVERIFY(bands.size() > 3);
    QColor expected = ui::ColorNumber(8487297);
    for (const QColor& band : bands) {
        expected = QColor(std::min(255, expected.red() + step), std::min(255, expected.green() + step),
                          std::min(255, expected.blue() + step));
        QCOMPARE(band, expected);
    }
    if (lastBand) QCOMPARE(*lastBand, bands.last());
}

}  // namespace

class WindowLookTest : public QObject {
    Q_OBJECT

private slots:
    void overviewButtonIsAtRestWhenTheOverviewComesBack() {
        UiFixture f;
        f.CreateWindows();
        ui::TPlan* plan = f.windows->plan;
        plan->show();
        const ui::ButtonLook rest = plan->Label9->Current();
        Hover(plan->Label9, kOnButton);
        QCOMPARE(plan->Label9->Current().frame, ui::kOrange);
        QTest::mouseClick(plan->Label9, Qt::LeftButton, {}, kOnButton);
        QVERIFY(!plan->isVisible());
        f.windows->main->Dnes1->trigger();
        QVERIFY(plan->isVisible());
        QCOMPARE(plan->Label9->Current().frame, rest.frame);
        QCOMPARE(plan->Label9->Current().text, rest.text);
    }

    void mainWindowButtonsPressAndRestInTheirColours() {
        UiFixture f;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        main->pmObnovitClick();
        const QColor panel(215, 215, 227);
        QTest::mousePress(main->Label9, Qt::LeftButton, {}, kOnButton);  // "Skryť"
        QCOMPARE(main->Label9->Current().frame, panel);
        QCOMPARE(main->Label9->Current().text, panel);
        QTest::mouseRelease(main->Label9, Qt::LeftButton, {}, kOnButton);
        QVERIFY(!main->isVisible());
        main->pmObnovitClick();
        QCOMPARE(main->Label9->Current().text, ui::kLightFace);
        QCOMPARE(main->Label9->Current().frame, panel);

        // Pressed, "Ukončiť" turns white; a mouse that leaves a button puts it back at rest.
        QTest::mousePress(main->Label8, Qt::LeftButton, {}, kOnButton);
        QCOMPARE(main->Label8->Current().text, QColor(Qt::white));
        QTest::mouseRelease(main->Label8, Qt::LeftButton, {}, QPoint(-20, 10));
        Hover(main->Label8, kOnButton);
        QCOMPARE(main->Label8->Current().frame, ui::kOrange);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(main->Label8, &leave);
        QCOMPARE(main->Label8->Current().frame, panel);
    }

    void decorativeStripStepsEveryChannelAlikeInEveryWindow() {
        UiFixture f;
        f.CreateWindows();
        ui::TKalendForm* list = f.windows->kalendForm;
        list->show();
        auto* listStrip = list->findChild<ui::PaintBox*>(QStringLiteral("PaintBox1"));
        QVERIFY(listStrip);
        const QImage painted = listStrip->grab().toImage();  // the painting gives the bottom bar its colour
        const QColor bottom = list->findChild<ui::Shape*>(QStringLiteral("Shape2"))->Brush();
        ExpectGreyStepsOf(painted, 8, &bottom);
        list->hide();

        ui::TFAddNew* question = f.windows->addNew;
        question->Fill(Ordinary(Day(2026, 12, 8), At(9, 0), "a"));
        question->show();
        // The window paints its strip itself, at the right edge below the title.
        ExpectGreyStepsOf(question->grab(QRect(384, 38, 24, 150)).toImage(), 5);
        question->hide();
    }

    void withoutANotificationAreaHidingMinimisesAndSaysWhyOnce() {
        UiFixture f;
        f.ctx->trayAvailable = [] { return false; };
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        main->pmObnovitClick();
        QVERIFY(main->isVisible() && !main->isMinimized());
        QTest::mouseClick(main->Label9, Qt::LeftButton, {}, kOnButton);  // "Skryť"
        QVERIFY(main->isVisible());
        QVERIFY(main->isMinimized());
        QCOMPARE(main->pmObnovit->text(), QStringLiteral("Kalvo"));
        QCOMPARE(f.dialogs.Count("info"), 1);
        QVERIFY(f.dialogs.shown.back().text.find("paneli úloh") != std::string::npos);

        // Back from the task bar by the tray menu's command, then down again: told only once.
        main->pmObnovitClick();
        QVERIFY(main->isVisible() && !main->isMinimized());
        QCOMPARE(main->pmObnovit->text(), QStringLiteral("Skryť Kalvo"));
        QTest::mouseClick(main->Label9, Qt::LeftButton, {}, kOnButton);
        QVERIFY(main->isMinimized());
        QCOMPARE(f.dialogs.Count("info"), 1);

        // Restored by the task bar itself, the window still hides with one click.
        main->showNormal();
        QTest::mouseClick(main->Label9, Qt::LeftButton, {}, kOnButton);
        QVERIFY(main->isMinimized());
    }

    void withANotificationAreaHidingHides() {
        UiFixture f;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        main->pmObnovitClick();
        QTest::mouseClick(main->Label9, Qt::LeftButton, {}, kOnButton);
        QVERIFY(!main->isVisible());
        QCOMPARE(f.dialogs.Count("info"), 0);
    }

    // A colour number holds red in its low byte, green in the next and blue in the third.
    void colourNumbersHoldRedInTheLowByte() {
        QCOMPARE(ui::ColorNumber(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(ui::ColorNumber(0x123456), QColor(0x56, 0x34, 0x12));
    }

    // A letter coloured by a style sheet reaches the label's palette, over any ground.
    void colourStyleSheetsColourTheLetter() {
        for (const QString& sheet : {ui::TextColour(ui::kDeepOrange), ui::TextOnClear(ui::kDeepOrange)}) {
            QWidget window;
            auto* label = new QLabel(QStringLiteral("Meniny"), &window);
            label->setStyleSheet(sheet);
            label->ensurePolished();
            QCOMPARE(label->palette().color(QPalette::WindowText), ui::kDeepOrange);
        }
    }

    // Edit, delete, add from left to right whichever way Tab walks them, apart and alike, starting where
    // they are asked to; only adding works before a row is picked.
    void commandBarButtonsStandInTheirOrder() {
        for (const ui::TabWalk walk : {ui::TabWalk::LeftToRight, ui::TabWalk::RightToLeft}) {
            QWidget window;
            const ui::CommandBar bar = ui::AddCommandBar(&window, QPoint(100, 20), walk);
            QCOMPARE(bar.edit->pos(), QPoint(100, 20));
            const QList<QToolButton*> leftToRight{bar.edit, bar.del, bar.add};
            for (qsizetype i = 1; i < leftToRight.size(); ++i) {
                QCOMPARE(leftToRight[i]->y(), bar.edit->y());
                QCOMPARE(leftToRight[i]->size(), bar.edit->size());
                QVERIFY(leftToRight[i - 1]->geometry().right() < leftToRight[i]->x());
            }
            QVERIFY(!bar.edit->isEnabled());
            QVERIFY(!bar.del->isEnabled());
            QVERIFY(bar.add->isEnabled());
            const QList<QToolButton*> made = window.findChildren<QToolButton*>();
            const QList<QToolButton*> expected =
                walk == ui::TabWalk::LeftToRight ? leftToRight : QList<QToolButton*>{bar.add, bar.del, bar.edit};
            QCOMPARE(made, expected);
        }
    }

    // The main window walks its bar from the left, the day list window from the right.
    void windowsKeepTheirCommandBarsTabOrder() {
        UiFixture f;
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        QCOMPARE(main->BtEdit->nextInFocusChain(), static_cast<QWidget*>(main->BtDel));
        QCOMPARE(main->BtDel->nextInFocusChain(), static_cast<QWidget*>(main->SpeedButton4));
        ui::TKalendForm* days = f.windows->kalendForm;
        QCOMPARE(days->SpeedButton4->nextInFocusChain(), static_cast<QWidget*>(days->BtDel));
        QCOMPARE(days->BtDel->nextInFocusChain(), static_cast<QWidget*>(days->BtEdit));
        // Both bars lie whole inside their windows.
        for (QToolButton* button : {main->BtEdit, main->SpeedButton4, days->SpeedButton4, days->BtEdit}) {
            QWidget* window = button->window();
            QVERIFY2(window->rect().contains(QRect(button->mapTo(window, QPoint()), button->size())),
                     qPrintable(button->objectName()));
        }
    }
};

KALVO_UI_TEST(WindowLookTest)

}  // namespace kalvo::test

#include "window_look_test.moc"
