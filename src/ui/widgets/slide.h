#pragma once
// How far a notification strip moves in one step of its slide-in: fast at first, slower over the
// last 90 pixels.

namespace kalvo::ui {

constexpr int SlideStep(int distance) {
    if (distance >= 90) return 10;
    if (distance >= 70) return 8;
    if (distance >= 50) return 6;
    if (distance >= 30) return 4;
    if (distance >= 15) return 2;
    return 1;
}

// The steps of the slide-out, and of the slide-in ticks: the designs ask for 1 to 5 ms, which the
// original's system timer stretched to about 15 ms; this keeps the slide as long as users know it.
inline constexpr int kSlideTickMs = 15;

}  // namespace kalvo::ui
