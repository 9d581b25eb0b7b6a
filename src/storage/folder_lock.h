#pragma once
// An advisory lock on the data folder, held by whoever writes one of the user's files there, so that the
// tray program and kalvo-cli never interleave a read-compare-write. The operating system drops the lock
// when its holder ends, even by a crash, so a lock never outlives its process.
//
// A writer that does not hold the lock does not write: it reports ErrorCode() instead. One folder may be
// shared by several users (a portable copy in a folder they can all write), so the lock file, which
// holds nothing, is made readable by everyone and taken through a descriptor opened for reading where
// writing is refused; a lock file that another user closed to this one (an older Kalvo made it 0600) is
// opened up by its owner's next lock and refuses the others until then.

#include <chrono>
#include <filesystem>

namespace kalvo::storage {

inline constexpr std::chrono::milliseconds kDefaultLockWait{10000};

// An advisory lock on one lock file, created when missing; the folder's lock below and the per-user sync
// lock are both one.
class FileLock {
public:
    // Waits up to `wait` for the lock (0: a single try).
    FileLock(const std::filesystem::path& file, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    explicit operator bool() const { return held_; }
    // Why the lock was not taken, 0 when it is held: an errno of the folder that refused to make the lock
    // file (a read-only folder), kErrorLockRefused for a lock file this user may not open,
    // kErrorNotRegularFile or EISDIR for something else in its place, kErrorLockTimeout after waiting in
    // vain. For DescribeError.
    int ErrorCode() const { return errorCode_; }

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool held_ = false;
    int errorCode_ = 0;
};

class FolderLock : public FileLock {
public:
    FolderLock(const std::filesystem::path& folder, std::chrono::milliseconds wait = kDefaultLockWait)
        : FileLock(LockFileOf(folder), wait) {}

    static std::filesystem::path LockFileOf(const std::filesystem::path& folder);
};

// The folder whose lock guards the writes of `file`: that of the file its symbolic links lead to, so that
// every process writing the same file takes the same lock wherever its link stands.
std::filesystem::path LockFolderOf(const std::filesystem::path& file);

// How long writers wait for the lock (kalvo-cli takes it from KALVO_LOCK_WAIT_MS, tests shorten it).
std::chrono::milliseconds LockWait();
void SetLockWait(std::chrono::milliseconds wait);

}  // namespace kalvo::storage
