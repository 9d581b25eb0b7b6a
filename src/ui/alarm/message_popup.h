#pragma once
// The alarm strip: every alarm slides in above the task bar, and the user closes it ("Zatvoriť") or puts
// it off ("Odložiť"). It counts down 90 seconds for the time signal and while alarms close themselves.

#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include "ui/alarm/snooze_menu.h"
#include "ui/common/app_context.h"
#include "ui/widgets/notification_strip.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TMesgPopUp : public NotificationStrip {
    Q_OBJECT
public:
    explicit TMesgPopUp(AppContext& ctx, QWidget* parent = nullptr);

    // What the opener fills in before showing.
    QLabel* Datum;
    QPlainTextEdit* Message;
    QLabel* ImageMsg;  // the reminder's own picture; hidden shows the standard picture beneath
    QLabel* Image2;
    ShapeButton* Label9;
    ShapeButton* LabelSnooze;  // "Odložiť", with its menu
    SnoozeMenu* SnoozeChoices;
    QTimer* TimerShow;
    QTimer* TimerHide;
    QTimer* TimerClose;
    // Alarms close themselves after the countdown while a shut-down is ordered.
    bool AutoCloseAlarms = false;
    int CloseCountdown = 90;  // seconds left of the self-close countdown

    void ShowPicture(const QString& file);  // hides ImageMsg when the file cannot be shown
    void HidePicture();
    // Shows the strip and returns when it has closed.
    void ShowModal();

    // The standard picture, also used by the editor's preview and the row drawing.
    static QPixmap StandardPicture();

    void FormShow();
    void TimerShowTimer();
    void TimerHideTimer();
    void TimerCloseTimer();
    void Label9Click();
    void Dismiss() override { Label9Click(); }

    // Whether the alarm on show can be put off: the time signal and the list of missed alarms cannot.
    void SetSnoozable(bool snoozable);
    void LabelSnoozeClick();
    // The strip is still sliding in: its links move under the mouse.
    bool Sliding() const { return TimerShow->isActive(); }

signals:
    void SnoozeChosen(const kalvo::scheduler::SnoozeRequest& request);

protected:
    void showEvent(QShowEvent* event) override;
    // A click whose press comes while the strip slides in is meant for what was under the mouse before
    // (the strip closed before it, say): its links let it pass.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildHeader();   // the date, "Odložiť" and "Zatvoriť"
    void BuildMessage();  // the picture and the text
    AppContext& ctx_;
    bool clickWhileSliding_ = false;
};

}  // namespace kalvo::ui
