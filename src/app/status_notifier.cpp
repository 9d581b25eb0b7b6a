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

NamesInToolTip::NamesInToolTip(ui::AppContext& ctx, ui::TMainForm* main, QObject* parent)
    : QObject(parent), ctx_(ctx), main_(main) {
    main_->NamesInToolTip = true;
    main_->UpdateDayNames();
    midnight_.setSingleShot(true);
    midnight_.setTimerType(Qt::VeryCoarseTimer);
    connect(&midnight_, &QTimer::timeout, this, [this] {
        main_->UpdateDayNames();
        ArmForMidnight();
    });
    ArmForMidnight();
}

void NamesInToolTip::ArmForMidnight() {
    const LocalMoment now = ctx_.clock.Now();
    const int secondsLeft = 86400 - (now.hour * 3600 + now.minute * 60 + now.second);
    midnight_.start((secondsLeft + 1) * 1000);
}

}  // namespace kalvo::app
