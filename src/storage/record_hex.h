#pragma once
// One record as a one-record reminder file written in hex: how the small text files beside the reminder
// file (the snooze file, the sync state and its hints) keep records byte for byte, so that a record is
// recognised in the list exactly, whatever it holds.

#include <optional>
#include <string>
#include <string_view>

#include "core/reminder.h"

namespace kalvo::storage {

// Fails only when the record holds text the code page cannot hold.
std::optional<std::string> RecordToHex(const TReminder& record);
// Nullopt for anything but the hex of exactly one whole record.
std::optional<TReminder> RecordFromHex(std::string_view hex);

}  // namespace kalvo::storage
