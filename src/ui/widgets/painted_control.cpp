#include "ui/widgets/painted_control.h"

#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace kalvo::ui {
namespace {

class PaintedControlAccess : public QAccessibleWidget {
public:
    PaintedControlAccess(QWidget* w, PaintedControl* control) : QAccessibleWidget(w), control_(control) {}

    // Asked each time: a label becomes a tab after it is made.
    QAccessible::Role role() const override { return control_->AccessRole(); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return control_->ShownText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (role() == QAccessible::PageTab) {
            s.selectable = true;
            s.selected = control_->Chosen();
        } else if (role() == QAccessible::RadioButton) {
            s.checkable = true;
            s.checked = control_->Chosen();
        }
        return s;
    }

    // A label that only the mouse clicks (beside one that the keyboard reaches) is text to a reader.
    bool Pressable() const { return role() != QAccessible::StaticText; }

    QStringList actionNames() const override {
        const QStringList own = QAccessibleWidget::actionNames();
        return Pressable() ? QStringList{pressAction()} + own : own;
    }

    // Later, as a click would come: the reader's call returns before a window the press opens waits for
    // its answer.
    void doAction(const QString& action) override {
        if (action != pressAction() || !Pressable()) return QAccessibleWidget::doAction(action);
        QPointer<QWidget> w = widget();
        PaintedControl* control = control_;
        QTimer::singleShot(0, w, [w, control] {
            if (w && w->isEnabled()) control->Press();
        });
    }

private:
    PaintedControl* control_;
};

QAccessibleInterface* PaintedControlFactory(const QString&, QObject* object) {
    auto* control = dynamic_cast<PaintedControl*>(object);
    if (!control) return nullptr;
    return new PaintedControlAccess(static_cast<QWidget*>(object), control);
}

}  // namespace

PaintedControl::PaintedControl() {
    static const bool installed = [] {
        QAccessible::installFactory(&PaintedControlFactory);
        return true;
    }();
    (void)installed;
}

void KeyboardFocus::In(const QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) fromKeyboard_ = true;
}

void KeyboardFocus::Out(const QFocusEvent* event) {
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        fromKeyboard_ = false;
}

bool KeyboardFocus::Shown(const QWidget* w) const { return fromKeyboard_ && w->hasFocus(); }

void AnnounceChosenChange(QWidget* control) {
    if (!QAccessible::isActive()) return;
    QAccessible::State changed;
    changed.selected = true;
    changed.checked = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace kalvo::ui
