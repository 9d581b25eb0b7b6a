#include "ui/oldprehlad.h"

namespace kalvo::ui {

TOldPlan::TOldPlan(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TOldPlan"));
    setWindowTitle(QStringLiteral("Staré pripomienky"));
    setFixedSize(513, 246);
}

}  // namespace kalvo::ui
