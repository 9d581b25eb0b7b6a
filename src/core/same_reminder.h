#pragma once
// Whether two records are the same reminder. Doubles are compared by their bits, so that a record with a
// NaN from a damaged file is still itself. The windows that change a reminder find it again after the
// scheduler may have worked on it, so they leave out the fields the scheduler writes.

#include "core/reminder.h"

namespace kalvo {

// The fields the scheduler may have changed since a window read the record.
struct ChangedByScheduler {
    bool notices = false;  // NoticeNext moves on and NoticeTime turns negative as notices are given
    bool date = false;     // a name day or birthday moves to the next year
};

// Every field the same, except those `changed` leaves out.
bool SameRecord(const TReminder& a, const TReminder& b, ChangedByScheduler changed = {});

// The reminder an editor was opened on, whatever the scheduler has since done to its notices.
inline bool SameEditedReminder(const TReminder& a, const TReminder& b) { return SameRecord(a, b, {.notices = true}); }

// The name day or birthday an editor was opened on, also after it moved to the next year.
inline bool SameEditedEntry(const TReminder& a, const TReminder& b) {
    return SameRecord(a, b, {.notices = true, .date = true});
}

}  // namespace kalvo
