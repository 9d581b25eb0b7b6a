#pragma once
// The three-way merge of one reminder: the record both sides last agreed on (the base), the record here
// and the record the server holds now. Fields the alarms move on (the next notice, the mark of a given
// alarm, the year of a yearly record) take the later value and are never a conflict, nor are equal
// changes on both sides. Only a field changed differently on both sides is a conflict: the server's
// value wins, and the version of this computer goes to the archive with "Konflikt: " before its text.

#include <string>

#include "core/reminder.h"

namespace kalvo::sync {

struct Merged {
    TReminder record;
    bool conflict = false;  // a field was changed differently on both sides: the server's value was taken
};

Merged MergeFields(const TReminder& base, const TReminder& local, const TReminder& remote);

// Without a base, for a record paired with an event at a first sync: the server's fields, and of the
// moving ones the later.
TReminder MergeUnbased(const TReminder& local, const TReminder& remote);

// The version of this computer as the archive keeps it after a conflict: "Konflikt: " before its text,
// the text cut to the longest a reminder may have.
TReminder ConflictCopy(TReminder local);

// What the user is told about a conflict, in Slovak.
std::string ConflictNotice(const TReminder& local);

}  // namespace kalvo::sync
