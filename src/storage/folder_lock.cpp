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

// Not inherited: a child process must not keep the folder locked after this one ends. A pipe or a device
// put in the lock file's place must not hold the open.
constexpr int kOpenFlags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
constexpr mode_t kLockFileMode = 0644;

// The lock file's descriptor, or -1 with `error` set.
int OpenLockFile(const fs::path& file, int& error) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, kLockFileMode);
        if (fd >= 0) {
            // Whatever the umask: every user who may write the folder must be able to open it.
            static_cast<void>(::fchmod(fd, kLockFileMode));
            return fd;
        }
        if (errno != EEXIST) {
            error = errno != 0 ? errno : EIO;  // the folder refuses a new file: it is read-only to this user
            return -1;
        }
        fd = ::open(file.c_str(), O_RDWR | kOpenFlags);
        // flock works as well through a descriptor opened for reading.
        if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
            fd = ::open(file.c_str(), O_RDONLY | kOpenFlags);
        if (fd >= 0) {
            struct stat st {};
            // An older Kalvo made it for its owner alone; opened up, the folder's other users can lock too.
            if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0044) != 0044)
                static_cast<void>(::fchmod(fd, kLockFileMode));
            return fd;
        }
        if (errno == EACCES || errno == EPERM) {
            error = kErrorLockRefused;
            return -1;
        }
        if (errno != ENOENT) {  // removed meanwhile: made again
            error = errno != 0 ? errno : EIO;
            return -1;
        }
    }
    error = EIO;
    return -1;
}
#endif

}  // namespace

fs::path FolderLock::LockFileOf(const fs::path& folder) {
    return (folder.empty() ? fs::path(".") : folder) / ".kalvo.lock";
}

FileLock::FileLock(const fs::path& file, std::chrono::milliseconds wait) {
#ifdef _WIN32
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        // A lock file that this user may only read (another user's, or a read-only folder): LockFileEx
        // works through a handle opened for reading.
        h = CreateFileW(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            errorCode_ = error == ERROR_ACCESS_DENIED    ? kErrorLockRefused
                         : error == ERROR_FILE_NOT_FOUND ? EACCES  // the folder refused to make it
                                                         : EIO;
            return;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        errorCode_ = GetLastError() == ERROR_WRITE_PROTECT ? EROFS : EIO;
        return;
    }
    handle_ = h;
    auto attempt = [&] { return TryLock(handle_); };
#else
    fd_ = OpenLockFile(file, errorCode_);
    if (fd_ < 0) return;
    if (struct stat st{}; ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        errorCode_ = S_ISDIR(st.st_mode) ? EISDIR : kErrorNotRegularFile;
        return;
    }
    auto attempt = [&] { return TryLock(fd_); };
#endif
    const auto until = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (!(held_ = attempt())) {
        if (std::chrono::steady_clock::now() >= until) {
            errorCode_ = kErrorLockTimeout;
            return;
        }
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
