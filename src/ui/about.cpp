#include "ui/about.h"

namespace kalvo::ui {

TAboutBox::TAboutBox(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("O programe"));
    setFixedSize(360, 220);
}

}  // namespace kalvo::ui
