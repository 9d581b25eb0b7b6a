#pragma once
// The name calendar: find a name's day and write a name-day or birthday reminder.

#include "ui/app_context.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TFormKalendar : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFormKalendar(AppContext& ctx, QWidget* parent = nullptr);

private:
    AppContext& ctx_;
};

}  // namespace kalvo::ui
