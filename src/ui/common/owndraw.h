#pragma once
// The drawing every window shares: menu items, reminder rows, the decorative colour strip, and cutting
// a control down to a rectangle.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QProxyStyle>
#include <QRect>
#include <QString>

class QFontMetrics;
class QPainter;
class QWidget;

namespace kalvo::ui {

struct MenuItemLook {
    QString caption;   // "-" for a separator; may hold one '&' before the accelerator letter
    QString shortcut;  // the key combination's name, empty for none
    QIcon image;       // null for none
    bool checked = false;
    bool enabled = true;
    bool selected = false;
    bool isDefault = false;  // drawn bold
};

void DrawMenuItem(QPainter& p, const QRect& rect, const MenuItemLook& item);

// Draws one reminder row; `row` is the list's row text, `picture` the path of its picture (may be empty),
// `standardPicture`, shown when the row has none of its own, may be null: then a red "X" stands there.
// Rows lower than 18 pixels have no header line.
void DrawReminderRow(QPainter& p, QRect rect, bool selected, const QString& row, const QString& picture,
                     const QPixmap& standardPicture);

// `text` as a reminder row shows it in `room` pixels: the shortest start of it that is wider than the
// room, followed by " ...", or the whole text when it fits.
QString CutToRoom(const QFontMetrics& fm, const QString& text, int room);

struct GradientStrip {
    int step = 1;  // added to red, green and blue alike, so the strip stays grey
    QColor start;
    const QPixmap* image = nullptr;  // drawn at (6, 8) when given
    int width = 0;
    int height = 0;
    int band = 8;
};

// Fills the strip band by band, each band one step lighter; returns the colour of the last band.
QColor DrawGradientStrip(QPainter& p, const GradientStrip& strip);

// Cuts a widget down to the rectangle (x1, y1)-(x2, y2) of its own coordinates; the rest is not drawn.
void ClipToRect(int x1, int y1, int x2, int y2, QWidget* widget);

// A style that draws every item of a menu with DrawMenuItem; `extraWidth` widens the menu.
class OwnDrawMenuStyle : public QProxyStyle {
public:
    explicit OwnDrawMenuStyle(int extraWidth = 0);
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

private:
    int extraWidth_;
};

}  // namespace kalvo::ui
