#pragma once
// Creates every window of the program once, in its fixed order, links them and disposes of them at the
// end. The links below are the whole map of which window reaches which.

#include <memory>
#include <vector>

#include <QWidget>

#include "ui/common/app_context.h"

namespace kalvo::ui {
class TPlan;
class TOldPlan;
class TFormMena;
class TFormKalendar;
class TKalendForm;
class TFAddNew;
class TMainForm;
class TAboutBox;
class TFormSetup;
class TOffWinForm;
class TEditMessage;
class TMesgPopUp;
}  // namespace kalvo::ui

namespace kalvo::app {

class ProgramWindows {
public:
    // Loads the settings, creates the windows (the overview first), links them and opens the user's
    // files in the main window.
    explicit ProgramWindows(ui::AppContext& ctx);
    ~ProgramWindows();

    ui::TPlan* plan = nullptr;
    ui::TOldPlan* oldPlan = nullptr;
    ui::TFormMena* mena = nullptr;
    ui::TFormKalendar* kalendar = nullptr;
    ui::TKalendForm* kalendForm = nullptr;
    ui::TFAddNew* addNew = nullptr;
    ui::TMainForm* main = nullptr;
    ui::TAboutBox* about = nullptr;
    ui::TFormSetup* setup = nullptr;
    ui::TOffWinForm* offWin = nullptr;
    ui::TEditMessage* edit = nullptr;
    ui::TMesgPopUp* popup = nullptr;

private:
    void Link();

    ui::AppContext& ctx_;
    std::vector<std::unique_ptr<QWidget>> owned_;  // in creation order; destroyed in reverse
};

// Shows the main window and brings it forward (a second start, the bus).
void ShowMainWindow(ui::TMainForm* main);

}  // namespace kalvo::app
