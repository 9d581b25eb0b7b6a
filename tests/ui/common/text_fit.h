#pragma once
// Finds the texts of a window that do not fit their boxes: a label, a button or a label drawn as a
// button whose text is wider than the room it has, or that runs into the window's own edge. Labels that
// wrap are judged by the lines they need, labels that shorten their text on purpose are left alone.

#include <QStringList>

class QWidget;

namespace kalvo::test {

// One line per text that does not fit, naming the window, the control and the text; empty when all fit.
QStringList CutTexts(QWidget* window);

// The font every window test measures with: the stock Debian desktop's DejaVu Sans. Fails the check
// (with a message naming the package) when it is not installed.
bool UseDesktopFont(QString* problem);

}  // namespace kalvo::test
