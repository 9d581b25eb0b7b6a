#pragma once
// The program's pictures and icons, drawn from the SVG files compiled into the program.

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace kalvo::ui {

// `name` without folder and extension, e.g. "standard"; rendered at `size` (the picture's own size when
// empty) and kept for the next call.
QPixmap Art(const QString& name, QSize size = {});
QIcon ArtIcon(const QString& name);

}  // namespace kalvo::ui
