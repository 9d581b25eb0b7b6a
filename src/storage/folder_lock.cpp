#include "storage/folder_lock.h"

#include "storage/file_io.h"

#include <atomic>
#include <cerrno>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kalvo::storage {
namespace {

std::atomic<long long> lockWaitMs{kDefaultLockWait.count()};

#ifdef _WIN32
bool TryLock(void* handle) {
    OVERLAPPED at{};
    return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}
#else
bool TryLock(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}
#endif

}  // namespace

fs::path FolderLock::LockFileOf(const fs::path& folder) {
    return (folder.empty() ? fs::path(".") : folder) / ".kalvo.lock";
}

FileLock::FileLock(const fs::path& file, std::chrono::milliseconds wait) {
#ifdef _WIN32
    HANDLE h =
        CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errorCode_ = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
        return;
    }
    handle_ = h;
    auto attempt = [&] { return TryLock(handle_); };
#else
    // Not inherited: a child process must not keep the folder locked after this one ends. A pipe or a
    // device put in the lock file's place must not hold the open.
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd_ < 0) {
        errorCode_ = errno != 0 ? errno : EIO;
        return;
    }
    if (struct stat st{}; ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        errorCode_ = S_ISDIR(st.st_mode) ? EISDIR : kErrorNotRegularFile;
        return;
    }
    auto attempt = [&] { return TryLock(fd_); };
#endif
    const auto until = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (!(held_ = attempt())) {
        if (std::chrono::steady_clock::now() >= until) return;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(20)) pause *= 2;
    }
}

FileLock::~FileLock() {
#ifdef _WIN32
    if (handle_) {
        if (held_) {
            OVERLAPPED at{};
            UnlockFileEx(handle_, 0, 1, 0, &at);
        }
        CloseHandle(handle_);
    }
#else
    // Closing the descriptor releases the lock.
    if (fd_ >= 0) ::close(fd_);
#endif
}

fs::path LockFolderOf(const fs::path& file) {
    const fs::path target = ResolveLinks(file);
    return (target.empty() ? file : target).parent_path();
}

std::chrono::milliseconds LockWait() { return std::chrono::milliseconds(lockWaitMs.load()); }
void SetLockWait(std::chrono::milliseconds wait) { lockWaitMs.store(wait.count()); }

}  // namespace kalvo::storage
