#pragma once
// "Naplánované pripomienky": today's reminders with today's and tomorrow's name days. The first window
// the program creates and the one it shows at start; it closes itself after the set number of seconds
// unless the user keeps it open. The scheduler waits while it is on screen.

#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "ui/common/app_context.h"
#include "ui/common/window_links.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/reminder_list.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

// What the day overview and the archive window share: the title strip, today's and tomorrow's names,
// the list of reminder rows and the bottom bar with its button.
class OverviewWindow : public BorderlessWindow {
    Q_OBJECT
public:
    OverviewWindow(const QString& title, QWidget* parent = nullptr);

    QLabel* Label1;  // title
    QLabel* LMenoDnes;
    QLabel* LZajtra;
    ReminderListBox* MesgList;
    QCheckBox* CBclose;
    ShapeButton* Label9;

    void SetDayNames(const QString& today, const QString& tomorrow);

protected:
    QLabel* Label7;
    QLabel* Label4;
    QWidget* bottomBar_;

private:
    void BuildDayNames();
    void BuildFoot();  // the keep-open box and "Zatvoriť"
};

class TPlan : public OverviewWindow {
    Q_OBJECT
public:
    explicit TPlan(AppContext& ctx, QWidget* parent = nullptr);
    // The scheduler waits while the overview is up; its rows are today's reminders.
    void Link(SchedulerGate* gate, ReminderKeeper* keeper) {
        gate_ = gate;
        keeper_ = keeper;
    }

    QTimer* TimerHide;
    int OverviewCountdown = 0;

    // Shown again from the tray's "Dnes": without the keep-open box.
    void ShowFromTray();

    void FormShow();
    void TimerHideTimer();
    void Label9Click();
    // Stops the self-close countdown, or keeps it from starting (the main window was shown, the
    // program is ending...).
    void StopHideTimer();

    void Dismiss() override { Label9Click(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    AppContext& ctx_;
    SchedulerGate* gate_ = nullptr;
    ReminderKeeper* keeper_ = nullptr;
    bool countdownPending_ = true;  // the countdown runs once, from the first showing
};

}  // namespace kalvo::ui
