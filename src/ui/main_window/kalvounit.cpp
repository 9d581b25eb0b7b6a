#include "ui/main_window/kalvounit.h"

#include <algorithm>

#include <QApplication>
#include <QFileInfo>
#include <QPainter>

#include "core/reminder_text.h"
#include "storage/file_io.h"
#include "storage/snooze_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/common/artwork.h"
#include "ui/common/colors.h"
#include "ui/common/day_convert.h"
#include "ui/common/dialog_parts.h"
#include "ui/common/window_builders.h"
#include "ui/editor/messageedit.h"
#include "ui/main_window/file_watch.h"

namespace kalvo::ui {

namespace {

// The window's thin frame, painted above its children so that strips reaching the edge never cover it.
class FrameOverlay : public QWidget {
public:
    explicit FrameOverlay(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(parent->rect());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int w = width(), h = height();
        p.setPen(kFrameGrey);
        p.drawRect(1, 1, w - 3, h - 3);
        p.setPen(kFrameDark);
        p.drawLine(w - 1, 0, w - 1, h - 1);
        p.drawLine(0, h - 1, w - 1, h - 1);
    }
};

}  // namespace

TMainForm::TMainForm(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx), ticker_(ctx.locale) {
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("Kalvo"));
    setFixedSize(604, 319);
    SetFrameStyle(FrameStyle::None);
    FillWith(this, kLightFace);
    QFont base = font();
    base.setPixelSize(11);
    setFont(base);
    animation_ = new StepAnimation(this);
    WeekAnchor = ctx_.clock.Now().Now();

    BuildLayout();
    BuildListPanel();
    BuildDetails();
    BuildWeekPanel();
    BuildCalendar();
    (new FrameOverlay(this))->raise();

    BuildTimers();
    BuildTray();
    SetTabOrder();
    CentreOnScreen();
}

// Tab reads the window from the top: the tabs, the view on show, the list with its commands, the foot.
// The window opens with the keyboard on the list.
void TMainForm::SetTabOrder() {
    std::vector<QWidget*> order{Label4, Label6, Label7};
    order.insert(order.end(), DayName.begin(), DayName.end());
    order.insert(order.end(), {BtBack, BtNext, Date, MesgList, BtOslava, BtEdit, BtDel, SpeedButton4, Label8, Label9});
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    MesgList->setFocus();
}

void TMainForm::Link(Links links) { links_ = std::move(links); }

void TMainForm::OpenUserFiles() {
    // The icons, then the user's files.
    SetTrayImage(0);
    qApp->setWindowIcon(ArtIcon(QStringLiteral("kalvo")));
    TrayIcon->setToolTip(QStringLiteral("Kalvo"));
    store_ = std::make_unique<storage::ReminderStore>(ctx_.files, ctx_.dialogs, ctx_.clock);
    store_->onReloaded = [this] { StoreReloaded(); };
    store_->onWritten = [this] { emit FilesSaved(); };
    store_->onFirstRun = [this] {
        StopScheduler();
        DatumChange->stop();
        emit OverviewHoldRequested();
    };
    store_->OpenUserFile();
    store_->OpenArchive();
    store_->OpenSnoozes();
    OfferRescues();
    new FileWatch(
        ctx_.files,
        [this] {
            if (TakeOutsideChanges()) emit OutsideChangesTaken();
        },
        this);
    ClearForm();
    std::string calendarProblem;
    if (const auto calendar = ctx_.platform.FindAsset("calend.dat"); !calendar.empty()) {
        if (const auto problem = namedays::ProblemText(namedays::LoadNameCalendar(calendar, nameCalendar_).status);
            !problem.empty())
            calendarProblem = "Kalendár mien " + storage::Utf8FromPath(calendar) +
                              " sa nedá prečítať celý: " + problem +
                              ".\n\nMená, ktoré sa z neho nedali prečítať, sa nezobrazia. Súbor calend.dat " +
                              "obnovíte novou inštaláciou programu Kalvo.";
    }
    UpdateDayNames();
    scheduler_ =
        std::make_unique<scheduler::Scheduler>(ctx_.clock, ctx_.Settings, *store_, ctx_.platform, *this, ctx_.locale);
    DatumChangeTimer();
    DatumChange->start();
    // Only now that the files and the scheduler are ready may anything run by itself.
    SaveRetry->start();
    TrayWatch->start();
    if (!calendarProblem.empty()) ctx_.dialogs.ShowError("Kalvo", calendarProblem);
    // The user's own main picture replaces the built-in one when it can be shown.
    if (!ctx_.Settings.MainPicture.empty()) {
        QPixmap own;
        if (QFileInfo(Q(ctx_.Settings.MainPicture)).isFile() && own.load(Q(ctx_.Settings.MainPicture)))
            Image1->setPixmap(own);
    }
}

TMainForm::~TMainForm() = default;

void TMainForm::RestButtonsOver(QWidget* w) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
    restOnly_.push_back(w);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == trayWindow_) {
        // The mouse is polled only while it is over the icon.
        if (event->type() == QEvent::Enter) {
            lastPolledMouse_ = QPoint();
            TrayWatch->start();
        } else if (event->type() == QEvent::Leave) {
            TrayWatch->stop();
        }
        return false;
    }
    if (watched == TrayIcon) {
        if (event->type() == QEvent::ToolTip) {
            const QPoint at = static_cast<QHelpEvent*>(event)->globalPos();
            TrayIconMouseMove(at.x(), at.y());
        }
        return false;
    }
    // These bars and tabs never drag the window, whatever their height.
    if (std::find(restOnly_.begin(), restOnly_.end(), watched) != restOnly_.end()) {
        if (event->type() == QEvent::MouseMove) {
            Label8->Rest();
            Label9->Rest();
        }
        return false;
    }
    return BorderlessWindow::eventFilter(watched, event);
}

void TMainForm::BuildLayout() {
    BuildTitleStrip();
    BuildTabs();
    BuildFoot();
    BuildFootButtons();
}

void TMainForm::BuildTitleStrip() {
    QFont tahomaBold(QStringLiteral("Tahoma"));
    tahomaBold.setBold(true);
    tahomaBold.setPixelSize(11);

    // Title strip and header band: the window is dragged by them.
    auto* image3 = new QLabel(this);
    image3->setObjectName(QStringLiteral("Image3"));
    image3->setGeometry(2, 2, 601, 14);
    image3->setPixmap(Art(QStringLiteral("title"), QSize(601, 14)));
    image3->setScaledContents(true);
    AddDragHandle(image3);
    auto* label19 = TextLabel(QStringLiteral("Kalvo"), QRect(4, 2, 100, 14), this);
    label19->setObjectName(QStringLiteral("Label19"));
    label19->setFont(tahomaBold);
    label19->setStyleSheet(TextOnClear(kTitleText));
    AddDragHandle(label19);

    AddHeaderBand(this, 601)->setObjectName(QStringLiteral("Shape35"));
    auto* shape36 = new Shape(kPaleFace, this);
    shape36->setGeometry(566, 18, 35, 15);
    AddDragHandle(shape36);
    auto* label20 = TextLabel(QStringLiteral("Info"), QRect(570, 17, 30, 16), this);
    label20->setObjectName(QStringLiteral("Label20"));
    label20->setFont(tahomaBold);
    label20->setStyleSheet(TextOnClear(Qt::black));
    AddDragHandle(label20);
    LMeno = new FittedLabel(this);
    LMeno->setObjectName(QStringLiteral("LMeno"));
    LMeno->setGeometry(390, 17, 170, 16);
    LMeno->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LMeno->setFont(tahomaBold);
    LMeno->setStyleSheet(TextOnClear(kLightFace));
    AddDragHandle(LMeno);
}

void TMainForm::BuildTabs() {
    // The three view tabs.
    const std::array<QString, 3> captions{QStringLiteral("Zoznam"), QStringLiteral("Týždeň"), QStringLiteral("Mesiac")};
    const std::array<int, 3> lefts{201, 265, 325};
    std::array<ClickLabel*, 3> labels{};
    for (std::size_t i = 0; i < 3; ++i) {
        const int width = i == 0 ? 59 : 58;
        TabBack[i] = new Shape(kPeach, this);
        TabBack[i]->setObjectName(QStringLiteral("Shape%1").arg(7 + static_cast<int>(i)));
        TabBack[i]->setGeometry(lefts[i], 21, width, 14);
        RestButtonsOver(TabBack[i]);
        TabBar[i] = new Shape(kOrange, this);
        TabBar[i]->setObjectName(QStringLiteral("Shape%1").arg(32 + static_cast<int>(i)));
        TabBar[i]->setGeometry(lefts[i], 21, width, 3);
        RestButtonsOver(TabBar[i]);
        labels[i] = new ClickLabel(captions[i], this);
        labels[i]->setGeometry(lefts[i], 23, width, 12);
        labels[i]->setFont(Small(font()));
        labels[i]->setAlignment(Qt::AlignCenter);
        labels[i]->UseFromKeyboard(QAccessible::PageTab);
        RestButtonsOver(labels[i]);
    }
    Label4 = labels[0];
    Label6 = labels[1];
    Label7 = labels[2];
    Label4->setObjectName(QStringLiteral("Label4"));
    Label6->setObjectName(QStringLiteral("Label6"));
    Label7->setObjectName(QStringLiteral("Label7"));
    connect(Label4, &ClickLabel::clicked, this, &TMainForm::Label4Click);
    connect(Label6, &ClickLabel::clicked, this, &TMainForm::Label6Click);
    connect(Label7, &ClickLabel::clicked, this, &TMainForm::Label7Click);
    SetTabLooks();
}

void TMainForm::BuildFoot() {
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 35, 193, 245);
    Image1->setScaledContents(true);
    Image1->setPixmap(Art(QStringLiteral("main"), QSize(193, 245)));

    // Bottom bar: the gradient strip gives it its colour.
    auto* bevelDark = new Shape(kBevelGrey, this);
    bevelDark->setGeometry(1, 280, 602, 1);
    auto* bevelLight = new Shape(Qt::white, this);
    bevelLight->setGeometry(1, 281, 602, 1);
    Shape2 = new Shape(kBevelGrey, this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setGeometry(2, 282, 601, 37);
    RestButtonsOver(Shape2);
    auto* label5 = TextLabel(QStringLiteral("Pripomienkovač Kalvo"), QRect(2, 20, 300, 14), Shape2);
    label5->setObjectName(QStringLiteral("Label5"));
    label5->setStyleSheet(TextOnClear(kFrameDark));
    label5->setAttribute(Qt::WA_TransparentForMouseEvents);

    PaintBox1 = new PaintBox(
        [this](QPainter& p) {
            GradientStrip strip;
            strip.start = kGreyBar;
            const QPixmap icon = Art(QStringLiteral("kalvo"), QSize(16, 16));
            strip.image = &icon;
            strip.width = PaintBox1->width();
            strip.height = PaintBox1->height();
            Shape2->SetBrush(DrawGradientStrip(p, strip));
        },
        this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(574, 35, 28, 245);
    RestButtonsOver(PaintBox1);
}

void TMainForm::BuildFootButtons() {
    Label8 = PanelButton(QStringLiteral("Ukončiť"), QStringLiteral("Label8"), QRect(363, 290, 100, 20), this,
                         kPanelRest, kPanelHover, {Qt::white, Qt::white});
    Label9 = PanelButton(QStringLiteral("Skryť"), QStringLiteral("Label9"), QRect(469, 290, 100, 20), this, kPanelRest,
                         kPanelHover, {kPanel, kPanel});
    connect(Label8, &ShapeButton::hovered, Label9, &ShapeButton::Rest);
    connect(Label9, &ShapeButton::hovered, Label8, &ShapeButton::Rest);
    connect(Label8, &ShapeButton::clicked, this, &TMainForm::pmCloseClick);
    connect(Label9, &ShapeButton::clicked, this, [this] {
        pmObnovitClick();
        emit OverviewHoldRequested();
    });
    connect(this, &BorderlessWindow::FreeAreaHovered, Label8, &ShapeButton::Rest);
    connect(this, &BorderlessWindow::FreeAreaHovered, Label9, &ShapeButton::Rest);
}

void TMainForm::BuildTimers() {
    // A coarse timer is enough: the tick reads the wall clock and never counts its calls.
    TestTimer = new QTimer(this);
    TestTimer->setInterval(1000);
    TestTimer->setTimerType(Qt::CoarseTimer);
    connect(TestTimer, &QTimer::timeout, this, &TMainForm::TestTimerTimer);
    Timer = new QTimer(this);
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);
    DatumChange = new QTimer(this);
    DatumChange->setInterval(7000);
    connect(DatumChange, &QTimer::timeout, this, &TMainForm::DatumChangeTimer);
    SaveRetry = new QTimer(this);
    SaveRetry->setInterval(60 * 1000);
    SaveRetry->setTimerType(Qt::CoarseTimer);
    connect(SaveRetry, &QTimer::timeout, this, &TMainForm::SaveRetryTimer);
}

void TMainForm::BuildListPanel() {
    MesgList = new ReminderListBox(this);
    MesgList->setObjectName(QStringLiteral("MesgList"));
    MesgList->setAccessibleName(QStringLiteral("Pripomienky"));
    MesgList->setGeometry(199, 35, 375, 123);
    MesgList->SetStandardPicture(TMesgPopUp::StandardPicture());
    MesgList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MesgList, &ReminderListBox::rowClicked, this, &TMainForm::MesgListClick);
    connect(MesgList, &ReminderListBox::rowDoubleClicked, this, &TMainForm::MesgListDblClick);
    connect(MesgList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupDelete->popup(MesgList->viewport()->mapToGlobal(at)); });

    Shape4 = new Shape(kGreyBar, this);
    Shape4->setObjectName(QStringLiteral("Shape4"));
    Shape4->setGeometry(199, 158, 376, 25);
    RestButtonsOver(Shape4);
    BtOslava = BarButton(QStringLiteral("Oslavuje"), QStringLiteral("Pripomína meniny a narodeniny"), this, 198, 159);
    BtOslava->setObjectName(QStringLiteral("BtOslava"));
    const CommandBar bar = AddCommandBar(this, QPoint(389, 159), TabWalk::LeftToRight);
    BtEdit = bar.edit;
    BtDel = bar.del;
    SpeedButton4 = bar.add;
    connect(BtOslava, &QToolButton::clicked, this, &TMainForm::BtOslavaClick);
    connect(BtEdit, &QToolButton::clicked, this, &TMainForm::BtEditClick);
    SetDefaultAction([this] { MesgListDblClick(); });
    connect(BtDel, &QToolButton::clicked, this, &TMainForm::BtDelClick);
    connect(SpeedButton4, &QToolButton::clicked, this, &TMainForm::SpeedButton4Click);
}

void TMainForm::BuildDetails() {
    // Detail panel: captions on the left box, values beside them.
    auto* shape5 = new Shape(kPanel, this);
    shape5->setObjectName(QStringLiteral("Shape5"));
    shape5->setGeometry(199, 184, 77, 96);
    const QFont small = Small(font());
    auto caption = [&](const QString& text, int y, const char* name) {
        QLabel* label = TextLabel(text, QRect(202, y, 74, 14), this);
        label->setObjectName(QLatin1String(name));
        label->setFont(small);
        return label;
    };
    caption(QStringLiteral("Dátum/Čas"), 191, "Label2");
    caption(QStringLiteral("Text"), 209, "Label1");
    LStart = caption(QStringLiteral("Pripomínať od"), 247, "LStart");
    LLast = caption(QStringLiteral("Pripomenúť aj"), 263, "LLast");
    LDateTime = TextLabel(QString(), QRect(282, 191, 285, 14), this);
    LDateTime->setObjectName(QStringLiteral("LDateTime"));
    // Two lines of the reminder's text; a longer one ends in "…".
    LText = new FittedLabel(this, FittedLabel::kShortenOnly);
    LText->setGeometry(282, 209, 285, 34);
    LText->setObjectName(QStringLiteral("LText"));
    LText->setWordWrap(true);
    LText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LDateOdPerioda = TextLabel(QString(), QRect(282, 247, 225, 14), this);
    LDateOdPerioda->setObjectName(QStringLiteral("LDateOdPerioda"));
    LLastShow = TextLabel(QString(), QRect(282, 263, 225, 14), this);
    LLastShow->setObjectName(QStringLiteral("LLastShow"));
    for (QLabel* l : {LStart, LLast, LDateOdPerioda, LLastShow}) l->setEnabled(false);
    auto* image2 = new QLabel(this);
    image2->setObjectName(QStringLiteral("Image2"));
    image2->setGeometry(540, 250, 28, 28);
    image2->setPixmap(Art(QStringLiteral("kalvo"), QSize(28, 28)));
}

void TMainForm::showEvent(QShowEvent* event) {
    BorderlessWindow::showEvent(event);
    FormShow();
}

void TMainForm::FormShow() {
    const QDate today = DateOfDay(ctx_.clock.Now().day);
    const bool moved = Date->selectedDate() != today;
    {
        const QSignalBlocker quiet(Date);
        Date->setSelectedDate(today);
    }
    // The month view lists the day its calendar shows.
    if (moved && MonthOnShow()) DateClick();
    else MesgListClick();
}

DayNumber TMainForm::CalendarDate() const { return DayOfDate(Date->selectedDate()); }

void TMainForm::SetRows(const std::vector<std::string>& rows, const std::vector<std::string>& pictures,
                        ReminderView view, DayNumber day) {
    QStringList rowTexts, rowPictures;
    rowTexts.reserve(static_cast<qsizetype>(rows.size()));
    rowPictures.reserve(static_cast<qsizetype>(pictures.size()));
    for (const std::string& r : rows) rowTexts << Q(r);
    for (const std::string& p : pictures) rowPictures << Q(p);
    MesgList->SetRows(std::move(rowTexts), std::move(rowPictures));
    rowsView_ = view;
    rowsDay_ = day;
}

void TMainForm::SetListRows() { SetListRows(BuildLoadedRows(Store().Reminders()).mainRecords); }

void TMainForm::SetListRows(std::vector<std::size_t> records) {
    // Rows are made as they come into view; one already made keeps its text until the next reload, so
    // rows in sight stay as they were while a change is being saved.
    const int count = static_cast<int>(records.size());
    MesgList->SetLazyRows(count, [this, records = std::move(records)](int row) -> std::pair<QString, QString> {
        const ReminderList& list = Store().Reminders();
        const std::size_t at = records[static_cast<std::size_t>(row)];
        if (at >= list.size()) return {};
        return {Q(ListRowText(list[at], ctx_.locale)), Q(list[at].Picture)};
    });
    rowsView_ = ReminderView::List;
    rowsDay_ = 0;
}

void TMainForm::StoreReloaded() {
    reloadedSinceAlarm_ = true;
    ClearForm();
    LoadedRows rows = BuildLoadedRows(Store().Reminders());
    SetListRows(std::move(rows.mainRecords));
    emit NameDayRowsReloaded(rows.nameDayRecords);
    const bool any = MesgList->Count() > 0;
    if (any) {
        MesgList->SetItemIndex(0);
        MesgListClick();
    }
    BtEdit->setEnabled(any);
    BtDel->setEnabled(any);
}

bool TMainForm::CommitChange(bool sort) {
    if (Store().Commit(sort)) return true;
    StoreReloaded();
    return false;
}

void TMainForm::AddReminder(TReminder reminder) {
    Store().Reminders().push_back(std::move(reminder));
    CommitChange(/*sort=*/true);
}

void TMainForm::ReplaceEdited(int hint, const std::function<bool(const TReminder&)>& same, TReminder changed) {
    ReminderList& list = Store().Reminders();
    std::ptrdiff_t at = -1;
    if (hint >= 0 && static_cast<std::size_t>(hint) < list.size() && same(list[static_cast<std::size_t>(hint)]))
        at = hint;
    else if (const auto found = std::find_if(list.begin(), list.end(), same); found != list.end())
        at = found - list.begin();
    if (at >= 0) {
        Store().NoteReplaced(list[static_cast<std::size_t>(at)], changed);
        list.erase(list.begin() + at);
    }
    list.push_back(std::move(changed));
    CommitChange(/*sort=*/true);
    if (at < 0)
        ctx_.dialogs.Inform("Kalvo",
                            "Upravovaná pripomienka medzitým zo zoznamu zmizla (už bola pripomenutá).\n"
                            "Zmeny sa uložili ako nová pripomienka.");
}

int TMainForm::RowRecord(int row) const { return RowToRecord(store_->Reminders(), rowsView_, rowsDay_, row); }

int TMainForm::SelectedRecord() const { return RowRecord(MesgList->ItemIndex()); }

void TMainForm::ClearForm() {
    for (QLabel* l : {LDateTime, LText, LDateOdPerioda, LLastShow}) l->clear();
}

void TMainForm::MesgListClick() {
    const int index = SelectedRecord();
    if (index < 0) {
        LDateTime->clear();
        LText->clear();
        LDateOdPerioda->setText(QStringLiteral("-"));
        LLastShow->setText(QStringLiteral("-"));
    } else {
        const TReminder& r = Store().Reminders()[static_cast<std::size_t>(index)];
        const ReminderDetails d = DescribeReminder(r, ctx_.locale);
        ClearForm();
        LDateTime->setText(Q(d.dateTime));
        LText->setText(Q(d.text));
        for (QLabel* l : {LStart, LLast, LDateOdPerioda, LLastShow}) l->setEnabled(d.notice);
        if (d.notice) {
            LDateOdPerioda->setText(Q(d.noticeLine));
            LLastShow->setText(Q(d.extraAlarmLine));
        } else {
            LDateOdPerioda->setText(QStringLiteral("-"));
            LLastShow->setText(QStringLiteral("-"));
        }
    }
    if (links_.editor) links_.editor->EditMode = false;
}

void TMainForm::MesgListDblClick() {
    const int index = SelectedRecord();
    if (index >= 0 && links_.editor) {
        TEditMessage* editor = links_.editor;
        editor->FillForEdit(Store().Reminders()[static_cast<std::size_t>(index)], index);
        editor->ShowModal();
        editor->EditMode = false;
    }
    ViewRefresh();
}

void TMainForm::SpeedButton4Click() {
    TEditMessage* editor = links_.editor;
    if (!editor) return;
    editor->NewDateFromMain = true;
    if (WeekOnShow() && SelectedWeekDay >= 1 && SelectedWeekDay <= 7 && WeekDates.size() == 7) {
        editor->SetDate(WeekDates[static_cast<std::size_t>(SelectedWeekDay - 1)]);
        editor->NewDateFromMain = false;
    }
    editor->OpenForNew();
    MesgListClick();
    ViewRefresh();
    if (CurrentView != MainView::Week && CurrentView != MainView::Month) MesgListClick();
}

void TMainForm::BtDelClick() {
    const int index = SelectedRecord();
    if (index >= 0) {
        Store().Remove(static_cast<std::size_t>(index));
        CommitChange(/*sort=*/false);
        MesgListClick();
    }
    ViewRefresh();
}

void TMainForm::Koprova1Click() {
    const int index = SelectedRecord();
    if (index < 0) return;
    ReminderList& list = Store().Reminders();
    list.push_back(list[static_cast<std::size_t>(index)]);
    CommitChange(/*sort=*/true);
    ViewRefresh();
}

void TMainForm::Vloizostarch1Click() { emit PutBackRequested(); }

void TMainForm::BtOslavaClick() { emit NameDayListRequested(); }

void TMainForm::StartScheduler() {
    // Before OpenUserFiles there is nothing to tick.
    if (scheduler_ && !TestTimer->isActive()) TestTimer->start();
}

void TMainForm::StopScheduler() { TestTimer->stop(); }

void TMainForm::TickSoon() {
    QTimer::singleShot(0, this, [this] {
        if (TestTimer->isActive()) TestTimerTimer();
    });
}

void TMainForm::pmCloseClick() {
    emit OverviewHoldRequested();
    // Where changes would be lost, that question is the end's only one.
    bool asked = false;
    if (!SettleUnsaved(/*mayAsk=*/true, &asked)) return;
    const bool yes = asked || ctx_.dialogs.AskYesNo(QStringLiteral("Kalvo").toStdString(),
                                                    "Ukončením programu už nebude možné kontrolovať\n"
                                                    "nastavené pripomienky.\n\n"
                                                    "Naozaj si želáte ukončiť program?",
                                                    QuestionIcon::Warning);
    if (yes) End();
}

void TMainForm::EndOnRequest() {
    emit OverviewHoldRequested();
    if (SettleUnsaved(/*mayAsk=*/true)) End();
}

void TMainForm::End() {
    ending_ = true;
    StopScheduler();
    emit EndRequested();
}

bool TMainForm::TakeOutsideChanges() {
    bool changed = store_->TakeOutsideChanges();
    // An alarm of a snooze on screen has its place in the snoozes: they wait until it has closed.
    if (scheduler_ && scheduler_->Busy()) {
        snoozesWaiting_ = true;
        CloseAlarmSnoozedElsewhere();
    } else {
        changed = store_->TakeOutsideSnoozes() || changed;
    }
    if (changed) RefreshWeekView();
    return changed;
}

void TMainForm::CloseAlarmSnoozedElsewhere() {
    TMesgPopUp* popup = links_.alarmStrip;
    if (!popup || !popup->isVisible()) return;
    const storage::SnoozeRead onDisk = storage::ReadSnoozeFile(ctx_.files.SnoozeFile());
    if (onDisk.outcome == storage::ReadOutcome::Ok && scheduler_->TakeSnoozeMadeElsewhere(onDisk.decoded.entries))
        popup->Label9Click();
}

bool TMainForm::CloseAlarmOf(const TReminder& record) {
    TMesgPopUp* popup = links_.alarmStrip;
    if (!popup || !popup->isVisible() || !scheduler_ || !scheduler_->ShowsAlarmOf(record)) return false;
    popup->Label9Click();
    return true;
}

void TMainForm::TestTimerTimer() {
    if (ticksHeld_) return;
    scheduler_->Tick();
    if (snoozesWaiting_ && !scheduler_->Busy()) {
        snoozesWaiting_ = false;
        if (store_->TakeOutsideSnoozes()) RefreshWeekView();
    }
    if (const auto tick = scheduler_->LastTick()) RenewDayNamesOn(scheduler::MomentOf(*tick).day);
}

void TMainForm::TimerTimer() { scheduler_->BlinkTick(); }

void TMainForm::DatumChangeTimer() {
    const DayNumber today = ctx_.clock.Now().day;
    RenewDayNamesOn(today);
    LMeno->setText(Q(ticker_.Step(today, S(TodayNames), S(TomorrowNames), S(TodayHoliday))));
}

void TMainForm::RenewDayNamesOn(DayNumber today) {
    if (today != NamesDay) UpdateDayNames();
}

void TMainForm::UpdateDayNames() {
    NamesDay = ctx_.clock.Now().day;
    const namedays::DayNames names = namedays::DayNamesOn(nameCalendar_, NamesDay);
    TodayNames = Q(names.TodayNames);
    TomorrowNames = Q(names.TomorrowNames);
    TodayHoliday = Q(names.TodayHoliday);
    emit DayNamesChanged(TodayNames, TomorrowNames);
    if (NamesInToolTip) UpdateToolTip();
}

void TMainForm::ShowAlarm(const scheduler::Alarm& alarm) {
    TMesgPopUp* popup = links_.alarmStrip;
    if (!popup) return;
    popup->Message->clear();
    for (const std::string& line : alarm.lines) popup->Message->appendPlainText(Q(line));
    popup->Datum->setText(Q(alarm.header));
    if (alarm.picture.empty()) popup->HidePicture();
    else popup->ShowPicture(Q(alarm.picture));
    popup->SetSnoozable(alarm.snoozable);
    const QMetaObject::Connection snooze =
        connect(popup, &TMesgPopUp::SnoozeChosen, this, &TMainForm::SnoozeShownAlarm);
    popup->ShowModal();
    disconnect(snooze);
    popup->HidePicture();
    // What follows is the scheduler's save; RefreshWeekView learns from this whether it reloaded.
    reloadedSinceAlarm_ = false;
}

bool TMainForm::SnoozeShownAlarm(const scheduler::SnoozeRequest& request) {
    if (!scheduler_->CanSnoozeShown()) return false;
    if (scheduler_->SnoozeShownAlarm(request)) {
        if (links_.alarmStrip) links_.alarmStrip->Label9Click();
        return true;
    }
    // A failed save has been told about already; a moment that has passed while it was being chosen
    // has not.
    if (request.kind == scheduler::SnoozeRequest::Kind::At)
        ctx_.dialogs.ShowError("Kalvo", "Zvolený čas už uplynul. Pripomienku odložte na neskorší čas.");
    return false;
}

void TMainForm::RefreshWeekView() {
    // The scheduler's save failed: the rows follow the list as it stands in memory, as a reload would.
    if (!reloadedSinceAlarm_) StoreReloaded();
    emit ArchiveChanged();
    if (WeekOnShow()) {
        ShowWeek();
        DatumClick(SelectedWeekDay);
    }
}

void TMainForm::SetTestTimerRunning(bool running) {
    if (running) StartScheduler();
    else StopScheduler();
}

void TMainForm::SetBlinkTimerRunning(bool running) {
    if (running) Timer->start();
    else Timer->stop();
}

}  // namespace kalvo::ui
