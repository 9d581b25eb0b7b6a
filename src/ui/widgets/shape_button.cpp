#include "ui/widgets/shape_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kalvo::ui {

ShapeButton::ShapeButton(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    // Reached with Tab and pressed with Space or Enter; a screen reader names it by its first text (a
    // countdown added to it later would be read out every second).
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(text);
}

void ShapeButton::SetText(const QString& text) {
    text_ = text;
    update();
}

void ShapeButton::SetLooks(const ButtonLook& rest, const ButtonLook& hover, const ButtonLook& pressed) {
    rest_ = rest;
    hover_ = hover;
    pressed_ = pressed;
    current_ = rest;
    update();
}

void ShapeButton::SetBold(bool bold) {
    QFont f = font();
    f.setBold(bold);
    setFont(f);
}

void ShapeButton::Rest() {
    if (keyboardFocus_.Shown(this)) return Hover();
    current_ = rest_;
    underline_ = false;
    update();
}

void ShapeButton::Hover() {
    current_ = hover_;
    underline_ = underlineOnHover_;
    update();
}

void ShapeButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, rounded_);
    if (fill_.isValid() || current_.frame.isValid()) {
        p.setPen(current_.frame.isValid() ? QPen(current_.frame, 1) : QPen(Qt::NoPen));
        p.setBrush(fill_.isValid() ? QBrush(fill_) : QBrush(Qt::NoBrush));
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (rounded_) p.drawRoundedRect(r, 6, 6);
        else p.drawRect(r);
    }
    QFont f = font();
    f.setUnderline(underline_);
    p.setFont(f);
    p.setPen(current_.text);
    p.drawText(rect().adjusted(2, 0, -2, 0), static_cast<int>(align_) | Qt::AlignVCenter, text_);
}

void ShapeButton::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) Hover();
    emit hovered();
    // Taken here: passed on, the window would see a move over its free area and put the look back.
    event->accept();
}

void ShapeButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        current_ = pressed_;
        update();
    }
}

void ShapeButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Hover();
        emit clicked();
    } else {
        Rest();
    }
}

void ShapeButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit clicked();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

// A look left behind by the mouse never outlives the mouse's stay or the window's showing.
void ShapeButton::leaveEvent(QEvent* event) {
    Rest();
    QWidget::leaveEvent(event);
}

void ShapeButton::hideEvent(QHideEvent* event) {
    Rest();
    QWidget::hideEvent(event);
}

void ShapeButton::focusInEvent(QFocusEvent* event) {
    keyboardFocus_.In(event);
    if (keyboardFocus_.Shown(this)) Hover();
    QWidget::focusInEvent(event);
}

void ShapeButton::focusOutEvent(QFocusEvent* event) {
    keyboardFocus_.Out(event);
    Rest();
    QWidget::focusOutEvent(event);
}

}  // namespace kalvo::ui
