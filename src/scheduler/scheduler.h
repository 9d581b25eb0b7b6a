#pragma once
// The one-second scheduler: the shut-down order, the time signal and every reminder and notice that
// falls due. Plain C++ over small seams: the main window implements them with its windows and timers,
// kalvo-cli simulate without any window.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/reminder.h"
#include "core/settings.h"
#include "core/text_locale.h"
#include "scheduler/moment_key.h"
#include "scheduler/sound_output.h"
#include "storage/reminder_store.h"

namespace kalvo::scheduler {

// The standard melody, a relative name that the sound service resolves.
inline constexpr std::string_view kStandardSound = "sound.wav";

// What the alarm pop-up shows.
struct Alarm {
    std::string header;              // caption of `Datum`
    std::vector<std::string> lines;  // lines of the `Message` memo
    std::string picture;             // picture for `ImageMsg`; empty: keep it hidden (the standard picture shows)
    std::string sound;               // the sound already started for this alarm; empty: none
    bool timeSignal = false;         // the time signal, given over the first reminder of the list
    bool snoozable = false;          // it can be put off ("Odložiť"): a reminder or notice, not a signal or list

    bool operator==(const Alarm&) const = default;
};

// The header of the one alarm that lists the reminders missed by more than the lateness limit.
inline constexpr std::string_view kMissedHeader = "Zmeškané";

// How long the user puts an alarm off.
struct SnoozeRequest {
    enum class Kind {
        Minutes,           // so many minutes of real time from now
        TomorrowSameTime,  // tomorrow at the time of day the alarm came
        At,                // a moment the user chose
    };
    Kind kind = Kind::Minutes;
    int minutes = 0;
    SecondKey at = 0;

    static SnoozeRequest ForMinutes(int m) { return {Kind::Minutes, m, 0}; }
    static SnoozeRequest Tomorrow() { return {Kind::TomorrowSameTime, 0, 0}; }
    static SnoozeRequest Until(SecondKey moment) { return {Kind::At, 0, moment}; }
};

// A reminder or notice that was not shown because it came more than the lateness limit too late.
struct MissedAlarm {
    SecondKey dueAt = 0;  // the moment it belonged to
    std::string text;
    bool notice = false;
    bool operator==(const MissedAlarm&) const = default;
};

// The shut-down order as the settings dialog holds it: `CBDownPC`, the day of `DateDownPC` and the
// time of `TimeDownPC`.
struct ShutdownOrder {
    bool ordered = false;
    DayNumber day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// What the scheduler needs of the main window. Every call comes from the thread that ticks.
class SchedulerHost {
public:
    virtual ~SchedulerHost() = default;

    // Fills the pop-up and shows it modally; returns once the user has closed it. `ImageMsg` is hidden
    // again afterwards.
    virtual void ShowAlarm(const Alarm& alarm) = 0;
    // Shows the shut-down countdown modally; the window unticks the order in either case. True when the
    // user cancelled (the scheduler runs on), false when the computer is being shut down.
    virtual bool ShowShutdownCountdown() = 0;
    // Read on every tick, so a change in the settings dialog counts at once.
    virtual ShutdownOrder CurrentShutdownOrder() const = 0;
    // Rebuilds the week view and re-selects its day, when the week view is on show.
    virtual void RefreshWeekView() = 0;

    // `TestTimer`, the tick (1000 ms).
    virtual void SetTestTimerRunning(bool running) = 0;
    // `Timer`, the tray blink (1000 ms); each of its ticks calls Scheduler::BlinkTick.
    virtual void SetBlinkTimerRunning(bool running) = 0;
    // 0: the tray icon's first image, 1: its second.
    virtual void ShowTrayImage(int image) = 0;
};

struct SchedulerState {
    bool SignalPending = false;  // a time signal was decided in this tick
    bool SignalNow = false;      // the next firing of this tick is the time signal
    int LastSignalHour = 0;      // hour of the last two-hourly signal; the start hour before the first
};

class Scheduler {
public:
    // Reads the clock once: the current hour starts the two-hourly signal. Everything passed in must
    // outlive the scheduler; `settings` is read afresh on every tick.
    Scheduler(const Clock& clock, const TSettings& settings, storage::ReminderStore& store, SoundOutput& sound,
              SchedulerHost& host, const TextLocale& locale);

    // `TestTimer`'s handler. Reads the wall clock; a tick that arrives while an alarm or the countdown
    // is on screen does nothing.
    void Tick();

    // While an alarm is on screen: puts it off instead of acknowledging it. The snooze is on disk when
    // this returns true; the host then closes the alarm. False when the alarm on screen cannot be put
    // off (none, the time signal, the list of missed alarms) or the moment is not in the future.
    bool SnoozeShownAlarm(const SnoozeRequest& request);
    // The alarm on screen can be put off.
    bool CanSnoozeShown() const { return shown_ && shown_->snoozable; }
    // The alarm on screen is that of `record`, as the list held it before the alarm came (the sync
    // closes it when another computer acknowledged the record).
    bool ShowsAlarmOf(const TReminder& record) const;
    // Another computer put off the alarm on screen: `onDisk` (the snooze file as the sync left it) holds
    // a snooze of its record that ends later. The alarm then counts as put off until that moment, without
    // a write of its own; true when the host is to close it. The snoozes are taken in from the file once
    // it has closed.
    bool TakeSnoozeMadeElsewhere(const std::vector<storage::PendingSnooze>& onDisk);

    // Sends what is overdue by more than the lateness limit to the archive at once, without alarms,
    // and keeps it for the one list of missed alarms. The tick does this itself; the day overview calls
    // it before the scheduler starts, to list them.
    void SettleMissed();
    // The missed alarms not yet shown, oldest first; the caller shows them.
    std::vector<MissedAlarm> TakeMissed();
    // The lines of the list of missed alarms.
    std::vector<std::string> MissedLines(const std::vector<MissedAlarm>& missed) const;

    // Ticks that found the wall clock moved by more than a minute since the tick before (a resume from
    // sleep, a change of the clock), or moved back.
    int ClockJumps() const { return clockJumps_; }
    // The moment of the last tick that ran; none before the first.
    std::optional<SecondKey> LastTick() const { return lastTick_; }

    // `Timer`'s handler: switches the tray icon between its two images.
    void BlinkTick();
    int TrayImage() const { return trayImage_; }

    const SchedulerState& State() const { return state_; }
    // An alarm or the shut-down countdown is on screen.
    bool Busy() const { return busy_; }

    // For runs of virtual time, right after Tick() at `now`, with every later second ticked: the first
    // second after `now`, up to `limit`, whose tick could show anything or change anything; every tick
    // between them would do nothing. None when nothing happens up to `limit`.
    std::optional<SecondKey> NextActiveSecond(SecondKey now, SecondKey limit) const;
    // Counts the ticks up to `last` as done; valid only for ticks that NextActiveSecond proved idle.
    void SkipIdleTicksThrough(SecondKey last);

private:
    // The store for reading: reads through it leave the store's change count alone, so that the
    // records that may be due stay known between changes.
    const storage::ReminderStore& Seen() const { return store_; }
    // The tick fires `r` at `now` (it is due and not waiting for its snooze).
    bool FiresNow(const TReminder& r, const LocalMoment& now) const;
    // The lateness limit sends `r` to the archive at `now`.
    bool MissedNow(const TReminder& r, const LocalMoment& now) const;
    // The records whose FirstDueDay is `today` or before, in list order; no other record can be due
    // that day. Found again when the day or the store's change count is not what it was.
    const std::vector<std::size_t>& MaybeDueOn(DayNumber today);
    // The first record that fires at `now`, or the list's size: the loops start there, as every record
    // before it would be passed over.
    std::size_t FirstToFire(const LocalMoment& now);
    std::size_t FirstMissed(const LocalMoment& now);
    bool ShutdownDue(const ShutdownOrder& order, const LocalMoment& now, std::optional<SecondKey> previous) const;
    bool SignalDue(const LocalMoment& now, std::optional<SecondKey> previous) const;
    void RunShutdownCountdown();
    struct ShownAlarm {
        bool snoozable = false;
        LocalMoment at;  // when it came
        storage::SnoozeKind kind = storage::SnoozeKind::Event;
        TReminder record;                       // what a snooze keeps: the record as it was before the alarm
        TReminder original;                     // the record as the list held it when the alarm came
        std::optional<std::size_t> entry;       // the pending snooze it came from
        std::optional<SecondKey> snoozedUntil;  // set when the user put it off
    };

    // The frame of every alarm on screen: the tick and its timer stop, the tray blinks, and both come
    // back afterwards, also when `body` throws.
    void OnScreen(const std::function<void()>& body);
    void StartSound(const Alarm& alarm);
    // A snooze whose alarm is shown by itself: a notice, or a reminder no longer in the list as it was.
    bool ComesBackAlone(const storage::PendingSnooze& e) const;
    // True when a record at `index` or before it left the list.
    bool Fire(std::size_t index, DayNumber today, double t);
    void FireSnoozedNotices(const LocalMoment& now);
    // Shows the alarm; true when the user put it off.
    bool ShowAndAsk(const Alarm& alarm, ShownAlarm shown);
    Alarm AlarmFor(const TReminder& r, bool signal, DayNumber today, double t) const;
    void ShowMissed();
    std::optional<SecondKey> SnoozeMoment(const SnoozeRequest& request) const;
    bool LatenessOn() const;
    bool IsLate(SecondKey dueAt, const LocalMoment& now) const;
    // The pending snooze of a record of the list, if it is put off.
    std::optional<std::size_t> EventSnoozeOf(const TReminder& r) const;
    void DropSnooze(std::size_t entry);
    void SettleMissedAt(const LocalMoment& now);
    std::optional<std::size_t> Locate(const TReminder& fired, std::size_t index) const;
    // What follows an acknowledged alarm of the record at `index`; `original` is the record as it was
    // before its alarm, for the sync's note of the change. True when the record left the list.
    bool Aftercare(std::size_t index, const TReminder& original, DayNumber today, double t);
    void ResumeAfterAlarm();
    std::string PictureFor(const TReminder& r) const;
    std::string SoundFor(const TReminder& r) const;

    const Clock& clock_;
    const TSettings& settings_;
    storage::ReminderStore& store_;
    SoundOutput& sound_;
    SchedulerHost& host_;
    const TextLocale& locale_;

    SchedulerState state_;
    bool busy_ = false;
    int trayImage_ = 0;
    std::optional<SecondKey> lastTick_;  // moment of the last tick that ran
    std::optional<ShownAlarm> shown_;
    std::vector<MissedAlarm> missed_;
    int clockJumps_ = 0;
    struct MaybeDue {
        bool known = false;
        std::uint64_t changes = 0;  // the store's change count they were found at
        DayNumber day = 0;
        std::vector<std::size_t> indices;
    };
    MaybeDue maybeDue_;
};

}  // namespace kalvo::scheduler
