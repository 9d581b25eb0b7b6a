#include "ui/widgets/borderless.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "ui/common/colors.h"

namespace kalvo::ui {

BorderlessWindow::BorderlessWindow(QWidget* parent, Qt::WindowFlags extra)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | extra) {
    setMouseTracking(true);
}

void BorderlessWindow::AddDragHandle(QWidget* w) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
}

void BorderlessWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
    if (enter && held == Qt::NoModifier) {
        // A focused push or tool button does what it says; a check box has no Enter of its own.
        auto* button = qobject_cast<QAbstractButton*>(focusWidget());
        if (button && !qobject_cast<QCheckBox*>(button) && button->isEnabled() && button->isVisible()) {
            button->click();
            return;
        }
        if (defaultAction_) {
            defaultAction_();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void BorderlessWindow::CentreOnScreen() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void BorderlessWindow::CentreOn(const QWidget* other) {
    if (other && other != this && other->isVisible())
        move(other->geometry().center() - QPoint(width() / 2, height() / 2));
    else CentreOnScreen();
}

void BorderlessWindow::StartDrag(const QPoint& global) {
    dragGlobal_ = global;
    dragWindow_ = pos();
    dragPending_ = false;
}

void BorderlessWindow::HandleMove(const QPoint& local, const QPoint& global, Qt::MouseButtons buttons) {
    // Only the top 32 pixels of the control under the mouse drag the window. The window goes where the
    // mouse has taken it since the press, so a move seen both by a handle and by the window (to which
    // the handle passes it on) moves it once.
    if (draggable_ && local.y() < 32) {
        if ((buttons & Qt::LeftButton) && !dragPending_) move(dragWindow_ + global - dragGlobal_);
        else StartDrag(global);
    }
    emit FreeAreaHovered();
}

bool BorderlessWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && event->type() == QEvent::MouseMove) {
        const auto* me = static_cast<QMouseEvent*>(event);
        HandleMove(me->position().toPoint(), me->globalPosition().toPoint(), me->buttons());
    } else if (w && event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) StartDrag(me->globalPosition().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void BorderlessWindow::mouseMoveEvent(QMouseEvent* event) {
    HandleMove(event->position().toPoint(), event->globalPosition().toPoint(), event->buttons());
    QDialog::mouseMoveEvent(event);
}

void BorderlessWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) StartDrag(event->globalPosition().toPoint());
    QDialog::mousePressEvent(event);
}

void BorderlessWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    const int w = width(), h = height();
    switch (frame_) {
        case FrameStyle::Thin:
            p.setPen(kFrameGrey);
            p.drawRect(1, 1, w - 3, h - 3);
            p.setPen(kFrameDark);
            p.drawLine(w - 1, 0, w - 1, h - 1);
            p.drawLine(0, h - 1, w - 1, h - 1);
            break;
        case FrameStyle::Thick:
            p.setPen(QPen(kFrameGrey, 3));
            p.drawRect(2, 2, w - 5, h - 5);
            p.setPen(kFrameDark);
            p.drawLine(w - 1, 0, w - 1, h - 1);
            p.drawLine(0, h - 1, w - 1, h - 1);
            break;
        case FrameStyle::RightBottom:
            p.setPen(kFrameGrey);
            p.drawLine(w - 2, 1, w - 2, h - 2);
            p.drawLine(1, h - 2, w - 2, h - 2);
            p.setPen(kFrameDark);
            p.drawLine(w - 1, 0, w - 1, h - 1);
            p.drawLine(0, h - 1, w - 1, h - 1);
            break;
        case FrameStyle::Raised:
            p.setPen(Qt::white);
            p.drawLine(0, 0, w - 1, 0);
            p.drawLine(0, 0, 0, h - 1);
            p.setPen(kFrameGrey);
            p.drawLine(w - 2, 1, w - 2, h - 2);
            p.drawLine(1, h - 2, w - 2, h - 2);
            p.setPen(kFrameDark);
            p.drawLine(w - 1, 0, w - 1, h - 1);
            p.drawLine(0, h - 1, w - 1, h - 1);
            break;
        case FrameStyle::None:
            break;
    }
}

}  // namespace kalvo::ui
