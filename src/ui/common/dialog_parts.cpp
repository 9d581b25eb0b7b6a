#include "ui/common/dialog_parts.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

#include "ui/common/artwork.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

QFont UseDialogFace(QWidget* window) {
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, kLightFace);
    window->setPalette(pal);
    window->setAutoFillBackground(true);
    QFont base = window->font();
    base.setPixelSize(11);
    window->setFont(base);
    base.setBold(true);
    return base;
}

QLabel* AddTitle(BorderlessWindow* window, const QRect& strip, const QString& caption, const QRect& captionAt) {
    auto* art = new QLabel(window);
    art->setGeometry(strip);
    art->setPixmap(Art(QStringLiteral("title"), strip.size()));
    art->setScaledContents(true);
    window->AddDragHandle(art);
    auto* label = new QLabel(caption, window);
    label->setGeometry(captionAt);
    QFont bold = window->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(kTitleText.name()));
    window->AddDragHandle(label);
    return label;
}

StripHeader AddStripHeader(BorderlessWindow* strip, const QString& caption, const QString& link, int linkWidth) {
    const int boxLeft = 473 - linkWidth;
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, kFrameDark);
    strip->setPalette(pal);
    strip->setAutoFillBackground(true);

    auto* art = new QLabel(strip);
    art->setGeometry(0, 0, boxLeft - 2, 14);
    art->setPixmap(Art(QStringLiteral("title"), QSize(boxLeft - 2, 14)));
    strip->AddDragHandle(art);
    QLabel* title = ColouredLabel(caption, QRect(2, 1, boxLeft - 62, 13), Qt::black, true, strip);
    title->setObjectName(QStringLiteral("Datum"));
    strip->AddDragHandle(title);

    (new Shape(kOrange, strip))->setGeometry(boxLeft, 0, linkWidth, 14);
    ShapeButton* button = AddStripLink(strip, link, QRect(boxLeft + 2, 1, linkWidth - 5, 13), title->font());
    button->setObjectName(QStringLiteral("Label9"));
    return {title, button};
}

ShapeButton* AddStripLink(BorderlessWindow* strip, const QString& text, const QRect& at, const QFont& font) {
    auto* button = new ShapeButton(text, strip);
    button->setGeometry(at);
    button->SetRounded(false);
    button->SetAlignment(Qt::AlignRight);
    button->SetUnderlineOnHover(true);
    button->SetLooks({QColor(), kTitleText}, {QColor(), kLinkHover}, {QColor(), kLinkHover});
    button->setFont(font);
    QObject::connect(strip, &BorderlessWindow::FreeAreaHovered, button, &ShapeButton::Rest);
    return button;
}

QLabel* ColouredLabel(const QString& text, const QRect& at, const QColor& colour, bool bold, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(at);
    QFont f = label->font();
    f.setBold(bold);
    f.setPixelSize(11);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(colour.name()));
    return label;
}

QToolButton* GreyButton(const QString& text, const QString& hint, QWidget* parent, const QRect& at) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setGeometry(at);
    b->setFocusPolicy(Qt::TabFocus);  // in reach of Tab, as every command of a form
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral(
        "QToolButton { color: rgb(245,245,245); font-weight: bold; font-size: 10px; background: rgb(129,129,129);"
        " border: 1px solid rgb(215,215,227); border-radius: 4px; }"
        "QToolButton:hover, QToolButton:focus { color: rgb(255,165,74); border-color: rgb(255,165,74); }"
        "QToolButton:pressed { color: white; border-color: white; background: rgb(108,108,108); }"
        "QToolButton:disabled { color: rgb(176,176,176); }"));
    return b;
}

QToolButton* BarButton(const QString& text, const QString& hint, QWidget* parent, int x, int y) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setGeometry(x, y, 60, 22);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral(
        "QToolButton { color: rgb(245,245,245); font-weight: bold; border: 1px solid transparent; background: transparent; }"
        "QToolButton:hover, QToolButton:focus { border: 1px solid rgb(215,215,227); background: rgb(145,145,145); }"
        "QToolButton:pressed { background: rgb(108,108,108); }"
        "QToolButton:disabled { color: rgb(176,176,176); }"));
    return button;
}

QCalendarWidget* MonthCalendar(QWidget* parent) {
    auto* calendar = new QCalendarWidget(parent);
    calendar->setObjectName(QStringLiteral("Date"));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    calendar->setGridVisible(false);
    QFont small = parent->font();
    small.setPixelSize(10);
    calendar->setFont(small);
    QTextCharFormat header;
    header.setFontWeight(QFont::Bold);
    header.setForeground(QColor(81, 81, 81));
    calendar->setHeaderTextFormat(header);
    QPalette pal = calendar->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, kCalendarCell);
        pal.setColor(group, QPalette::AlternateBase, kCalendarCell);
        pal.setColor(group, QPalette::Window, kGreyBar);
        pal.setColor(group, QPalette::Text, Qt::black);
        pal.setColor(group, QPalette::Highlight, kGreyBar);
        pal.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    // The calendar paints the days of the neighbouring months in the disabled text colour.
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(222, 238, 248));
    calendar->setPalette(pal);
    if (auto* bar = calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
        bar->setFixedHeight(30);
        bar->setAutoFillBackground(true);
    }
    if (auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview")))
        view->setFrameShape(QFrame::NoFrame);
    return calendar;
}

}  // namespace kalvo::ui
