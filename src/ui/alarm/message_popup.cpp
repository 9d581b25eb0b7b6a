#include "ui/alarm/message_popup.h"

#include <QCoreApplication>
#include <QPainter>

#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/slide.h"

namespace kalvo::ui {
QPixmap TMesgPopUp::StandardPicture() { return Art(QStringLiteral("standard"), QSize(61, 66)); }

TMesgPopUp::TMesgPopUp(AppContext& ctx, QWidget* parent) : NotificationStrip(473, 82, 220, parent), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Pripomienka"));
    setObjectName(QStringLiteral("TMesgPopUp"));
    BuildHeader();
    BuildMessage();

    // The strip stays where it is put; moving over the header, the title or the text only puts
    // "Zatvoriť" back to its resting look.
    SetDraggable(false);

    TimerShow = new QTimer(this);
    TimerShow->setInterval(kSlideTickMs);
    connect(TimerShow, &QTimer::timeout, this, &TMesgPopUp::TimerShowTimer);
    TimerHide = new QTimer(this);
    TimerHide->setInterval(kSlideTickMs);
    connect(TimerHide, &QTimer::timeout, this, &TMesgPopUp::TimerHideTimer);
    TimerClose = new QTimer(this);
    TimerClose->setInterval(1000);
    connect(TimerClose, &QTimer::timeout, this, &TMesgPopUp::TimerCloseTimer);
}

void TMesgPopUp::BuildHeader() {
    // The orange box is wide enough for the self-close countdown ("Zatvoriť o 89s").
    const StripHeader header = AddStripHeader(this, QString(), QStringLiteral("Zatvoriť"), 100);
    Datum = header.caption;
    Label9 = header.link;
    connect(Label9, &ShapeButton::clicked, this, &TMesgPopUp::Label9Click);
    const QFont bold = Datum->font();
    Datum->setGeometry(2, 1, 305, 13);

    // At the right end of the title, beside "Zatvoriť" and in its style.
    LabelSnooze = AddStripLink(this, QStringLiteral("Odložiť"), QRect(309, 1, 60, 13), bold);
    LabelSnooze->setObjectName(QStringLiteral("LabelSnooze"));
    LabelSnooze->setToolTip(QStringLiteral("Odložiť pripomienku na neskôr"));
    connect(LabelSnooze, &ShapeButton::clicked, this, &TMesgPopUp::LabelSnoozeClick);
    for (QWidget* link : {static_cast<QWidget*>(Label9), static_cast<QWidget*>(LabelSnooze)})
        link->installEventFilter(this);
    SnoozeChoices = new SnoozeMenu(ctx_.clock, this);
    connect(SnoozeChoices, &SnoozeMenu::Chosen, this, &TMesgPopUp::SnoozeChosen);
}

void TMesgPopUp::BuildMessage() {
    Image2 = new QLabel(this);
    Image2->setGeometry(0, 14, 61, 66);
    Image2->setScaledContents(true);
    Image2->setPixmap(StandardPicture());

    ImageMsg = new QLabel(this);
    ImageMsg->setObjectName(QStringLiteral("ImageMsg"));
    ImageMsg->setGeometry(0, 14, 61, 66);
    ImageMsg->setScaledContents(true);
    ImageMsg->hide();

    Message = new QPlainTextEdit(this);
    Message->setObjectName(QStringLiteral("Message"));
    Message->setAccessibleName(QStringLiteral("Text pripomienky"));
    Message->setGeometry(65, 17, 406, 60);
    Message->setReadOnly(true);
    Message->setFrameShape(QFrame::NoFrame);
    Message->setFont(Datum->font());
    Message->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: %1; color: %2; }").arg(kFrameDark.name(), kStripText.name()));
    AddDragHandle(Message->viewport());

    auto* shape2 = new Shape(kOrange, this);
    shape2->setGeometry(0, 80, 480, 1);
}

void TMesgPopUp::SetSnoozable(bool snoozable) { LabelSnooze->setVisible(snoozable); }

void TMesgPopUp::LabelSnoozeClick() {
    LabelSnooze->Rest();
    // The strip waits while the user chooses, even when it would close itself.
    if (TimerClose->isActive()) {
        TimerClose->stop();
        Label9->SetText(QStringLiteral("Zatvoriť"));
        CloseCountdown = 90;
    }
    // Above the link, never over it: a second click on the link must not land on an item.
    const QPoint link = LabelSnooze->mapToGlobal(QPoint(0, 0));
    SnoozeChoices->popup(QPoint(link.x(), link.y() - SnoozeChoices->sizeHint().height()));
}

bool TMesgPopUp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label9 || watched == LabelSnooze) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                clickWhileSliding_ = Sliding();
                if (clickWhileSliding_) return true;
                break;
            case QEvent::MouseButtonRelease:
                if (clickWhileSliding_) {
                    clickWhileSliding_ = false;
                    static_cast<ShapeButton*>(watched)->Rest();
                    return true;
                }
                break;
            default:
                break;
        }
    }
    return NotificationStrip::eventFilter(watched, event);
}

void TMesgPopUp::ShowPicture(const QString& file) {
    QPixmap picture;
    if (!file.isEmpty() && picture.load(file)) {
        ImageMsg->setPixmap(picture);
        ImageMsg->show();
    } else {
        HidePicture();
    }
}

void TMesgPopUp::HidePicture() {
    ImageMsg->hide();
    ImageMsg->clear();
}

void TMesgPopUp::ShowModal() {
    setModal(true);
    exec();
}

void TMesgPopUp::showEvent(QShowEvent* event) {
    NotificationStrip::showEvent(event);
    FormShow();
}

void TMesgPopUp::FormShow() {
    Label9->Rest();
    if (Tag() != 1) return;
    move(ctx_.Settings.AnimateWindows ? DesktopRight() - 2 : TargetLeft(), RestTop());
    QCoreApplication::processEvents();
    const bool timeSignal = Message->toPlainText().contains(QStringLiteral("Časové znamenie"));
    if (timeSignal || AutoCloseAlarms) TimerClose->start();
    if (ctx_.Settings.AnimateWindows) TimerShow->start();
}

void TMesgPopUp::TimerShowTimer() {
    TimerShow->stop();
    const int target = TargetLeft();
    const int step = SlideStep(x() - target);
    move(x() - step, y());  // the window is created to stay on top
    QCoreApplication::processEvents();
    if (x() > target) TimerShow->start();
    else SetTag(2);
}

void TMesgPopUp::TimerCloseTimer() {
    int& left = CloseCountdown;
    --left;
    if (left != 0) {
        Label9->SetText(QStringLiteral("Zatvoriť o %1s").arg(left));
        return;
    }
    Label9->SetText(QStringLiteral("Zatvoriť"));
    TimerClose->stop();
    left = 90;
    Label9Click();
}

void TMesgPopUp::Label9Click() {
    Label9->Rest();
    if (TimerClose->isActive()) {
        TimerClose->stop();
        Label9->SetText(QStringLiteral("Zatvoriť"));
        QCoreApplication::processEvents();
        CloseCountdown = 90;
    }
    TimerShow->stop();
    if (ctx_.Settings.AnimateWindows) TimerHide->start();
    else done(0);
}

void TMesgPopUp::TimerHideTimer() {
    TimerHide->stop();
    move(x(), y() + 2);
    QCoreApplication::processEvents();
    if (y() < DesktopBottom() - 2) {
        TimerHide->start();
    } else {
        done(0);
        SetTag(1);
    }
}

}  // namespace kalvo::ui
