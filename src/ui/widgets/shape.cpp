#include "ui/widgets/shape.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace kalvo::ui {

Shape::Shape(const QColor& brush, QWidget* parent) : QWidget(parent), brush_(brush) {}

void Shape::SetBrush(const QColor& brush) {
    if (brush == brush_) return;
    brush_ = brush;
    update();
}

void Shape::SetPen(const QColor& pen, int width) {
    if (pen == pen_ && width == penWidth_) return;
    pen_ = pen;
    penWidth_ = width;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), brush_);
    if (!pen_.isValid() || penWidth_ <= 0) return;
    p.setPen(QPen(pen_, penWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const qreal inset = penWidth_ / 2.0;  // the outline stays inside the shape
    p.drawRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
}

ClickLabel::ClickLabel(const QString& text, QWidget* parent, int tag) : QLabel(parent), tag_(tag) {
    setCursor(Qt::PointingHandCursor);
    setText(text);  // here, where a screen reader asking at once meets a ClickLabel
}

void ClickLabel::UseFromKeyboard(QAccessible::Role role) {
    role_ = role;
    setFocusPolicy(Qt::TabFocus);
}

void ClickLabel::SetChosen(bool chosen) {
    if (chosen == chosen_) return;
    chosen_ = chosen;
    AnnounceChosenChange(this);
}

void ClickLabel::SetTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    // Taken here, so that a press on a label never starts dragging the window.
    if (event->button() == Qt::LeftButton) event->accept();
    else QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked(tag_);
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (role_ != QAccessible::StaticText && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter))
        return Press();
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!keyboardFocus_.Shown(this)) return;
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ClickLabel::focusInEvent(QFocusEvent* event) {
    keyboardFocus_.In(event);
    QLabel::focusInEvent(event);
    update();
}

void ClickLabel::focusOutEvent(QFocusEvent* event) {
    keyboardFocus_.Out(event);
    QLabel::focusOutEvent(event);
    update();
}

QStringList FittedLines(const QString& text, const QFont& font, int width, int maxLines) {
    const QFontMetrics fm(font);
    QTextLayout layout(text, font);
    // A word longer than the line is broken too, or it would run past the edge without its "…".
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line that has room takes the rest of the text, shortened.
            lines << fm.elidedText(text.mid(line.textStart()).simplified(), Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

FittedLabel::FittedLabel(QWidget* parent, int smallestPixelSize) : QLabel(parent), smallest_(smallestPixelSize) {}

void FittedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont f = font();
    const QString all = text();
    const QRect room = contentsRect();
    if (wordWrap()) {
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        const QFontMetrics fm(f);
        const QStringList lines = FittedLines(all, f, room.width(), std::max(1, room.height() / fm.lineSpacing()));
        for (int i = 0; i < lines.size(); ++i)
            p.drawText(QRect(room.left(), room.top() + i * fm.lineSpacing(), room.width(), fm.lineSpacing()),
                       static_cast<int>(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop, lines[i]);
        return;
    }
    const int start = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    for (int size = start; size >= smallest_; --size) {
        f.setPixelSize(size);
        if (QFontMetrics(f).horizontalAdvance(all) <= room.width()) break;
    }
    p.setFont(f);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    p.drawText(room, static_cast<int>(alignment()), QFontMetrics(f).elidedText(all, Qt::ElideRight, room.width()));
}

PaintBox::PaintBox(std::function<void(QPainter&)> paint, QWidget* parent) : QWidget(parent), paint_(std::move(paint)) {}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (paint_) paint_(p);
}

}  // namespace kalvo::ui
