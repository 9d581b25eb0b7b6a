#include "ui/namedays/mena.h"

#include <QCoreApplication>

#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/window_builders.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/slide.h"

namespace kalvo::ui {
TFormMena::TFormMena(AppContext& ctx, QWidget* parent) : NotificationStrip(182, 53, 205, parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TFormMena"));
    setWindowTitle(QStringLiteral("Meniny"));
    FillWith(this, kFrameDark);
    BuildHeader();
    BuildNames();

    // The strip stays where it is put; a move anywhere but over "Zatvoriť" puts its look back.
    SetDraggable(false);
    connect(this, &BorderlessWindow::FreeAreaHovered, Label9, &ShapeButton::Rest);
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w != Label9) AddDragHandle(w);

    TimerShow = new QTimer(this);
    TimerShow->setInterval(kSlideTickMs);
    connect(TimerShow, &QTimer::timeout, this, &TFormMena::TimerShowTimer);
    TimerHide = new QTimer(this);
    TimerHide->setInterval(10000);
    connect(TimerHide, &QTimer::timeout, this, &TFormMena::TimerHideTimer);
    TimerClose = new QTimer(this);
    TimerClose->setInterval(kSlideTickMs);
    connect(TimerClose, &QTimer::timeout, this, &TFormMena::TimerCloseTimer);
    TimerBlok = new QTimer(this);
    TimerBlok->setInterval(5000);
    connect(TimerBlok, &QTimer::timeout, this, &TFormMena::TimerBlokTimer);
}

void TFormMena::BuildHeader() {
    auto* image1 = new QLabel(this);
    image1->setGeometry(0, 1, 125, 14);
    image1->setPixmap(Art(QStringLiteral("title"), QSize(125, 14)));
    image1->setScaledContents(true);
    Datum = ColouredLabel(QString(), QRect(2, 2, 122, 12), kTitleText, true, this);
    Datum->setObjectName(QStringLiteral("Datum"));
    Datum->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto* shape1 = new Shape(kOrange, this);
    shape1->setGeometry(127, 1, 55, 14);  // "Zatvoriť" clear of the window's edge
    Label9 = new ShapeButton(QStringLiteral("Zatvoriť"), this);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setGeometry(129, 1, 49, 14);
    Label9->SetRounded(false);
    Label9->SetUnderlineOnHover(true);
    Label9->SetLooks({QColor(), kTitleText}, {QColor(), kTitleText}, {QColor(), kLinkHover});
    QFont small = Label9->font();
    small.setPixelSize(10);
    Label9->setFont(small);
    connect(Label9, &ShapeButton::clicked, this, &TFormMena::Label9Click);
}

void TFormMena::BuildNames() {
    auto* names = new FittedLabel(this);
    names->setGeometry(1, 18, 138, 14);
    LMenoDnes = names;
    LMenoDnes->setObjectName(QStringLiteral("LMenoDnes"));
    LMenoDnes->setText(QStringLiteral("--"));
    auto* tomorrow = new FittedLabel(this);
    tomorrow->setGeometry(1, 34, 138, 14);
    LZajtra = tomorrow;
    LZajtra->setObjectName(QStringLiteral("LZajtra"));
    LZajtra->setText(QStringLiteral("--"));
    for (QLabel* l : {LMenoDnes, LZajtra}) {
        QFont f = l->font();
        f.setPixelSize(11);
        f.setBold(l == LMenoDnes);
        l->setFont(f);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setStyleSheet(TextOnClear(Qt::white));
    }

    auto* shape5 = new Shape(kLightFace, this);
    shape5->setGeometry(142, 16, 40, 35);
    ColouredLabel(QStringLiteral("Dnes"), QRect(145, 18, 36, 14), Qt::black, true, this);
    ColouredLabel(QStringLiteral("Zajtra"), QRect(146, 34, 35, 14), Qt::black, false, this);
    auto* shape2 = new Shape(kOrange, this);
    shape2->setGeometry(0, 51, 185, 1);
}

void TFormMena::SetDayNames(const QString& today, const QString& tomorrow) {
    LMenoDnes->setText(today);
    LZajtra->setText(tomorrow);
}

void TFormMena::showEvent(QShowEvent* event) {
    NotificationStrip::showEvent(event);
    FormShow();
}

void TFormMena::FormShow() {
    if (Tag() != 1) return;
    Datum->setText(Q(ShortDate(ctx_.locale, ctx_.clock.Now().day)));
    const bool animate = ctx_.Settings.AnimateWindows != 0;
    move(animate ? DesktopRight() - 2 : TargetLeft(), RestTop());
    if (animate) TimerShow->start();
    else TimerHide->start();
    QCoreApplication::processEvents();
}

void TFormMena::TimerShowTimer() {
    TimerShow->stop();
    const int target = TargetLeft();
    move(x() - SlideStep(x() - target), y());
    if (x() > target) {
        TimerShow->start();
        return;
    }
    TimerHide->start();
    SetTag(2);
}

void TFormMena::TimerHideTimer() {
    TimerHide->stop();
    if (ctx_.Settings.AnimateWindows) TimerClose->start();
    else hide();
}

void TFormMena::TimerCloseTimer() {
    TimerClose->stop();
    move(x(), y() + 2);
    QCoreApplication::processEvents();
    if (y() < DesktopBottom() - 2) {
        TimerClose->start();
    } else {
        hide();
        SetTag(1);
    }
}

void TFormMena::TimerBlokTimer() {
    emit HoverRearmed();
    TimerBlok->stop();
}

void TFormMena::Label9Click() {
    Label9->Rest();
    Label9->SetLooks({QColor(), kLinkHover}, {QColor(), kTitleText}, {QColor(), kLinkHover});
    // A click during the slide-in ends it where the strip stands.
    TimerShow->stop();
    TimerHide->stop();
    if (ctx_.Settings.AnimateWindows) TimerClose->start();
    else hide();
}

void TFormMena::HideNow() {
    hide();
    SetTag(1);
}

void TFormMena::hideEvent(QHideEvent* event) {
    NotificationStrip::hideEvent(event);
    // However it went, it starts from rest next time: no step of this showing may run on while hidden.
    TimerShow->stop();
    TimerHide->stop();
    TimerClose->stop();
    SetTag(1);
    Label9->SetLooks({QColor(), kTitleText}, {QColor(), kTitleText}, {QColor(), kLinkHover});
}

}  // namespace kalvo::ui
