// The windows used with the keyboard alone: Tab walks the fields in the order they are read, Enter does
// the window's default action, Escape closes, and a screen reader can name every button.

#include <QAbstractButton>
#include <QTest>

#include "person.h"
#include "ui/about/about.h"
#include "ui/alarm/message_popup.h"
#include "ui/archive/oldprehlad.h"
#include "ui/common/colors.h"
#include "ui/editor/messageedit.h"
#include "ui/import/addnew.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui/namedays/mena.h"
#include "ui/overview/prehlad.h"
#include "ui/settings/setup.h"
#include "ui/shutdown/offwin.h"
#include "ui/widgets/shape_button.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

struct Keyboard {
    UiFixture f;
    ui::TMainForm* main = nullptr;
    ui::TEditMessage* editor = nullptr;

    explicit Keyboard(const ReminderList& reminders = {}) {
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.WriteReminders(reminders);
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.CreateWindows();
        main = f.windows->main;
        editor = f.windows->edit;
        main->pmObnovitClick();
        QApplication::processEvents();
    }
};

// The control of `window` that holds the keyboard (a date edit rather than its inner line edit).
QWidget* Focused(QWidget* window) {
    QWidget* w = QApplication::focusWidget();
    while (w && w->parentWidget() && w->parentWidget() != window) w = w->parentWidget();
    return w;
}

void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target ? target : window, key, modifiers);
}

// Presses Tab until `target` has the keyboard; the controls passed on the way, each once, in order.
QList<QWidget*> TabTo(QWidget* window, QWidget* target, std::function<void(QWidget*)> at = {}) {
    QList<QWidget*> passed{Focused(window)};
    for (int i = 0; i < 80 && Focused(window) != target; ++i) {
        Press(window, Qt::Key_Tab);
        QWidget* now = Focused(window);
        if (passed.last() != now) {
            passed << now;
            if (at) at(now);
        }
    }
    return passed;
}

}  // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void editorIsFinishedWithTheKeyboardAlone() {
        Keyboard k;
        ui::TEditMessage* e = k.editor;
        QList<QWidget*> passed;
        WhenModalIs(e, [&] {
            QCOMPARE(Focused(e), static_cast<QWidget*>(e->EText));
            Type(e->EText, QStringLiteral("Zubár"));
            // On the way down, Space turns the notice on, which opens its fields to Tab.
            passed = TabTo(e, e->SpeedButton1, [&](QWidget* now) {
                if (now == e->CB) Press(e, Qt::Key_Space);
            });
            QCOMPARE(Focused(e), static_cast<QWidget*>(e->SpeedButton1));
            Press(e, Qt::Key_Return);
            QVERIFY(!e->isVisible());
        });
        QTest::mouseClick(k.main->SpeedButton4, Qt::LeftButton);  // "Pridať"
        const QList<QWidget*> expected{e->EText,     e->CB,           e->DateOpak, e->CBPeriod,     e->CBLast,
                                       e->CBPicture, e->SpeedButton4, e->CBMelody, e->SpeedButton5, e->SpeedButton1};
        QCOMPARE(passed.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) QVERIFY2(passed[i] == expected[i], qPrintable(QString::number(i)));
        const ReminderList saved = k.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{1});
        QCOMPARE(saved[0].Text, std::string("Zubár"));
        QCOMPARE(saved[0].Notice, 1);

        // Enter in the text writes; Tab from the last button comes round to the first field.
        WhenModalIs(e, [&] {
            Type(e->EText, QStringLiteral("Lekáreň"));
            TabTo(e, e->SpeedButton3);
            Press(e, Qt::Key_Tab);
            QCOMPARE(Focused(e), static_cast<QWidget*>(e->Date));
            TabTo(e, e->EText);
            Press(e, Qt::Key_Enter);
            QVERIFY(!e->isVisible());
        });
        QTest::mouseClick(k.main->SpeedButton4, Qt::LeftButton);
        QCOMPARE(k.f.ReadReminders().size(), std::size_t{2});

        // Escape cancels, and Enter on "Zrušiť" is "Zrušiť".
        WhenModalIs(e, [&] {
            Type(e->EText, QStringLiteral("nič"));
            Press(e, Qt::Key_Escape);
            QVERIFY(!e->isVisible());
        });
        QTest::mouseClick(k.main->SpeedButton4, Qt::LeftButton);
        WhenModalIs(e, [&] {
            Type(e->EText, QStringLiteral("nič"));
            TabTo(e, e->SpeedButton3);
            Press(e, Qt::Key_Return);
            QVERIFY(!e->isVisible());
        });
        QTest::mouseClick(k.main->SpeedButton4, Qt::LeftButton);
        QCOMPARE(k.f.ReadReminders().size(), std::size_t{2});
    }

    void nameCalendarSearchesOnEnterInTheNameAndWritesOnEnterElsewhere() {
        Keyboard k;
        ui::TFormKalendar* cal = k.f.windows->kalendar;
        cal->PrepareNew();
        WhenModalIs(cal, [&] {
            cal->FindName->setFocus();
            cal->FindName->clear();
            Type(cal->FindName, QStringLiteral("Šimon"));
            Press(cal, Qt::Key_Return);
            QVERIFY(cal->isVisible());
            QCOMPARE(cal->Meniny->text(), QStringLiteral("Šimon"));
            TabTo(cal, cal->Memo1);
            QCOMPARE(cal->Memo1->toPlainText(), QStringLiteral("Dňa 30.10 oslavuje meniny Šimon"));
            Press(cal, Qt::Key_Return);
            QVERIFY(!cal->isVisible());
        });
        cal->ShowModal();
        const ReminderList saved = k.f.ReadReminders();
        QCOMPARE(saved.size(), std::size_t{1});
        QCOMPARE(saved[0].Text, std::string("Dňa 30.10 oslavuje meniny Šimon"));
    }

    void everyButtonHasANameForAScreenReader() {
        Keyboard k;
        const app::ProgramWindows& all = *k.f.windows;
        const QList<QWidget*> windows{all.plan, all.oldPlan, all.mena,  all.kalendar, all.kalendForm, all.addNew,
                                      all.main, all.about,   all.setup, all.offWin,   all.edit,       all.popup};
        for (QWidget* window : windows) {
            for (auto* b : window->findChildren<ui::ShapeButton*>())
                QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(window->objectName() + "/" + b->objectName()));
            for (auto* b : window->findChildren<QAbstractButton*>()) {
                // The toolkit's own parts (the calendar's corner and arrows) are named by the toolkit.
                if (b->objectName().startsWith(QLatin1String("qt_")) ||
                    QLatin1String(b->metaObject()->className()) == QLatin1String("QTableCornerButton"))
                    continue;
                QVERIFY2(!b->text().isEmpty() || !b->accessibleName().isEmpty(),
                         qPrintable(window->objectName() + "/" + b->metaObject()->className() + "/" + b->toolTip()));
            }
        }
        QCOMPARE(k.main->Label9->accessibleName(), QStringLiteral("Skryť"));
    }

    void buttonsDrawnAsLabelsArePressedWithTheKeyboard() {
        Keyboard k;
        k.main->activateWindow();
        QApplication::processEvents();
        k.main->Label9->setFocus(Qt::TabFocusReason);
        QCOMPARE(k.main->Label9->Current().frame, ui::kOrange);  // the focus shows
        QTest::keyClick(k.main->Label9, Qt::Key_Space);          // "Skryť"
        QVERIFY(!k.main->isVisible());
    }
};

KALVO_UI_TEST(KeyboardTest)

}  // namespace kalvo::test

#include "keyboard_test.moc"
