#pragma once
// The question put for each reminder of an imported set.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TFAddNew : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFAddNew(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
