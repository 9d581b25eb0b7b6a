#pragma once
// The small builders the windows' constructors share: plain and bold labels, filled bands, every kind of
// grey button (panel, raised, command bar) and the edit/delete/add bar under a reminder list. The month
// calendar and its label are made in dialog_parts.h.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include "ui/common/colors.h"
#include "ui/widgets/shape_button.h"

class QLabel;
class QSize;
class QToolButton;
class QWidget;

namespace kalvo::ui {

class BorderlessWindow;
class Shape;

// `font` in bold.
inline QFont Bold(QFont font) {
    font.setBold(true);
    return font;
}

// `font` at the 10 pixels of the small captions and tabs.
inline QFont Small(QFont font) {
    font.setPixelSize(10);
    return font;
}

// A label in its parent's letter at `at`.
QLabel* TextLabel(const QString& text, const QRect& at, QWidget* parent);
// The same in bold: the captions beside a form's fields.
QLabel* Caption(const QString& text, const QRect& at, QWidget* parent);
// `field` is named by its caption for screen readers (or by `name` where the caption alone says too
// little), and the caption points at it.
void NameByCaption(QLabel* caption, QWidget* field, const QString& name = QString());

// A modal form such as the editor: its name and window title, a fixed `size`, the thick frame, the light
// dialog face and the title strip across the top with `title` as its caption.
void FrameModalForm(BorderlessWindow* form, const QString& name, const QString& title, QSize size);

// The grey band under a window's title strip, `width` pixels wide, with its orange line; the window is
// dragged by both. Returns the band.
Shape* AddHeaderBand(BorderlessWindow* window, int width);

// `widget` paints its whole area in `colour`.
void FillWith(QWidget* widget, const QColor& colour);
// A plain widget at `at` filled with `colour`, to hold labels or buttons over it.
QWidget* ColourBand(const QColor& colour, const QRect& at, QWidget* parent);

// An edit box's ground in its resting colour, or in the focused one.
void SetInputFace(QWidget* w, bool focused);

// The grey buttons at the foot of a window ("Zatvoriť", "Použiť", …): bold text on a rounded frame that
// takes the colours of `rest`, `hover` and `pressed` as the mouse does.
inline const ButtonLook kPanelRest{kPanel, kLightFace};
inline const ButtonLook kPanelHover{kOrange, kOrange};
ShapeButton* PanelButton(const QString& text, const QString& name, const QRect& at, QWidget* parent,
                         const ButtonLook& rest, const ButtonLook& hover, const ButtonLook& pressed);

// A raised grey button with a light letter and an orange edge under the mouse.
QToolButton* GreyButton(const QString& text, const QString& hint, QWidget* parent, const QRect& at);

// A flat 60 by 22 pixel button of a grey command bar.
QToolButton* BarButton(const QString& text, const QString& hint, QWidget* parent, int x, int y);

// "Upraviť", "Vymazať" and "Pridať" side by side, 61 pixels apart from `editAt`, named BtEdit, BtDel
// and SpeedButton4; editing and deleting wait for a picked row. The buttons are made in `order`, which
// is the order Tab walks them in.
struct CommandBar {
    QToolButton* edit;
    QToolButton* del;
    QToolButton* add;
};
enum class TabWalk { LeftToRight, RightToLeft };
CommandBar AddCommandBar(QWidget* parent, const QPoint& editAt, TabWalk order);

}  // namespace kalvo::ui
