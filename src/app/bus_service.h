#pragma once
// The running program on the session bus (dbus/sk.kalvo.Kalvo1.xml): scripts and kalvo-cli add and
// list reminders through it, so that only this process writes the files while it runs.

#include <QDBusArgument>
#include <QDBusContext>
#include <QList>
#include <QObject>
#include <functional>

#include "core/reminder_request.h"
#include "ui/common/app_context.h"

namespace kalvo::ui {
class TMainForm;
}

namespace kalvo::app {

class ProgramWindows;
class SyncService;

inline constexpr const char* kBusService = "sk.kalvo.Kalvo";
inline constexpr const char* kBusPath = "/sk/kalvo/Kalvo";

struct BusDayEntry {
    DayEntry entry;
};

// The one place a bus caller's snooze goes; empty when done, else why not (Slovak).
QString SnoozeShownAlarm(ui::TMainForm* main, unsigned minutes);

class BusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "sk.kalvo.Kalvo1")
public:
    // `sync` is the program's calendar sync; none where the build has no sync.
    BusService(ui::AppContext& ctx, ProgramWindows& windows, SyncService* sync = nullptr, QObject* parent = nullptr);

    // False where there is no session bus or the name is taken; the files serve kalvo-cli then.
    bool Register();

    // Tells QtDBus how the slots' own types travel (ListDay's a(ssssbsss)); the constructor calls it.
    static void RegisterTypes();

    // The D-Bus error name of the last call refused, for whoever calls the slots directly.
    const QString& LastRefusal() const { return lastRefusal_; }

public Q_SLOTS:
    Q_SCRIPTABLE QString Identity(QString& user);
    Q_SCRIPTABLE void AddReminder(const QString& date, const QString& time, const QString& text);
    Q_SCRIPTABLE void AddReminderWithNotice(const QString& date, const QString& time, const QString& text,
                                            const QString& noticeFrom, const QString& period, const QString& noticeTime,
                                            const QString& weekDay);
    Q_SCRIPTABLE QList<kalvo::app::BusDayEntry> ListDay(const QString& date);
    Q_SCRIPTABLE void ShowMainWindow();
    Q_SCRIPTABLE void ShowToday();
    Q_SCRIPTABLE void Acknowledge();
    Q_SCRIPTABLE void Snooze(uint minutes);
    // Removes one reminder with that date, time and text; how many equal ones remain.
    Q_SCRIPTABLE uint DeleteReminder(const QString& date, const QString& time, const QString& text);
    // One two-way sync that starts after the call; the reply, with its counts, comes when it has ended.
    Q_SCRIPTABLE uint Sync(uint& received, uint& deletedHere, uint& deletedThere, uint& conflicts);

private:
    void Add(const ReminderRequest& request);
    void Refuse(const char* error, const QString& text);
    // Runs `step` with the store's messages held and shows them after the reply.
    void StoreMessagesAfterReply(const std::function<void()>& step);

    ui::AppContext& ctx_;
    ProgramWindows& windows_;
    SyncService* sync_;
    QString lastRefusal_;
};

}  // namespace kalvo::app

Q_DECLARE_METATYPE(kalvo::app::BusDayEntry)
