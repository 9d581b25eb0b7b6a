#pragma once
// What Windows tells every top-level window and the program must act on: the computer woke from sleep,
// its clock or time zone was set, or the session ends (log-off, shut-down). Qt passes the first two on to
// no one and answers the last on its own windows only, so a hidden window of the program's own listens
// for them; it is a real top-level window, because broadcasts skip message-only windows.

#include <functional>

namespace kalvo {

class SystemEvents {
public:
    // Run on the thread that created the window, from its message loop.
    std::function<void()> onResumed;      // the computer woke from sleep or hibernation
    std::function<void()> onTimeChanged;  // the clock or the time zone was set
    // The session ends for good (WM_ENDSESSION after every program agreed): Windows ends the process as
    // soon as this returns, so what must not be lost is saved here.
    std::function<void()> onSessionEnd;

    SystemEvents();
    ~SystemEvents();
    SystemEvents(const SystemEvents&) = delete;
    SystemEvents& operator=(const SystemEvents&) = delete;

    // The listening window (an HWND); null when it could not be made.
    void* Window() const { return window_; }

private:
    void* window_ = nullptr;
};

// Windows tells a tray icon's owner when the mouse moves over the icon, with the icon's callback message;
// Qt reads that message but keeps the moves to itself. This listens in on the window Qt gives its tray
// icon and reports each move with the mouse's place on the screen. False while this thread has no such
// window yet (the icon is not shown); true once it listens (again calls replace `onMove`).
bool ListenToTrayMouse(std::function<void(int x, int y)> onMove);

}  // namespace kalvo
