#pragma once
// What a person does to a window: typing any text, clicking and double-clicking rows of a list.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include "ui/widgets/reminder_list.h"

namespace kalvo::test {

// Types `text` one character at a time, as a keyboard with every letter would (QTest's own typing
// knows only Latin-1).
inline void Type(QWidget* w, const QString& text) {
    for (const uint c : text.toUcs4()) {
        const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, ch);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, ch);
        QApplication::sendEvent(w, &release);
    }
}

inline QPoint RowCentre(ui::ReminderListBox* list, int row) {
    return list->visualRect(list->model()->index(row, 0)).center();
}

inline void ClickRow(ui::ReminderListBox* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(list, row));
}

// The press and release of the first click come first, as from a real mouse.
inline void DoubleClickRow(ui::ReminderListBox* list, int row) {
    ClickRow(list, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowCentre(list, row));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, RowCentre(list, row));
}

// The mouse moved over `w` with no button held.
inline void Hover(QWidget* w, QPoint at = QPoint(5, 5)) {
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

}  // namespace kalvo::test
