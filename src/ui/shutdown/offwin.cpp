#include "ui/shutdown/offwin.h"

#include <QCoreApplication>

#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/slide.h"

namespace kalvo::ui {
TOffWinForm::TOffWinForm(AppContext& ctx, QWidget* parent) : NotificationStrip(473, 82, 220, parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TOffWinForm"));
    setWindowTitle(QStringLiteral("!!! VAROVANIE !!!"));
    const StripHeader header = AddStripHeader(this, QStringLiteral("!!! VAROVANIE !!!"), QStringLiteral("Zrušiť"));
    Datum = header.caption;
    Label9 = header.link;
    connect(Label9, &ShapeButton::clicked, this, &TOffWinForm::Label9Click);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 14, 61, 66);
    Image1->setScaledContents(true);
    Image1->setPixmap(Art(QStringLiteral("warning"), QSize(61, 66)));

    const QColor red = ColorNumber(5987327);
    const QColor pale = kStripText;
    Label2 = ColouredLabel(QStringLiteral("Pripravuje sa automatické vypnutie počítača."), QRect(68, 16, 400, 14), red,
                           true, this);
    Label6 = ColouredLabel(QStringLiteral("Podľa nastaveného plánu sa po skončení odpočítavania vypne počítač. "
                                          "Pripravovaná akcia sa dá zastaviť po stlačení tlačidla ZRUŠIŤ."),
                           QRect(68, 31, 403, 28), pale, true, this);
    Label6->setWordWrap(true);
    QFont small = Label6->font();
    small.setPixelSize(10);
    Label6->setFont(small);
    Label6->setMouseTracking(true);
    AddDragHandle(Label6);
    Label7 =
        ColouredLabel(QStringLiteral("Do vypnutia počítača ostáva ešte:"), QRect(68, 62, 200, 14), pale, false, this);
    LTime = ColouredLabel(QStringLiteral("60 s"), QRect(270, 62, 80, 14), red, true, this);
    LTime->setObjectName(QStringLiteral("LTime"));

    auto* shape2 = new Shape(kOrange, this);
    shape2->setGeometry(0, 80, 473, 2);

    // The strip stays where it is put.
    SetDraggable(false);

    TimerOffWin = new QTimer(this);
    TimerOffWin->setInterval(1000);
    connect(TimerOffWin, &QTimer::timeout, this, &TOffWinForm::TimerOffWinTimer);
    TimerShow = new QTimer(this);
    TimerShow->setInterval(kSlideTickMs);
    connect(TimerShow, &QTimer::timeout, this, &TOffWinForm::TimerShowTimer);
}

bool TOffWinForm::ShowModal() {
    cancelled_ = false;
    setModal(true);
    exec();
    return cancelled_;
}

void TOffWinForm::showEvent(QShowEvent* event) {
    NotificationStrip::showEvent(event);
    FormShow();
}

void TOffWinForm::FormShow() {
    Label9->Rest();
    ShutdownSeconds = 60;
    LTime->setText(QStringLiteral("60 s"));
    TimerOffWin->start();
    if (gate_) gate_->StopScheduler();
    // Once slid in, a later countdown of the same run opens where this one stood.
    if (Tag() != 1) return;
    move(ctx_.Settings.AnimateWindows ? DesktopRight() - 2 : TargetLeft(), RestTop());
    QCoreApplication::processEvents();
    if (ctx_.Settings.AnimateWindows) TimerShow->start();
}

void TOffWinForm::TimerShowTimer() {
    TimerShow->stop();
    const int target = TargetLeft();
    move(x() - SlideStep(x() - target), y());
    QCoreApplication::processEvents();
    if (x() > target) TimerShow->start();
    else SetTag(2);
}

void TOffWinForm::EndOrder() { emit OrderEnded(); }

void TOffWinForm::TimerOffWinTimer() {
    --ShutdownSeconds;
    if (ShutdownSeconds > 0) {
        LTime->setText(QStringLiteral("%1 s").arg(ShutdownSeconds));
        return;
    }
    TimerOffWin->stop();
    TimerShow->stop();
    EndOrder();
    // The system ends the program without asking it: the changes go first.
    if (gate_) gate_->SecureUnsaved();
    ctx_.platform.ShutDown();
    done(QDialog::Accepted);
}

void TOffWinForm::Label9Click() {
    Label9->Rest();
    if (gate_) gate_->StartScheduler();
    TimerOffWin->stop();
    TimerShow->stop();
    EndOrder();
    cancelled_ = true;
    done(QDialog::Rejected);
}

}  // namespace kalvo::ui
