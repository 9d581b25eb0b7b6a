#pragma once
// Whether the mouse over the tray icon slides out the name-day notice. Plain C++ so that the rule can be
// tested position by position; the main window feeds it the positions it learns.

#include <cstdlib>

namespace kalvo::ui {

// TrayHoverX and TrayHoverY: the last position that slid the notice out (0 until the first move).
struct TrayHover {
    int x = 0;
    int y = 0;
};

struct TrayHoverConditions {
    bool slideNameWindow = true;  // the setting
    bool armed = true;            // TrayHoverArmed: no slide-out within the last five seconds
    bool noticeStaying = false;   // the notice's ten-second timer runs
};

// One mouse position over the icon. True when the notice is to slide out; `hover` then holds this
// position. The mouse has to have moved on both axes, and by at least 4 pixels on one of them.
inline bool TrayHoverStep(TrayHover& hover, const TrayHoverConditions& c, int x, int y) {
    if (!c.slideNameWindow) return false;
    if (hover.x == 0) hover.x = x;
    if (hover.y == 0) hover.y = y;
    if (!c.armed || c.noticeStaying) return false;
    if (x == hover.x || y == hover.y) return false;
    if (std::abs(x - hover.x) <= 3 && std::abs(y - hover.y) <= 3) return false;
    hover = {x, y};
    return true;
}

}  // namespace kalvo::ui
