#pragma once
// The colours of the windows, named for what they paint. Some are written as colour numbers, which hold
// blue, green and red in the bytes 0x00BBGGRR as a Windows COLORREF does.

#include <QColor>
#include <QString>

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
inline const QColor kGreyBar(129, 129, 129);  // bars and bands; colour number 8487297
inline const QColor kPanel(215, 215, 227);    // caption boxes, button frames; colour number 14931927
inline const QColor kCalendarCell(182, 191, 211);
inline const QColor kPaleFace(240, 240, 240);   // the settings' face, the list's ground, the picked tab
inline const QColor kPeach(255, 224, 193);      // a tab at rest, the menus' icon column
inline const QColor kBevelGrey(160, 160, 160);  // the bottom bar's bevel, greyed letters
inline const QColor kDeepOrange(183, 60, 0);    // names of the day, refused-character notes, today
inline const QColor kSundayRed(198, 0, 0);
inline const QColor kValueBlue(5, 5, 173);               // values shown beside their captions
inline const QColor kRuleGrey(200, 200, 200);            // thin separating lines
inline const QColor kPaleYellow = ColorNumber(8454143);  // the open settings page, the import's step
inline const QColor kPressedGrey(108, 108, 108);         // a grey button held down
inline const QColor kDisabledText(176, 176, 176);        // a grey button's letter while it cannot be used
inline const QColor kStripText = ColorNumber(12900863);  // the wide strips' letter on their dark face

// Style sheets that only colour the letter, the second over whatever lies beneath the widget.
inline QString TextColour(const QColor& colour) { return QStringLiteral("color: %1;").arg(colour.name()); }
inline QString TextOnClear(const QColor& colour) {
    return QStringLiteral("color: %1; background: transparent;").arg(colour.name());
}

}  // namespace kalvo::ui
