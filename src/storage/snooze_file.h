#pragma once
// <user>.snooze: the alarms the user has put off, each with the moment it comes back. The reminder file
// keeps its layout and bytes; this small text file beside it is all that a snooze adds, and it exists
// only while something is put off. One line per alarm:
//   YYYY-MM-DD HH:MM:SS <tab> event|notice <tab> the record as a one-record reminder file, in hex
// The record is kept byte for byte, so it is recognised in the list exactly, whatever it holds.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/reminder.h"
#include "storage/file_io.h"

namespace kalvo::storage {

enum class SnoozeKind {
    Event,   // the reminder itself: it stays in the list untouched until the alarm is acknowledged
    Notice,  // an advance notice: the series has moved on, the notice comes back on its own
};

struct PendingSnooze {
    std::int64_t until = 0;  // local moment: day number * 86400 + second of the day
    SnoozeKind kind = SnoozeKind::Event;
    TReminder record;

    bool operator==(const PendingSnooze&) const = default;
};

struct DecodedSnoozes {
    std::vector<PendingSnooze> entries;
    int damagedLines = 0;  // lines that could not be read; they are left out
};

DecodedSnoozes DecodeSnoozes(std::string_view text);
// Fails only when a record holds text the code page cannot hold (it came from the list, so never).
std::optional<std::string> EncodeSnoozes(const std::vector<PendingSnooze>& entries);

// The snoozes after two writers changed them from the same `base`: what one side added or removed is
// added or removed, the rest keeps the order of `mine`, and what `theirs` added comes at the end. A
// reminder that both sides put off anew keeps one snooze, until the later of the two moments.
std::vector<PendingSnooze> MergeSnoozes(const std::vector<PendingSnooze>& base, const std::vector<PendingSnooze>& mine,
                                        const std::vector<PendingSnooze>& theirs);

// "YYYY-MM-DD HH:MM:SS" of a local moment, and back; nullopt for anything else.
std::string FormatSnoozeMoment(std::int64_t moment);
std::optional<std::int64_t> ParseSnoozeMoment(std::string_view text);

struct SnoozeRead {
    ReadOutcome outcome = ReadOutcome::Missing;
    int errorCode = 0;
    DecodedSnoozes decoded;
    std::vector<std::uint8_t> bytes;  // as read
};

SnoozeRead ReadSnoozeFile(const std::filesystem::path& path);
// Replaces the file atomically; an empty list removes it.
WriteResult WriteSnoozeFile(const std::filesystem::path& path, const std::vector<PendingSnooze>& entries,
                            Durability durability = Durability::Flush);

}  // namespace kalvo::storage
