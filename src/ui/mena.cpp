#include "ui/mena.h"

namespace kalvo::ui {

TFormMena::TFormMena(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TFormMena"));
    setWindowTitle(QStringLiteral("Meniny"));
    setFixedSize(182, 53);
}

}  // namespace kalvo::ui
