#include "ui/overview/prehlad.h"

#include <QCloseEvent>
#include <algorithm>

#include "core/reminder_text.h"
#include "storage/extra_settings_file.h"
#include "storage/settings_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {

OverviewWindow::OverviewWindow(const QString& title, QWidget* parent) : BorderlessWindow(parent) {
    setWindowTitle(title);
    setFixedSize(513, 246);
    SetFrameStyle(FrameStyle::RightBottom);
    FillWith(this, kGreyBar);

    Label1 = AddTitle(this, QRect(2, 2, 508, 16), title, QRect(6, 2, 300, 16));
    Label1->setObjectName(QStringLiteral("Label1"));
    BuildDayNames();

    MesgList = new ReminderListBox(this);
    MesgList->setObjectName(QStringLiteral("MesgList"));
    MesgList->setAccessibleName(title);
    MesgList->setGeometry(4, 62, 505, 150);
    MesgList->SetStandardPicture(TMesgPopUp::StandardPicture());
    BuildFoot();
}

void OverviewWindow::BuildDayNames() {
    const QFont bold = Bold(font());
    QWidget* names = ColourBand(kLightFace, QRect(4, 22, 505, 36), this);
    Label7 = new QLabel(QStringLiteral("Dnes"), names);
    Label7->setGeometry(8, 2, 60, 16);
    Label7->setFont(bold);
    LMenoDnes = new QLabel(QStringLiteral("--"), names);
    LMenoDnes->setObjectName(QStringLiteral("LMenoDnes"));
    LMenoDnes->setGeometry(70, 2, 430, 16);
    LMenoDnes->setFont(bold);
    LMenoDnes->setStyleSheet(TextColour(kDeepOrange));
    Label4 = new QLabel(QStringLiteral("Zajtra"), names);
    Label4->setGeometry(8, 18, 60, 16);
    LZajtra = new QLabel(QStringLiteral("--"), names);
    LZajtra->setObjectName(QStringLiteral("LZajtra"));
    LZajtra->setGeometry(70, 18, 430, 16);
    for (QWidget* w : {static_cast<QWidget*>(names), static_cast<QWidget*>(Label7), static_cast<QWidget*>(LMenoDnes),
                       static_cast<QWidget*>(Label4), static_cast<QWidget*>(LZajtra)})
        AddDragHandle(w);
}

void OverviewWindow::BuildFoot() {
    bottomBar_ = new QWidget(this);
    bottomBar_->setGeometry(2, 214, 508, 29);
    bottomBar_->setMouseTracking(true);
    CBclose = new QCheckBox(QStringLiteral("Po uplynutí časového intervalu nechať okno zobrazené"), bottomBar_);
    CBclose->setObjectName(QStringLiteral("CBclose"));
    CBclose->setGeometry(6, 5, 380, 20);
    CBclose->setStyleSheet(TextColour(kLightFace));
    CBclose->setMouseTracking(true);

    Label9 = PanelButton(QStringLiteral("Zatvoriť"), QStringLiteral("Label9"), QRect(400, 218, 104, 20), this,
                         kPanelRest, kPanelHover, kPanelRest);
    connect(this, &BorderlessWindow::FreeAreaHovered, Label9, &ShapeButton::Rest);
    AddDragHandle(bottomBar_);
    AddDragHandle(CBclose);
}

void OverviewWindow::SetDayNames(const QString& today, const QString& tomorrow) {
    LMenoDnes->setText(today);
    LZajtra->setText(tomorrow);
}

TPlan::TPlan(AppContext& ctx, QWidget* parent)
    : OverviewWindow(QStringLiteral("Naplánované pripomienky"), parent), ctx_(ctx) {
    OverviewCountdown = std::min(ctx_.Settings.OverviewSeconds, kMaxOverviewSeconds);  // a file may hold more
    setObjectName(QStringLiteral("TPlan"));
    // Room for a three-digit countdown ("Zatvoriť o 297s") beside the keep-open box.
    Label9->setGeometry(390, 218, 114, 20);
    connect(Label9, &ShapeButton::clicked, this, &TPlan::Label9Click);

    // The countdown starts when the overview first comes on screen, after the start: a message shown
    // while the program is still being built must not let it start the scheduler.
    TimerHide = new QTimer(this);
    TimerHide->setInterval(1000);
    connect(TimerHide, &QTimer::timeout, this, &TPlan::TimerHideTimer);
    CentreOnScreen();
}

void TPlan::ShowFromTray() {
    CBclose->hide();
    show();
    raise();
    activateWindow();
}

void TPlan::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    if (countdownPending_) {
        countdownPending_ = false;
        TimerHide->start();
    }
    FormShow();
}

void TPlan::StopHideTimer() {
    countdownPending_ = false;
    TimerHide->stop();
}

void TPlan::hideEvent(QHideEvent* event) {
    BorderlessWindow::hideEvent(event);
    // However the overview goes away, the scheduler runs again.
    if (gate_ && !gate_->Ending()) gate_->StartScheduler();
}

void TPlan::FormShow() {
    if (gate_) gate_->StopScheduler();
    QStringList rows, pictures;
    const DayNumber today = ctx_.clock.Now().day;
    if (keeper_) {
        for (const TReminder& r : keeper_->Store().Reminders()) {
            if (r.Date != today) continue;
            rows << Q(OverviewRowText(r, ctx_.locale));
            pictures << Q(r.Picture);
        }
    }
    // What came too late while the computer was off is listed here once, when the window stays long
    // enough to be read; otherwise the scheduler shows it in one strip.
    if (gate_ && ctx_.Settings.OverviewSeconds > 0) {
        const std::vector<scheduler::MissedAlarm> missed = gate_->TakeMissedAlarms();
        if (!missed.empty()) {
            rows << Q(std::string(scheduler::kMissedHeader));
            pictures << QString();
            // In the rows' own form, so each shows its date and time above its text.
            for (const scheduler::MissedAlarm& m : missed) {
                const LocalMoment at = scheduler::MomentOf(m.dueAt);
                rows << Q(ShortDate(ctx_.locale, at.day) + "   " + LongTime(ctx_.locale, at.TimeOfDay()) + " - " +
                          (m.notice ? "Notifikácia: " : "") + m.text);
                pictures << QString();
            }
        }
    }
    if (rows.isEmpty()) {
        rows << QStringLiteral(" -Žiadne pripomienky");
        pictures << QString();
    }
    MesgList->SetRows(rows, pictures);
}

void TPlan::TimerHideTimer() {
    --OverviewCountdown;
    if (OverviewCountdown > 0) {
        Label9->SetText(QStringLiteral("Zatvoriť o %1s").arg(OverviewCountdown));
    } else {
        if (!CBclose->isChecked()) {
            hide();
            if (gate_) gate_->StartScheduler();
        }
        Label9->SetText(QStringLiteral("Zatvoriť"));
        TimerHide->stop();
    }
}

void TPlan::Label9Click() {
    hide();
    TimerHide->stop();
    if (gate_) gate_->StartScheduler();
    Label9->SetText(QStringLiteral("Zatvoriť"));
}

void TPlan::closeEvent(QCloseEvent* event) {
    // Only the end command of the program closes this window for good (and ends the program); a close
    // request from the desktop acts like "Zatvoriť", so nothing ends without the question.
    if (gate_ && gate_->Ending()) {
        event->accept();
        return;
    }
    event->ignore();
    Label9Click();
}

}  // namespace kalvo::ui
