#include "storage/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <chrono>
#include <thread>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kalvo::storage {

fs::path PathFromUtf8(std::string_view utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string Utf8FromPath(const fs::path& path) {
    const std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

namespace {

std::atomic<int> injectedFailure{0};

std::FILE* OpenFile(const fs::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

int LastError() { return errno != 0 ? errno : EIO; }

std::string TempSibling(const fs::path& target) {
    static std::mt19937_64 rng{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(rng()));
    return Utf8FromPath(target.filename()) + ".tmp" + suffix;
}

bool FlushToDisk(std::FILE* f) {
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return ::fsync(fileno(f)) == 0;
#endif
}

void SyncFolder([[maybe_unused]] const fs::path& folder) {
#ifndef _WIN32
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

#ifdef _WIN32
int ErrnoFromSystem(DWORD error) {
    switch (error) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EACCES;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        default: return EIO;
    }
}
#endif

// 0 when `from` has replaced `to`, else the error.
int ReplaceFile(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    // A virus scanner or the search indexer may hold the old file for a moment; wait a little for it.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
        const DWORD error = GetLastError();
        if (attempt == 10 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return ErrnoFromSystem(error);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
#else
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : LastError();
#endif
}

}  // namespace

FileBytes ReadFileBytes(const fs::path& path, std::uintmax_t limit) {
    FileBytes result;
    errno = 0;
    std::FILE* f = OpenFile(path, false);
    if (!f) {
        const int err = LastError();
        std::error_code ec;
        result.outcome = (err == ENOENT && !fs::exists(path, ec)) ? ReadOutcome::Missing : ReadOutcome::Failed;
        result.errorCode = err;
        return result;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (bytes.size() > limit) {
            std::fclose(f);
            result.outcome = ReadOutcome::Failed;
            result.errorCode = EFBIG;
            return result;
        }
        if (n < sizeof buffer) break;
    }
    const bool failed = std::ferror(f) != 0;
    const int err = LastError();
    std::fclose(f);
    if (failed) {
        result.outcome = ReadOutcome::Failed;
        result.errorCode = err;
        return result;
    }
    result.outcome = ReadOutcome::Ok;
    result.bytes = std::move(bytes);
    return result;
}

WriteResult WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes, Durability durability) {
    const fs::path folder = path.parent_path();
    const fs::path temp = folder / PathFromUtf8(TempSibling(path));
    const int injected = injectedFailure.load();
    errno = 0;
    std::FILE* f = OpenFile(temp, true);
    if (!f) return WriteResult{false, LastError()};
    bool ok;
    int err = 0;
    if (injected != 0) {
        static_cast<void>(std::fwrite(bytes.data(), 1, bytes.size() / 2, f));
        ok = false;
        err = injected;
    } else {
        ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        ok = ok && std::fflush(f) == 0;
        if (ok && durability == Durability::Flush) ok = FlushToDisk(f);
        err = ok ? 0 : LastError();
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = LastError();
    }
    if (ok) {
        err = ReplaceFile(temp, path);
        ok = err == 0;
    }
    if (!ok) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return WriteResult{false, err};
    }
    if (durability == Durability::Flush) SyncFolder(folder);
    return WriteResult{};
}

WriteResult RenameNoReplace(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::exists(to, ec) || ec) return WriteResult{false, EEXIST};
#ifdef _WIN32
    if (!MoveFileW(from.c_str(), to.c_str())) {
        const DWORD error = GetLastError();
        return WriteResult{false, error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST
                                                                                             : ErrnoFromSystem(error)};
    }
#else
    // link + unlink never replaces an existing target, even if one appears meanwhile.
    if (::link(from.c_str(), to.c_str()) != 0) {
        if (errno == EEXIST) return WriteResult{false, EEXIST};
        // File systems without hard links: plain rename after the existence check above.
        if (std::rename(from.c_str(), to.c_str()) != 0) return WriteResult{false, LastError()};
        return WriteResult{};
    }
    ::unlink(from.c_str());
    SyncFolder(to.parent_path());
#endif
    return WriteResult{};
}

WriteResult CopyFileBytes(const fs::path& from, const fs::path& to) {
    const FileBytes source = ReadFileBytes(from);
    if (source.outcome != ReadOutcome::Ok) return WriteResult{false, source.errorCode};
    return WriteFileAtomically(to, source.bytes);
}

void RemoveStaleTemporaries(const fs::path& target) {
    const std::string prefix = Utf8FromPath(target.filename()) + ".tmp.";
    std::error_code ec;
    for (fs::directory_iterator it(target.parent_path().empty() ? fs::path(".") : target.parent_path(), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8FromPath(it->path().filename());
        // Exactly the names TempSibling makes: the prefix and sixteen hexadecimal digits.
        if (name.size() != prefix.size() + 16 || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (name.find_first_not_of("0123456789abcdef", prefix.size()) != std::string::npos) continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

bool FileExists(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string DescribeError(int errorCode) {
    switch (errorCode) {
        case ENOSPC: return "na disku nie je dosť miesta";
#ifdef EDQUOT
        case EDQUOT: return "bola prekročená disková kvóta";
#endif
        case EACCES:
        case EPERM: return "prístup bol odmietnutý";
        case EROFS: return "priečinok je len na čítanie";
        case ENOENT: return "súbor alebo priečinok neexistuje";
        case EEXIST: return "súbor už existuje";
        case EISDIR: return "na mieste súboru je priečinok";
        case EFBIG: return "súbor je príliš veľký";
        case EIO: return "chyba pri čítaní alebo zápise na disk";
        case kErrorLockTimeout: return "do priečinka práve zapisuje iný program Kalvo a neskončil ani po chvíli čakania";
        default: return "systémová chyba " + std::to_string(errorCode);
    }
}

void InjectWriteFailureForTests(int errorCode) { injectedFailure.store(errorCode); }

}  // namespace kalvo::storage
