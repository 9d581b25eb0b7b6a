// The scheduler's snoozes and its lateness limit: alarms put off for a while, and alarms that came so
// late that they only go to the archive and into one list of missed alarms.

#include <algorithm>
#include <utility>

#include "core/due.h"
#include "core/same_reminder.h"
#include "core/text_locale.h"
#include "scheduler/lateness.h"
#include "scheduler/local_time.h"
#include "scheduler/scheduler.h"

namespace kalvo::scheduler {
namespace {

constexpr int kMaxSnoozeMinutes = 366 * 24 * 60;

}  // namespace

std::optional<std::size_t> Scheduler::EventSnoozeOf(const TReminder& r) const {
    const auto& book = Seen().Snoozes();
    for (std::size_t i = 0; i < book.size(); ++i) {
        if (book[i].kind == storage::SnoozeKind::Event && SameRecord(book[i].record, r)) return i;
    }
    return std::nullopt;
}

void Scheduler::DropSnooze(std::size_t entry) {
    auto& book = store_.Snoozes();
    if (entry >= book.size()) return;
    book.erase(book.begin() + static_cast<std::ptrdiff_t>(entry));
    store_.SaveSnoozes();
}

bool Scheduler::ShowsAlarmOf(const TReminder& record) const {
    return shown_ && (SameRecord(shown_->original, record) || SameRecord(shown_->record, record));
}

bool Scheduler::TakeSnoozeMadeElsewhere(const std::vector<storage::PendingSnooze>& onDisk) {
    // Only a reminder's own alarm is shared; a notice's snooze stays on the computer that made it.
    if (!shown_ || !shown_->snoozable || shown_->snoozedUntil || shown_->kind != storage::SnoozeKind::Event)
        return false;
    // A snooze still to come: the one this alarm came back from has ended.
    const SecondKey now = KeyOf(clock_.Now());
    const auto made = std::find_if(onDisk.begin(), onDisk.end(), [&](const storage::PendingSnooze& e) {
        return e.kind == storage::SnoozeKind::Event && e.until > now &&
               (SameRecord(e.record, shown_->record) || SameRecord(e.record, shown_->original));
    });
    if (made == onDisk.end()) return false;
    shown_->snoozedUntil = made->until;
    return true;
}

bool Scheduler::ShowAndAsk(const Alarm& alarm, ShownAlarm shown) {
    shown.snoozable = alarm.snoozable;
    shown_ = std::move(shown);
    host_.ShowAlarm(alarm);
    const bool snoozed = shown_->snoozedUntil.has_value();
    shown_.reset();
    return snoozed;
}

std::optional<SecondKey> Scheduler::SnoozeMoment(const SnoozeRequest& request) const {
    const SecondKey now = KeyOf(clock_.Now());
    switch (request.kind) {
        case SnoozeRequest::Kind::Minutes:
            if (request.minutes <= 0 || request.minutes > kMaxSnoozeMinutes) return std::nullopt;
            return LocalAfter(now, static_cast<std::int64_t>(request.minutes) * 60);
        case SnoozeRequest::Kind::TomorrowSameTime: {
            // The same time on the wall clock, whatever the clocks do overnight.
            const SecondKey tomorrow = KeyOf(shown_->at) + kSecondsPerDayKey;
            return tomorrow > now ? tomorrow : now + kSecondsPerDayKey;
        }
        case SnoozeRequest::Kind::At:
            if (request.at <= now || request.at - now > static_cast<SecondKey>(kMaxSnoozeMinutes) * 60)
                return std::nullopt;
            return request.at;
    }
    return std::nullopt;
}

bool Scheduler::SnoozeShownAlarm(const SnoozeRequest& request) {
    if (!shown_ || !shown_->snoozable || shown_->snoozedUntil) return false;
    const std::optional<SecondKey> until = SnoozeMoment(request);
    if (!until) return false;
    auto& book = store_.Snoozes();
    const auto previous = book;
    if (shown_->entry && *shown_->entry < book.size()) book[*shown_->entry].until = *until;
    else book.push_back(storage::PendingSnooze{*until, shown_->kind, shown_->record});
    if (!store_.SaveSnoozes()) {
        book = previous;  // the user has been told; the alarm stays until it is closed
        return false;
    }
    shown_->snoozedUntil = until;
    return true;
}

void Scheduler::FireSnoozedNotices(const LocalMoment& now) {
    // Notices, and reminders put off that the user has since changed or deleted: they come back on their
    // own, with the record as it was shown.
    for (std::size_t guard = 0; guard <= Seen().Snoozes().size(); ++guard) {
        const auto& book = Seen().Snoozes();
        const auto due = std::find_if(book.begin(), book.end(), [&](const storage::PendingSnooze& e) {
            return e.until <= KeyOf(now) && ComesBackAlone(e);
        });
        if (due == book.end()) return;
        const std::size_t entry = static_cast<std::size_t>(due - book.begin());
        const storage::PendingSnooze pending = *due;

        OnScreen([&] {
            const Alarm alarm = AlarmFor(pending.record, false, now.day, now.TimeOfDay());
            StartSound(alarm);
            ShownAlarm shown;
            shown.at = clock_.Now();
            shown.kind = pending.kind;
            shown.record = pending.record;
            shown.original = pending.record;
            shown.entry = entry;
            if (!ShowAndAsk(alarm, std::move(shown))) DropSnooze(entry);
        });
    }
}

bool Scheduler::ComesBackAlone(const storage::PendingSnooze& e) const {
    if (e.kind == storage::SnoozeKind::Notice) return true;
    const ReminderList& list = Seen().Reminders();
    return std::none_of(list.begin(), list.end(), [&](const TReminder& r) { return SameRecord(r, e.record); });
}

bool Scheduler::LatenessOn() const {
    return settings_.LatenessLimitOn != 0 && settings_.LatenessLimitHours >= kMinLatenessHours &&
           settings_.LatenessLimitHours <= kMaxLatenessHours;
}

bool Scheduler::IsLate(SecondKey dueAt, const LocalMoment& now) const {
    return KeyOf(now) - dueAt > static_cast<SecondKey>(settings_.LatenessLimitHours) * 3600;
}

bool Scheduler::MissedNow(const TReminder& r, const LocalMoment& now) const {
    const DayNumber today = now.day;
    const double t = now.TimeOfDay();
    if (!ReminderDue(r, today, t)) return false;
    // A reminder put off is due (its event has passed) and counts from its snooze.
    const auto& book = Seen().Snoozes();
    const std::optional<std::size_t> entry = book.empty() ? std::nullopt : EventSnoozeOf(r);
    if (entry && book[*entry].until > KeyOf(now)) return false;
    return IsLate(entry ? book[*entry].until : FellDueAt(r, today, t), now);
}

void Scheduler::SettleMissedAt(const LocalMoment& now) {
    const DayNumber today = now.day;
    const double t = now.TimeOfDay();
    // With no record and no snooze late, nothing below would change: the list is left untouched.
    const auto lateAlone = [&](const storage::PendingSnooze& e) {
        return e.until <= KeyOf(now) && IsLate(e.until, now) && ComesBackAlone(e);
    };
    const std::size_t first = FirstMissed(now);
    if (first == Seen().Reminders().size() && std::none_of(Seen().Snoozes().begin(), Seen().Snoozes().end(), lateAlone))
        return;
    ReminderList& list = store_.Reminders();
    auto& book = store_.Snoozes();
    const std::size_t missedBefore = missed_.size();
    bool listChanged = false, archived = false, snoozesChanged = false;

    for (std::size_t i = first; i < list.size();) {
        TReminder& r = list[i];
        if (!MissedNow(r, now)) {
            ++i;
            continue;
        }
        const std::optional<std::size_t> entry = book.empty() ? std::nullopt : EventSnoozeOf(r);
        const bool event = EventPassed(r, today, t);
        const TReminder original = r;
        missed_.push_back({FellDueAt(r, today, t), r.Text, !event});
        if (entry) {
            book.erase(book.begin() + static_cast<std::ptrdiff_t>(*entry));
            snoozesChanged = true;
        }
        // As if the alarm had been shown and acknowledged, except that the archive always gets the
        // reminder: it is the only place the user can find it again.
        AdvanceNotice(r, today, now.Now());
        listChanged = true;
        if (event) {
            if (r.Text != kTimeSignalText) {
                store_.Archive().push_back(r);
                archived = true;
            }
            if (IsOrdinary(r) || settings_.MoveToNextYear == 0) {
                store_.NoteArchived(original);
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            ShiftToNextYear(r);
        }
        MarkGiven(r, today, t);
        store_.NoteReplaced(original, r, storage::HintKind::Acknowledged);
        ++i;
    }
    for (std::size_t j = 0; j < book.size();) {
        if (!lateAlone(book[j])) {
            ++j;
            continue;
        }
        const storage::PendingSnooze& e = book[j];
        missed_.push_back({e.until, e.record.Text, e.kind == storage::SnoozeKind::Notice});
        book.erase(book.begin() + static_cast<std::ptrdiff_t>(j));
        snoozesChanged = true;
    }

    if (snoozesChanged) store_.SaveSnoozes();
    if (archived) store_.SaveArchive();
    if (listChanged) {
        store_.Commit(/*sort=*/false);
        host_.RefreshWeekView();
    }
    std::stable_sort(missed_.begin() + static_cast<std::ptrdiff_t>(missedBefore), missed_.end(),
                     [](const MissedAlarm& a, const MissedAlarm& b) { return a.dueAt < b.dueAt; });
}

std::vector<MissedAlarm> Scheduler::TakeMissed() { return std::exchange(missed_, {}); }

std::vector<std::string> Scheduler::MissedLines(const std::vector<MissedAlarm>& missed) const {
    std::vector<std::string> lines;
    for (const MissedAlarm& m : missed) {
        const LocalMoment at = MomentOf(m.dueAt);
        std::string line = ShortDate(locale_, at.day) + " " + LongTime(locale_, at.TimeOfDay()) + "  ";
        if (m.notice) line += "Notifikácia: ";
        lines.push_back(line + m.text);
    }
    return lines;
}

void Scheduler::ShowMissed() {
    Alarm alarm;
    alarm.header = std::string(kMissedHeader);
    alarm.lines = MissedLines(TakeMissed());
    OnScreen([&] { ShowAndAsk(alarm, ShownAlarm{}); });
}

}  // namespace kalvo::scheduler
