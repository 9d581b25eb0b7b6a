#include "ui/kalvounit.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>

#include "ui/artwork.h"
#include "ui/colors.h"
#include "ui/message_popup.h"
#include "ui/prehlad.h"
#include "ui/setup.h"

namespace kalvo::ui {

TMainForm::TMainForm(AppContext& ctx, QWidget* parent) : BorderlessWindow(parent), ctx_(ctx), ticker_(ctx.locale) {
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("Kalvo"));
    setFixedSize(604, 319);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(245, 245, 245));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* title = new QLabel(this);
    title->setGeometry(2, 2, 601, 14);
    title->setPixmap(Art(QStringLiteral("title"), QSize(601, 14)));
    title->setScaledContents(true);
    AddDragHandle(title);
    auto* label19 = new QLabel(QStringLiteral("Kalvo"), this);
    label19->setGeometry(4, 2, 100, 14);
    QFont tahomaBold(QStringLiteral("Tahoma"));
    tahomaBold.setBold(true);
    tahomaBold.setPixelSize(11);
    label19->setFont(tahomaBold);
    label19->setStyleSheet(QStringLiteral("color: rgb(108,0,0); background: transparent;"));
    AddDragHandle(label19);

    auto* band = new QWidget(this);
    band->setGeometry(2, 16, 601, 20);
    band->setAutoFillBackground(true);
    QPalette grey = band->palette();
    grey.setColor(QPalette::Window, QColor(129, 129, 129));
    band->setPalette(grey);
    AddDragHandle(band);
    LMeno = new QLabel(this);
    LMeno->setObjectName(QStringLiteral("LMeno"));
    LMeno->setGeometry(390, 17, 170, 16);
    LMeno->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LMeno->setFont(tahomaBold);
    LMeno->setStyleSheet(QStringLiteral("color: rgb(245,245,245); background: transparent;"));
    AddDragHandle(LMeno);

    const ButtonLook rest{QColor(215, 215, 227), QColor(245, 245, 245)};
    const ButtonLook hover{QColor(255, 165, 74), QColor(255, 165, 74)};
    Label8 = new ShapeButton(QStringLiteral("Ukončiť"), this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setGeometry(363, 290, 100, 20);
    Label8->SetFill(QColor(129, 129, 129));
    Label8->SetBold(true);
    Label8->SetLooks(rest, hover, {Qt::white, Qt::white});
    Label9 = new ShapeButton(QStringLiteral("Skryť"), this);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setGeometry(469, 290, 100, 20);
    Label9->SetFill(QColor(129, 129, 129));
    Label9->SetBold(true);
    Label9->SetLooks(rest, hover, rest);
    connect(Label8, &ShapeButton::hovered, Label9, &ShapeButton::Rest);
    connect(Label9, &ShapeButton::hovered, Label8, &ShapeButton::Rest);
    connect(Label8, &ShapeButton::clicked, this, &TMainForm::pmCloseClick);
    connect(Label9, &ShapeButton::clicked, this, [this] {
        pmObnovitClick();
        if (ctx_.windows.plan) ctx_.windows.plan->StopHideTimer();
    });
    connect(this, &BorderlessWindow::FreeAreaHovered, Label8, &ShapeButton::Rest);
    connect(this, &BorderlessWindow::FreeAreaHovered, Label9, &ShapeButton::Rest);

    // A coarse timer is enough: the tick reads the wall clock and never counts its calls.
    TestTimer = new QTimer(this);
    TestTimer->setInterval(1000);
    TestTimer->setTimerType(Qt::CoarseTimer);
    connect(TestTimer, &QTimer::timeout, this, [this] { scheduler_->Tick(); });
    Timer = new QTimer(this);
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);
    DatumChange = new QTimer(this);
    DatumChange->setInterval(7000);
    connect(DatumChange, &QTimer::timeout, this, &TMainForm::DatumChangeTimer);

    TrayIcon = new QSystemTrayIcon(this);
    BuildMenus();
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) TrayIconClick();
    });

    // Creation steps: the icons, then the user's files.
    SetTrayImage(0);
    qApp->setWindowIcon(ArtIcon(QStringLiteral("kalvo")));
    TrayIcon->setToolTip(QStringLiteral("Kalvo"));
    store_ = std::make_unique<storage::ReminderStore>(ctx_.files, ctx_.dialogs, ctx_.clock);
    store_->onFirstRun = [this] {
        StopScheduler();
        DatumChange->stop();
        if (ctx_.windows.plan) ctx_.windows.plan->StopHideTimer();
    };
    store_->OpenUserFile();
    store_->OpenArchive();
    if (const auto calendar = ctx_.platform.FindAsset("calend.dat"); !calendar.empty())
        namedays::LoadNameCalendar(calendar, nameCalendar_);
    UpdateDayNames();
    scheduler_ = std::make_unique<scheduler::Scheduler>(ctx_.clock, ctx_.Settings, *store_, ctx_.platform, *this,
                                                         ctx_.locale);
    DatumChangeTimer();
    DatumChange->start();
    CentreOnScreen();
}

TMainForm::~TMainForm() = default;

bool TMainForm::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TMainForm::BuildMenus() {
    menuStyle_ = std::make_unique<OwnDrawMenuStyle>(20);
    PopupMenu = new QMenu(this);
    PopupMenu->setStyle(menuStyle_.get());
    Oprograme1 = PopupMenu->addAction(QStringLiteral("O programe"));
    PopupMenu->addSeparator();
    Dnes1 = PopupMenu->addAction(QStringLiteral("Dnes"));
    Starpripomienky1 = PopupMenu->addAction(QStringLiteral("Staré"));
    Starpripomienky1->setVisible(false);
    PopupMenu->addSeparator();
    Men1 = PopupMenu->addAction(QStringLiteral("Kalendár"));
    pmObnovit = PopupMenu->addAction(ArtIcon(QStringLiteral("kalvo")), QStringLiteral("Kalvo"));
    PopupMenu->setDefaultAction(pmObnovit);
    Nastavenia1 = PopupMenu->addAction(QStringLiteral("Nastavenia"));
    PopupMenu->addSeparator();
    QMenu* reminders = PopupMenu->addMenu(QStringLiteral("Pripomienky"));
    reminders->setStyle(menuStyle_.get());
    Exportova1 = reminders->addAction(QStringLiteral("Exportovať"));
    Importova1 = reminders->addAction(QStringLiteral("Importovať"));
    PopupMenu->addSeparator();
    pmClose = PopupMenu->addAction(ArtIcon(QStringLiteral("close")), QStringLiteral("Zatvoriť"));

    connect(PopupMenu, &QMenu::aboutToShow, this, &TMainForm::PopupMenuPopup);
    connect(pmObnovit, &QAction::triggered, this, &TMainForm::pmObnovitClick);
    connect(pmClose, &QAction::triggered, this, &TMainForm::pmCloseClick);
    connect(Dnes1, &QAction::triggered, this, [this] {
        if (ctx_.windows.plan) ctx_.windows.plan->ShowFromTray();
    });
    connect(Oprograme1, &QAction::triggered, this, &TMainForm::Oprograme1Click);
    connect(Nastavenia1, &QAction::triggered, this, &TMainForm::Nastavenia1Click);
    connect(Exportova1, &QAction::triggered, this, &TMainForm::Exportova1Click);
    connect(Importova1, &QAction::triggered, this, &TMainForm::Importova1Click);
    TrayIcon->setContextMenu(PopupMenu);

    PopupDelete = new QMenu(this);
    PopupDelete->setStyle(menuStyle_.get());
    Vymazavber1 = PopupDelete->addAction(ArtIcon(QStringLiteral("delete")), QStringLiteral("Vymazať výber"));
    Vymazavber1->setShortcut(QKeySequence::Delete);
    PopupDelete->addSeparator();
    Aktualizuj1 = PopupDelete->addAction(QStringLiteral("Editácia"));
    Aktualizuj1->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    Koprova1 = PopupDelete->addAction(ArtIcon(QStringLiteral("copy")), QStringLiteral("Kopírovať"));
    Koprova1->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    Vloizostarch1 = PopupDelete->addAction(QStringLiteral("Vložiť zo starých"));
    Vloizostarch1->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
}

void TMainForm::SetTrayImage(int index) {
    trayImage = index;
    TrayIcon->setIcon(ArtIcon(index == 0 ? QStringLiteral("kalvo") : QStringLiteral("kalvo-blink")));
}

void TMainForm::StartScheduler() {
    if (!TestTimer->isActive()) TestTimer->start();
}

void TMainForm::StopScheduler() { TestTimer->stop(); }

void TMainForm::pmObnovitClick() {
    if (pmObnovitTag != 0) {
        show();
        raise();
        activateWindow();
        pmObnovit->setText(QStringLiteral("Skryť Kalvo"));
        pmObnovitTag = 0;
    } else {
        hide();
        pmObnovit->setText(QStringLiteral("Kalvo"));
        pmObnovitTag = 1;
    }
    if (ctx_.windows.plan) ctx_.windows.plan->StopHideTimer();
}

void TMainForm::TrayIconClick() { pmObnovitClick(); }

void TMainForm::pmCloseClick() {
    if (ctx_.windows.plan) ctx_.windows.plan->StopHideTimer();
    const bool yes = ctx_.dialogs.AskYesNo(QStringLiteral("Kalvo").toStdString(),
                                           "Ukončením programu už nebude možné kontrolovať\n"
                                           "nastavené pripomienky.\n\n"
                                           "Naozaj si želáte ukončiť program?",
                                           QuestionIcon::Warning);
    if (!yes) return;
    ending_ = true;
    StopScheduler();
    emit EndRequested();
}

void TMainForm::PopupMenuPopup() {
    if (ctx_.windows.setup) ctx_.windows.setup->FrVseob1->CBOldMemo->setChecked(ctx_.Settings.DeleteOldReminders != 0);
    Starpripomienky1->setVisible(ctx_.Settings.DeleteOldReminders == 0);
}

void TMainForm::TimerTimer() { scheduler_->BlinkTick(); }

void TMainForm::DatumChangeTimer() {
    LMeno->setText(Q(ticker_.Step(ctx_.clock.Now().day, S(TodayNames), S(TomorrowNames), S(TodayHoliday))));
}

void TMainForm::UpdateDayNames() {
    const namedays::DayNames names = namedays::DayNamesOn(nameCalendar_, ctx_.clock.Now().day);
    TodayNames = Q(names.TodayNames);
    TomorrowNames = Q(names.TomorrowNames);
    TodayHoliday = Q(names.TodayHoliday);
    if (ctx_.windows.plan) ctx_.windows.plan->SetDayNames(TodayNames, TomorrowNames);
}

void TMainForm::ShowAlarm(const scheduler::Alarm& alarm) {
    TMesgPopUp* popup = ctx_.windows.popup;
    popup->Message->clear();
    for (const std::string& line : alarm.lines) popup->Message->appendPlainText(Q(line));
    popup->Datum->setText(Q(alarm.header));
    if (alarm.picture.empty()) popup->HidePicture();
    else popup->ShowPicture(Q(alarm.picture));
    popup->ShowModal();
    popup->HidePicture();
}

void TMainForm::RefreshWeekView() {}

void TMainForm::SetTestTimerRunning(bool running) {
    if (running) StartScheduler();
    else StopScheduler();
}

void TMainForm::SetBlinkTimerRunning(bool running) {
    if (running) Timer->start();
    else Timer->stop();
}

void TMainForm::ShowTrayImage(int image) { SetTrayImage(image); }

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    BorderlessWindow::mouseMoveEvent(event);
}

}  // namespace kalvo::ui
