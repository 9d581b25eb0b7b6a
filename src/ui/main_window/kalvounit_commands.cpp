// The tray menu's "O programe" and "Nastavenia", and the shut-down order that the scheduler reads from
// the settings dialog.

#include "ui/about/about.h"
#include "ui/main_window/kalvounit.h"
#include "ui/shutdown/offwin.h"
#include "ui/settings/setup.h"

namespace kalvo::ui {

void TMainForm::Oprograme1Click() {
    if (ctx_.windows.about) ctx_.windows.about->ShowModal();
}

void TMainForm::Nastavenia1Click() {
    if (ctx_.windows.setup) ctx_.windows.setup->ShowModal();
}

scheduler::ShutdownOrder TMainForm::CurrentShutdownOrder() const {
    return ctx_.windows.setup ? ctx_.windows.setup->ShutdownOrder() : scheduler::ShutdownOrder{};
}

bool TMainForm::ShowShutdownCountdown() { return !ctx_.windows.offWin || ctx_.windows.offWin->ShowModal(); }

}  // namespace kalvo::ui
