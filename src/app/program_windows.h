#pragma once
// Creates every window of the program once, in its fixed order, and disposes of them at the end.

#include <memory>
#include <vector>

#include <QWidget>

#include "ui/app_context.h"

namespace kalvo::app {

class ProgramWindows {
public:
    // The overview comes first: its creation loads the settings everything after it reads.
    explicit ProgramWindows(ui::AppContext& ctx);
    ~ProgramWindows();

private:
    ui::AppContext& ctx_;
    std::vector<std::unique_ptr<QWidget>> owned_;  // in creation order; destroyed in reverse
};

// Shows the main window and brings it forward (a second start, the bus).
void ShowMainWindow(ui::TMainForm* main);

}  // namespace kalvo::app
