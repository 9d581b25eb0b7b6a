#pragma once
// A window without the system's frame: it paints its own thin frame and is dragged by its top 32 pixels.

#include <QDialog>
#include <QPoint>
#include <functional>

namespace kalvo::ui {

enum class FrameStyle {
    Thin,         // grey lines one pixel inside, darker outermost right and bottom
    Thick,        // three-pixel grey frame with a darker right and bottom edge
    RightBottom,  // grey right and bottom only, then the darker edge
    Raised,       // white left and top, grey and dark right and bottom
    None,
};

class BorderlessWindow : public QDialog {
    Q_OBJECT
public:
    explicit BorderlessWindow(QWidget* parent = nullptr, Qt::WindowFlags extra = {});

    // Lets `w` (a title strip, a label) drag the window like the window's own top band.
    void AddDragHandle(QWidget* w);
    void SetFrameStyle(FrameStyle style) { frame_ = style; }
    void SetDraggable(bool draggable) { draggable_ = draggable; }
    // Centres the window on the desktop that holds the mouse, or on the primary screen.
    void CentreOnScreen();
    // Centres the window on `other` while that is on screen, otherwise as CentreOnScreen.
    void CentreOn(const QWidget* other);

    // Escape and close requests of modal windows end here; windows with their own way out override it.
    void reject() override { Dismiss(); }
    virtual void Dismiss() { QDialog::reject(); }
    // What Enter does where the focused control has no use for it (a focused button is pressed instead).
    void SetDefaultAction(std::function<void()> action) { defaultAction_ = std::move(action); }

signals:
    // A mouse move over the window's free area or a drag handle: buttons go back to their resting look.
    void FreeAreaHovered();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void StartDrag(const QPoint& global);
    void HandleMove(const QPoint& local, const QPoint& global, Qt::MouseButtons buttons);

    FrameStyle frame_ = FrameStyle::Thin;
    QPoint dragGlobal_;  // where the mouse was, and the window, when the drag began
    QPoint dragWindow_;
    bool dragPending_ = true;
    bool draggable_ = true;
    std::function<void()> defaultAction_;
};

}  // namespace kalvo::ui
