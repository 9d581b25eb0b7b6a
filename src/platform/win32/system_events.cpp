#include "platform/win32/system_events.h"

// clang-format off
#include <windows.h>
// clang-format on
#include <windowsx.h>

#include <cwchar>

namespace kalvo {
namespace {

constexpr wchar_t kClassName[] = L"KalvoSystemEvents";

LRESULT CALLBACK EventsProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* events = reinterpret_cast<SystemEvents*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (events) {
        if (message == WM_POWERBROADCAST && (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)) {
            // Both arrive after a wake the user caused; once is enough, the handler only looks at the clock.
            if (events->onResumed) events->onResumed();
            return TRUE;
        }
        if (message == WM_TIMECHANGE) {
            if (events->onTimeChanged) events->onTimeChanged();
            return 0;
        }
        if (message == WM_QUERYENDSESSION) return TRUE;  // Qt asks the user, where it must, on its windows
        if (message == WM_ENDSESSION) {
            if (wParam && events->onSessionEnd) events->onSessionEnd();
            return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Qt's own tray window and the message its icon reports with (qwindowssystemtrayicon.cpp: WM_APP + 101).
constexpr UINT kQtTrayMessage = WM_APP + 101;
constexpr wchar_t kQtTrayClass[] = L"TrayIconMessageWindowClass";

struct TrayListener {
    HWND window = nullptr;
    WNDPROC qtProc = nullptr;
    std::function<void(int, int)> onMove;
};
TrayListener& Listener() {
    static TrayListener listener;
    return listener;
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TrayListener& l = Listener();
    // With NOTIFYICON_VERSION_4 the event is the low word of lParam and the mouse's place is in wParam.
    if (message == kQtTrayMessage && LOWORD(lParam) == WM_MOUSEMOVE && l.onMove)
        l.onMove(GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam));
    return CallWindowProcW(l.qtProc, hwnd, message, wParam, lParam);
}

BOOL CALLBACK FindQtTrayWindow(HWND hwnd, LPARAM found) {
    wchar_t name[256] = {};
    if (GetClassNameW(hwnd, name, 255) > 0 && std::wcsstr(name, kQtTrayClass)) {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

SystemEvents::SystemEvents() {
    static const ATOM registered = [] {
        WNDCLASSEXW c{};
        c.cbSize = sizeof(c);
        c.lpfnWndProc = EventsProc;
        c.hInstance = GetModuleHandleW(nullptr);
        c.lpszClassName = kClassName;
        return RegisterClassExW(&c);
    }();
    if (!registered) return;
    // Never shown; a tool window keeps it off the task bar should anything show it.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Kalvo", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
}

SystemEvents::~SystemEvents() {
    if (window_) DestroyWindow(static_cast<HWND>(window_));
}

bool ListenToTrayMouse(std::function<void(int x, int y)> onMove) {
    TrayListener& l = Listener();
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindQtTrayWindow, reinterpret_cast<LPARAM>(&found));
    if (!found) return false;
    l.onMove = std::move(onMove);
    if (found == l.window) return true;
    l.window = found;
    l.qtProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(found, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayProc)));
    return l.qtProc != nullptr;
}

}  // namespace kalvo
