#include "storage/extra_settings_file.h"

#include <charconv>
#include <optional>

#include "storage/folder_lock.h"

namespace kalvo::storage {
namespace {

constexpr std::string_view kLatenessOn = "LatenessLimitOn";
constexpr std::string_view kLatenessHours = "LatenessLimitHours";
constexpr std::uintmax_t kIniLimit = 64 * 1024;  // far more than any settings file needs

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::optional<bool> ParseBool(const IniValues& values, std::string_view key) {
    const auto it = values.find(std::string(key));
    if (it == values.end()) return std::nullopt;
    if (it->second == "true" || it->second == "1") return true;
    if (it->second == "false" || it->second == "0") return false;
    return std::nullopt;
}

std::optional<int> ParseInt(const IniValues& values, std::string_view key) {
    const auto it = values.find(std::string(key));
    if (it == values.end()) return std::nullopt;
    int v = 0;
    const std::string& s = it->second;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace

IniValues DecodeIni(std::string_view text) {
    IniValues values;
    bool general = true;
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const std::string_view line = Trim(text.substr(0, eol));
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            general = line == "[General]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!general || eq == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, eq));
        if (!key.empty()) values[std::string(key)] = std::string(Trim(line.substr(eq + 1)));
    }
    return values;
}

std::string EncodeIni(const IniValues& values) {
    std::string text = "[General]\n";
    for (const auto& [key, value] : values) text += key + '=' + value + '\n';
    return text;
}

void ApplyExtraSettings(const IniValues& values, TSettings& settings) {
    if (const auto on = ParseBool(values, kLatenessOn)) settings.LatenessLimitOn = *on ? 1 : 0;
    if (const auto hours = ParseInt(values, kLatenessHours);
        hours && *hours >= kMinLatenessHours && *hours <= kMaxLatenessHours)
        settings.LatenessLimitHours = *hours;
}

void StoreExtraSettings(const TSettings& settings, IniValues& values) {
    values[std::string(kLatenessOn)] = settings.LatenessLimitOn != 0 ? "true" : "false";
    values[std::string(kLatenessHours)] = std::to_string(settings.LatenessLimitHours);
}

bool ExtraSettingsAtDefaults(const TSettings& settings) {
    const TSettings defaults;
    return settings.LatenessLimitOn == defaults.LatenessLimitOn &&
           settings.LatenessLimitHours == defaults.LatenessLimitHours;
}

void OpenExtraSetup(const std::filesystem::path& file, TSettings& settings) {
    const FileBytes read = ReadFileBytes(file, kIniLimit);
    if (read.outcome != ReadOutcome::Ok) return;
    const std::string text(read.bytes.begin(), read.bytes.end());
    ApplyExtraSettings(DecodeIni(text), settings);
}

WriteResult SaveExtraSetup(const std::filesystem::path& file, const TSettings& settings) {
    // Read and written under the folder's lock, so the keys another process wrote meanwhile are kept.
    const FolderLock lock(LockFolderOf(file), LockWait());
    if (!lock) return WriteResult{false, lock.ErrorCode()};
    const FileBytes read = ReadFileBytes(file, kIniLimit);
    if (read.outcome == ReadOutcome::Missing && ExtraSettingsAtDefaults(settings)) return {};
    IniValues values;
    if (read.outcome == ReadOutcome::Ok) values = DecodeIni(std::string(read.bytes.begin(), read.bytes.end()));
    StoreExtraSettings(settings, values);
    const std::string text = EncodeIni(values);
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    return WriteFileAtomically(file, std::span<const std::uint8_t>(data, text.size()), Durability::Flush,
                               NewFileAccess::Folder);
}

}  // namespace kalvo::storage
