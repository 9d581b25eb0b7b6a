#pragma once
// The settings at start: setup.dat and setup.ini into the shared settings.

#include "ui/common/app_context.h"

namespace kalvo::ui {

// A setup.dat that cannot be read whole is told about once and copied aside before any save can
// replace the user's settings with the defaults.
void LoadSettings(AppContext& ctx);

}  // namespace kalvo::ui
