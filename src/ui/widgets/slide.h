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

// The time between two steps of the slide-in and of the slide-out. 15 ms at 10 pixels a step brings a
// strip in over a few tenths of a second: quick enough not to keep the user waiting, slow enough to be
// seen coming, and the same on every system whatever its timer's resolution.
inline constexpr int kSlideTickMs = 15;

}  // namespace kalvo::ui
