#include "storage/file_snapshot.h"

#include <cerrno>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kalvo::storage {

FileSnapshot::FileSnapshot(FileSnapshot&& other) noexcept { *this = std::move(other); }

FileSnapshot& FileSnapshot::operator=(FileSnapshot&& other) noexcept {
    if (this == &other) return *this;
    Release();
    outcome = other.outcome;
    errorCode = other.errorCode;
    fallback_ = std::move(other.fallback_);
    data_ = other.mapped_ ? other.data_ : fallback_.data();
    size_ = other.size_;
    mapped_ = std::exchange(other.mapped_, 0);
    other.data_ = nullptr;
    other.size_ = 0;
    return *this;
}

FileSnapshot::~FileSnapshot() { Release(); }

void FileSnapshot::Release() {
#ifndef _WIN32
    if (mapped_) ::munmap(data_, mapped_);
#endif
    mapped_ = 0;
    data_ = nullptr;
    size_ = 0;
    fallback_.clear();
}

namespace {

FileSnapshot FromBytes(const FileBytes& read) {
    FileSnapshot s;
    s.outcome = read.outcome;
    s.errorCode = read.errorCode;
    return s;
}

}  // namespace

FileSnapshot SnapshotFile(const std::filesystem::path& path, std::uintmax_t limit) {
    auto slowPath = [&] {
        FileBytes read = ReadFileBytes(path, limit);
        FileSnapshot s = FromBytes(read);
        s.fallback_ = std::move(read.bytes);
        s.data_ = s.fallback_.data();
        s.size_ = s.fallback_.size();
        return s;
    };
#ifdef _WIN32
    return slowPath();
#else
    // Only a regular file has a length to size the buffer by; the rest (and every error) is told by the
    // general reader, exactly as it tells it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return slowPath();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return slowPath();
    // Replaced between the look and the open: the open file is the one to measure.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return slowPath();
    }
    FileSnapshot s;
    const auto length = static_cast<std::uintmax_t>(st.st_size);
    if (length > limit) {
        ::close(fd);
        s.outcome = ReadOutcome::Failed;
        s.errorCode = EFBIG;
        return s;
    }
    // One byte more than the length shows a file that grew meanwhile; it is then read to its end.
    std::size_t capacity = static_cast<std::size_t>(length) + 1;
    std::uint8_t* buffer = nullptr;
    constexpr std::size_t kHuge = 2u << 20;
    if (capacity >= kHuge) {
        // Fresh pages of a large buffer cost a fault each; huge pages make that a handful.
        const std::size_t rounded = (capacity + kHuge - 1) / kHuge * kHuge;
        void* p = ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
#ifdef MADV_HUGEPAGE
            ::madvise(p, rounded, MADV_HUGEPAGE);
#endif
            buffer = static_cast<std::uint8_t*>(p);
            s.mapped_ = rounded;
            capacity = rounded;
        }
    }
    if (!buffer) {
        s.fallback_.resize(capacity);
        buffer = s.fallback_.data();
    }
    s.data_ = buffer;
    std::size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            // The file grew while it was read: continue in a growing buffer, as the general reader does.
            std::vector<std::uint8_t> grown(buffer, buffer + filled);
            grown.resize(capacity * 2);
            if (s.mapped_) ::munmap(s.data_, s.mapped_);
            s.mapped_ = 0;
            s.fallback_ = std::move(grown);
            buffer = s.data_ = s.fallback_.data();
            capacity = s.fallback_.size();
        }
        const ssize_t n = ::read(fd, buffer + filled, capacity - filled);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno != 0 ? errno : EIO;
            ::close(fd);
            s.Release();
            s.outcome = ReadOutcome::Failed;
            s.errorCode = err;
            return s;
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
        if (filled > limit) {
            ::close(fd);
            s.Release();
            s.outcome = ReadOutcome::Failed;
            s.errorCode = EFBIG;
            return s;
        }
    }
    ::close(fd);
    s.size_ = filled;
    if (!s.mapped_) s.fallback_.resize(filled);
    s.data_ = s.mapped_ ? s.data_ : s.fallback_.data();
    s.outcome = ReadOutcome::Ok;
    return s;
#endif
}

}  // namespace kalvo::storage
