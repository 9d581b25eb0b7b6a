#include "app/status_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>

#include "ui/main_window/kalvounit.h"

namespace kalvo::app {

bool StatusNotifierHostPresent() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher)) return false;
    QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}

NamesInToolTip::NamesInToolTip(ui::AppContext&, ui::TMainForm* main, QObject* parent) : QObject(parent) {
    // The main window renews the names at midnight, and the tooltip with them.
    main->NamesInToolTip = true;
    main->UpdateDayNames();
}

}  // namespace kalvo::app
