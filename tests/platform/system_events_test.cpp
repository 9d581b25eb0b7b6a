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

    // As Windows sends them: to every top-level window, the hidden ones included.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_TIMECHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    EXPECT_EQ(timeChanged, 2);
}

TEST(SystemEventsTest, NoTrayWindowNoListening) {
    // This thread shows no tray icon: there is nothing to listen to, and asking is harmless.
    EXPECT_FALSE(ListenToTrayMouse([](int, int) {}));
}

}  // namespace
}  // namespace kalvo
