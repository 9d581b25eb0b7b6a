#pragma once
// The size of the settings dialog's pages, which all stand in the same place.

namespace kalvo::ui {

inline constexpr int kSetupPageHeight = 172;
// The status bar and the buttons below the pages sit this much lower than under a 150-pixel page.
inline constexpr int kPageGrowth = kSetupPageHeight - 150;

}  // namespace kalvo::ui
