#pragma once
// A reminder as a script asks for it (kalvo-cli add, the D-Bus interface): texts to be checked and
// turned into a record exactly as the editor would make it, and a day's reminders as plain texts.

#include <optional>
#include <string>
#include <vector>

#include "core/reminder.h"

namespace kalvo {

struct ReminderRequest {
    std::string date;  // "D.M.YYYY"
    std::string time;  // "H:MM" or "H:MM:SS"
    std::string text;
    // The advance notice; none when noticeFrom is empty.
    std::string noticeFrom;  // "D.M.YYYY", not after the date
    std::string period;      // "denne" (default), "týždenne", "mesačne", "ročne" or "bez opakovania"
    std::string noticeTime;  // the notices' time of day, default the reminder's own time
    std::string weekDay;     // for "týždenne": "pondelok" ... "nedeľa"
};

struct BuiltReminder {
    std::optional<TReminder> reminder;
    std::string error;  // Slovak, for the user, when there is no reminder
};

BuiltReminder BuildReminder(const ReminderRequest& request);

std::optional<DayNumber> ParseDayText(const std::string& text);  // "D.M.YYYY", years 1900..9999
// Why ParseDayText refused `text`, in Slovak: a day the calendar does not have (29.2.2027), or the wrong
// form; `what` names the value ("dátum").
std::string DayTextError(const std::string& text, const std::string& what = "dátum");
std::optional<double> ParseTimeText(const std::string& text);  // "H:MM" or "H:MM:SS"

// The reminders a script names by their date, time and text (kalvo-cli delete, the D-Bus interface), as
// indices in list order. "H:MM" names every second of that minute, "H:MM:SS" that second alone; the text
// must be equal to the letter. `error` (Slovak) when the date or time cannot be read.
struct ReminderLookup {
    std::vector<std::size_t> indices;
    std::string error;
};

ReminderLookup FindReminders(const ReminderList& list, const std::string& date, const std::string& time,
                             const std::string& text);

// One reminder of a day as the D-Bus interface and kalvo-cli list --day give it.
struct DayEntry {
    std::string date;  // d.M.yyyy
    std::string time;  // H:mm:ss
    std::string text;
    std::string kind;  // "reminder", "nameday", "birthday"
    bool notice = false;
    std::string noticeFrom;  // empty without a notice
    std::string period;      // the words of ReminderRequest, empty without a notice
    std::string noticeTime;
};

// The reminders whose date is `day`, in list order.
std::vector<DayEntry> DayEntries(const ReminderList& list, DayNumber day);

}  // namespace kalvo
