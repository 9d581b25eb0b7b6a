#include "storage/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <chrono>
#include <thread>
#else
#include <fcntl.h>
#include <sys/stat.h>
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

#ifdef _WIN32
std::FILE* OpenFile(const fs::path& path, bool write) { return _wfopen(path.c_str(), write ? L"wb" : L"rb"); }

std::FILE* CreateTemporary(const fs::path& temp, const fs::path&, NewFileAccess) { return OpenFile(temp, true); }
#else
// The permissions a new `target` gets: see NewFileAccess.
mode_t NewFileMode(const fs::path& target, NewFileAccess access) {
    if (access != NewFileAccess::Folder) return 0600;
    struct stat folder {};
    if (::stat(target.parent_path().empty() ? "." : target.parent_path().c_str(), &folder) != 0) return 0600;
    return 0600 | ((folder.st_mode & S_IWGRP) ? 0060 : 0) | ((folder.st_mode & S_IWOTH) ? 0006 : 0);
}

// The temporary file that will replace `target`, with the permissions, owner and group `target` has
// (when it exists) or should get.
std::FILE* CreateTemporary(const fs::path& temp, const fs::path& target, NewFileAccess access) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                          access == NewFileAccess::Ordinary ? 0666 : 0600);
    if (fd < 0) return nullptr;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Another user's file, written by root or by a member of its group: given back as far as allowed.
        // Where neither owner and group nor the group alone may be given, the file stays this user's.
        const bool own = old.st_uid == ::geteuid() && old.st_gid == ::getegid();
        const bool given = own || ::fchown(fd, old.st_uid, old.st_gid) == 0;
        if (!given && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) errno = 0;
        static_cast<void>(::fchmod(fd, old.st_mode & 0777));
    } else if (access != NewFileAccess::Ordinary) {
        static_cast<void>(::fchmod(fd, NewFileMode(target, access)));  // whatever the umask
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        errno = error;
    }
    return f;
}
#endif

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
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        default:
            return EIO;
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

namespace {

int ErrnoOf(const std::error_code& ec) {
    const std::error_condition c = ec.default_error_condition();
    return c.category() == std::generic_category() && c.value() != 0 ? c.value() : EIO;
}

FileBytes Refused(ReadOutcome outcome, int errorCode) {
    FileBytes result;
    result.outcome = outcome;
    result.errorCode = errorCode;
    return result;
}

// The type and size are asked before anything is opened: a pipe would hold open() until a writer came,
// a device would be read without end.
std::optional<FileBytes> RefusedByKind(const fs::path& path, std::uintmax_t limit) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return Refused(ReadOutcome::Missing, ENOENT);
    if (ec) return Refused(ReadOutcome::Failed, ErrnoOf(ec));
    if (status.type() == fs::file_type::directory) return Refused(ReadOutcome::Failed, EISDIR);
    if (status.type() != fs::file_type::regular) return Refused(ReadOutcome::Failed, kErrorNotRegularFile);
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return Refused(ReadOutcome::Failed, ErrnoOf(ec));
    if (size > limit) return Refused(ReadOutcome::Failed, EFBIG);
    return std::nullopt;
}

// Reads at most `most` bytes; a file that is larger than `limit` by now is refused.
FileBytes ReadChecked(const fs::path& path, std::uintmax_t limit, std::uintmax_t most) {
    if (auto refused = RefusedByKind(path, limit)) return std::move(*refused);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    int err = 0;
#ifdef _WIN32
    errno = 0;
    std::FILE* f = OpenFile(path, false);
    if (!f) {
        err = LastError();
        return Refused(err == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed, err);
    }
    while (bytes.size() < most) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(sizeof buffer, most - bytes.size()));
        const std::size_t n = std::fread(buffer, 1, want, f);
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (n < want) break;
    }
    if (std::ferror(f) != 0) err = LastError();
    std::fclose(f);
#else
    // Non-blocking as well, for whatever took the file's place since it was looked at.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        err = LastError();
        return Refused(err == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed, err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) err = LastError();
    else if (S_ISDIR(st.st_mode)) err = EISDIR;
    else if (!S_ISREG(st.st_mode)) err = kErrorNotRegularFile;
    else if (static_cast<std::uintmax_t>(st.st_size) > limit) err = EFBIG;
    else
        bytes.reserve(
            static_cast<std::size_t>(std::min<std::uintmax_t>(static_cast<std::uintmax_t>(st.st_size), most)));
    while (err == 0 && bytes.size() < most) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(sizeof buffer, most - bytes.size()));
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno != EINTR) err = LastError();
            continue;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
#endif
    if (err == 0 && bytes.size() > limit) err = EFBIG;
    if (err != 0) return Refused(ReadOutcome::Failed, err);
    FileBytes result;
    result.outcome = ReadOutcome::Ok;
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace

FileBytes ReadFileBytes(const fs::path& path, std::uintmax_t limit) {
    // One byte past the limit tells a file that grew beyond it after it was looked at.
    return ReadChecked(path, limit, limit == std::numeric_limits<std::uintmax_t>::max() ? limit : limit + 1);
}

FileBytes ReadFileStart(const fs::path& path, std::size_t count) {
    return ReadChecked(path, std::numeric_limits<std::uintmax_t>::max(), count);
}

fs::path ResolveLinks(const fs::path& path) {
    fs::path at = path;
    // As many as the system itself follows.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec)) || ec) return at;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec) return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return {};
}

WriteResult WriteFileAtomically(const fs::path& named, std::span<const std::uint8_t> bytes, Durability durability,
                                NewFileAccess access) {
    // Replacing a link by a plain file would cut it from where it leads (a synchronised folder, say).
    const fs::path path = ResolveLinks(named);
    if (path.empty()) return WriteResult{false, static_cast<int>(std::errc::too_many_symbolic_link_levels)};
    const fs::path folder = path.parent_path();
    const fs::path temp = folder / PathFromUtf8(TempSibling(path));
    const int injected = injectedFailure.load();
    errno = 0;
    std::FILE* f = CreateTemporary(temp, path, access);
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
        return WriteResult{
            false, error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : ErrnoFromSystem(error)};
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
    const bool fresh = !FileExists(to);
    const WriteResult written = WriteFileAtomically(to, source.bytes);
    std::error_code ec;
    if (const fs::perms perms = fs::status(from, ec).permissions(); written && fresh && !ec)
        fs::permissions(to, perms, ec);
    return written;
}

void RemoveStaleTemporaries(const fs::path& named) {
    const fs::path target = ResolveLinks(named);
    if (target.empty()) return;
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
        case ENOSPC:
            return "na disku nie je dosť miesta";
#ifdef EDQUOT
        case EDQUOT:
            return "bola prekročená disková kvóta";
#endif
        case EACCES:
        case EPERM:
            return "prístup bol odmietnutý";
        case EROFS:
            return "priečinok je len na čítanie";
        case ENOENT:
            return "súbor alebo priečinok neexistuje";
        case EEXIST:
            return "súbor už existuje";
        case EISDIR:
            return "na mieste súboru je priečinok";
        case EFBIG:
            return "súbor je príliš veľký";
        case kErrorDamagedNotKept:
            return "pôvodný súbor, ktorý sa nedal prečítať celý, sa nepodarilo uschovať; kým sa to nepodarí, neprepíše sa";
        case kErrorNotRegularFile:
            return "na mieste súboru je zariadenie, rúra alebo iný zvláštny súbor";
        case static_cast<int>(std::errc::too_many_symbolic_link_levels):
            return "odkazy na súbor vedú dookola";
        case EIO:
            return "chyba pri čítaní alebo zápise na disk";
        case kErrorLockRefused:
            return "zámok priečinka .kalvo.lock vytvoril iný používateľ a nedá sa otvoriť, preto sa bez neho "
                   "nezapisuje; sprístupní ho Kalvo tohto používateľa pri najbližšom spustení";
        case kErrorLockTimeout:
            return "do priečinka práve zapisuje iný program Kalvo a neskončil ani po chvíli čakania";
        default:
            return "systémová chyba " + std::to_string(errorCode);
    }
}

void InjectWriteFailureForTests(int errorCode) { injectedFailure.store(errorCode); }

}  // namespace kalvo::storage
