// The main window's views: the tabs, the week view and the month calendar.

#include <QTableView>
#include <QTextCharFormat>
#include <algorithm>

#include "core/week_view.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/day_convert.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_builders.h"
#include "ui/main_window/kalvounit.h"

namespace kalvo::ui {
namespace {

const QColor kGreen(0, 147, 0);

constexpr std::array<int, 7> kRowTops{35, 52, 69, 86, 103, 124, 141};
constexpr int kRowHeight = 17;
constexpr int kCalendarWidth = 161;
constexpr int kCalendarMaxWidth = 196;
constexpr int kCalendarHeight = 153;
// The animations' pauses: short enough to feel quick, long enough to be seen.
constexpr int kGrowPauseMs = 4;
constexpr int kBarPauseMs = 3;
constexpr int kSlidePauseMs = 5;

void SetHeight(QWidget* w, int height) { w->setGeometry(w->x(), w->y(), w->width(), height); }

}  // namespace

void TMainForm::BuildWeekPanel() {
    BuildWeekRows();
    BuildWeekBar();
    LMonth = MonthLabel(QRect(0, 18, 161, 14), this);
    AddDragHandle(LMonth);
    HidingReset();
}

void TMainForm::BuildWeekRows() {
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    QFont arialBold = arial;
    arialBold.setBold(true);

    const std::array<const char*, 7> names{"Pondelok", "Utorok", "Streda", "Štvrtok", "Piatok", "Sobota", "Nedeľa"};
    const std::array<const char*, 7> dateNames{"LPo", "LUt", "LSt", "LStv", "LPia", "LSo", "LNe"};
    for (std::size_t i = 0; i < 7; ++i) {
        const int k = static_cast<int>(i) + 1;
        const int top = kRowTops[i];
        NameCell[i] = new Shape(kCalendarCell, this);
        NameCell[i]->setObjectName(QStringLiteral("Shape%1").arg(9 + k));
        NameCell[i]->setGeometry(0, top, 65, kRowHeight);
        Spacer[i] = new Shape(kCalendarCell, this);
        Spacer[i]->setObjectName(QStringLiteral("Shape%1").arg(24 + k));
        Spacer[i]->setGeometry(65, top, 8, kRowHeight);
        DateCell[i] = new Shape(kCalendarCell, this);
        DateCell[i]->setObjectName(QStringLiteral("Shape%1").arg(17 + k));
        DateCell[i]->setGeometry(73, top, 89, kRowHeight);
        DayName[i] = new ClickLabel(QString::fromUtf8(names[i]), this, k);
        DayName[i]->setObjectName(QStringLiteral("Label%1").arg(17 - k));
        DayName[i]->setGeometry(3, top, 62, kRowHeight);
        DayName[i]->setFont(arialBold);
        DayDate[i] = new ClickLabel(QString(), this, k);
        DayDate[i]->setObjectName(QLatin1String(dateNames[i]));
        DayDate[i]->setGeometry(75, top, 85, kRowHeight);
        DayDate[i]->setFont(arial);
        // One stop of Tab a day: its name, which a screen reader reads with the date beside it.
        DayName[i]->UseFromKeyboard(QAccessible::RadioButton);
        for (ClickLabel* l : {DayName[i], DayDate[i]}) {
            l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            if (k == 7) l->SetTextColor(kSundayRed);
            connect(l, &ClickLabel::clicked, this, &TMainForm::DatumClick);
        }
    }
}

void TMainForm::BuildWeekBar() {
    Shape17 = new Shape(QColor(164, 176, 200), this);
    Shape17->setObjectName(QStringLiteral("Shape17"));
    Shape17->setGeometry(0, 120, 162, 4);
    RestButtonsOver(Shape17);
    Shape6 = new Shape(kGreyBar, this);
    Shape6->setObjectName(QStringLiteral("Shape6"));
    Shape6->setGeometry(0, 158, 162, 25);
    RestButtonsOver(Shape6);
    Label17 = new QLabel(QStringLiteral("Týždeň"), this);
    Label17->setObjectName(QStringLiteral("Label17"));
    Label17->setGeometry(6, 162, 100, 16);
    Label17->setFont(Bold(font()));
    Label17->setStyleSheet(TextOnClear(kLightFace));
    Label17->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto arrow = [this](const char* art, const char* name, int x, const QString& hint) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(x, 159, 18, 22);
        b->setIcon(ArtIcon(QLatin1String(art)));
        b->setIconSize(QSize(16, 16));
        b->setAutoRaise(true);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setCursor(Qt::PointingHandCursor);
        b->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"
                                        "QToolButton:pressed { padding-top: 1px; }"
                                        "QToolButton:focus { border: 1px dotted %1; }")
                             .arg(kLightFace.name()));
        return b;
    };
    BtBack = arrow("back", "BtBack", 123, QStringLiteral("Predchádzajúci týždeň"));
    BtNext = arrow("next", "BtNext", 142, QStringLiteral("Nasledujúci týždeň"));
    connect(BtBack, &QToolButton::clicked, this, &TMainForm::BtBackClick);
    connect(BtNext, &QToolButton::clicked, this, &TMainForm::BtNextClick);
}

void TMainForm::BuildCalendar() {
    Date = MonthCalendar(this);
    Date->setSelectedDate(DateOfDay(ctx_.clock.Now().day));
    Date->move(0, 5);
    FitCalendar();
    Date->hide();
    connect(Date, &QCalendarWidget::selectionChanged, this, [this] {
        if (MonthOnShow()) DateClick();
    });
    connect(Date, &QCalendarWidget::clicked, this, [this](QDate date) {
        // A click on the day already listed lists it again only when the rows show something else.
        if (MonthOnShow() && !(rowsView_ == ReminderView::Month && rowsDay_ == DayOfDate(date))) DateClick();
    });
}

void TMainForm::SetTabLooks() {
    const std::array<ClickLabel*, 3> labels{Label4, Label6, Label7};
    const std::array<MainView, 3> views{MainView::List, MainView::Week, MainView::Month};
    for (std::size_t i = 0; i < 3; ++i) {
        const bool current = CurrentView == views[i];
        QFont f = font();
        f.setBold(current);
        f.setPixelSize(10);
        labels[i]->setFont(f);
        labels[i]->SetTextColor(current ? kLinkHover : QColor(Qt::black));
        labels[i]->SetChosen(current);
        TabBar[i]->SetBrush(current ? kDeepOrange : kOrange);
        TabBack[i]->SetBrush(current ? kPaleFace : kPeach);
    }
}

void TMainForm::HidingReset() {
    animation_->Stop();
    for (std::size_t i = 0; i < 7; ++i) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{NameCell[i], Spacer[i], DateCell[i], DayName[i], DayDate[i]}) {
            w->hide();
            SetHeight(w, kRowHeight);
        }
    }
    for (QWidget* w : std::initializer_list<QWidget*>{LMonth, Shape17, Label17, Shape6, BtBack, BtNext}) w->hide();
    SetHeight(LMonth, 14);
    SetHeight(Shape17, 4);
    SetHeight(Shape6, 25);
    if (Date) {
        Date->hide();
        Date->move(0, 5);
    }
}

void TMainForm::Label4Click() {
    if (CurrentView == MainView::List) return;
    CurrentView = MainView::List;
    SetTabLooks();
    HidingReset();
    Image1->show();
    SetListRows();
}

void TMainForm::Label6Click() {
    if (WeekOnShow()) return;
    HidingReset();
    CurrentView = MainView::Week;
    SetTabLooks();
    // The picture would only peek out around the panel.
    Image1->hide();
    Shape6->resize(162, Shape6->height());
    ShowWeek();
    DatumClick(SelectedWeekDay);
    ShowWeekPanel();
}

// The grey bar under the week panel or the calendar grows in five steps; the caller adds its full height.
void TMainForm::GrowCommandBar() {
    for (int h = 0; h <= 20; h += 5) {
        animation_->Add(
            [this, h] {
                SetHeight(Shape6, h);
                Shape6->show();
                Shape6->raise();
            },
            kBarPauseMs);
    }
}

void TMainForm::ShowWeekPanel() {
    const auto raise = [](QWidget* w) {
        w->show();
        w->raise();
    };
    std::vector<std::array<QWidget*, 5>> rows;
    for (std::size_t i = 0; i < 7; ++i) rows.push_back({NameCell[i], Spacer[i], DateCell[i], DayName[i], DayDate[i]});
    if (!ctx_.Settings.AnimateWindows) {
        raise(LMonth);
        for (const auto& row : rows)
            for (QWidget* w : row) raise(w);
        raise(Shape17);
        raise(Shape6);
        for (QWidget* w : std::initializer_list<QWidget*>{Label17, BtBack, BtNext}) raise(w);
        return;
    }
    // The month's name unrolls, then the days one after another, then the bar with the arrows.
    SetHeight(LMonth, 0);
    raise(LMonth);
    for (int h = 1; h <= 14; ++h) animation_->Add([this, h] { SetHeight(LMonth, h); }, kGrowPauseMs);
    const auto growRow = [this](const std::array<QWidget*, 5>& row) {
        animation_->Add(
            [row] {
                // The labels start at the tops of their cells.
                row[3]->move(row[3]->x(), row[0]->y());
                row[4]->move(row[4]->x(), row[2]->y());
                for (QWidget* w : row) {
                    SetHeight(w, 0);
                    w->show();
                    w->raise();
                }
            },
            0);
        for (int h = 1; h <= kRowHeight; ++h)
            animation_->Add(
                [row, h] {
                    for (QWidget* w : row) SetHeight(w, h);
                },
                kGrowPauseMs);
    };
    for (std::size_t i = 0; i < 5; ++i) growRow(rows[i]);
    animation_->Add(
        [this] {
            SetHeight(Shape17, 0);
            Shape17->show();
        },
        0);
    for (int h = 1; h <= 4; ++h) animation_->Add([this, h] { SetHeight(Shape17, h); }, kGrowPauseMs);
    for (std::size_t i = 5; i < 7; ++i) growRow(rows[i]);
    GrowCommandBar();
    animation_->Add(
        [this] {
            SetHeight(Shape6, 25);
            for (QWidget* w : std::initializer_list<QWidget*>{Label17, BtBack, BtNext}) {
                w->show();
                w->raise();
            }
        },
        0);
    animation_->Start();
}

void TMainForm::ShowWeek() {
    const LocalMoment now = ctx_.clock.Now();
    const WeekSummary week = ::kalvo::ShowWeek(Store().Reminders(), DayOf(WeekAnchor), now.day, ctx_.locale);
    WeekDates.clear();
    for (std::size_t i = 0; i < 7; ++i) {
        const WeekDayCell& cell = week.days[i];
        WeekDates.push_back(cell.date);
        DayDate[i]->setText(Q(cell.label));
        DayName[i]->setAccessibleName(DayName[i]->text() + QLatin1Char(' ') + DayDate[i]->text());
        Spacer[i]->SetBrush(cell.emptyDay ? kGreen : kCalendarCell);
        NameCell[i]->SetPen(cell.today ? kDeepOrange : QColor());
    }
    LMonth->setText(Q(week.month));
}

void TMainForm::DatumClick(int tag) {
    const bool day = tag >= 1 && tag <= 7 && WeekDates.size() == 7;
    if (day) {
        SelectedWeekDay = tag;
        const DayNumber picked = WeekDates[static_cast<std::size_t>(tag - 1)];
        std::vector<std::string> rows, pictures;
        for (DayRow& row : WeekDayRows(Store().Reminders(), picked, ctx_.locale)) {
            rows.push_back(std::move(row.text));
            pictures.push_back(std::move(row.picture));
        }
        SetRows(rows, pictures, ReminderView::Week, picked);
    }
    if (MesgList->Count() > 0) MesgList->SetItemIndex(0);
    MesgListClick();
    for (std::size_t i = 0; i < 7; ++i) {
        const bool picked = day && static_cast<int>(i) == tag - 1;
        NameCell[i]->SetBrush(picked ? kPanel : kCalendarCell);
        DateCell[i]->SetBrush(picked ? kPanel : kCalendarCell);
        DayName[i]->SetChosen(picked);
    }
}

void TMainForm::BtNextClick() {
    WeekAnchor += 7;
    ShowWeek();
    DatumClick(SelectedWeekDay);
}

void TMainForm::BtBackClick() {
    WeekAnchor -= 7;
    ShowWeek();
    DatumClick(SelectedWeekDay);
}

void TMainForm::FitCalendar() {
    // As wide as its eight columns need (the letters differ between systems), within the left panel.
    const int width = std::clamp(Date->minimumSizeHint().width(), kCalendarWidth, kCalendarMaxWidth);
    Date->setFixedSize(width, kCalendarHeight);
    ClipToRect(0, 30, Date->width(), Date->height(), Date);
}

void TMainForm::Label7Click() {
    FitCalendar();
    if (MonthOnShow()) return;
    HidingReset();
    CurrentView = MainView::Month;
    SetTabLooks();
    Image1->hide();
    Shape6->resize(Date->width() + 1, Shape6->height());
    Shape4->repaint();
    ShowCalendar();
}

void TMainForm::ShowCalendar() {
    if (!ctx_.Settings.AnimateWindows) {
        Date->move(0, 5);
        Date->show();
        Date->raise();
        SetHeight(Shape6, 25);
        Shape6->show();
        Shape6->raise();
        DateClick();
        return;
    }
    // The calendar slides in from the left, then its bar rises under it.
    Date->move(-193, 5);
    SetHeight(Shape6, 0);
    Date->show();
    Date->raise();
    for (int left = -193; left < 0; left += 8) animation_->Add([this, left] { Date->move(left, 5); }, kSlidePauseMs);
    animation_->Add([this] { Date->move(0, 5); }, 0);
    GrowCommandBar();
    animation_->Add(
        [this] {
            SetHeight(Shape6, 25);
            DateClick();
        },
        0);
    animation_->Start();
}

void TMainForm::DateClick() {
    const DayNumber day = CalendarDate();
    MonthDayListing listing = MonthDayRows(Store().Reminders(), day, ctx_.locale);
    std::vector<std::string> rows, pictures;
    for (DayRow& row : listing.rows) {
        rows.push_back(std::move(row.text));
        pictures.push_back(std::move(row.picture));
    }
    SetRows(rows, pictures, ReminderView::Month, day);
    if (MesgList->Count() > 0) MesgList->SetItemIndex(0);
    MesgListClick();
    LMonth->show();
    LMonth->raise();
    LMonth->setText(Q(listing.month));
}

void TMainForm::ViewRefresh() {
    if (WeekOnShow()) {
        ShowWeek();
        DatumClick(SelectedWeekDay);
    } else if (MonthOnShow()) {
        DateClick();
    }
}

}  // namespace kalvo::ui
