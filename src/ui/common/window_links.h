#pragma once
// The narrow ways in which windows reach the main window. The application hands each window what it
// needs when it builds them (app/program_windows.cpp, the map of who talks to whom); everything else
// between windows goes by signals connected there.

#include <functional>

#include "core/datetime.h"
#include "core/reminder.h"
#include "namedays/name_calendar.h"
#include "scheduler/scheduler.h"
#include "storage/reminder_store.h"

class QWidget;

namespace kalvo::ui {

// The scheduler's timer, which the windows that take the screen hold while they are up.
class SchedulerGate {
public:
    virtual void StartScheduler() = 0;
    virtual void StopScheduler() = 0;
    // True once the user has confirmed the end of the program.
    virtual bool Ending() const = 0;
    // What came too late while the computer was off, handed over once.
    virtual std::vector<scheduler::MissedAlarm> TakeMissedAlarms() = 0;
    // Before the computer is switched off: what is only in memory is saved, or set aside for the next
    // start.
    virtual bool SecureUnsaved() = 0;

protected:
    ~SchedulerGate() = default;
};

// The reminder list, the archive and the name-day calendar, kept by the main window for the whole run,
// with the save-and-reload cycle every change goes through.
class ReminderKeeper {
public:
    virtual storage::ReminderStore& Store() = 0;
    virtual const namedays::NameCalendar& NameCalendar() const = 0;
    // The day picked in the main window: the date of a new reminder.
    virtual DayNumber CalendarDate() const = 0;
    virtual bool CommitChange(bool sort) = 0;
    virtual void AddReminder(TReminder reminder) = 0;
    // Puts `changed` in place of the entry a window was changing (see TMainForm::ReplaceEdited).
    virtual void ReplaceEdited(int hint, const std::function<bool(const TReminder&)>& same, TReminder changed) = 0;
    // The main window's views follow a change made elsewhere.
    virtual void ViewRefresh() = 0;
    // The main window, which dialogs opened from it centre on while it is on screen.
    virtual QWidget* KeeperWindow() = 0;

protected:
    ~ReminderKeeper() = default;
};

}  // namespace kalvo::ui
