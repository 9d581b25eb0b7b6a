#include "ui/common/dialog_parts.h"

#include <QCalendarWidget>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <QTextCharFormat>

#include "ui/common/artwork.h"
#include "ui/common/window_builders.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

QFont UseDialogFace(QWidget* window) {
    FillWith(window, kLightFace);
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
    label->setStyleSheet(TextOnClear(kTitleText));
    window->AddDragHandle(label);
    return label;
}

StripHeader AddStripHeader(BorderlessWindow* strip, const QString& caption, const QString& link, int linkWidth) {
    const int boxLeft = 473 - linkWidth;
    FillWith(strip, kFrameDark);

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
    label->setStyleSheet(TextOnClear(colour));
    return label;
}

QLabel* MonthLabel(const QRect& at, QWidget* parent) {
    QLabel* label = TextLabel(QString(), at, parent);
    label->setObjectName(QStringLiteral("LMonth"));
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(TextOnClear(kLightFace));
    return label;
}

QCalendarWidget* MonthCalendar(QWidget* parent) {
    auto* calendar = new QCalendarWidget(parent);
    calendar->setObjectName(QStringLiteral("Date"));
    calendar->setAccessibleName(QStringLiteral("Kalendár"));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    calendar->setGridVisible(false);
    QFont small = parent->font();
    small.setPixelSize(10);
    calendar->setFont(small);
    QTextCharFormat header;
    header.setFontWeight(QFont::Bold);
    header.setForeground(kFrameDark);
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
    if (auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        view->setFrameShape(QFrame::NoFrame);
        // A column holds at most two digits or a day's letter. The header's own least width follows the
        // widest glyph of the whole face instead, which Windows reports half as wide again as FreeType
        // does: eight such columns would no longer fit the calendar's place, and the week lost its end.
        QHeaderView* days = view->horizontalHeader();
        const int margin = 2 * days->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, days);
        days->setMinimumSectionSize(QFontMetrics(Bold(small)).horizontalAdvance(QStringLiteral("00")) + margin);
    }
    return calendar;
}

}  // namespace kalvo::ui
