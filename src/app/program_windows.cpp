#include "app/program_windows.h"

#include "app/settings_load.h"
#include "ui/about/about.h"
#include "ui/import/addnew.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/mena.h"
#include "ui/alarm/message_popup.h"
#include "ui/editor/messageedit.h"
#include "ui/shutdown/offwin.h"
#include "ui/archive/oldprehlad.h"
#include "ui/overview/prehlad.h"
#include "ui/settings/setup.h"

namespace kalvo::app {
namespace {

template <class W>
W* Create(ui::AppContext& ctx, std::vector<std::unique_ptr<QWidget>>& owned) {
    auto window = std::make_unique<W>(ctx);
    W* raw = window.get();
    owned.push_back(std::move(window));
    return raw;
}

}  // namespace

ProgramWindows::ProgramWindows(ui::AppContext& ctx) : ctx_(ctx) {
    // The settings are in place before any window exists: every window reads them as it is built.
    ui::LoadSettings(ctx);
    ui::Windows& w = ctx.windows;
    w.plan = Create<ui::TPlan>(ctx, owned_);
    w.oldPlan = Create<ui::TOldPlan>(ctx, owned_);
    w.mena = Create<ui::TFormMena>(ctx, owned_);
    w.kalendar = Create<ui::TFormKalendar>(ctx, owned_);
    w.kalendForm = Create<ui::TKalendForm>(ctx, owned_);
    w.addNew = Create<ui::TFAddNew>(ctx, owned_);
    w.main = Create<ui::TMainForm>(ctx, owned_);
    w.about = Create<ui::TAboutBox>(ctx, owned_);
    w.setup = Create<ui::TFormSetup>(ctx, owned_);
    w.offWin = Create<ui::TOffWinForm>(ctx, owned_);
    w.edit = Create<ui::TEditMessage>(ctx, owned_);
    w.popup = Create<ui::TMesgPopUp>(ctx, owned_);
}

ProgramWindows::~ProgramWindows() {
    ctx_.windows = {};
    while (!owned_.empty()) owned_.pop_back();
}

void ShowMainWindow(ui::TMainForm* main) {
    if (main->pmObnovitTag != 0) main->pmObnovitClick();
    main->raise();
    main->activateWindow();
}

}  // namespace kalvo::app
