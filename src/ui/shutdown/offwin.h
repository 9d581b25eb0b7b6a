#pragma once
// "!!! VAROVANIE !!!": the 60-second countdown before the ordered shut-down of the computer. It slides
// in at the bottom right like the alarm strip; "Zrušiť" cancels the order, the end of the countdown
// switches the computer off.

#include <QLabel>
#include <QTimer>

#include "ui/common/app_context.h"
#include "ui/common/window_links.h"
#include "ui/widgets/notification_strip.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TOffWinForm : public NotificationStrip {
    Q_OBJECT
public:
    explicit TOffWinForm(AppContext& ctx, QWidget* parent = nullptr);
    // The scheduler waits while the countdown runs.
    void Link(SchedulerGate* gate) { gate_ = gate; }

    // Shows the countdown and returns when it has closed: true when the user cancelled.
    bool ShowModal();

    void FormShow();
    void TimerOffWinTimer();
    void TimerShowTimer();
    void Label9Click();
    // Escape and close requests cancel, never shut down.
    void Dismiss() override { Label9Click(); }

    QLabel* Datum;
    ShapeButton* Label9;  // "Zrušiť"
    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* LTime;
    QTimer* TimerOffWin;
    QTimer* TimerShow;
    int ShutdownSeconds = 60;

signals:
    // The order is over: the countdown ran out or was cancelled.
    void OrderEnded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EndOrder();

    AppContext& ctx_;
    SchedulerGate* gate_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace kalvo::ui
