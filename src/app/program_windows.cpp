#include "app/program_windows.h"

#include "app/settings_load.h"
#include "ui/about/about.h"
#include "ui/alarm/message_popup.h"
#include "ui/archive/oldprehlad.h"
#include "ui/editor/messageedit.h"
#include "ui/import/addnew.h"
#include "ui/main_window/kalvounit.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui/namedays/mena.h"
#include "ui/overview/prehlad.h"
#include "ui/settings/setup.h"
#include "ui/shutdown/offwin.h"

namespace kalvo::app {
namespace {

template <class W>
W* Create(ui::AppContext& ctx, std::vector<std::unique_ptr<QWidget>>& owned) {
    auto window = std::make_unique<W>(ctx);
    W* raw = window.get();
    owned.push_back(std::move(window));
    return raw;
}

}  // namespace

ProgramWindows::ProgramWindows(ui::AppContext& ctx) : ctx_(ctx) {
    // The settings are in place before any window exists: every window reads them as it is built.
    ui::LoadSettings(ctx);
    plan = Create<ui::TPlan>(ctx, owned_);
    oldPlan = Create<ui::TOldPlan>(ctx, owned_);
    mena = Create<ui::TFormMena>(ctx, owned_);
    kalendar = Create<ui::TFormKalendar>(ctx, owned_);
    kalendForm = Create<ui::TKalendForm>(ctx, owned_);
    addNew = Create<ui::TFAddNew>(ctx, owned_);
    main = Create<ui::TMainForm>(ctx, owned_);
    about = Create<ui::TAboutBox>(ctx, owned_);
    setup = Create<ui::TFormSetup>(ctx, owned_);
    offWin = Create<ui::TOffWinForm>(ctx, owned_);
    edit = Create<ui::TEditMessage>(ctx, owned_);
    popup = Create<ui::TMesgPopUp>(ctx, owned_);
    Link();
    main->OpenUserFiles();
}

void ProgramWindows::Link() {
    using ui::TMainForm;
    // The main window keeps the reminders and the scheduler; the others reach it through these two.
    plan->Link(main, main);
    oldPlan->Link(main);
    kalendar->Link(main);
    kalendForm->Link(main, kalendar);
    offWin->Link(main);
    edit->Link(main);
    main->Link({.editor = edit,
                .alarmStrip = popup,
                .nameNotice = mena,
                .importQuestion = addNew,
                .shutdownCountdown = [this] { return offWin->ShowModal(); },
                .shutdownOrder = [this] { return setup->ShutdownOrder(); }});

    // What the main window asks of the others.
    QObject::connect(main, &TMainForm::DayNamesChanged, plan, &ui::TPlan::SetDayNames);
    QObject::connect(main, &TMainForm::DayNamesChanged, oldPlan, &ui::TOldPlan::SetDayNames);
    QObject::connect(main, &TMainForm::DayNamesChanged, mena, &ui::TFormMena::SetDayNames);
    QObject::connect(main, &TMainForm::NameDayRowsReloaded, kalendForm,
                     [this](const std::vector<std::size_t>& records) { kalendForm->ReloadRows(records); });
    QObject::connect(main, &TMainForm::ArchiveChanged, oldPlan, &ui::TOldPlan::ArchiveGrew);
    QObject::connect(main, &TMainForm::OverviewHoldRequested, plan, &ui::TPlan::StopHideTimer);
    QObject::connect(main, &TMainForm::OverviewRequested, plan, &ui::TPlan::ShowFromTray);
    QObject::connect(main, &TMainForm::ArchiveRequested, oldPlan, &ui::TOldPlan::ShowFromTray);
    QObject::connect(main, &TMainForm::PutBackRequested, oldPlan, &ui::TOldPlan::ShowForPutBack);
    QObject::connect(main, &TMainForm::NameDayListRequested, kalendForm, &ui::TKalendForm::ShowModal);
    QObject::connect(main, &TMainForm::AboutRequested, about, &ui::TAboutBox::ShowModal);
    QObject::connect(main, &TMainForm::SettingsRequested, setup, &ui::TFormSetup::ShowModal);
    QObject::connect(main, &TMainForm::TrayMenuOpening, setup, &ui::TFormSetup::ShowDeleteOldSetting);

    // What the others tell the main window and each other.
    QObject::connect(mena, &ui::TFormMena::HoverRearmed, main, [this] { main->TrayHoverArmed = true; });
    QObject::connect(oldPlan, &ui::TOldPlan::PutBackModeChanged, main,
                     [this](bool on) { main->Starpripomienky1->setEnabled(!on); });
    QObject::connect(oldPlan, &ui::TOldPlan::PutBackReminderRequested, edit, [this](const TReminder& r) {
        edit->PutBack(r);
        main->ViewRefresh();
    });
    QObject::connect(oldPlan, &ui::TOldPlan::PutBackNameDayRequested, kalendar, &ui::TFormKalendar::PutBack);
    QObject::connect(kalendForm, &ui::TKalendForm::PutBackRequested, oldPlan, &ui::TOldPlan::ShowForPutBack);
    QObject::connect(setup, &ui::TFormSetup::MainPictureChanged, main,
                     [this](const QString& file) { main->Image1->setPixmap(QPixmap(file)); });
    QObject::connect(setup, &ui::TFormSetup::AutoCloseAlarmsChanged, popup,
                     [this](bool on) { popup->AutoCloseAlarms = on; });
    QObject::connect(offWin, &ui::TOffWinForm::OrderEnded, setup, &ui::TFormSetup::EndShutdownOrder);
}

ProgramWindows::~ProgramWindows() {
    // No window reaches another while they go, whatever they do on their way out.
    for (const std::unique_ptr<QWidget>& w : owned_) QObject::disconnect(w.get(), nullptr, nullptr, nullptr);
    plan->Link(nullptr, nullptr);
    oldPlan->Link(nullptr);
    kalendar->Link(nullptr);
    kalendForm->Link(nullptr, nullptr);
    offWin->Link(nullptr);
    edit->Link(nullptr);
    main->Link({});
    while (!owned_.empty()) owned_.pop_back();
}

void ShowMainWindow(ui::TMainForm* main) {
    if (main->pmObnovitTag != 0) main->pmObnovitClick();
    main->raise();
    main->activateWindow();
}

}  // namespace kalvo::app
