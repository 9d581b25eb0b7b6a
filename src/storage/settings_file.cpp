#include "storage/settings_file.h"

#include "core/cp1250.h"
#include "storage/byte_io.h"

namespace kalvo::storage {

std::string_view StatusName(SettingsStatus status) {
    switch (status) {
        case SettingsStatus::Ok: return "ok";
        case SettingsStatus::Missing: return "missing";
        case SettingsStatus::UnknownVersion: return "unknown-version";
        case SettingsStatus::Truncated: return "truncated";
        case SettingsStatus::Corrupt: return "corrupt";
    }
    return "corrupt";
}

namespace {

// Each field is applied as soon as it is complete, so a cut file keeps what came before the cut.
bool ReadFields(ByteReader& in, double version, TSettings& s) {
    std::int32_t interval = 0;
    double at = 0;
    if (!in.ReadText(s.StandardMelody) || !in.ReadInt32(interval)) return false;
    s.TimeSignalInterval = interval;
    if (interval == tsAtTime) {
        if (!in.ReadDouble(at)) return false;
        s.TimeSignalAt = at;
    }
    if (!in.ReadByte(s.DeleteOldReminders) || !in.ReadByte(s.SlideNameWindow) || !in.ReadByte(s.AnimateWindows) ||
        !in.ReadText(s.StandardPicture) || !in.ReadText(s.MainPicture))
        return false;
    if (version == kSettingsVersion) return in.ReadByte(s.MoveToNextYear) && in.ReadInt32(s.OverviewSeconds);
    s.MoveToNextYear = 1;
    s.OverviewSeconds = 20;
    return true;
}

}  // namespace

SettingsLoad DecodeSettings(std::span<const std::uint8_t> bytes, TSettings& settings) {
    settings.TimeSignalInterval = tsOff;
    settings.StandardMelody = std::string(kDefaultMelody);
    SettingsLoad load;
    ByteReader in(bytes);
    double version = 0;
    if (!in.ReadDouble(version)) {
        load.status = SettingsStatus::Truncated;
        return load;
    }
    load.version = version;
    if (version != kSettingsVersion && version != kSettingsVersionOld) {
        load.status = SettingsStatus::UnknownVersion;
        return load;
    }
    if (ReadFields(in, version, settings)) load.status = SettingsStatus::Ok;
    else load.status = in.Fault() == ReadFault::Corrupt ? SettingsStatus::Corrupt : SettingsStatus::Truncated;
    return load;
}

std::optional<std::vector<std::uint8_t>> EncodeSettings(const TSettings& s) {
    ByteWriter out;
    auto text = [&](const std::string& value) { return out.WriteText(value); };
    out.WriteDouble(kSettingsVersion);
    if (!text(s.StandardMelody)) return std::nullopt;
    out.WriteInt32(s.TimeSignalInterval);
    if (s.TimeSignalInterval == tsAtTime) out.WriteDouble(s.TimeSignalAt);
    out.WriteByte(s.DeleteOldReminders);
    out.WriteByte(s.SlideNameWindow);
    out.WriteByte(s.AnimateWindows);
    if (!text(s.StandardPicture) || !text(s.MainPicture)) return std::nullopt;
    out.WriteByte(s.MoveToNextYear);
    out.WriteInt32(s.OverviewSeconds);
    return out.Take();
}

SettingsLoad OpenSetup(const std::filesystem::path& file, TSettings& settings) {
    const FileBytes read = ReadFileBytes(file);
    if (read.outcome != ReadOutcome::Ok) {
        settings.TimeSignalInterval = tsOff;
        settings.StandardMelody = std::string(kDefaultMelody);
        return SettingsLoad{};
    }
    return DecodeSettings(read.bytes, settings);
}

WriteResult SaveSetup(const std::filesystem::path& file, const TSettings& settings) {
    const auto bytes = EncodeSettings(settings);
    if (!bytes) return WriteResult{false, 0};
    return WriteFileAtomically(file, *bytes);
}

}  // namespace kalvo::storage
