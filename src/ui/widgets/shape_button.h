#pragma once
// A label on a rounded shape that serves as a button: its frame and text colours follow the mouse.

#include <QColor>
#include <QWidget>

namespace kalvo::ui {

struct ButtonLook {
    QColor frame;
    QColor text;
};

class ShapeButton : public QWidget {
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

    void Rest();   // the resting look
    void Hover();  // the look under the mouse
    const ButtonLook& Current() const { return current_; }
    bool Underlined() const { return underline_; }

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
};

}  // namespace kalvo::ui
