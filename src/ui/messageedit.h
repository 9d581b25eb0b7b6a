#pragma once
// The editor of an ordinary reminder.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TEditMessage : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TEditMessage(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
