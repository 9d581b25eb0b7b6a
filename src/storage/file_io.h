#pragma once
// Whole-file reading and crash-safe writing. A file is written to a temporary file in the same folder,
// flushed to the disk and renamed over the target, so a crash or a full disk leaves either the old file
// or the new one, never a mixture.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalvo::storage {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

enum class ReadOutcome { Ok, Missing, Failed };

struct FileBytes {
    ReadOutcome outcome = ReadOutcome::Missing;
    std::vector<std::uint8_t> bytes;
    int errorCode = 0;
};

// Refuses files larger than `limit` (none of the program's files comes near it) by their size, before
// reading, and anything that is not a regular file (a folder, a pipe, a device) at once: opening never
// waits for a writer that may never come.
FileBytes ReadFileBytes(const std::filesystem::path& path, std::uintmax_t limit = 512u * 1024u * 1024u);

// At most the first `count` bytes of a regular file, with the same checks: to recognise its kind.
FileBytes ReadFileStart(const std::filesystem::path& path, std::size_t count);

// The file `path` finally names, its symbolic links followed (relative ones from the link's folder);
// `path` itself when it is no link. A circle of links gives an empty path.
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

struct WriteResult {
    bool ok = true;
    int errorCode = 0;
    explicit operator bool() const { return ok; }
};

enum class Durability { Flush, NoFlush };

// Who may read a file that a write creates. A file that exists keeps its permissions, and its owner and
// group as far as the system lets this process give them back. (Permissions apply on POSIX systems; on
// Windows a new file takes those of its folder.)
enum class NewFileAccess {
    Private,   // the user alone (0600): reminders, archives, snoozes
    Folder,    // also everyone who may write the folder, a portable copy shared by several users: settings
    Ordinary,  // what the umask lets any program's new file have: exports and files made for elsewhere
};

// A symbolic link stays: its final target is replaced, from a temporary file in the target's folder.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                Durability durability = Durability::Flush,
                                NewFileAccess access = NewFileAccess::Private);

// Renames without replacing: fails when `to` exists.
WriteResult RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// A new copy gets the permissions of `from`.
WriteResult CopyFileBytes(const std::filesystem::path& from, const std::filesystem::path& to);

bool FileExists(const std::filesystem::path& path);

// Removes the temporary files that interrupted writes of `target` (or of its link's target) left beside it.
void RemoveStaleTemporaries(const std::filesystem::path& target);

// Not an operating-system code: another Kalvo process held the data folder's lock too long.
inline constexpr int kErrorLockTimeout = -11;
// Not an operating-system code: a pipe, a device or a socket stands where a file is expected.
inline constexpr int kErrorNotRegularFile = -12;
// Not an operating-system code: a damaged file could not be copied aside, so it is not replaced.
inline constexpr int kErrorDamagedNotKept = -13;
// Not an operating-system code: the data folder's lock file belongs to another user who has not let
// this one open it, so nothing is written without the lock.
inline constexpr int kErrorLockRefused = -14;

// A short Slovak description of an operating-system error code.
std::string DescribeError(int errorCode);

// For tests only: every following WriteFileAtomically fails with `errorCode` (a full disk, say) after
// part of the temporary file has been written. 0 ends it.
void InjectWriteFailureForTests(int errorCode);

}  // namespace kalvo::storage
