#include "ui/kalendarlist.h"

namespace kalvo::ui {

TKalendForm::TKalendForm(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TKalendForm"));
    setWindowTitle(QStringLiteral("Kalendár"));
    setFixedSize(560, 330);
}

}  // namespace kalvo::ui
