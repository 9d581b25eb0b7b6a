#include "ui/offwin.h"

namespace kalvo::ui {

TOffWinForm::TOffWinForm(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TOffWinForm"));
    setWindowTitle(QStringLiteral("!!! VAROVANIE !!!"));
    setFixedSize(473, 82);
}

}  // namespace kalvo::ui
