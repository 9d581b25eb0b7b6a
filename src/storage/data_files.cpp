#include "storage/data_files.h"

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

std::filesystem::path DamagedCopyName(const std::filesystem::path& file, const LocalMoment& now) {
    const CivilDate c = DayToCivil(now.day);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04lld%02d%02d-%02d%02d%02d", static_cast<long long>(c.year), c.month, c.day,
                  now.hour, now.minute, now.second);
    return file.parent_path() / PathFromUtf8(Utf8FromPath(file.filename()) + ".poskodeny-" + stamp);
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
