#pragma once
// The archive of past reminders: viewed and pruned, or a reminder put back.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TOldPlan : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TOldPlan(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
