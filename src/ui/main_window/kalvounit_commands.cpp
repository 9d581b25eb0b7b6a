// The tray menu's "O programe" and "Nastavenia", and the shut-down order that the scheduler reads from
// the settings dialog.

#include "ui/main_window/kalvounit.h"

namespace kalvo::ui {

void TMainForm::Oprograme1Click() { emit AboutRequested(); }

void TMainForm::Nastavenia1Click() { emit SettingsRequested(); }

scheduler::ShutdownOrder TMainForm::CurrentShutdownOrder() const {
    return links_.shutdownOrder ? links_.shutdownOrder() : scheduler::ShutdownOrder{};
}

bool TMainForm::ShowShutdownCountdown() { return !links_.shutdownCountdown || links_.shutdownCountdown(); }

}  // namespace kalvo::ui
