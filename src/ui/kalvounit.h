#pragma once
// The main window: the reminder list with its details and views, the tray icon with its menus, and the
// timers of the scheduler, the tray blink and the caption ticker. It owns the reminder list, the archive
// and the name-day calendar for the whole run.

#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

#include "namedays/name_calendar.h"
#include "scheduler/caption_ticker.h"
#include "scheduler/scheduler.h"
#include "storage/reminder_store.h"
#include "ui/app_context.h"
#include "ui/owndraw.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TMainForm : public BorderlessWindow, public scheduler::SchedulerHost {
    Q_OBJECT
public:
    explicit TMainForm(AppContext& ctx, QWidget* parent = nullptr);
    ~TMainForm() override;

    storage::ReminderStore& Store() { return *store_; }
    scheduler::Scheduler& Scheduler() { return *scheduler_; }
    const namedays::NameCalendar& NameCalendar() const { return nameCalendar_; }

    // Works out today's and tomorrow's names and the holiday from the clock and puts them into the
    // windows that show them.
    void UpdateDayNames();

    // What the scheduler asks of the window.
    void ShowAlarm(const scheduler::Alarm& alarm) override;
    bool ShowShutdownCountdown() override;
    scheduler::ShutdownOrder CurrentShutdownOrder() const override;
    void RefreshWeekView() override;
    void SetTestTimerRunning(bool running) override;
    void SetBlinkTimerRunning(bool running) override;
    void ShowTrayImage(int image) override;

    // The scheduler's timer.
    void StartScheduler();
    void StopScheduler();
    bool SchedulerRunning() const { return TestTimer->isActive(); }

    // True once the user has confirmed the end of the program.
    bool Ending() const { return ending_; }

    // Tray and menu commands.
    void pmObnovitClick();
    void pmCloseClick();
    void TrayIconClick();
    void PopupMenuPopup();
    void TimerTimer();
    void DatumChangeTimer();
    void Oprograme1Click();
    void Nastavenia1Click();
    void Exportova1Click();
    void Importova1Click();

    QSystemTrayIcon* TrayIcon;
    QMenu* PopupMenu;
    QMenu* PopupDelete;
    QAction* pmObnovit;
    QAction* pmClose;
    QAction* Dnes1;
    QAction* Starpripomienky1;
    QAction* Oprograme1;
    QAction* Men1;
    QAction* Nastavenia1;
    QAction* Exportova1;
    QAction* Importova1;
    QAction* Vymazavber1;
    QAction* Aktualizuj1;
    QAction* Koprova1;
    QAction* Vloizostarch1;
    QTimer* TestTimer;
    QTimer* Timer;
    QTimer* DatumChange;
    QLabel* LMeno;
    ShapeButton* Label8;  // "Ukončiť"
    ShapeButton* Label9;  // "Skryť"
    int trayImage = 0;    // 0 the program icon, 1 the blink image
    // The day's name texts that the caption ticker and the notices show.
    QString TodayNames, TomorrowNames, TodayHoliday;
    int pmObnovitTag = 1; // 1 hidden, 0 shown

    // Without a notification area the window itself is the way in.
    bool TrayAvailable() const;

signals:
    // The user confirmed the end of the program.
    void EndRequested();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void Dismiss() override { pmObnovitClick(); }

private:
    void BuildMenus();
    void SetTrayImage(int index);

    AppContext& ctx_;
    std::unique_ptr<storage::ReminderStore> store_;
    std::unique_ptr<scheduler::Scheduler> scheduler_;
    namedays::NameCalendar nameCalendar_;
    scheduler::CaptionTicker ticker_;
    std::unique_ptr<OwnDrawMenuStyle> menuStyle_;
    bool ending_ = false;
};

}  // namespace kalvo::ui
