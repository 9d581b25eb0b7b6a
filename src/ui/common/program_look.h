#pragma once
// The letter and the style the windows are drawn in. On Linux those are the desktop's own, as the user
// set them. On Windows the program brings its face along (DejaVu Sans, compiled in) and draws its few
// standard controls (check boxes, combo and date boxes, the month calendars) in Qt's Fusion style, as on
// the Linux desktops it is tested on: the windows are laid out to the pixel, and what Windows offers
// instead differs from one installation to the next (Segoe UI or Tahoma, the bitmap MS Sans Serif that
// Qt cannot draw, under Wine only the fonts of the Linux machine, among them a serif mathematical face
// Qt would take for everything; header margins that leave a month calendar room for four days). The
// few controls that ask for Arial or Tahoma by name get the same face where Windows has no such font.

class QString;

namespace kalvo::ui {

// Registers the compiled-in face and makes it the application's font, 9 points like the desktop
// default the windows are laid out for, and sets the style. Does nothing where the program uses the
// desktop's look. False when the face could not be loaded (`problem` then says why); the windows then
// use whatever the system offers.
bool UseProgramLook(QString* problem = nullptr);

// True where the program draws in a look of its own rather than the desktop's.
bool HasOwnLook();

}  // namespace kalvo::ui
