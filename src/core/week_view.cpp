#include "core/week_view.h"

#include <algorithm>

#include "core/reminder_text.h"
#include "core/row_mapping.h"

namespace kalvo {

DayNumber MondayOf(DayNumber day) { return ClampDay(static_cast<std::int64_t>(day) - WeekDayOf(day)); }

int PocPrip(const ReminderList& list, DayNumber day) {
    int count = 0;
    for (const TReminder& r : list)
        if (WeekMembership(r, day) != DayMembership::None) ++count;
    return count;
}

WeekSummary ShowWeek(const ReminderList& list, DayNumber anchor, DayNumber today, const TextLocale& loc) {
    WeekSummary week;
    const std::int64_t monday = MondayOf(anchor);
    for (std::size_t k = 0; k < 7; ++k) week.days[k].date = ClampDay(monday + static_cast<std::int64_t>(k));
    const DayNumber first = week.days.front().date, last = week.days.back().date;
    for (const TReminder& r : list) {
        // A reminder can only belong to days from its next notice to its event; most lie outside the week.
        if (std::max(r.Date, r.NoticeNext) < first || std::min(r.Date, r.NoticeNext) > last) continue;
        for (WeekDayCell& cell : week.days)
            if (WeekMembership(r, cell.date) != DayMembership::None) ++cell.count;
    }
    for (WeekDayCell& cell : week.days) {
        cell.label = DayMonth(loc, cell.date) + " Úlohy: " + std::to_string(cell.count);
        cell.emptyDay = cell.count == 0;
        cell.today = cell.date == today;
    }
    week.month = MonthYear(loc, last);
    return week;
}

std::vector<DayRow> WeekDayRows(const ReminderList& list, DayNumber day, const TextLocale& loc) {
    std::vector<DayRow> rows;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const TReminder& r = list[i];
        const DayMembership m = WeekMembership(r, day);
        if (m == DayMembership::None) continue;
        const bool noticeDay = m == DayMembership::Projected || r.Date != day;
        rows.push_back(DayRow{WeekRowText(r, loc, noticeDay), r.Picture, i});
    }
    return rows;
}

MonthDayListing MonthDayRows(const ReminderList& list, DayNumber day, const TextLocale& loc) {
    MonthDayListing listing;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const TReminder& r = list[i];
        if (ShownInView(r, ReminderView::Month, day)) listing.rows.push_back(DayRow{ListRowText(r, loc), r.Picture, i});
    }
    listing.month = MonthYear(loc, day);
    return listing;
}

}  // namespace kalvo
