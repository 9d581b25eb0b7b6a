#pragma once
// A label on a rounded shape that serves as a button: its frame and text colours follow the mouse, and
// the focus reached with the keyboard shows as the look under the mouse.

#include <QColor>
#include <QWidget>

#include "ui/widgets/painted_control.h"

namespace kalvo::ui {

struct ButtonLook {
    QColor frame;
    QColor text;
};

class ShapeButton : public QWidget, public PaintedControl {
    Q_OBJECT
public:
    ShapeButton(const QString& text, QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return text_; }
    void SetFill(const QColor& fill) {
        fill_ = fill;
        update();
    }
    void SetLooks(const ButtonLook& rest, const ButtonLook& hover, const ButtonLook& pressed);
    void SetRounded(bool rounded) {
        rounded_ = rounded;
        update();
    }
    void SetBold(bool bold);
    void SetAlignment(Qt::Alignment a) {
        align_ = a;
        update();
    }
    Qt::Alignment Alignment() const { return align_; }
    void SetUnderlineOnHover(bool on) { underlineOnHover_ = on; }

    void Rest();   // the resting look, or the look under the mouse while the keyboard's focus is on it
    void Hover();  // the look under the mouse
    const ButtonLook& Current() const { return current_; }
    bool Underlined() const { return underline_; }

    QAccessible::Role AccessRole() const override { return QAccessible::PushButton; }
    QString ShownText() const override { return text_; }
    void Press() override { emit clicked(); }

signals:
    void clicked();
    void hovered();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void leaveEvent(QEvent*) override;
    void hideEvent(QHideEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    QString text_;
    QColor fill_;
    ButtonLook rest_, hover_, pressed_, current_;
    bool rounded_ = true;
    bool underline_ = false;
    bool underlineOnHover_ = false;
    Qt::Alignment align_ = Qt::AlignCenter;
    KeyboardFocus keyboardFocus_;
};

}  // namespace kalvo::ui
