#pragma once
// The reminder file format, shared by the user's file, the archive and exported sets: a version double
// (2.04 written; 2.04 and 2.0 read), an int32 count and the records back to back. An empty list is an
// empty file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/cp1250.h"
#include "core/reminder.h"

namespace kalvo::storage {

inline constexpr double kReminderVersion = 2.04;
inline constexpr double kReminderVersionOld = 2.0;

enum class FileStatus { Ok, Empty, UnknownVersion, Truncated, Corrupt };

// "ok", "empty", "unknown-version", "truncated", "corrupt".
std::string_view StatusName(FileStatus status);

// A file that could not be read completely.
inline bool IsDamaged(FileStatus s) {
    return s == FileStatus::UnknownVersion || s == FileStatus::Truncated || s == FileStatus::Corrupt;
}

struct DecodedReminders {
    std::optional<double> version;
    FileStatus status = FileStatus::Empty;
    ReminderList records;  // everything read before a fault
};

DecodedReminders DecodeReminderFile(std::span<const std::uint8_t> bytes);

struct EncodeFailure {
    std::size_t record = 0;
    std::string field;  // "Text", "Picture" or "Melody"
    Cp1250Error error;
};

// Fails only on text the code page cannot hold.
std::optional<std::vector<std::uint8_t>> EncodeReminderFile(const ReminderList& records,
                                                            EncodeFailure* failure = nullptr);

}  // namespace kalvo::storage
