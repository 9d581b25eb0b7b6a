#include "storage/data_files.h"

#include <algorithm>
#include <cstdio>

#include "core/datetime.h"
#include "storage/file_io.h"

namespace kalvo::storage {

std::string SafeFileStem(std::string_view userName) {
    std::string stem;
    for (char ch : userName) {
        const auto b = static_cast<unsigned char>(ch);
        const bool unsafe = b < 0x20 || b == 0x7F || ch == '/' || ch == '\\' || ch == ':' || ch == '*' || ch == '?' ||
                            ch == '"' || ch == '<' || ch == '>' || ch == '|';
        stem += unsafe ? '_' : ch;
    }
    if (stem.find_first_not_of('.') == std::string::npos) return "user";
    // Trailing dots and blanks vanish from Windows file names and would merge two users' files.
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' ')) stem.back() = '_';
    // A user called "setup" or "calend" must not overwrite the program's own files, nor "nul" reach a device.
    std::string lower;
    for (char ch : stem) lower += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    static constexpr std::string_view kReserved[] = {"setup", "calend", "memo", "con", "prn", "aux", "nul"};
    bool reserved = false;
    for (std::string_view r : kReserved) reserved = reserved || lower == r;
    if (lower.size() == 4 && (lower.starts_with("com") || lower.starts_with("lpt")) && lower[3] >= '0' &&
        lower[3] <= '9')
        reserved = true;
    if (reserved) stem += '_';
    return stem;
}

namespace {

constexpr std::string_view kRescueTag = ".zachranene-";

// "<name><tag>YYYYMMDD-HHMMSS" beside `file`.
std::filesystem::path StampedSibling(const std::filesystem::path& file, std::string_view tag, const LocalMoment& now) {
    const CivilDate c = DayToCivil(now.day);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04lld%02d%02d-%02d%02d%02d", static_cast<long long>(c.year), c.month, c.day,
                  now.hour, now.minute, now.second);
    return file.parent_path() / PathFromUtf8(Utf8FromPath(file.filename()) + std::string(tag) + stamp);
}

bool AllDigits(std::string_view s) { return s.find_first_not_of("0123456789") == std::string_view::npos; }

}  // namespace

std::filesystem::path DamagedCopyName(const std::filesystem::path& file, const LocalMoment& now) {
    return StampedSibling(file, ".poskodeny-", now);
}

std::filesystem::path RescueName(const std::filesystem::path& file, const LocalMoment& now) {
    return StampedSibling(file, kRescueTag, now);
}

bool IsRescueName(const std::filesystem::path& file, std::string_view name) {
    const std::string prefix = Utf8FromPath(file.filename()) + std::string(kRescueTag);
    if (!name.starts_with(prefix)) return false;
    const std::string_view stamp = name.substr(prefix.size());
    if (stamp.size() < 15 || stamp[8] != '-' || !AllDigits(stamp.substr(0, 8)) || !AllDigits(stamp.substr(9, 6)))
        return false;
    const std::string_view extra = stamp.substr(15);
    return extra.empty() || (extra.size() > 1 && extra[0] == '-' && AllDigits(extra.substr(1)));
}

std::optional<std::filesystem::path> KeptDamagedCopy(const std::filesystem::path& file,
                                                     std::span<const std::uint8_t> bytes) {
    const std::string prefix = Utf8FromPath(file.filename()) + ".poskodeny";
    const std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!Utf8FromPath(it->path().filename()).starts_with(prefix)) continue;
        std::error_code sizeError;
        if (it->file_size(sizeError) != bytes.size() || sizeError) continue;
        const FileBytes copy = ReadFileBytes(it->path());
        if (copy.outcome == ReadOutcome::Ok && std::ranges::equal(copy.bytes, bytes)) return it->path();
    }
    return std::nullopt;
}

std::filesystem::path DataFiles::UserFile() const { return folder / PathFromUtf8(SafeFileStem(user) + ".dat"); }
std::filesystem::path DataFiles::ArchiveFile() const { return folder / PathFromUtf8(SafeFileStem(user) + "_old.dat"); }
std::filesystem::path DataFiles::LegacyFile() const { return folder / "memo.dat"; }
std::filesystem::path DataFiles::LegacyBackup() const { return folder / "memo_bak.kvl"; }
std::filesystem::path DataFiles::SetupFile() const { return folder / "setup.dat"; }
std::filesystem::path DataFiles::ExtraSetupFile() const { return folder / "setup.ini"; }
// Its own extension, so that no user's name can make it land on another user's reminder file.
std::filesystem::path DataFiles::SnoozeFile() const { return folder / PathFromUtf8(SafeFileStem(user) + ".snooze"); }
std::filesystem::path DataFiles::SyncAccountFile() const {
    return folder / PathFromUtf8(SafeFileStem(user) + ".sync.ini");
}
std::filesystem::path DataFiles::SyncStateFile() const { return folder / PathFromUtf8(SafeFileStem(user) + ".sync"); }
std::filesystem::path DataFiles::SyncHintsFile() const {
    return folder / PathFromUtf8(SafeFileStem(user) + ".sync.hints");
}
std::filesystem::path DataFiles::SyncLockFile() const {
    return folder / PathFromUtf8(SafeFileStem(user) + ".sync.lock");
}

}  // namespace kalvo::storage
