#pragma once
// Pieces that several windows share: the light dialog face, the title strip with its caption, the wide
// strips' header, and the month calendar whose own title row is cut away with the label that names its
// month. The grey buttons are made in window_builders.h.

#include <QFont>
#include <QRect>
#include <QString>

#include "ui/common/colors.h"

class QCalendarWidget;
class QLabel;
class QWidget;

namespace kalvo::ui {

class BorderlessWindow;
class ShapeButton;

// The light face and the 11-pixel letter of the dialogs; gives back the bold variant of that letter.
QFont UseDialogFace(QWidget* window);

// The title art over `strip` and the bold caption over `captionAt`; both drag the window.
QLabel* AddTitle(BorderlessWindow* window, const QRect& strip, const QString& caption, const QRect& captionAt);

// The wide strips' dark face and header (the alarm and the shut-down countdown): the title art with the
// bold black caption "Datum" over it, and on orange at the right the link "Label9" that closes the strip.
struct StripHeader {
    QLabel* caption;
    ShapeButton* link;
};
// `linkWidth` is the width of the orange box, which grows to the left.
StripHeader AddStripHeader(BorderlessWindow* strip, const QString& caption, const QString& link, int linkWidth = 80);
// A link of the strip's header in the style of its "Zatvoriť", at `at`.
ShapeButton* AddStripLink(BorderlessWindow* strip, const QString& text, const QRect& at, const QFont& font);

// A label in `colour` on a transparent ground, in the 11-pixel letter.
QLabel* ColouredLabel(const QString& text, const QRect& at, const QColor& colour, bool bold, QWidget* parent);

// "LMonth": the month on show, centred in light bold letters over the grey bar above a month calendar.
QLabel* MonthLabel(const QRect& at, QWidget* parent);

// A Monday-first month calendar with week numbers in the windows' colours. Its navigation row is held at
// the 30 pixels the windows cut away; the owner names the month in a label of its own.
QCalendarWidget* MonthCalendar(QWidget* parent);

}  // namespace kalvo::ui
