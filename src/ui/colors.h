#pragma once
// Colours as the windows' designs give them: toolkit colour numbers hold blue, green and red in the bytes
// 0x00BBGGRR.

#include <QColor>

namespace kalvo::ui {

constexpr QColor ColorNumber(unsigned value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

inline const QColor kFrameGrey = ColorNumber(8421504);   // RGB(128,128,128)
inline const QColor kFrameDark = ColorNumber(5329233);   // RGB(81,81,81)
inline const QColor kColorKey = ColorNumber(11966087);   // fully transparent in the layered strips

}  // namespace kalvo::ui
