#pragma once
// The one-second scheduler: the shut-down order, the time signal and every reminder and notice that
// falls due. Plain C++ over small seams: the main window implements them with its windows and timers,
// kalvo-cli simulate without any window.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/reminder.h"
#include "core/settings.h"
#include "core/text_locale.h"
#include "platform/platform.h"
#include "scheduler/moment_key.h"
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

    bool operator==(const Alarm&) const = default;
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
    Scheduler(const Clock& clock, const TSettings& settings, storage::ReminderStore& store, Platform& platform,
              SchedulerHost& host, const TextLocale& locale);

    // `TestTimer`'s handler. Reads the wall clock; a tick that arrives while an alarm or the countdown
    // is on screen does nothing.
    void Tick();

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
    bool ShutdownDue(const ShutdownOrder& order, const LocalMoment& now, std::optional<SecondKey> previous) const;
    bool SignalDue(const LocalMoment& now, std::optional<SecondKey> previous) const;
    void RunShutdownCountdown();
    void Fire(std::size_t index, DayNumber today, double t);
    std::optional<std::size_t> Locate(const TReminder& fired, std::size_t index) const;
    void Aftercare(std::size_t index, DayNumber today, double t);
    void ResumeAfterAlarm();
    std::string PictureFor(const TReminder& r) const;
    std::string SoundFor(const TReminder& r) const;

    const Clock& clock_;
    const TSettings& settings_;
    storage::ReminderStore& store_;
    Platform& platform_;
    SchedulerHost& host_;
    const TextLocale& locale_;

    SchedulerState state_;
    bool busy_ = false;
    int trayImage_ = 0;
    std::optional<SecondKey> lastTick_;  // moment of the last tick that ran
};

}  // namespace kalvo::scheduler
