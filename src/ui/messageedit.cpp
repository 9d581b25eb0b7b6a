#include "ui/messageedit.h"

namespace kalvo::ui {

TEditMessage::TEditMessage(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TEditMessage"));
    setWindowTitle(QStringLiteral("Pripomienka"));
    setFixedSize(488, 290);
}

}  // namespace kalvo::ui
