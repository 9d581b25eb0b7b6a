#include "core/same_reminder.h"

#include <bit>
#include <cstdint>

namespace kalvo {

bool SameRecord(const TReminder& a, const TReminder& b, ChangedByScheduler changed) {
    auto same = [](double x, double y) { return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y); };
    // Naming every field makes this stop compiling when TReminder gains one, until it is compared here.
    const auto& [date, time, text, notice, noticeFrom, noticeNext, period, noticeTime, picture, melody, nameDay,
                 birthday, weekDay] = a;
    return (changed.date || date == b.Date) && same(time, b.Time) && text == b.Text && notice == b.Notice &&
           noticeFrom == b.NoticeFrom && (changed.notices || noticeNext == b.NoticeNext) && period == b.Period &&
           (changed.notices || same(noticeTime, b.NoticeTime)) && picture == b.Picture && melody == b.Melody &&
           nameDay == b.IsNameDay && birthday == b.IsBirthday && weekDay == b.NoticeWeekDay;
}

}  // namespace kalvo
