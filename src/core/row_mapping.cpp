#include "core/row_mapping.h"

#include "core/due.h"

namespace kalvo {

DayMembership WeekMembership(const TReminder& r, DayNumber day) {
    if (IsOrdinary(r) && (r.Date == day || r.NoticeNext == day)) return DayMembership::Direct;
    if (r.NoticeNext < day && day < r.Date && NoticeFallsOn(r, day)) return DayMembership::Projected;
    return DayMembership::None;
}

bool ShownInView(const TReminder& r, ReminderView view, DayNumber day) {
    switch (view) {
        case ReminderView::List:
            return IsOrdinary(r);
        case ReminderView::Month:
            return IsOrdinary(r) && (r.Date == day || r.NoticeNext == day);
        case ReminderView::Week:
            return WeekMembership(r, day) != DayMembership::None;
    }
    return false;
}

int RowToRecord(const ReminderList& list, ReminderView view, DayNumber day, int row) {
    if (row < 0) return -1;
    int counter = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (ShownInView(list[i], view, day) && ++counter == row) return static_cast<int>(i);
    }
    return -1;
}

int NameDayRowToRecord(const ReminderList& list, int row) {
    if (row < 0) return -1;
    int counter = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!IsOrdinary(list[i]) && ++counter == row) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace kalvo
