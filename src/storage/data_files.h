#pragma once
// The names of the program's data files in its folder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace kalvo::storage {

// The user name as a file name: characters that could leave the folder or that file systems refuse
// become '_', a name that is empty or only dots becomes "user", and a name that would land on one of the
// program's own files or on a device name gets a trailing '_'.
std::string SafeFileStem(std::string_view userName);

// Where a damaged file is kept before a save replaces it: beside it, "<name>.poskodeny-YYYYMMDD-HHMMSS".
std::filesystem::path DamagedCopyName(const std::filesystem::path& file, const LocalMoment& now);

// Where changes that could not be saved are set aside when the program must end: beside the file,
// "<name>.zachranene-YYYYMMDD-HHMMSS". IsRescueName tells such a name of `file` (a "-N" may follow the
// time, for a second set of the same second).
std::filesystem::path RescueName(const std::filesystem::path& file, const LocalMoment& now);
bool IsRescueName(const std::filesystem::path& file, std::string_view name);

// A copy kept beside `file` earlier ("<name>.poskodeny...") that holds exactly `bytes`: the same damage
// found again at a later start is neither copied nor told a second time.
std::optional<std::filesystem::path> KeptDamagedCopy(const std::filesystem::path& file,
                                                     std::span<const std::uint8_t> bytes);

struct DataFiles {
    std::filesystem::path folder;
    std::string user;  // the logged-on user's name, as shown in messages

    std::filesystem::path UserFile() const;        // <user>.dat
    std::filesystem::path ArchiveFile() const;     // <user>_old.dat
    std::filesystem::path LegacyFile() const;      // memo.dat, shared by all users of the old version
    std::filesystem::path LegacyBackup() const;    // memo_bak.kvl
    std::filesystem::path SetupFile() const;       // setup.dat
    std::filesystem::path ExtraSetupFile() const;  // setup.ini: the settings setup.dat has no room for
    std::filesystem::path SnoozeFile() const;      // <user>.snooze: alarms put off for a while
    // Calendar sync, only once an account exists.
    std::filesystem::path SyncAccountFile() const;  // <user>.sync.ini: the account; its presence turns sync on
    std::filesystem::path SyncStateFile() const;    // <user>.sync: what the last sync agreed on with the server
    std::filesystem::path SyncHintsFile() const;    // <user>.sync.hints: where changed records went since then
    std::filesystem::path SyncLockFile() const;     // <user>.sync.lock: one sync of the user's files at a time
};

}  // namespace kalvo::storage
