#pragma once
// The main window: the user browses the reminders (list, week, month), adds, changes and deletes them,
// and reaches every other window from here or from the tray icon's menu.
// It holds the timers of the scheduler, the tray blink and the caption ticker, and owns the reminder
// list, the archive and the name-day calendar for the whole run.

#include <QCalendarWidget>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "core/row_mapping.h"

#include "namedays/name_calendar.h"
#include "scheduler/caption_ticker.h"
#include "scheduler/scheduler.h"
#include "storage/reminder_store.h"
#include "ui/common/app_context.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_links.h"
#include "ui/main_window/tray_hover.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/reminder_list.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/shape_button.h"
#include "ui/widgets/step_animation.h"

namespace kalvo::ui {

class TEditMessage;
class TFAddNew;
class TFormMena;
class TMesgPopUp;

// The view whose tab is marked current; none until the user picks a tab (the list is shown meanwhile).
enum class MainView { None, List, Week, Month };

class TMainForm : public BorderlessWindow,
                  public scheduler::SchedulerHost,
                  public ReminderKeeper,
                  public SchedulerGate {
    Q_OBJECT
public:
    explicit TMainForm(AppContext& ctx, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The windows the main window works with directly; the rest follow its signals.
    struct Links {
        TEditMessage* editor = nullptr;           // new and changed reminders
        TMesgPopUp* alarmStrip = nullptr;         // every alarm
        TFormMena* nameNotice = nullptr;          // the name-day notice from the tray
        TFAddNew* importQuestion = nullptr;       // the question for each imported reminder
        std::function<bool()> shutdownCountdown;  // false when the user cancelled it
        std::function<scheduler::ShutdownOrder()> shutdownOrder;
    };
    void Link(Links links);
    // The user's files, the name-day calendar and the scheduler; once, after the windows are linked.
    void OpenUserFiles();

    storage::ReminderStore& Store() override { return *store_; }
    scheduler::Scheduler& Scheduler() { return *scheduler_; }
    const namedays::NameCalendar& NameCalendar() const override { return nameCalendar_; }
    QWidget* KeeperWindow() override { return this; }

    // Works out today's and tomorrow's names and the holiday from the clock and puts them into the
    // windows that show them.
    void UpdateDayNames();
    // The same once the day has changed since the names were worked out: after midnight, a change of
    // the clock or of the time zone. The tick and the caption ticker ask, whatever the tray.
    void RenewDayNamesOn(DayNumber today);

    // What the scheduler asks of the window.
    void ShowAlarm(const scheduler::Alarm& alarm) override;
    // Puts the alarm on screen off and closes it; false when it cannot be put off.
    bool SnoozeShownAlarm(const scheduler::SnoozeRequest& request);
    bool ShowShutdownCountdown() override;
    scheduler::ShutdownOrder CurrentShutdownOrder() const override;
    void RefreshWeekView() override;
    void SetTestTimerRunning(bool running) override;
    void SetBlinkTimerRunning(bool running) override;
    void ShowTrayImage(int image) override;

    // The scheduler's timer.
    void StartScheduler() override;
    // A tick now rather than at the timer's next beat (after a resume), if the scheduler is running.
    void TickSoon();
    void StopScheduler() override;
    bool SchedulerRunning() const { return TestTimer->isActive(); }

    // True once the user has confirmed the end of the program.
    bool Ending() const override { return ending_; }
    std::vector<scheduler::MissedAlarm> TakeMissedAlarms() override {
        scheduler_->SettleMissed();
        return scheduler_->TakeMissed();
    }

    // The calendar sync holds the ticks while it looks for what other computers did before alarms fire
    // (at start-up, after a wake): a held tick does nothing, and the next one catches up.
    void HoldTicks(bool held) { ticksHeld_ = held; }
    bool TicksHeld() const { return ticksHeld_; }
    // Takes in what another process (the sync, kalvo-cli) wrote to the user's files, and the snoozes
    // once no alarm is on screen; an alarm on screen that another computer put off closes until then.
    // True when something changed.
    bool TakeOutsideChanges();
    // Closes the alarm on screen when it is that of `record` (another computer acknowledged it).
    bool CloseAlarmOf(const TReminder& record);
    // Why the last sync failed, for the tray icon's tooltip; empty once a sync succeeds.
    void SetSyncProblem(const QString& text);
    const QString& SyncProblem() const { return syncProblem_; }

    // Changes only in memory are saved again each minute, without a word until a save succeeds.
    void SaveRetryTimer();
    // Before the end: changes that are only in memory are saved, or put into an export set, or given up,
    // as the user chooses (with `mayAsk` false they are only tried once more). False when the user
    // chose to stay. `asked` tells whether a question was put.
    bool SettleUnsaved(bool mayAsk, bool* asked = nullptr);
    // Before an end no one can stop (a signal, the computer switched off): a last quiet save of what is
    // only in memory, and where that fails a rescue set beside the file for the next start. False when
    // even that failed (said on the standard error output).
    bool SecureUnsaved() override;
    // The session or the system ends the program: the scheduler stops and SecureUnsaved runs.
    void EndSession();
    // At start: each rescue set an earlier run left is offered back (yes: taken in, no: kept as a set).
    void OfferRescues();

    // Tray and menu commands.
    void pmObnovitClick();
    void pmCloseClick();
    // The end asked for from outside the program (its installer): as "Ukončiť" without the question
    // whether to end; changes that cannot be saved still ask, and the user may stay.
    void EndOnRequest();
    void TrayIconClick();
    void PopupMenuPopup();
    // `TestTimer`'s handler: the scheduler's tick.
    void TestTimerTimer();
    void TimerTimer();
    void DatumChangeTimer();
    void Oprograme1Click();
    void Nastavenia1Click();
    void Exportova1Click();
    // The export's file dialog and the export; true when the set was written.
    bool ExportReminders();
    void Importova1Click();
#ifdef KALVO_HAVE_ICAL
    bool ExportICalendarTo(const std::filesystem::path& target);
    void ImportICalendarFrom(const std::filesystem::path& source);
    // The steady clock that bounds the expansion of recurrences on import; tests replace it.
    std::function<std::chrono::steady_clock::time_point()> ICalendarSteadyClock;
#endif
    void Men1Click() { BtOslavaClick(); }
    // The mouse at (x, y) over the tray icon: may slide out the name-day notice.
    void TrayIconMouseMove(int x, int y);

    // The list, its details and its commands.
    void MesgListClick();
    void MesgListDblClick();
    void BtEditClick() { MesgListDblClick(); }
    void SpeedButton4Click();
    void BtDelClick();
    void BtOslavaClick();
    void Koprova1Click();
    // "Vložiť zo starých": the archive window in its put-back mode.
    void Vloizostarch1Click();
    void ClearForm();
    // Index in Store().Reminders() of the selected row's record, -1 for none. Rows are mapped by the view
    // and day they were built for, so a stale row never stands for another reminder.
    int SelectedRecord() const;
    int RowRecord(int row) const;
    // The save-and-reload cycle for a change made to Store().Reminders(). When the write fails the rows
    // still follow the list as it now stands in memory.
    bool CommitChange(bool sort = true) override;
    // A reminder made in another window joins the list, which is sorted and saved.
    void AddReminder(TReminder reminder) override;
    // Puts `changed` in place of the entry a window was changing: the one at `hint` when `same` still
    // knows it, otherwise the first that `same` knows. One that has left the list meanwhile (it fired) is
    // added anew, and the user is told so.
    void ReplaceEdited(int hint, const std::function<bool(const TReminder&)>& same, TReminder changed) override;
    // The day picked in the month calendar: the date of a new reminder unless the week view gives one.
    DayNumber CalendarDate() const override;

    // The views.
    void Label4Click();  // "Zoznam"
    void Label6Click();  // "Týždeň"
    void Label7Click();  // "Mesiac"
    void ShowWeek();
    void DatumClick(int tag);
    void BtNextClick();
    void BtBackClick();
    void DateClick();
    // After add, edit and delete: the week is counted again and its day re-picked, or the calendar day
    // listed again.
    void ViewRefresh() override;
    // Ends a running view animation at once (tests, and whoever needs the final layout now).
    void FinishAnimation() { animation_->Finish(); }
    bool Animating() const { return animation_->Running(); }
    bool WeekOnShow() const { return CurrentView == MainView::Week; }
    bool MonthOnShow() const { return CurrentView == MainView::Month; }

    MainView CurrentView = MainView::None;
    int SelectedWeekDay = 1;           // 1 Monday ... 7 Sunday
    std::vector<DayNumber> WeekDates;  // Monday first, rebuilt by ShowWeek
    TDateTime WeekAnchor = 0;          // a moment inside the week on show

    ReminderListBox* MesgList;
    QLabel* Image1;
    QWidget* PaintBox1;
    Shape* Shape2;  // bottom bar, filled with the gradient's last colour
    Shape* Shape4;  // button bar
    QToolButton* BtOslava;
    QToolButton* BtEdit;
    QToolButton* BtDel;
    QToolButton* SpeedButton4;
    QLabel* LDateTime;
    QLabel* LText;
    QLabel* LDateOdPerioda;
    QLabel* LLastShow;
    QLabel* LStart;
    QLabel* LLast;
    // Tabs: labels, backgrounds and top bars of "Zoznam", "Týždeň", "Mesiac".
    ClickLabel* Label4;
    ClickLabel* Label6;
    ClickLabel* Label7;
    std::array<Shape*, 3> TabBack;  // Shape7, Shape8, Shape9
    std::array<Shape*, 3> TabBar;   // Shape32, Shape33, Shape34
    // Week rows, Monday first: name cells Shape10.., spacers Shape25.., date cells Shape18..,
    // name labels Label16..Label10, date labels LPo..LNe.
    std::array<Shape*, 7> NameCell;
    std::array<Shape*, 7> Spacer;
    std::array<Shape*, 7> DateCell;
    std::array<ClickLabel*, 7> DayName;
    std::array<ClickLabel*, 7> DayDate;
    Shape* Shape17;  // between the working days and the weekend
    Shape* Shape6;   // bar under the week or the calendar
    QLabel* Label17;
    QToolButton* BtBack;
    QToolButton* BtNext;
    QLabel* LMonth;
    QCalendarWidget* Date = nullptr;

    QSystemTrayIcon* TrayIcon;
    QMenu* PopupMenu;
    QMenu* PopupDelete;
    QAction* pmObnovit;
    QAction* pmClose;
    QAction* Dnes1;
    QAction* Starpripomienky1;
    QAction* Oprograme1;
    QAction* Men1;
    QAction* Nastavenia1;
    QAction* Exportova1;
    QAction* Importova1;
    QAction* Vymazavber1;
    QAction* Aktualizuj1;
    QAction* Koprova1;
    QAction* Vloizostarch1;
    QTimer* TestTimer;
    QTimer* Timer;
    QTimer* DatumChange;
    QTimer* SaveRetry;  // a minute
    // Qt's tray icon tells nothing of the mouse moving over it: its place on the desktop is compared
    // with the mouse's now and then.
    QTimer* TrayWatch;
    TrayHover trayHover;  // TrayHoverX, TrayHoverY
    QLabel* LMeno;
    ShapeButton* Label8;  // "Ukončiť"
    ShapeButton* Label9;  // "Skryť"
    int trayImage = 0;    // 0 the program icon, 1 the blink image
    // The day's name texts that the caption ticker and the notices show.
    QString TodayNames, TomorrowNames, TodayHoliday;
    DayNumber NamesDay = 0;  // the day they were worked out for
    // On a StatusNotifier tray the icon's tooltip carries the names (app/status_notifier.h).
    bool NamesInToolTip = false;
    // The name-day notice at once, as the tray's middle button asks for it.
    void ShowNameNotice();
    // Whether the mouse over the tray icon may slide out the notice; the notice arms it again.
    bool TrayHoverArmed = true;
    int pmObnovitTag = 1;  // 1 hidden, 0 shown
    bool toldAboutTaskBar_ = false;

    // Without a notification area the window itself is the way in.
    bool TrayAvailable() const;

signals:
    // The user confirmed the end of the program.
    void EndRequested();
    // After a load: where the name days and birthdays stand in the list, for the day list window.
    void NameDayRowsReloaded(const std::vector<std::size_t>& records);
    void DayNamesChanged(const QString& today, const QString& tomorrow);
    // The scheduler may have moved reminders into the archive.
    void ArchiveChanged();
    // The user turned to the main window or its tray: the overview stays until closed.
    void OverviewHoldRequested();
    void OverviewRequested();
    void ArchiveRequested();
    void PutBackRequested();
    void NameDayListRequested();
    void AboutRequested();
    void SettingsRequested();
    void TrayMenuOpening();
    // The user's file, the archive or the snoozes were written: the sync follows some seconds later.
    void FilesSaved();
    // Another process changed the user's files and the windows took the change in.
    void OutsideChangesTaken();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape or a close request hides the window, unless the program is ending: then Qt closes every
    // window on its way out, and hiding (or, with no tray, minimising with a word) would stop the end.
    void Dismiss() override {
        if (Ending()) QDialog::reject();
        else pmObnovitClick();
    }

private:
    void End();
    void BuildMenus();
    // The constructor's steps, in the order the widgets are made (and stacked).
    void BuildLayout();  // the title strip, the view tabs and the foot
    void BuildTitleStrip();
    void BuildTabs();
    void BuildFoot();
    void BuildFootButtons();  // "Ukončiť" and "Skryť"
    void BuildListPanel();    // the list and its command bar
    void BuildDetails();
    void BuildTimers();
    void BuildTray();
    void BuildWeekPanel();
    void BuildWeekRows();  // the seven days
    void BuildWeekBar();   // the grey bar under them, with the arrows
    void BuildCalendar();
    void SetTabOrder();
    void SetTrayImage(int index);
    void UpdateToolTip();
    void FormShow();
    // Rebuilds the rows as a load of the reminder file does.
    void StoreReloaded();
    void SetRows(const std::vector<std::string>& rows, const std::vector<std::string>& pictures, ReminderView view,
                 DayNumber day);
    void SetListRows();
    void SetListRows(std::vector<std::size_t> records);
    void SetTabLooks();
    void HidingReset();
    void ShowWeekPanel();
    void ShowCalendar();
    void GrowCommandBar();
    void FitCalendar();
    // Moving over these only puts the two bottom buttons back to rest.
    void RestButtonsOver(QWidget* w);
    // The mouse over the tray icon, polled: where the notification area sends no moves, the icon is
    // watched all the time, where its window is the program's own only while the mouse is over it.
    void WatchTray();
    bool AttachTrayWindow();
    // Closes the alarm on screen when the snooze file holds a snooze of it from another computer.
    void CloseAlarmSnoozedElsewhere();

    ReminderView rowsView_ = ReminderView::List;  // what the rows of MesgList were built for
    DayNumber rowsDay_ = 0;
    bool reloadedSinceAlarm_ = true;
    StepAnimation* animation_;
    std::vector<QWidget*> restOnly_;

    AppContext& ctx_;
    Links links_;
    std::unique_ptr<storage::ReminderStore> store_;
    std::unique_ptr<scheduler::Scheduler> scheduler_;
    namedays::NameCalendar nameCalendar_;
    scheduler::CaptionTicker ticker_;
    std::unique_ptr<OwnDrawMenuStyle> menuStyle_;
    bool ending_ = false;
    bool readingICalendar_ = false;  // an iCalendar file is being read beside the event loop
    bool ticksHeld_ = false;
    bool snoozesWaiting_ = false;  // another process changed the snoozes while an alarm was on screen
    QString syncProblem_;
    QPointer<QWidget> trayWindow_;
    QPoint lastPolledMouse_;
    QRect trayGeometry_;
    static constexpr int kTrayGeometryPolls = 8;  // the mouse polls between two questions for the icon's place
    int pollsSinceTrayGeometry_ = kTrayGeometryPolls;
};

}  // namespace kalvo::ui
