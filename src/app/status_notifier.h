#pragma once
// StatusNotifier trays (KDE Plasma, GNOME with AppIndicator) do not say where the icon is, so the
// name-day notice cannot slide out on hover there: the icon's tooltip carries the names instead, kept
// current across midnight, and the middle button shows the notice.

#include <QObject>

#include "ui/common/app_context.h"

namespace kalvo::ui {
class TMainForm;
}

namespace kalvo::app {

// Whether Qt puts its tray icons on a StatusNotifier host: a watcher on the session bus that has one.
bool StatusNotifierHostPresent();

class NamesInToolTip : public QObject {
    Q_OBJECT
public:
    NamesInToolTip(ui::AppContext& ctx, ui::TMainForm* main, QObject* parent = nullptr);
};

}  // namespace kalvo::app
