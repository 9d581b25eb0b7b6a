// Kalvo: the tray program.

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/program_windows.h"
#include "app/qt_texts.h"
#include "app/quit_command.h"
#include "app/single_instance.h"
#ifdef KALVO_HAVE_SYNC
#include "app/sync_service.h"
#endif
#ifndef _WIN32
#include "app/session_signals.h"
#endif
#ifdef KALVO_HAVE_QTDBUS
#include "app/bus_service.h"
#include "app/status_notifier.h"
#endif
#include "core/clock.h"
#ifdef _WIN32
#include "platform/win32/system_events.h"
#include "platform/win32/win32_platform.h"
#else
#include "platform/qt/qt_platform.h"
#include "platform/qt/sleep_watcher.h"
#endif
#include "storage/file_io.h"
#include "ui/common/program_look.h"
#include "ui/common/qt_dialogs.h"
#include "ui/common/system_locale.h"
#include "ui/main_window/kalvounit.h"
#include "ui/overview/prehlad.h"

namespace kalvo::app {
class SyncService;
}

namespace {

// Wayland does not let a program place its alarm strip above the task bar; XWayland does.
void PreferX11OnWayland() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("WAYLAND_DISPLAY") != nullptr &&
        std::getenv("DISPLAY") != nullptr)
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// The pause before the overview, so that the desktop has settled after log-on. Tests shorten it.
int StartupWaitMs() {
    if (const char* v = std::getenv("KALVO_STARTUP_WAIT_MS")) return std::max(0, std::atoi(v));
    return 10000;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = kalvo::app::RunQuitCommand(argc, argv)) return *status;
    kalvo::UseSystemTimeZone();
    PreferX11OnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvo"));
    QApplication::setQuitOnLastWindowClosed(false);
    kalvo::app::InstallQtSlovakTexts(&app);
    kalvo::ui::UseProgramLook();

    try {
#ifdef _WIN32
        kalvo::Win32Platform platform;
#else
        kalvo::QtPlatform platform;
#endif
        kalvo::SystemClock clock;
        kalvo::ui::QtDialogs dialogs;
        kalvo::ui::AppContext ctx(clock, platform, dialogs);
        ctx.locale = kalvo::ui::SystemTextLocale();
        ctx.files = kalvo::storage::DataFiles{platform.ProgramFolder(), platform.UserName()};

        kalvo::app::SingleInstance instance(kalvo::app::InstanceKey(ctx.files.user, ctx.files.folder));
        if (!instance.IsFirst()) {
            QMessageBox::information(nullptr, QStringLiteral("Kalvo"),
                                     QStringLiteral("Kalvo je už spustené. Jeho hlavné okno sa zobrazilo."));
            return 0;
        }

        kalvo::app::ProgramWindows windows(ctx);
        kalvo::ui::TMainForm* main = windows.main;
        dialogs.SetOwner(main);
        instance.OnActivate([main] { kalvo::app::ShowMainWindow(main); });
        // The installer asks for the end (kalvo --quit): as "Ukončiť", without its question; not while a
        // window waits for the user (an alarm, a question, the editor), whose answer would be lost.
        instance.OnQuit([main] {
            if (QApplication::activeModalWidget()) return false;
            QTimer::singleShot(0, main, &kalvo::ui::TMainForm::EndOnRequest);
            return true;
        });
        QObject::connect(main, &kalvo::ui::TMainForm::EndRequested, &app, [&] {
            windows.plan->close();
            QApplication::quit();
        });
#ifndef QT_NO_SESSIONMANAGER
        // The session ends: changes only in memory are saved if they can be, else the user decides, and
        // may stop the log-out to keep them.
        QObject::connect(&app, &QGuiApplication::commitDataRequest, main, [main](QSessionManager& manager) {
            if (!main->SettleUnsaved(manager.allowsInteraction())) manager.cancel();
            manager.release();
        });
#endif
        // Whatever else ends the loop: a last try.
        QObject::connect(&app, &QCoreApplication::aboutToQuit, main, [main] { main->SettleUnsaved(false); });
#ifndef _WIN32
        // A signal ends the program as the end of a session does: what is only in memory is saved or set
        // aside first, and no window may refuse (exit, not quit). Inside an alarm or a message nothing may
        // go on as if the user had answered it, so the program ends there and then; the alarm comes back
        // at the next start.
        kalvo::app::SessionEndSignals endSignals;
        QObject::connect(&endSignals, &kalvo::app::SessionEndSignals::Received, main, [main] {
            main->EndSession();
            if (QThread::currentThread()->loopLevel() > 1) std::_Exit(0);
            QApplication::exit(0);
        });
#endif

        kalvo::app::SyncService* syncing = nullptr;
#ifdef KALVO_HAVE_SYNC
        // Sync with the calendar, when the user has an account: the first one runs during the wait below.
        kalvo::app::SyncService sync(ctx, windows);
        syncing = &sync;
        sync.Start();
#endif

        // After a resume the timer may take its time; what fell due while asleep is handled at once, after
        // a sync of a few seconds at most has taken in what other computers did meanwhile.
        const auto woke = [main, syncing] {
#ifdef KALVO_HAVE_SYNC
            syncing->Woke();
#endif
            main->TickSoon();
        };
#ifdef _WIN32
        platform.Events().onResumed = woke;
        // The end of the Windows session, as a signal on Linux: saved or set aside, then the end.
        platform.Events().onSessionEnd = [main] {
            main->EndSession();
            QApplication::exit(0);
        };
#else
        kalvo::SleepWatcher sleep;
        QObject::connect(&sleep, &kalvo::SleepWatcher::Resumed, main, woke);
#endif

        QThread::msleep(static_cast<unsigned long>(StartupWaitMs()));
#ifdef KALVO_HAVE_SYNC
        // What was missed is listed, and fires, only after the first sync (or a few seconds of it).
        sync.WaitForAlarms(std::chrono::seconds(5));
#endif

#ifdef KALVO_HAVE_QTDBUS
        // Only now: a call that arrived during the wait would find no one answering.
        kalvo::app::BusService bus(ctx, windows, syncing);
        bus.Register();
        std::unique_ptr<kalvo::app::NamesInToolTip> namesInToolTip;
        if (kalvo::app::StatusNotifierHostPresent())
            namesInToolTip = std::make_unique<kalvo::app::NamesInToolTip>(ctx, main);
#endif

        windows.plan->show();
        if (main->TrayAvailable()) {
            main->TrayIcon->show();
#ifdef _WIN32
            // Where the notification area does not tell where the icon is (Wine's), the icon's own mouse
            // moves slide the names out.
            kalvo::ListenToTrayMouse([main](int x, int y) { main->TrayIconMouseMove(x, y); });
#endif
        } else {
            main->pmObnovitClick();  // no notification area: the main window is the way in
        }
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Kalvo"),
                              QStringLiteral("Kalvo sa nepodarilo spustiť:\n%1").arg(QString::fromLocal8Bit(e.what())));
        return 1;
    }
}
