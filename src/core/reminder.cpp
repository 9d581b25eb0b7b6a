#include "core/reminder.h"

namespace kalvo {

TReminderKind KindOf(const TReminder& r) {
    if (r.IsNameDay != 0) return TReminderKind::rkNameDay;
    if (r.IsBirthday != 0) return TReminderKind::rkBirthday;
    return TReminderKind::rkReminder;
}

std::string_view KindCaption(TReminderKind kind) {
    switch (kind) {
        case TReminderKind::rkNameDay:
            return "Meniny";
        case TReminderKind::rkBirthday:
            return "Narodeniny";
        case TReminderKind::rkReminder:
            break;
    }
    return "Pripomienka";
}

TReminder MakeTimeSignalReminder(DayNumber today, double timeOfDay) {
    TReminder r;
    r.Date = today;
    r.Time = timeOfDay;
    r.Text = std::string(kTimeSignalText);
    return r;
}

}  // namespace kalvo
