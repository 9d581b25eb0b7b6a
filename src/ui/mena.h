#pragma once
// The name-day notice that slides out from the tray when the mouse rests on the icon.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TFormMena : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFormMena(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
