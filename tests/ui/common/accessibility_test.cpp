// Every window as a screen reader sees it and a keyboard user walks it: each control a user acts on has
// a role and a name, and Tab reaches it. (The same check runs against the real accessibility bus in the
// e2e test access_test.py; this one needs no bus and runs offscreen.)

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QTest>

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

// Roles that tell a screen reader nothing about what a control does.
bool Bare(QAccessible::Role role) {
    return role == QAccessible::Client || role == QAccessible::Pane || role == QAccessible::Grouping ||
           role == QAccessible::NoRole;
}

// The toolkit's own inner parts (a spin box's line edit, a list's scroll bars) are reached through their
// holder.
bool InsideHolder(QWidget* w, QWidget* window) {
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<QAbstractScrollArea*>(p) || qobject_cast<QAbstractSpinBox*>(p) ||
            qobject_cast<QComboBox*>(p) || qobject_cast<QCalendarWidget*>(p))
            return true;
    return false;
}

QString Id(QWidget* w) {
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QLatin1String(w->metaObject()->className()), w->objectName(),
             QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name));
}

// The controls on show in `window` that a user acts on: they take the focus or answer an action.
QList<QWidget*> Controls(QWidget* window) {
    QList<QWidget*> found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || InsideHolder(w, window)) continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (!iface) continue;
        QStringList actions = iface->actionInterface() ? iface->actionInterface()->actionNames() : QStringList();
        actions.removeAll(QAccessibleActionInterface::setFocusAction());
        if ((w->focusPolicy() & Qt::TabFocus) || !actions.isEmpty()) found << w;
    }
    return found;
}

// The widgets that hold the keyboard as Tab is pressed round the window, from its first stop.
QSet<QWidget*> TabRound(QWidget* window) {
    window->activateWindow();
    QApplication::processEvents();
    QSet<QWidget*> reached;
    for (int i = 0; i < 120; ++i) {
        QWidget* at = QApplication::focusWidget();
        QTest::keyClick(at ? at : window, Qt::Key_Tab);
        if (QWidget* now = QApplication::focusWidget(); now && window->isAncestorOf(now)) reached << now;
    }
    return reached;
}

// What a screen reader or a keyboard user misses in the window as it shows now.
QStringList Audit(QWidget* window) {
    QStringList problems;
    const QSet<QWidget*> reached = TabRound(window);
    for (QWidget* w : Controls(window)) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (Bare(iface->role())) problems << Id(w) + " has no role";
        if (iface->text(QAccessible::Name).trimmed().isEmpty()) problems << Id(w) + " has no name";
        const bool reachedIt =
            std::any_of(reached.begin(), reached.end(), [w](QWidget* r) { return r == w || w->isAncestorOf(r); });
        if (w->isEnabled() && !reachedIt) problems << Id(w) + " is never reached with Tab";
    }
    return problems;
}

QStringList AuditShown(QWidget* window) {
    window->show();
    QApplication::processEvents();
    QStringList problems = Audit(window);
    for (QString& p : problems) p.prepend(window->objectName() + ": ");
    return problems;
}

struct Program {
    UiFixture f;
    ui::TMainForm* main = nullptr;

    Program() {
        TSettings s;
        s.AnimateWindows = 0;
        f.WriteSettings(s);
        f.WriteReminders({Ordinary(Day(2026, 12, 7), At(14, 30), "Zubár")});
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.CreateWindows();
        main = f.windows->main;
        main->pmObnovitClick();
        QApplication::processEvents();
    }
};

QAccessibleInterface* Access(QWidget* w) { return QAccessible::queryAccessibleInterface(w); }

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void everyWindowNamesItsControlsAndTabReachesThem() {
        Program p;
        const app::ProgramWindows& all = *p.f.windows;
        QStringList problems;
        ui::TMainForm* main = p.main;
        problems << AuditShown(main);
        main->Label6Click();
        problems << AuditShown(main);
        main->Label7Click();
        problems << AuditShown(main);
        main->hide();
        ui::TFormSetup* setup = all.setup;
        for (QPushButton* page : {setup->BtVseob, setup->BtSound, setup->BtPicture, setup->BtPC, setup->BtSync}) {
            if (!page) continue;  // a build without the sync has no such page
            page->click();
            problems << AuditShown(setup);
        }
        setup->hide();
        for (QWidget* window :
             std::initializer_list<QWidget*>{all.plan, all.oldPlan, all.mena, all.kalendar, all.kalendForm, all.addNew,
                                             all.about, all.offWin, all.edit, all.popup}) {
            problems << AuditShown(window);
            window->hide();
        }
        if (!problems.isEmpty()) QFAIL(qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void viewTabsAreTabsThatTheKeyboardSwitches() {
        Program p;
        ui::TMainForm* main = p.main;
        const QList<ui::ClickLabel*> tabs{main->Label4, main->Label6, main->Label7};
        for (ui::ClickLabel* tab : tabs) {
            QCOMPARE(Access(tab)->role(), QAccessible::PageTab);
            QCOMPARE(Access(tab)->text(QAccessible::Name), tab->text());
        }
        // None is marked current until one is picked, though the list is on show.
        for (ui::ClickLabel* tab : tabs) QVERIFY(!Access(tab)->state().selected);
        const QSet<QWidget*> reached = TabRound(main);
        for (ui::ClickLabel* tab : tabs) QVERIFY2(reached.contains(tab), qPrintable(tab->text()));

        main->Label6->setFocus(Qt::TabFocusReason);
        QTest::keyClick(main->Label6, Qt::Key_Space);
        QVERIFY(main->WeekOnShow());
        QVERIFY(Access(main->Label6)->state().selected && !Access(main->Label4)->state().selected);
        main->Label7->setFocus(Qt::TabFocusReason);
        QTest::keyClick(main->Label7, Qt::Key_Return);
        QVERIFY(main->MonthOnShow());
        // A screen reader presses it too.
        Access(main->Label4)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(main->CurrentView, ui::MainView::List);
    }

    void daysOfTheWeekArePickedFromTheKeyboard() {
        Program p;
        ui::TMainForm* main = p.main;
        main->Label6Click();
        ui::ClickLabel* wednesday = main->DayName[2];
        QCOMPARE(Access(wednesday)->role(), QAccessible::RadioButton);
        QCOMPARE(Access(wednesday)->text(QAccessible::Name), QStringLiteral("Streda 09.12 Úlohy: 0"));
        QVERIFY(Access(main->DayName[0])->state().checked);  // Monday, picked when the week opened
        QVERIFY(TabRound(main).contains(wednesday));
        wednesday->setFocus(Qt::TabFocusReason);
        QTest::keyClick(wednesday, Qt::Key_Space);
        QCOMPARE(main->SelectedWeekDay, 3);
        QVERIFY(Access(wednesday)->state().checked && !Access(main->DayName[0])->state().checked);
    }

    void theFocusShowsOnTheTabsAndOnlyThere() {
        Program p;
        ui::TMainForm* main = p.main;
        main->Label4Click();
        const QImage before = main->Label6->grab().toImage();
        main->Label6->setFocus(Qt::TabFocusReason);
        const QImage focused = main->Label6->grab().toImage();
        QVERIFY(focused != before);
        main->Label4->setFocus(Qt::TabFocusReason);
        QCOMPARE(main->Label6->grab().toImage(), before);
    }

    void shapeButtonsAreButtonsAScreenReaderPresses() {
        Program p;
        ui::TMainForm* main = p.main;
        for (ui::ShapeButton* b : {main->Label8, main->Label9}) {
            QCOMPARE(Access(b)->role(), QAccessible::PushButton);
            QCOMPARE(Access(b)->text(QAccessible::Name), b->Text());
            QVERIFY(Access(b)->state().focusable);
        }
        QVERIFY(
            Access(main->Label9)->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        Access(main->Label9)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());  // "Skryť"
        QTRY_VERIFY(!main->isVisible());
    }

    void theKeyboardFocusOfAShapeButtonOutlastsTheMouse() {
        Program p;
        ui::TMainForm* main = p.main;
        main->activateWindow();
        main->Label9->setFocus(Qt::TabFocusReason);
        QCOMPARE(main->Label9->Current().frame, ui::kOrange);
        // The mouse passing over "Ukončiť" puts the other button to rest, but the focus stays in sight.
        emit main->Label8->hovered();
        QCOMPARE(main->Label9->Current().frame, ui::kOrange);
        main->Label8->setFocus(Qt::TabFocusReason);
        QCOMPARE(main->Label9->Current().frame, ui::kPanel);
    }

    void editorFieldsCarryTheirCaptions() {
        Program p;
        ui::TEditMessage* e = p.f.windows->edit;
        QCOMPARE(Access(e->Date)->text(QAccessible::Name), QStringLiteral("Dátum"));
        QCOMPARE(Access(e->Time)->text(QAccessible::Name), QStringLiteral("Čas"));
        QCOMPARE(Access(e->EText)->text(QAccessible::Name), QStringLiteral("Text"));
    }

    void importQuestionNamesWhatItAsks() {
        Program p;
        QCOMPARE(p.f.windows->addNew->windowTitle(), QStringLiteral("Import pripomienok"));
        QCOMPARE(Access(p.f.windows->addNew)->text(QAccessible::Name), QStringLiteral("Import pripomienok"));
    }
};

KALVO_UI_TEST(AccessibilityTest)

}  // namespace kalvo::test

#include "accessibility_test.moc"
