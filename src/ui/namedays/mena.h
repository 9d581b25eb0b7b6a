#pragma once
// The name-day notice: the user rests the mouse on the tray icon and reads today's and tomorrow's names
// in a small strip that slides out at the bottom right, stays ten seconds and slides away.

#include <QLabel>
#include <QTimer>

#include "ui/common/app_context.h"
#include "ui/widgets/notification_strip.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TFormMena : public NotificationStrip {
    Q_OBJECT
public:
    explicit TFormMena(AppContext& ctx, QWidget* parent = nullptr);

    QLabel* Datum;
    QLabel* LMenoDnes;
    QLabel* LZajtra;
    ShapeButton* Label9;  // "Zatvoriť"
    QTimer* TimerShow;    // the slide-in steps
    QTimer* TimerHide;    // how long it stays
    QTimer* TimerClose;   // the slide-down steps
    QTimer* TimerBlok;    // no new slide-out from the tray meanwhile

    void SetDayNames(const QString& today, const QString& tomorrow);
    // Hidden at once from outside (a tray click, the tray menu): it starts at rest next time.
    void HideNow();
    // The tray's permission to slide the notice out again is given back when TimerBlok runs out.
    void StartBlock() { TimerBlok->start(); }

    void FormShow();
    void TimerShowTimer();
    void TimerHideTimer();
    void TimerCloseTimer();
    void TimerBlokTimer();
    void Label9Click();
    void Dismiss() override { Label9Click(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

signals:
    // The block after a slide-out ran out: the tray may slide the notice out again.
    void HoverRearmed();

private:
    void BuildHeader();  // the date on the title art and "Zatvoriť"
    void BuildNames();   // today's and tomorrow's names

    AppContext& ctx_;
};

}  // namespace kalvo::ui
