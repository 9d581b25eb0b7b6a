#pragma once
// Reminders in test failures as their fields, not as bytes.

#include <iomanip>
#include <ostream>
#include <string>

#include "core/reminder.h"

namespace kalvo {

inline void PrintTo(const TReminder& r, std::ostream* os) {
    std::string text;
    for (char c : r.Text) text += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    *os << std::setprecision(17) << "{Date " << r.Date << ", Time " << r.Time << ", Text \"" << text << "\", Notice "
        << int{r.Notice} << ", From " << r.NoticeFrom << ", Next " << r.NoticeNext << ", Period " << r.Period
        << ", NoticeTime " << r.NoticeTime << ", Picture \"" << r.Picture << "\", Melody \"" << r.Melody
        << "\", NameDay " << int{r.IsNameDay} << ", Birthday " << int{r.IsBirthday} << ", WeekDay " << r.NoticeWeekDay
        << "}";
}

}  // namespace kalvo
