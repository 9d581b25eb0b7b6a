#pragma once
// Whether two records are the same one: field by field, doubles by their bits, so that a record with a
// NaN from a damaged file is still itself.

#include <bit>
#include <cstdint>

#include "core/reminder.h"

namespace kalvo::scheduler {

inline bool SameRecord(const TReminder& a, const TReminder& b) {
    auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
    return a.Date == b.Date && bits(a.Time) == bits(b.Time) && a.Text == b.Text && a.Notice == b.Notice &&
           a.NoticeFrom == b.NoticeFrom && a.NoticeNext == b.NoticeNext && a.Period == b.Period &&
           bits(a.NoticeTime) == bits(b.NoticeTime) && a.Picture == b.Picture && a.Melody == b.Melody &&
           a.IsNameDay == b.IsNameDay && a.IsBirthday == b.IsBirthday && a.NoticeWeekDay == b.NoticeWeekDay;
}

}  // namespace kalvo::scheduler
