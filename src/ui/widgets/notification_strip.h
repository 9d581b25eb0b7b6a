#pragma once
// The semi-transparent strips that slide in above the task bar at the right edge of the desktop: the
// alarm pop-up, the name-day notice and the shut-down countdown.

#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class NotificationStrip : public BorderlessWindow {
    Q_OBJECT
public:
    NotificationStrip(int width, int height, int alpha, QWidget* parent = nullptr);

    // Where the strip rests: 2 pixels from the right edge of the whole desktop and 34 pixels above its
    // bottom, or above a panel that reaches higher than that.
    int TargetLeft() const;
    int RestTop() const;
    // The edge it slides in from and the line it slides down to.
    int DesktopRight() const;
    int DesktopBottom() const;

    // 1 = at rest, 2 = slid fully in.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

protected:
    void showEvent(QShowEvent* event) override;
    // Pixels of the colour key are cut out of the window.
    void UpdateKeyMask();

private:
    int tag_ = 1;
};

}  // namespace kalvo::ui
