#pragma once
// An advisory lock on the data folder, held by whoever writes one of the user's files there, so that the
// tray program and kalvo-cli never interleave a read-compare-write. The operating system drops the lock
// when its holder ends, even by a crash, so a lock never outlives its process.

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
    // Why the lock was not taken: the folder refused the lock file (an errno), or 0 after waiting in vain.
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
