#include "ui/setup.h"

namespace kalvo::ui {

TFormSetup::TFormSetup(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TFormSetup"));
    setWindowTitle(QStringLiteral("Nastavenia"));
    setFixedSize(513, 256);
}

}  // namespace kalvo::ui
