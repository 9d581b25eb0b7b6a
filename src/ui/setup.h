#pragma once
// The settings dialog with its four pages.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TFormSetup : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFormSetup(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
