#include "platform/qt/sleep_watcher.h"

#include <QDBusConnection>

namespace kalvo {

SleepWatcher::SleepWatcher(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                SLOT(PrepareForSleep(bool)));
}

void SleepWatcher::PrepareForSleep(bool sleeping) {
    if (!sleeping) emit Resumed();
}

}  // namespace kalvo
