#pragma once
// What every window of the program shares: the services behind the seams, the settings (loaded and
// owned by the application) and the user's files.

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

struct AppContext {
    AppContext(Clock& c, Platform& p, Dialogs& d) : clock(c), platform(p), dialogs(d) {}

    Clock& clock;
    Platform& platform;
    Dialogs& dialogs;
    TextLocale locale = TextLocale::Slovak();
    TSettings Settings;
    storage::DataFiles files;
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
