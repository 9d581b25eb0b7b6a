#include "ui/addnew.h"

namespace kalvo::ui {

TFAddNew::TFAddNew(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TFAddNew"));
    setWindowTitle(QStringLiteral("Kalendár"));
    setFixedSize(412, 225);
}

}  // namespace kalvo::ui
