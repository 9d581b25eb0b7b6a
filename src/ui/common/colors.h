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
inline const QColor kLightFace = ColorNumber(16119285);  // RGB(245,245,245): dialog faces, light letters
inline const QColor kTitleText = ColorNumber(108);       // RGB(108,0,0): captions and links
inline const QColor kLinkHover = ColorNumber(27607);     // RGB(215,107,0)
inline const QColor kOrange = ColorNumber(4892159);      // RGB(255,165,74)
inline const QColor kInputFace = ColorNumber(16579836);  // an edit box at rest
inline const QColor kInputFocused = ColorNumber(12706047);
inline const QColor kGreyBar(129, 129, 129);
inline const QColor kPanel(215, 215, 227);
inline const QColor kCalendarCell(182, 191, 211);

}  // namespace kalvo::ui
