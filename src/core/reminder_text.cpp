#include "core/reminder_text.h"

#include <cmath>

namespace kalvo {

std::string_view PeriodSuffix(std::int32_t period) {
    switch (period) {
        case rpDaily:
            return " (denne)";
        case rpWeekly:
            return " (týždenne)";
        case rpMonthly:
            return " (mesačne)";
        case rpYearly:
            return " (ročne)";
        default:
            return {};
    }
}

std::string ListRowText(const TReminder& r, const TextLocale& loc) {
    return ShortDate(loc, r.Date) + " o " + LongTime(loc, r.Time) + " -" + r.Text;
}

std::string NameDayRowText(const TReminder& r, const TextLocale& loc) {
    std::string row = KindOf(r) == TReminderKind::rkNameDay ? "Meniny :: " : "Narodeniny :: ";
    return row + ShortDate(loc, r.NoticeFrom) + " o " + LongTime(loc, r.NoticeTime) + " -" + r.Text;
}

std::string WeekRowText(const TReminder& r, const TextLocale& loc, bool noticeDay) {
    std::string row = noticeDay ? "#" : "";
    row += ShortDate(loc, r.Date) + " o " + LongTime(loc, r.Time);
    row += PeriodSuffix(r.Period);
    return row + " -" + r.Text;
}

std::string OverviewRowText(const TReminder& r, const TextLocale& loc) {
    return ShortDate(loc, r.Date) + "   " + LongTime(loc, r.Time) + " - " + r.Text;
}

std::string ArchiveRowText(const TReminder& r, const TextLocale& loc) {
    std::string_view marker = " :: Pripomienka - ";
    if (r.IsNameDay != 0 && r.IsBirthday != 0) marker = " :: Neznáme :: CHYBA - ";
    else if (r.IsNameDay != 0) marker = " :: Meniny - ";
    else if (r.IsBirthday != 0) marker = " :: Narodeniny - ";
    return ShortDate(loc, r.Date) + "   " + LongTime(loc, r.Time) + std::string(marker) + r.Text;
}

LoadedRows BuildLoadedRows(const ReminderList& list) {
    LoadedRows rows;
    for (std::size_t i = 0; i < list.size(); ++i)
        (IsOrdinary(list[i]) ? rows.mainRecords : rows.nameDayRecords).push_back(i);
    return rows;
}

ReminderDetails DescribeReminder(const TReminder& r, const TextLocale& loc) {
    ReminderDetails d;
    d.kind = std::string(KindCaption(KindOf(r)));
    d.dateTime = ShortDate(loc, r.Date) + " - " + ClockText(loc, r.Time);
    d.text = r.Text;
    d.notice = r.Notice == 1;
    if (d.notice) {
        if (r.NoticeFrom != 0) d.noticeLine = DayMonthYear(loc, r.NoticeFrom);
        d.noticeLine += PeriodSuffix(r.Period);
        if (r.NoticeTime != 0) {
            d.extraAlarmLine = ClockText(loc, std::fabs(r.NoticeTime));
            // A finished series (NoticeNext 0) has no next notice to name.
            if (r.Period != rpNone && r.NoticeNext != 0) d.extraAlarmLine += " " + NextNoticeText(loc, r.NoticeNext);
        }
    }
    d.picture = r.Picture.empty() ? "Standardný" : r.Picture;
    d.melody = r.Melody.empty() ? "Standardná" : r.Melody;
    return d;
}

}  // namespace kalvo
