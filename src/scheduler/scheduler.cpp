#include "scheduler/scheduler.h"

#include <algorithm>
#include <bit>

#include "core/due.h"
#include "core/same_reminder.h"
#include "scheduler/lateness.h"
#include "scheduler/next_due.h"
#include "scheduler/time_signal.h"
#include "storage/file_io.h"

namespace kalvo::scheduler {
namespace {

constexpr std::string_view kSignalLine = "Časové znamenie !!!  ";

bool Exists(const std::string& path) { return !path.empty() && storage::FileExists(storage::PathFromUtf8(path)); }

class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
};

SecondKey OrderKey(const ShutdownOrder& order) {
    return KeyOf(LocalMoment{order.day, order.hour, order.minute, order.second});
}

}  // namespace

Scheduler::Scheduler(const Clock& clock, const TSettings& settings, storage::ReminderStore& store, SoundOutput& sound,
                     SchedulerHost& host, const TextLocale& locale)
    : clock_(clock), settings_(settings), store_(store), sound_(sound), host_(host), locale_(locale) {
    state_.LastSignalHour = clock_.Now().hour;
}

// The order's own minute, from its second on, as on every tick. A tick that comes late (a pop-up kept
// the timer stopped over the whole minute, the computer slept) still counts an order whose moment it
// has passed since the tick before.
bool Scheduler::ShutdownDue(const ShutdownOrder& order, const LocalMoment& now,
                            std::optional<SecondKey> previous) const {
    if (!order.ordered) return false;
    if (order.day == now.day && order.hour == now.hour && order.minute == now.minute && now.second >= order.second)
        return true;
    const SecondKey at = OrderKey(order);
    return previous && *previous < at && at <= KeyOf(now);
}

// A signal needs second 0. A timer that drifts can skip that second, so the first tick of the minute
// counts instead; when every second is ticked that is the tick of second 0, and a second tick within
// the same second never signals twice.
bool Scheduler::SignalDue(const LocalMoment& now, std::optional<SecondKey> previous) const {
    const bool firstOfMinute = previous ? MinuteKeyOf(MomentOf(*previous)) != MinuteKeyOf(now) : now.second == 0;
    return firstOfMinute && SignalRowHolds(settings_.TimeSignalInterval, now.hour, now.minute, state_.LastSignalHour,
                                           settings_.TimeSignalAt);
}

void Scheduler::Tick() {
    if (busy_) return;  // never a second pop-up over the first
    const BusyScope busy(busy_);
    const LocalMoment now = clock_.Now();
    const std::optional<SecondKey> previous = lastTick_;
    lastTick_ = KeyOf(now);
    // A resume from sleep or a change of the clock: what fell due in between is handled in this tick,
    // once, under the lateness limit.
    if (previous && (KeyOf(now) - *previous > 60 || KeyOf(now) < *previous)) ++clockJumps_;
    const DayNumber today = now.day;
    const double t = now.TimeOfDay();

    if (ShutdownDue(host_.CurrentShutdownOrder(), now, previous)) RunShutdownCountdown();

    const ReminderList& list = Seen().Reminders();
    if (list.empty() && Seen().Snoozes().empty() && missed_.empty() && settings_.TimeSignalInterval == tsOff) return;
    state_.SignalNow = false;
    state_.SignalPending = false;

    if (settings_.TimeSignalInterval != tsOff && !state_.SignalPending && SignalDue(now, previous)) {
        state_.SignalPending = true;
        state_.SignalNow = true;
        if (settings_.TimeSignalInterval == tsTwoHours) state_.LastSignalHour = now.hour;
        if (list.empty()) {
            // With nothing to show it over, the signal fires as a reminder of its own.
            store_.Reminders().push_back(MakeTimeSignalReminder(today, clock_.Now().TimeOfDay()));
            state_.SignalNow = false;
            state_.SignalPending = false;
        }
    }

    if (LatenessOn()) SettleMissedAt(now);
    if (!missed_.empty()) ShowMissed();

    // The aftercare replaces the list; the index carries over to the new one, and stays where a record
    // at it or before it left the list, so the one moved into its place comes next. An idle tick finds
    // no record to start from and walks none.
    for (std::size_t i = state_.SignalNow ? 0 : FirstToFire(now); i < Seen().Reminders().size();) {
        const bool fires = state_.SignalNow || FiresNow(Seen().Reminders()[i], now);
        if (!fires || !Fire(i, today, t)) ++i;
    }
    FireSnoozedNotices(now);
}

bool Scheduler::FiresNow(const TReminder& r, const LocalMoment& now) const {
    if (!ReminderDue(r, now.day, now.TimeOfDay())) return false;
    // A reminder put off (its event has passed, so it is due) waits for its snooze.
    const auto& book = Seen().Snoozes();
    const auto entry = book.empty() ? std::nullopt : EventSnoozeOf(r);
    return !(entry && book[*entry].until > KeyOf(now));
}

const std::vector<std::size_t>& Scheduler::MaybeDueOn(DayNumber today) {
    if (!maybeDue_.known || maybeDue_.changes != Seen().ChangeCount() || maybeDue_.day != today) {
        const ReminderList& list = Seen().Reminders();
        maybeDue_.indices.clear();
        for (std::size_t i = 0; i < list.size(); ++i)
            if (FirstDueDay(list[i]) <= today) maybeDue_.indices.push_back(i);
        maybeDue_.known = true;
        maybeDue_.changes = Seen().ChangeCount();
        maybeDue_.day = today;
    }
    return maybeDue_.indices;
}

std::size_t Scheduler::FirstToFire(const LocalMoment& now) {
    const ReminderList& list = Seen().Reminders();
    for (const std::size_t i : MaybeDueOn(now.day))
        if (FiresNow(list[i], now)) return i;
    return list.size();
}

std::size_t Scheduler::FirstMissed(const LocalMoment& now) {
    const ReminderList& list = Seen().Reminders();
    for (const std::size_t i : MaybeDueOn(now.day))
        if (MissedNow(list[i], now)) return i;
    return list.size();
}

void Scheduler::SettleMissed() {
    if (busy_ || !LatenessOn()) return;
    const BusyScope busy(busy_);
    SettleMissedAt(clock_.Now());
}

void Scheduler::RunShutdownCountdown() {
    host_.SetTestTimerRunning(false);
    if (host_.ShowShutdownCountdown()) host_.SetTestTimerRunning(true);
}

Alarm Scheduler::AlarmFor(const TReminder& r, bool signal, DayNumber today, double t) const {
    Alarm alarm;
    alarm.picture = PictureFor(r);
    const std::string caption = "Dátum: " + ShortDate(locale_, signal ? today : r.Date) +
                                "       Čas: " + LongTime(locale_, signal ? t : r.Time);
    if (signal) {
        alarm.header = "Čas";
        alarm.lines = {" ", std::string(kSignalLine) + caption};
    } else {
        alarm.header = caption;
        alarm.lines = {r.Text};
    }
    alarm.sound = SoundFor(r);
    alarm.timeSignal = signal;
    alarm.snoozable = !signal && r.Text != kTimeSignalText;  // the signal is never put off
    return alarm;
}

void Scheduler::OnScreen(const std::function<void()>& body) {
    host_.SetTestTimerRunning(false);
    host_.SetBlinkTimerRunning(true);
    try {
        body();
    } catch (...) {
        shown_.reset();
        ResumeAfterAlarm();
        throw;
    }
    ResumeAfterAlarm();
}

void Scheduler::StartSound(const Alarm& alarm) {
    if (!alarm.sound.empty()) sound_.PlaySound(storage::PathFromUtf8(alarm.sound), SoundMode::Async);
}

bool Scheduler::Fire(std::size_t index, DayNumber today, double t) {
    bool removedUpToIndex = false;
    OnScreen([&] {
        TReminder& r = store_.Reminders()[index];
        const bool signal = state_.SignalNow;
        ShownAlarm shown;
        shown.at = clock_.Now();
        shown.kind = EventPassed(r, today, t) ? storage::SnoozeKind::Event : storage::SnoozeKind::Notice;
        shown.record = r;
        shown.original = r;
        if (!signal) shown.entry = EventSnoozeOf(r);
        const TReminder original = r;
        if (!signal) AdvanceNotice(r, today, shown.at.Now());
        // A notice comes back on its own; its series moves on as when it is acknowledged.
        if (shown.kind == storage::SnoozeKind::Notice) shown.record = r;

        const Alarm alarm = AlarmFor(r, signal, today, t);
        StartSound(alarm);
        state_.SignalNow = false;

        const TReminder fired = r;
        const TReminder before = shown.entry ? store_.Snoozes()[*shown.entry].record : shown.record;
        const storage::SnoozeKind kind = shown.kind;
        const bool snoozed = ShowAndAsk(alarm, std::move(shown));
        // The signal changes and saves nothing. While the pop-up was open the user may have edited the
        // list, which replaces it: the aftercare goes to the fired record wherever it is now, and to none
        // when the user changed or deleted it.
        if (!signal) {
            const auto at = Locate(fired, index);
            if (snoozed && kind == storage::SnoozeKind::Event) {
                // Put off, the reminder stays exactly as it is in the file until it is acknowledged.
                if (at) store_.Reminders()[*at] = before;
            } else {
                if (!snoozed) {
                    if (const auto entry = EventSnoozeOf(before)) DropSnooze(*entry);
                }
                if (at && Aftercare(*at, original, today, t)) removedUpToIndex = *at <= index;
            }
        }
    });
    return removedUpToIndex;
}

std::optional<std::size_t> Scheduler::Locate(const TReminder& fired, std::size_t index) const {
    const ReminderList& list = Seen().Reminders();
    if (index < list.size() && SameRecord(list[index], fired)) return index;
    const auto it = std::find_if(list.begin(), list.end(), [&](const TReminder& r) { return SameRecord(r, fired); });
    if (it == list.end()) return std::nullopt;
    return static_cast<std::size_t>(it - list.begin());
}

bool Scheduler::Aftercare(std::size_t index, const TReminder& original, DayNumber today, double t) {
    ReminderList& list = store_.Reminders();
    TReminder& r = list[index];
    bool removed = false;
    if (EventPassed(r, today, t)) {
        if (settings_.DeleteOldReminders == 0 && r.Text != kTimeSignalText) {
            store_.Archive().push_back(r);
            store_.SaveArchive();
        }
        if (!IsOrdinary(r) && settings_.MoveToNextYear != 0) {
            ShiftToNextYear(r);
        } else {
            if (r.Text != kTimeSignalText) store_.NoteArchived(original);  // the signal's record is never synced
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
            removed = true;
        }
    }
    if (!removed) {
        MarkGiven(r, today, t);
        store_.NoteReplaced(original, r, storage::HintKind::Acknowledged);
    }
    store_.Commit(/*sort=*/false);
    host_.RefreshWeekView();
    return removed;
}

void Scheduler::ResumeAfterAlarm() {
    host_.SetTestTimerRunning(true);
    host_.SetBlinkTimerRunning(false);
    trayImage_ = 0;
    host_.ShowTrayImage(0);
}

void Scheduler::BlinkTick() {
    trayImage_ = trayImage_ == 0 ? 1 : 0;
    host_.ShowTrayImage(trayImage_);
}

std::string Scheduler::PictureFor(const TReminder& r) const {
    if (!r.Picture.empty()) return Exists(r.Picture) ? r.Picture : std::string();
    if (settings_.StandardPicture == kStandardPictureCaption) return {};
    return Exists(settings_.StandardPicture) ? settings_.StandardPicture : std::string();
}

std::string Scheduler::SoundFor(const TReminder& r) const {
    if (!r.Melody.empty()) return Exists(r.Melody) ? r.Melody : std::string();
    if (settings_.StandardMelody == kDefaultMelody) return std::string(kStandardSound);
    return Exists(settings_.StandardMelody) ? settings_.StandardMelody : std::string();
}

std::optional<SecondKey> Scheduler::NextActiveSecond(SecondKey now, SecondKey limit) const {
    const SecondKey from = now + 1;
    if (from > limit) return std::nullopt;
    std::optional<SecondKey> best;
    auto consider = [&](SecondKey key) {
        if (key <= limit && (!best || key < *best)) best = key;
    };

    // Ticked every second, the order is taken in its own minute from its second on.
    if (const ShutdownOrder order = host_.CurrentShutdownOrder(); order.ordered) {
        const SecondKey at = OrderKey(order);
        const SecondKey minuteEnd = at - order.second + 59;
        if (from <= at) consider(at);
        else if (from <= minuteEnd) consider(from);
    }

    // A snooze comes back at its moment; one already due, or a list of missed alarms, at once.
    if (!missed_.empty()) consider(from);
    for (const storage::PendingSnooze& e : Seen().Snoozes()) consider(std::max(e.until, from));

    const ReminderList& list = Seen().Reminders();
    if (list.empty() && settings_.TimeSignalInterval == tsOff) return best;

    if (settings_.TimeSignalInterval != tsOff) {
        // The table repeats every day, so one day of minutes says whether it ever signals.
        SecondKey minute = (from / 60 + (from % 60 > 0 ? 1 : 0)) * 60;
        for (int n = 0; n <= 24 * 60 && minute <= limit && (!best || minute < *best); ++n, minute += 60) {
            const LocalMoment m = MomentOf(minute);
            if (SignalRowHolds(settings_.TimeSignalInterval, m.hour, m.minute, state_.LastSignalHour,
                               settings_.TimeSignalAt)) {
                consider(minute);
                break;
            }
        }
    }

    for (const TReminder& r : list) {
        if (!Seen().Snoozes().empty() && EventSnoozeOf(r)) continue;  // it waits for its snooze
        const SecondKey bound = best ? *best - 1 : limit;
        if (const auto key = FirstDueSecond(r, from, bound)) consider(*key);
        if (best && *best == from) break;
    }
    return best;
}

void Scheduler::SkipIdleTicksThrough(SecondKey last) {
    lastTick_ = last;
    if (!Seen().Reminders().empty() || !Seen().Snoozes().empty() || settings_.TimeSignalInterval != tsOff) {
        state_.SignalNow = false;
        state_.SignalPending = false;
    }
}

}  // namespace kalvo::scheduler
