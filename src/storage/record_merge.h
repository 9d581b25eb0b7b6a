#pragma once
// Three-way merge of a reminder list by record content: what this process read (`base`), what it wants
// to write (`mine`) and what another process has written meanwhile (`theirs`). Records compare by all
// their fields, as multisets, so an edit is the removal of the old record and the addition of the new.

#include "core/reminder.h"

namespace kalvo::storage {

// `theirs` in its order, without the records this process removed and followed by the ones it added
// (an archive stays in the order of archiving). Nothing either side added is lost; a record both sides
// removed stays removed.
ReminderList MergeRecords(const ReminderList& base, const ReminderList& mine, const ReminderList& theirs);

// MergeRecords for a list set aside when it could not be saved (`mine`, changed from `base`) and taken
// back into `current` later: no record ends up more often than `mine` or `current` holds it, so a set
// taken back twice, or changes that reached the file after all, double nothing.
ReminderList MergeRescued(const ReminderList& base, const ReminderList& mine, const ReminderList& current);

}  // namespace kalvo::storage
