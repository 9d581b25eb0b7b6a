#pragma once
// The product name, the version of the build and the contact links.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TAboutBox : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TAboutBox(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
