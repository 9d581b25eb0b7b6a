#pragma once
// setup.dat: version 2.1 written; 2.1 and 2.04 read. The load applies every field it reads, in file
// order, and stops at the first one the file does not hold completely.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "core/settings.h"
#include "storage/file_io.h"

namespace kalvo::storage {

inline constexpr double kSettingsVersion = 2.1;
inline constexpr double kSettingsVersionOld = 2.04;

enum class SettingsStatus { Ok, Missing, UnknownVersion, Truncated, Corrupt };

// "ok", "missing", "unknown-version", "truncated", "corrupt".
std::string_view StatusName(SettingsStatus status);

struct SettingsLoad {
    SettingsStatus status = SettingsStatus::Missing;
    std::optional<double> version;
    int readError = 0;  // the file is there but could not be read (status stays Missing)
};

inline bool IsDamaged(SettingsStatus s) {
    return s == SettingsStatus::UnknownVersion || s == SettingsStatus::Truncated || s == SettingsStatus::Corrupt;
}

// Load steps on file contents: the melody and the time signal are reset first, then the fields read are
// applied over `settings`.
SettingsLoad DecodeSettings(std::span<const std::uint8_t> bytes, TSettings& settings);

// Fails only on text the code page cannot hold.
std::optional<std::vector<std::uint8_t>> EncodeSettings(const TSettings& settings);

// OpenSetup: a missing or unreadable file keeps the defaults (after the reset of the melody and signal).
SettingsLoad OpenSetup(const std::filesystem::path& file, TSettings& settings);

// A file OpenSetup could not read whole holds settings the program does not know: it is copied to
// `copy` before anything replaces it. Until a copy succeeds (SaveSetup tries again first), SaveSetup
// refuses to overwrite it with kErrorDamagedNotKept. Nothing to do for a sound file.
WriteResult KeepDamagedSetup(const std::filesystem::path& file, const std::filesystem::path& copy);

// SaveSetup, replacing the file atomically under the folder's lock. When another process has changed
// the file since this one last read or wrote it, the fields changed here are laid over the other's and
// `settings` becomes the record written. errorCode 0 with ok false means text the code page cannot hold.
WriteResult SaveSetup(const std::filesystem::path& file, TSettings& settings);

// Field by field: what `mine` changed against `base`, else what `theirs` holds.
TSettings MergeSettings(const TSettings& base, const TSettings& mine, const TSettings& theirs);

}  // namespace kalvo::storage
