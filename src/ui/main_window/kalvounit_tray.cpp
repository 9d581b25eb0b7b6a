// The tray icon: its picture, tooltip, clicks and mouse hover (which slides out the name-day notice), its
// menu, and the list's small delete menu built with it.

#include <algorithm>

#include <QApplication>
#include <QCursor>

#include "ui/common/artwork.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/mena.h"

namespace kalvo::ui {

void TMainForm::BuildTray() {
    TrayIcon = new QSystemTrayIcon(this);
    BuildMenus();
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) TrayIconClick();
        else if (reason == QSystemTrayIcon::MiddleClick) ShowNameNotice();
    });
    // Where the platform sends the icon's tooltip request, it says where the mouse rests.
    TrayIcon->installEventFilter(this);
    TrayWatch = new QTimer(this);
    TrayWatch->setInterval(250);
    TrayWatch->setTimerType(Qt::CoarseTimer);
    connect(TrayWatch, &QTimer::timeout, this, &TMainForm::WatchTray);
}

bool TMainForm::TrayAvailable() const {
    return ctx_.trayAvailable ? ctx_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TMainForm::BuildMenus() {
    menuStyle_ = std::make_unique<OwnDrawMenuStyle>(20);
    PopupMenu = new QMenu(this);
    PopupMenu->setStyle(menuStyle_.get());
    Oprograme1 = PopupMenu->addAction(QStringLiteral("O programe"));
    PopupMenu->addSeparator();
    Dnes1 = PopupMenu->addAction(QStringLiteral("Dnes"));
    Starpripomienky1 = PopupMenu->addAction(QStringLiteral("Staré"));
    Starpripomienky1->setVisible(false);
    PopupMenu->addSeparator();
    Men1 = PopupMenu->addAction(QStringLiteral("Kalendár"));
    pmObnovit = PopupMenu->addAction(ArtIcon(QStringLiteral("kalvo")), QStringLiteral("Kalvo"));
    PopupMenu->setDefaultAction(pmObnovit);
    Nastavenia1 = PopupMenu->addAction(QStringLiteral("Nastavenia"));
    PopupMenu->addSeparator();
    QMenu* reminders = PopupMenu->addMenu(QStringLiteral("Pripomienky"));
    reminders->setStyle(menuStyle_.get());
    Exportova1 = reminders->addAction(QStringLiteral("Exportovať"));
    Importova1 = reminders->addAction(QStringLiteral("Importovať"));
    PopupMenu->addSeparator();
    pmClose = PopupMenu->addAction(ArtIcon(QStringLiteral("close")), QStringLiteral("Zatvoriť"));

    connect(PopupMenu, &QMenu::aboutToShow, this, &TMainForm::PopupMenuPopup);
    connect(pmObnovit, &QAction::triggered, this, &TMainForm::pmObnovitClick);
    connect(pmClose, &QAction::triggered, this, &TMainForm::pmCloseClick);
    connect(Dnes1, &QAction::triggered, this, &TMainForm::OverviewRequested);
    connect(Starpripomienky1, &QAction::triggered, this, &TMainForm::ArchiveRequested);
    connect(Men1, &QAction::triggered, this, &TMainForm::Men1Click);
    connect(Oprograme1, &QAction::triggered, this, &TMainForm::Oprograme1Click);
    connect(Nastavenia1, &QAction::triggered, this, &TMainForm::Nastavenia1Click);
    connect(Exportova1, &QAction::triggered, this, &TMainForm::Exportova1Click);
    connect(Importova1, &QAction::triggered, this, &TMainForm::Importova1Click);
    TrayIcon->setContextMenu(PopupMenu);

    PopupDelete = new QMenu(this);
    PopupDelete->setStyle(menuStyle_.get());
    Vymazavber1 = PopupDelete->addAction(ArtIcon(QStringLiteral("delete")), QStringLiteral("Vymazať výber"));
    Vymazavber1->setShortcut(QKeySequence::Delete);
    PopupDelete->addSeparator();
    Aktualizuj1 = PopupDelete->addAction(QStringLiteral("Editácia"));
    Aktualizuj1->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    Koprova1 = PopupDelete->addAction(ArtIcon(QStringLiteral("copy")), QStringLiteral("Kopírovať"));
    Koprova1->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    Vloizostarch1 = PopupDelete->addAction(QStringLiteral("Vložiť zo starých"));
    Vloizostarch1->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    connect(Vymazavber1, &QAction::triggered, this, &TMainForm::BtDelClick);
    connect(Aktualizuj1, &QAction::triggered, this, &TMainForm::MesgListDblClick);
    connect(Koprova1, &QAction::triggered, this, &TMainForm::Koprova1Click);
    connect(Vloizostarch1, &QAction::triggered, this, &TMainForm::Vloizostarch1Click);
    // The shortcuts work while the list has the focus, as the list's own menu.
    for (QAction* a : {Vymazavber1, Aktualizuj1, Koprova1, Vloizostarch1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        MesgList->addAction(a);
    }
}

void TMainForm::SetTrayImage(int index) {
    trayImage = index;
    TrayIcon->setIcon(ArtIcon(index == 0 ? QStringLiteral("kalvo") : QStringLiteral("kalvo-blink")));
}

void TMainForm::pmObnovitClick() {
    // Without a notification area the window goes to the task bar, and comes back from there too.
    if (pmObnovitTag != 0 && (TrayAvailable() || !isVisible() || isMinimized())) {
        if (isMinimized()) showNormal();
        else show();
        raise();
        activateWindow();
        pmObnovit->setText(QStringLiteral("Skryť Kalvo"));
        pmObnovitTag = 0;
    } else {
        if (TrayAvailable()) {
            hide();
        } else {
            showMinimized();
            if (!toldAboutTaskBar_) {
                toldAboutTaskBar_ = true;
                ctx_.dialogs.Inform("Kalvo",
                                    "Pracovná plocha nemá oblasť oznámení, do ktorej by sa Kalvo mohol skryť.\n\n"
                                    "Okno je preto minimalizované na paneli úloh. Pripomienky sa naďalej "
                                    "kontrolujú; okno otvoríte kliknutím na Kalvo na paneli úloh.");
            }
        }
        pmObnovit->setText(QStringLiteral("Kalvo"));
        pmObnovitTag = 1;
    }
    emit OverviewHoldRequested();
}

void TMainForm::TrayIconClick() {
    if (links_.nameNotice) links_.nameNotice->HideNow();
    pmObnovitClick();
}

void TMainForm::TrayIconMouseMove(int x, int y) {
    TFormMena* notice = links_.nameNotice;
    if (!notice) return;
    const TrayHoverConditions now{ctx_.Settings.SlideNameWindow != 0, TrayHoverArmed, notice->TimerHide->isActive()};
    if (!TrayHoverStep(trayHover, now, x, y)) return;
    TrayHoverArmed = false;
    notice->StartBlock();
    ShowNameNotice();
}

void TMainForm::ShowNameNotice() {
    TFormMena* notice = links_.nameNotice;
    if (!notice || notice->isVisible()) return;
    UpdateDayNames();
    notice->show();
}

void TMainForm::WatchTray() {
    if (!TrayIcon->isVisible()) return;
    if (!trayWindow_ && AttachTrayWindow() && !trayWindow_->underMouse()) {
        TrayWatch->stop();
        return;
    }
    // Each question to the display server wakes the program: while the mouse rests only its place is
    // asked, and the icon's own place only every two seconds or when the mouse is over it.
    const QPoint mouse = QCursor::pos();
    if (mouse == lastPolledMouse_) return;
    lastPolledMouse_ = mouse;
    if (++pollsSinceTrayGeometry_ >= kTrayGeometryPolls || trayGeometry_.contains(mouse)) {
        trayGeometry_ = TrayIcon->geometry();
        pollsSinceTrayGeometry_ = 0;
    }
    // Only a move over the icon counts, as the mouse's own move events would.
    if (!trayGeometry_.isEmpty() && trayGeometry_.contains(mouse)) TrayIconMouseMove(mouse.x(), mouse.y());
}

bool TMainForm::AttachTrayWindow() {
    // In an XEmbed notification area the icon is a window of this program.
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto icon = std::find_if(windows.begin(), windows.end(),
                                   [](QWidget* w) { return w->objectName() == QLatin1String("QSystemTrayIconSys"); });
    if (icon == windows.end()) return false;
    trayWindow_ = *icon;
    trayWindow_->installEventFilter(this);
    // A restarted notification area gets a new window; until it is found the mouse is polled again.
    connect(trayWindow_, &QObject::destroyed, TrayWatch, qOverload<>(&QTimer::start));
    return true;
}

void TMainForm::PopupMenuPopup() {
    emit TrayMenuOpening();
    Starpripomienky1->setVisible(ctx_.Settings.DeleteOldReminders == 0);
    // The menu and the notice never stand together, and the notice waits five seconds after it.
    if (TFormMena* notice = links_.nameNotice) {
        notice->HideNow();
        TrayHoverArmed = false;
        notice->StartBlock();
    }
}

void TMainForm::SetSyncProblem(const QString& text) {
    if (text == syncProblem_) return;
    syncProblem_ = text;
    UpdateToolTip();
}

void TMainForm::UpdateToolTip() {
    QString tip = NamesInToolTip ? QStringLiteral("Kalvo\nDnes: %1\nZajtra: %2").arg(TodayNames, TomorrowNames)
                                 : QStringLiteral("Kalvo");
    if (!syncProblem_.isEmpty()) tip += QStringLiteral("\nSynchronizácia zlyhala: ") + syncProblem_;
    TrayIcon->setToolTip(tip);
}

void TMainForm::ShowTrayImage(int image) { SetTrayImage(image); }

}  // namespace kalvo::ui
