#pragma once
// What every window of the program shares: the services behind the seams, the settings, the user's
// files and the state the main window keeps for the others.

#include <QString>
#include <filesystem>
#include <functional>

#include "core/clock.h"
#include "core/dialogs.h"
#include "core/settings.h"
#include "core/text_locale.h"
#include "platform/platform.h"
#include "scheduler/scheduler.h"
#include "storage/data_files.h"

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

// The windows, created once at start-up in this order and kept for the whole run.
struct Windows {
    TPlan* plan = nullptr;
    TOldPlan* oldPlan = nullptr;
    TFormMena* mena = nullptr;
    TFormKalendar* kalendar = nullptr;
    TKalendForm* kalendForm = nullptr;
    TFAddNew* addNew = nullptr;
    TMainForm* main = nullptr;
    TAboutBox* about = nullptr;
    TFormSetup* setup = nullptr;
    TOffWinForm* offWin = nullptr;
    TEditMessage* edit = nullptr;
    TMesgPopUp* popup = nullptr;
};

// State of the main window that other windows read and change.
struct SharedState {
    bool EditMode = false;
    bool NewDateFromMain = true;
    int ImportAccepted = 0;
    bool CalendarPrefilled = false;
    bool TrayHoverArmed = true;
    bool AutoCloseAlarms = false;
    int CloseCountdown = 90;  // seconds left of an alarm's self-close countdown
};

struct AppContext {
    AppContext(Clock& c, Platform& p, Dialogs& d) : clock(c), platform(p), dialogs(d) {}

    Clock& clock;
    Platform& platform;
    Dialogs& dialogs;
    TextLocale locale = TextLocale::Slovak();
    TSettings Settings;
    storage::DataFiles files;
    SharedState state;
    Windows windows;
    // Whether the desktop has a notification area; empty asks the desktop (tests answer themselves).
    std::function<bool()> trayAvailable;

    std::filesystem::path SetupFile() const { return files.SetupFile(); }
    QString ProgramFolder() const;
};

// Texts cross into Qt here.
inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline std::string S(const QString& text) { return text.toStdString(); }
QString PathText(const std::filesystem::path& path);

}  // namespace kalvo::ui
