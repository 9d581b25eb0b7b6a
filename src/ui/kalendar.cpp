#include "ui/kalendar.h"

namespace kalvo::ui {

TFormKalendar::TFormKalendar(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TFormKalendar"));
    setWindowTitle(QStringLiteral("Menný kalendár"));
    setFixedSize(420, 330);
}

}  // namespace kalvo::ui
