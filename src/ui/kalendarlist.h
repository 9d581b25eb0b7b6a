#pragma once
// The day list of name days and birthdays with its calendar.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TKalendForm : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TKalendForm(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
