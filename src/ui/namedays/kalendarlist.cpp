#include "ui/namedays/kalendarlist.h"

#include <QPainter>
#include <QTableView>
#include <QTextCharFormat>
#include <algorithm>

#include "core/reminder_text.h"
#include "core/row_mapping.h"
#include "namedays/name_calendar.h"
#include "ui/alarm/message_popup.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/day_convert.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/window_builders.h"
#include "ui/namedays/kalendar.h"

namespace kalvo::ui {
namespace {

constexpr int kPanelWidth = 225;
constexpr int kCalendarWidth = 161;
constexpr int kCalendarHeight = 153;
constexpr int kCalendarTop = 26;  // its visible part, below the 30 pixels cut away, starts at 56

}  // namespace

TKalendForm::TKalendForm(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TKalendForm"));
    setWindowTitle(QStringLiteral("Notifikácia menín a narodenín"));
    setFixedSize(560, 300);
    setModal(true);
    SetFrameStyle(FrameStyle::Thin);
    UseDialogFace(this);

    BuildTitleStrip();
    BuildMonth();
    BuildList();
    BuildDetails();
    BuildFoot();
    BuildMenu();

    SetCalendarDate(ctx_.clock.Now().day);
    CentreOnScreen();
}

void TKalendForm::BuildTitleStrip() {
    // Title strip and header band: the window is dragged by them.
    AddTitle(this, QRect(2, 2, 556, 14), QStringLiteral("Kalendár"), QRect(4, 2, 200, 14))
        ->setObjectName(QStringLiteral("Label1"));
    AddHeaderBand(this, 556);
    QLabel* caption = Caption(QStringLiteral("Notifikácia menín a narodenín"), QRect(230, 17, 322, 16), this);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setStyleSheet(TextOnClear(kLightFace));
    AddDragHandle(caption);
}

void TKalendForm::BuildMonth() {
    // The month calendar: its own title row is cut away and LMonth names the month instead.
    auto* monthBar = new Shape(kGreyBar, this);
    monthBar->setGeometry(2, 36, kPanelWidth, 20);
    LMonth = MonthLabel(QRect(2, 36, kPanelWidth, 20), this);

    Date = MonthCalendar(this);
    FitCalendar();
    LMonth->raise();
    connect(Date, &QCalendarWidget::selectionChanged, this, &TKalendForm::DateClick);
    // Paged to another month without picking a day there: the label names the month on show.
    connect(Date, &QCalendarWidget::currentPageChanged, this, [this](int year, int month) {
        LMonth->setText(Q(MonthYear(ctx_.locale, ClampDay(CivilToDay(year, month, 1)))));
    });

    auto* namesBox = new Shape(kPanel, this);
    namesBox->setGeometry(2, 182, kPanelWidth, 82);
    QLabel* namesCaption = TextLabel(QStringLiteral("Meniny"), QRect(8, 186, 200, 14), this);
    namesCaption->setFont(Small(font()));
    LMeniny = TextLabel(QString(), QRect(8, 200, kPanelWidth - 12, 58), this);
    LMeniny->setObjectName(QStringLiteral("LMeniny"));
    LMeniny->setWordWrap(true);
    LMeniny->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LMeniny->setFont(Bold(font()));
    LMeniny->setStyleSheet(TextColour(kDeepOrange));
}

void TKalendForm::BuildList() {
    // The list, its commands and the details of the selected entry.
    MesgList = new ReminderListBox(this);
    MesgList->setObjectName(QStringLiteral("MesgList"));
    MesgList->setAccessibleName(windowTitle());
    MesgList->setGeometry(229, 36, 301, 150);
    MesgList->SetStandardPicture(TMesgPopUp::StandardPicture());
    connect(MesgList, &ReminderListBox::rowClicked, this, &TKalendForm::MesgListClick);
    connect(MesgList, &ReminderListBox::rowDoubleClicked, this, &TKalendForm::MesgListDblClick);

    auto* buttonBar = new Shape(kGreyBar, this);
    buttonBar->setGeometry(229, 186, 301, 25);
    const CommandBar bar = AddCommandBar(this, QPoint(344, 187), TabWalk::RightToLeft);
    SpeedButton4 = bar.add;
    BtDel = bar.del;
    BtEdit = bar.edit;
    connect(SpeedButton4, &QToolButton::clicked, this, &TKalendForm::SpeedButton4Click);
    connect(BtDel, &QToolButton::clicked, this, &TKalendForm::BtDelClick);
    connect(BtEdit, &QToolButton::clicked, this, &TKalendForm::BtEditClick);
    SetDefaultAction([this] { MesgListDblClick(); });
}

void TKalendForm::BuildDetails() {
    auto* captions = new Shape(kPanel, this);
    captions->setGeometry(229, 212, 78, 52);
    const QFont small = Small(font());
    const auto detail = [&](const QString& text, int y, const char* name, QLabel* value) {
        TextLabel(text, QRect(233, y, 74, 14), this)->setFont(small);
        value->setGeometry(311, y, 216, 14);
        value->setObjectName(QLatin1String(name));
        return value;
    };
    LDateTime = detail(QStringLiteral("Pripomenúť"), 215, "LDateTime", new QLabel(this));
    LLastShow = detail(QStringLiteral("Deň oslavy"), 231, "LLastShow", new QLabel(this));
    // The text of an entry has any length: one line of it, ending in "…" when it is longer.
    LText = detail(QStringLiteral("Text"), 247, "LText", new FittedLabel(this, FittedLabel::kShortenOnly));
}

void TKalendForm::BuildFoot() {
    // The decorative strip at the right edge and the bottom strip in its last colour.
    Shape2 = new Shape(kGreyBar, this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setGeometry(2, 264, 556, 34);
    AddDragHandle(Shape2);
    PaintBox1 = new PaintBox(
        [this](QPainter& p) {
            GradientStrip s;
            s.step = 8;
            s.start = kGreyBar;
            s.width = PaintBox1->width();
            s.height = PaintBox1->height();
            Shape2->SetBrush(DrawGradientStrip(p, s));
        },
        this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(530, 36, 28, 228);

    Label9 = PanelButton(QStringLiteral("Zatvoriť"), QStringLiteral("Label9"), QRect(450, 271, 100, 20), this,
                         kPanelRest, kPanelHover, {Qt::white, Qt::white});
    connect(Label9, &ShapeButton::clicked, this, &TKalendForm::Label9Click);
    connect(this, &BorderlessWindow::FreeAreaHovered, Label9, &ShapeButton::Rest);
}

void TKalendForm::BuildMenu() {
    menuStyle_ = std::make_unique<OwnDrawMenuStyle>(20);
    PopupDelete = new QMenu(this);
    PopupDelete->setStyle(menuStyle_.get());
    Vymazavber1 = PopupDelete->addAction(ArtIcon(QStringLiteral("delete")), QStringLiteral("Vymazať výber"));
    Vymazavber1->setShortcut(QKeySequence::Delete);
    PopupDelete->addSeparator();
    Aktualizuj1 = PopupDelete->addAction(QStringLiteral("Editácia"));
    Aktualizuj1->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    Vloizostarch1 = PopupDelete->addAction(QStringLiteral("Vložiť zo starých"));
    Vloizostarch1->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    connect(Vymazavber1, &QAction::triggered, this, &TKalendForm::BtDelClick);
    connect(Aktualizuj1, &QAction::triggered, this, &TKalendForm::MesgListDblClick);
    connect(Vloizostarch1, &QAction::triggered, this, &TKalendForm::Vloizostarch1Click);
    for (QAction* a : {Vymazavber1, Aktualizuj1, Vloizostarch1}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        MesgList->addAction(a);
    }
    MesgList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MesgList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupDelete->popup(MesgList->viewport()->mapToGlobal(at)); });
}

TKalendForm::~TKalendForm() {
    // The menu goes before its style does.
    delete PopupDelete;
}

void TKalendForm::FitCalendar() {
    // The window's own width for the calendar when its columns fit in it, centred; otherwise the panel's.
    const bool fits = Date->minimumSizeHint().width() <= kCalendarWidth;
    const int width = fits ? kCalendarWidth : kPanelWidth - 4;
    Date->setFixedSize(width, kCalendarHeight);
    Date->move(fits ? 32 : 2, kCalendarTop);
    ClipToRect(0, 30, Date->width(), Date->height(), Date);
}

int TKalendForm::ShowModal() { return exec(); }

void TKalendForm::SetCalendarDate(DayNumber day) {
    const QDate date = DateOfDay(day);
    if (Date->selectedDate() == date) DateClick();
    else Date->setSelectedDate(date);  // runs DateClick
}

void TKalendForm::ReloadRows(std::vector<std::size_t> records) {
    const int count = static_cast<int>(records.size());
    MesgList->SetLazyRows(count, [this, records = std::move(records)](int row) -> std::pair<QString, QString> {
        if (!keeper_) return {};
        const ReminderList& list = keeper_->Store().Reminders();
        const std::size_t at = records[static_cast<std::size_t>(row)];
        if (at >= list.size()) return {};
        return {Q(NameDayRowText(list[at], ctx_.locale)), Q(list[at].Picture)};
    });
    const bool any = MesgList->Count() > 0;
    if (any) MesgList->SetItemIndex(0);
    BtEdit->setEnabled(any);
    BtDel->setEnabled(any);
    // A save made elsewhere (the scheduler's) leaves no stale details behind.
    if (isVisible()) MesgListClick();
}

int TKalendForm::SelectedRecord() const {
    return keeper_ ? NameDayRowToRecord(keeper_->Store().Reminders(), MesgList->ItemIndex()) : -1;
}

void TKalendForm::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    // Centred on the main window when it is on screen.
    CentreOn(keeper_ ? keeper_->KeeperWindow() : nullptr);
    FormShow();
}

void TKalendForm::FormShow() {
    SetCalendarDate(ctx_.clock.Now().day);
    MesgListClick();
}

void TKalendForm::DateClick() {
    LMeniny->clear();
    const QDate date = Date->selectedDate();
    if (keeper_) LMeniny->setText(Q(namedays::NamesOfDay(keeper_->NameCalendar(), date.day(), date.month()).names));
    LMonth->setText(Q(MonthYear(ctx_.locale, DayOfDate(date))));
}

void TKalendForm::MesgListClick() {
    for (QLabel* l : {LDateTime, LLastShow, LText}) l->clear();
    const int index = SelectedRecord();
    if (index < 0) return;
    const TReminder& r = keeper_->Store().Reminders()[static_cast<std::size_t>(index)];
    SetCalendarDate(r.Date);
    LLastShow->setText(Q(ShortDate(ctx_.locale, r.Date) + " - " + ClockText(ctx_.locale, r.Time)));
    LDateTime->setText(Q(ShortDate(ctx_.locale, r.NoticeFrom) + " - " + ClockText(ctx_.locale, r.NoticeTime)));
    LText->setText(Q(r.Text));
}

void TKalendForm::MesgListDblClick() {
    const int index = SelectedRecord();
    if (index < 0) return;
    if (!kalendar_) return;
    kalendar_->FillForChange(keeper_->Store().Reminders()[static_cast<std::size_t>(index)], index);
    kalendar_->ShowModal();
    kalendar_->EndPrefill();
    MesgListClick();
}

void TKalendForm::SpeedButton4Click() {
    if (!kalendar_) return;
    kalendar_->PrepareNew();
    kalendar_->ShowModal();
    MesgListClick();
}

void TKalendForm::BtDelClick() {
    const int index = SelectedRecord();
    if (index < 0) return;
    keeper_->Store().Remove(static_cast<std::size_t>(index));
    keeper_->CommitChange(/*sort=*/false);
    MesgListClick();
}

void TKalendForm::Vloizostarch1Click() { emit PutBackRequested(); }

void TKalendForm::Label9Click() {
    Label9->Rest();
    done(QDialog::Accepted);
}

}  // namespace kalvo::ui
