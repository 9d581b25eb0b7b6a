#include "ui/common/owndraw.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmapCache>
#include <QRegion>
#include <QStyleOptionMenuItem>
#include <QWidget>

#include "ui/common/colors.h"

namespace kalvo::ui {
namespace {

const QColor kGreyedText(192, 192, 192);  // a menu item that cannot be chosen

// Text placed by its top-left corner, as the windows' layouts give every position.
void TextAt(QPainter& p, int x, int y, const QString& text) {
    const QFontMetrics fm(p.font());
    p.drawText(QRect(x, y, fm.horizontalAdvance(text) + 2, fm.height()), Qt::AlignLeft | Qt::AlignTop, text);
}

// Pictures are read again only when their file changed.
bool LoadPicture(const QString& path, QPixmap& out) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    const QString key = QStringLiteral("kalvo-row:") + path + QLatin1Char(':') +
                        QString::number(info.lastModified().toMSecsSinceEpoch());
    if (QPixmapCache::find(key, &out)) return !out.isNull();
    if (!out.load(path)) return false;
    QPixmapCache::insert(key, out);
    return true;
}

}  // namespace

void DrawMenuItem(QPainter& p, const QRect& rect, const MenuItemLook& item) {
    const int left = rect.left(), top = rect.top();
    const int right = rect.left() + rect.width(), bottom = rect.top() + rect.height();
    p.save();
    p.setPen(Qt::NoPen);
    p.fillRect(QRect(QPoint(left, top), QPoint(std::max(left, 23) - 1, bottom - 1)), QColor(187, 187, 187));
    if (item.selected) {
        p.fillRect(rect, kPeach);
        p.setPen(QPen(kGreyBar, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
        p.fillRect(QRect(QPoint(left + 23, top), QPoint(right - 1, bottom - 1)), kPaleFace);
    }

    if (item.caption == QLatin1String("-")) {
        // Two bars across the whole item: one that stopped at two thirds looked unfinished.
        const int m = top + (bottom - top) / 2;
        p.setPen(Qt::NoPen);
        p.fillRect(QRect(QPoint(left, m - 2), QPoint(right - 1, m + 2 - 1)), kOrange);
        p.fillRect(QRect(QPoint(left, m - 1), QPoint(right - 1, m + 1 - 1)), QColor(208, 118, 74));
        p.restore();
        return;
    }

    if (!item.image.isNull())
        item.image.paint(&p, QRect(left + 2, top + 2, 16, 16), Qt::AlignCenter,
                         item.enabled ? QIcon::Normal : QIcon::Disabled);

    QFont font = p.font();
    font.setBold(item.isDefault);
    p.setFont(font);
    p.setPen(item.enabled ? QColor(Qt::black) : kGreyedText);
    const int textLeft = left + 25;
    const qsizetype amp = item.caption.indexOf(QLatin1Char('&'));
    if (amp >= 0) {
        TextAt(p, textLeft + 5, top + 4, item.caption.left(amp) + QLatin1Char('_'));
        QString plain = item.caption;
        plain.remove(amp, 1);
        TextAt(p, textLeft + 5, top + 3, plain);
    } else {
        TextAt(p, textLeft + 5, top + 3, item.caption);
    }
    if (!item.shortcut.isEmpty()) {
        const int w = QFontMetrics(p.font()).horizontalAdvance(item.shortcut);
        TextAt(p, right - w - 8, top + 3, item.shortcut);
    }
    p.restore();
}

QString CutToRoom(const QFontMetrics& fm, const QString& text, int room) {
    if (text.isEmpty() || fm.horizontalAdvance(text) <= room) return text;
    // A longer start is never narrower, so the first start too wide is found by halving: measuring every
    // start in turn made a long list stall while it scrolled.
    qsizetype fits = 0, tooWide = text.size();
    while (tooWide - fits > 1) {
        const qsizetype middle = fits + (tooWide - fits) / 2;
        (fm.horizontalAdvance(text.left(middle)) > room ? tooWide : fits) = middle;
    }
    return text.left(tooWide) + QLatin1String(" ...");
}

void DrawReminderRow(QPainter& p, QRect rect, bool selected, const QString& row, const QString& picture,
                     const QPixmap& standardPicture) {
    const int left = rect.left(), top = rect.top(), width = rect.width(), height = rect.height();
    const QRect pictureBox(QPoint(left + 1, top + 1), QPoint(left + 30 - 1, top + height - 1 - 1));
    p.save();
    if (selected) {
        p.fillRect(rect, kPanel);
        p.setPen(QPen(kFrameGrey, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
        p.fillRect(rect, kPaleFace);
    }
    rect.setLeft(left + 35);

    QFont font = p.font();
    font.setPixelSize(10);
    font.setBold(false);
    p.setFont(font);

    const bool withHeader = height >= 18;
    QString text;
    QColor textColor(Qt::black);
    if (withHeader) {
        // The list texts put " -" between the date part and the reminder's own text.
        qsizetype dash = row.indexOf(QLatin1String(" -"));
        dash = dash >= 0 ? dash + 1 : row.indexOf(QLatin1Char('-'));
        QString header = dash >= 0 ? row.left(dash) : row;
        text = dash >= 0 ? row.mid(dash + 1) : QString();
        QColor headerColor(5, 5, 173);
        if (header.startsWith(QLatin1Char('#'))) {
            header.remove(0, 1);
            headerColor = QColor(105, 120, 171);
            textColor = QColor(120, 120, 120);
        }
        QFont bold = font;
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(headerColor);
        TextAt(p, left + 37, top + 2, header);
        p.setFont(font);
    } else {
        text = row.mid(1);
    }

    // Cut the text line where it would run into the right edge.
    const QString shown = CutToRoom(QFontMetrics(font), text, width - 65);
    p.setPen(textColor);
    TextAt(p, left + 37, withHeader ? top + 14 : top + 2, shown);

    QPixmap image;
    const bool own = LoadPicture(picture, image);
    if (own || !standardPicture.isNull()) {
        p.drawPixmap(pictureBox, own ? image : standardPicture);
    } else {
        QFont x = font;
        x.setBold(true);
        x.setPixelSize(25);
        p.setFont(x);
        p.setPen(kTitleText);
        TextAt(p, pictureBox.left() + 8, pictureBox.top() + 2, QStringLiteral("X"));
    }
    p.restore();
}

QColor DrawGradientStrip(QPainter& p, const GradientStrip& s) {
    // Each channel grows by its step and stops at white instead of spilling into the next channel.
    int r = s.start.red(), g = s.start.green(), b = s.start.blue();
    QColor colour = s.start;
    for (int y = 0; y < s.height; y += s.band) {
        r = std::min(255, r + s.step);
        g = std::min(255, g + s.step);
        b = std::min(255, b + s.step);
        colour = QColor(r, g, b);
        p.fillRect(QRect(0, y, s.width, s.band), colour);
    }
    if (s.image) p.drawPixmap(6, 8, *s.image);
    return colour;
}

void ClipToRect(int x1, int y1, int x2, int y2, QWidget* widget) {
    widget->setMask(QRegion(x1, y1, x2 - x1, y2 - y1));
    widget->update();
}

OwnDrawMenuStyle::OwnDrawMenuStyle(int extraWidth) : extraWidth_(extraWidth) {}

void OwnDrawMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const {
    const auto* menu = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !menu) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    MenuItemLook look;
    if (menu->menuItemType == QStyleOptionMenuItem::Separator) {
        look.caption = QStringLiteral("-");
    } else {
        const qsizetype tab = menu->text.indexOf(QLatin1Char('\t'));
        look.caption = tab >= 0 ? menu->text.left(tab) : menu->text;
        look.shortcut = tab >= 0 ? menu->text.mid(tab + 1) : QString();
    }
    look.image = menu->icon;
    look.checked = menu->checked;
    look.enabled = (menu->state & State_Enabled) != 0;
    look.selected = look.enabled && (menu->state & State_Selected) != 0;
    look.isDefault = menu->menuItemType == QStyleOptionMenuItem::DefaultItem;
    painter->setFont(menu->font);
    DrawMenuItem(*painter, menu->rect, look);
    if (menu->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const QRect r = menu->rect;
        const int cx = r.right() - 8, cy = r.center().y();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(look.enabled ? QColor(Qt::black) : kGreyedText);
        painter->drawPolygon(QPolygon({QPoint(cx - 3, cy - 4), QPoint(cx + 1, cy), QPoint(cx - 3, cy + 4)}));
        painter->restore();
    }
}

QSize OwnDrawMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                         const QWidget* widget) const {
    const auto* menu = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !menu) return QProxyStyle::sizeFromContents(type, option, size, widget);
    if (menu->menuItemType == QStyleOptionMenuItem::Separator) return QSize(size.width(), 9);
    QFont font = menu->font;
    font.setBold(true);
    const QFontMetrics fm(font);
    QString text = menu->text;
    text.remove(QLatin1Char('&'));
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    int w = 30 + fm.horizontalAdvance(tab >= 0 ? text.left(tab) : text) + 16;
    if (tab >= 0) w += fm.horizontalAdvance(text.mid(tab + 1)) + 24;
    if (menu->menuItemType == QStyleOptionMenuItem::SubMenu) w += 12;
    return QSize(w + extraWidth_, std::max(20, fm.height() + 6));
}

int OwnDrawMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    switch (metric) {
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 0;
        case PM_MenuPanelWidth:
            return 1;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

}  // namespace kalvo::ui
