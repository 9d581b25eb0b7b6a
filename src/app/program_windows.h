#pragma once
// Creates every window of the program once, in its fixed order, and disposes of them at the end.

#include <memory>
#include <vector>

#include <QWidget>

#include "ui/common/app_context.h"

namespace kalvo::app {

class ProgramWindows {
public:
    // Loads the settings, then creates the windows, the overview first.
    explicit ProgramWindows(ui::AppContext& ctx);
    ~ProgramWindows();

private:
    ui::AppContext& ctx_;
    std::vector<std::unique_ptr<QWidget>> owned_;  // in creation order; destroyed in reverse
};

// Shows the main window and brings it forward (a second start, the bus).
void ShowMainWindow(ui::TMainForm* main);

}  // namespace kalvo::app
