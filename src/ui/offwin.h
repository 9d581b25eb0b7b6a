#pragma once
// The 60-second countdown before the ordered shut-down of the computer.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TOffWinForm : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TOffWinForm(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
