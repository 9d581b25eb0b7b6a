#pragma once
// Plain painted pieces of the windows: a filled rectangle with an optional outline (the bars, bands and
// frames), and a label that answers a click.

#include <QColor>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "ui/widgets/painted_control.h"

class QPainter;

namespace kalvo::ui {

class Shape : public QWidget {
    Q_OBJECT
public:
    explicit Shape(const QColor& brush, QWidget* parent = nullptr);

    void SetBrush(const QColor& brush);
    QColor Brush() const { return brush_; }
    // An invalid colour means no outline.
    void SetPen(const QColor& pen, int width = 1);
    QColor Pen() const { return pen_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor brush_;
    QColor pen_;
    int penWidth_ = 1;
};

// A label that reports a left click; `Tag` tells which of several equal labels it is.
class ClickLabel : public QLabel, public PaintedControl {
    Q_OBJECT
public:
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr, int tag = 0);
    int Tag() const { return tag_; }
    void SetTextColor(const QColor& color);

    // Reached with Tab and pressed with Space or Enter, with a dotted frame while the keyboard is on it;
    // a screen reader knows it by `role` (a tab, one of a group of days) and asks whether it is `Chosen`.
    void UseFromKeyboard(QAccessible::Role role);
    void SetChosen(bool chosen);

    QAccessible::Role AccessRole() const override { return role_; }
    QString ShownText() const override { return text(); }
    bool Chosen() const override { return chosen_; }
    void Press() override { emit clicked(tag_); }

signals:
    void clicked(int tag);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int tag_;
    QAccessible::Role role_ = QAccessible::StaticText;
    bool chosen_ = false;
    KeyboardFocus keyboardFocus_;
};

// `text` in at most `maxLines` lines of `width` pixels: wrapped at word boundaries (a longer word
// anywhere), the last line shortened with "…" when text is left over.
QStringList FittedLines(const QString& text, const QFont& font, int width, int maxLines);

// A label whose text, when it is too long for the label, is drawn in a smaller letter and, if need be,
// shortened at its end with "…"; text() keeps the whole text. A word-wrapping one fills its lines and
// shortens the last line that has room. `smallestPixelSize` no smaller than the font: shortened only.
class FittedLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int kShortenOnly = 1000;  // as smallestPixelSize: never a smaller letter

    explicit FittedLabel(QWidget* parent = nullptr, int smallestPixelSize = 9);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int smallest_;
};

// A surface its owner paints.
class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(std::function<void(QPainter&)> paint, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::function<void(QPainter&)> paint_;
};

}  // namespace kalvo::ui
