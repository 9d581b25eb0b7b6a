// The hidden window that hears Windows' broadcasts: a wake from sleep, a change of the clock or zone and
// the end of the session reach the program, sent to the window itself or to every top-level window at once.

#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include "platform/win32/system_events.h"

namespace kalvo {
namespace {

TEST(SystemEventsTest, AWakeAndAClockChangeAreHeard) {
    SystemEvents events;
    ASSERT_NE(events.Window(), nullptr);
    int resumed = 0;
    int timeChanged = 0;
    events.onResumed = [&] { ++resumed; };
    events.onTimeChanged = [&] { ++timeChanged; };
    const HWND window = static_cast<HWND>(events.Window());

    EXPECT_EQ(SendMessageW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0), TRUE);
    EXPECT_EQ(resumed, 1);
    SendMessageW(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);  // going to sleep is not a wake
    EXPECT_EQ(resumed, 1);
    SendMessageW(window, WM_TIMECHANGE, 0, 0);
    EXPECT_EQ(timeChanged, 1);

    int ended = 0;
    events.onSessionEnd = [&] { ++ended; };
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);  // the program never holds the session
    SendMessageW(window, WM_ENDSESSION, FALSE, 0);                    // someone else refused: nothing ends
    EXPECT_EQ(ended, 0);
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ended, 1);

    // To every top-level window at once, the hidden ones included. Posted, not sent: a sent broadcast waits
    // for each window of every other program in the session (under Wine two minutes for the services'
    // windows, which never answer).
    ASSERT_TRUE(PostMessageW(HWND_BROADCAST, WM_TIMECHANGE, 0, 0));
    for (const ULONGLONG until = GetTickCount64() + 5000; timeChanged < 2 && GetTickCount64() < until;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (timeChanged < 2) Sleep(10);
    }
    EXPECT_EQ(timeChanged, 2);
}

TEST(SystemEventsTest, NoTrayWindowNoListening) {
    // This thread shows no tray icon: there is nothing to listen to, and asking is harmless.
    EXPECT_FALSE(ListenToTrayMouse([](int, int) {}));
}

}  // namespace
}  // namespace kalvo
