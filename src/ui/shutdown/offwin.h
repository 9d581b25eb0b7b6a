#pragma once
// "!!! VAROVANIE !!!": the 60-second countdown before the ordered shut-down of the computer. It slides
// in at the bottom right like the alarm strip; "Zrušiť" cancels the order, the end of the countdown
// switches the computer off.

#include <QLabel>
#include <QTimer>

#include "ui/common/app_context.h"
#include "ui/widgets/notification_strip.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TOffWinForm : public NotificationStrip {
    Q_OBJECT
public:
    explicit TOffWinForm(AppContext& ctx, QWidget* parent = nullptr);

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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EndOrder();

    AppContext& ctx_;
    bool cancelled_ = false;
};

}  // namespace kalvo::ui
