#pragma once
// The program's own painted controls (the shape buttons, the view tabs and the days of the week view)
// as a screen reader and a keyboard user meet them: a role, a name, whether it is the chosen one, and a
// press that does what a click does.

#include <QAccessible>
#include <QString>

class QFocusEvent;
class QWidget;

namespace kalvo::ui {

class PaintedControl {
public:
    virtual ~PaintedControl() = default;
    virtual QAccessible::Role AccessRole() const = 0;
    virtual QString ShownText() const = 0;
    // The current tab, the picked day.
    virtual bool Chosen() const { return false; }
    // What a click does.
    virtual void Press() = 0;

protected:
    // A reader may ask for the control while it is being made: a text given to a Qt base's constructor
    // would meet it as that base, so the control sets its texts in its own constructor's body.
    PaintedControl();
};

// Whether the focus came from the keyboard. Its mark shows only then, so a window that opens with the
// focus on a painted control looks as it always did; a trip to another window keeps it.
class KeyboardFocus {
public:
    void In(const QFocusEvent* event);
    void Out(const QFocusEvent* event);
    bool Shown(const QWidget* w) const;

private:
    bool fromKeyboard_ = false;
};

// Tells screen readers that a control became or stopped being the chosen one.
void AnnounceChosenChange(QWidget* control);

}  // namespace kalvo::ui
