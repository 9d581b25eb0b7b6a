#pragma once
// One reminder as the program keeps, shows, fires and stores it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/datetime.h"

namespace kalvo {

enum TRepeatPeriod : std::int32_t {
    rpNone = -1,
    rpDaily = 0,
    rpWeekly = 1,
    rpMonthly = 2,
    rpYearly = 3,
};

enum class TReminderKind { rkReminder, rkNameDay, rkBirthday };

// The 13 fields in the order they are stored on disk. Text is UTF-8 in memory; the files hold
// Windows-1250. The byte flags are kept exactly as read so that files round-trip.
struct TReminder {
    DayNumber Date = 0;
    double Time = 0.0;
    std::string Text;
    std::uint8_t Notice = 0;
    DayNumber NoticeFrom = 0;
    DayNumber NoticeNext = 0;
    std::int32_t Period = rpNone;
    double NoticeTime = -1.0;
    std::string Picture;
    std::string Melody;
    std::uint8_t IsNameDay = 0;
    std::uint8_t IsBirthday = 0;
    std::int32_t NoticeWeekDay = -1;

    bool operator==(const TReminder&) const = default;
};

using ReminderList = std::vector<TReminder>;
using ArchiveList = std::vector<TReminder>;

// The longest text a reminder may be given, in characters (one byte each in the file), the same in the
// editor, over D-Bus and from kalvo-cli. Texts already in a file are kept whatever their length.
inline constexpr std::size_t kMaxTextLength = 1000;

// Characters no new reminder text takes, wherever it comes from: the C0 controls, DEL and the C1
// controls. Texts already in a file keep them, so that a file reads and writes back unchanged.
constexpr bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// Text of the transient reminder that carries the time signal on an empty list; never archived.
inline constexpr std::string_view kTimeSignalText = "Časové znamenie !!!";

// Any non-zero flag byte counts as set; the name-day flag wins over the birthday flag.
TReminderKind KindOf(const TReminder& r);
inline bool IsOrdinary(const TReminder& r) { return KindOf(r) == TReminderKind::rkReminder; }
std::string_view KindCaption(TReminderKind kind);

// Period 0..3 repeats; anything else (rpNone, the editor's blank entry 4, damaged values) does not.
inline bool IsRepeating(std::int32_t period) { return period >= rpDaily && period <= rpYearly; }

// The transient time-signal record for the given day and time of day.
TReminder MakeTimeSignalReminder(DayNumber today, double timeOfDay);

}  // namespace kalvo
