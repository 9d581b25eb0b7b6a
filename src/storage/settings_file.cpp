#include "storage/settings_file.h"

#include <map>
#include <mutex>

#include "core/cp1250.h"
#include "storage/byte_io.h"
#include "storage/file_stamp.h"
#include "storage/folder_lock.h"

namespace kalvo::storage {

std::string_view StatusName(SettingsStatus status) {
    switch (status) {
        case SettingsStatus::Ok:
            return "ok";
        case SettingsStatus::Missing:
            return "missing";
        case SettingsStatus::UnknownVersion:
            return "unknown-version";
        case SettingsStatus::Truncated:
            return "truncated";
        case SettingsStatus::Corrupt:
            return "corrupt";
    }
    return "corrupt";
}

namespace {

// What this process last read from or wrote to each settings file.
struct SeenSettings {
    FileStamp stamp;
    TSettings settings;
    bool unkept = false;         // damaged and not yet copied aside: not to be replaced
    std::filesystem::path copy;  // where it goes
};
std::mutex seenMutex;
std::map<std::filesystem::path, SeenSettings> seenSettings;

void Remember(const std::filesystem::path& file, const FileBytes& read, const TSettings& settings, bool damaged) {
    const std::lock_guard guard(seenMutex);
    seenSettings[file] = SeenSettings{read.outcome == ReadOutcome::Ok ? StampOf(file, read.bytes) : MissingStamp(),
                                      settings,
                                      damaged && FileExists(file),
                                      {}};
}

// Under seenMutex.
WriteResult CopyAside(const std::filesystem::path& file, SeenSettings& seen) {
    if (!seen.unkept) return {};
    if (FileExists(file)) {
        const std::filesystem::path copy =
            seen.copy.empty() ? file.parent_path() / PathFromUtf8(Utf8FromPath(file.filename()) + ".poskodeny")
                              : seen.copy;
        if (const WriteResult copied = CopyFileBytes(file, copy); !copied) return copied;
    }
    seen.unkept = false;
    return {};
}

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
        const bool unreadable = read.outcome == ReadOutcome::Failed;
        Remember(file, read, settings, unreadable);
        SettingsLoad load;
        if (unreadable) load.readError = read.errorCode;
        return load;
    }
    const SettingsLoad load = DecodeSettings(read.bytes, settings);
    Remember(file, read, settings, IsDamaged(load.status));
    return load;
}

TSettings MergeSettings(const TSettings& base, const TSettings& mine, const TSettings& theirs) {
    TSettings merged = theirs;
    merged.ShutdownEnabled = mine.ShutdownEnabled;
    auto take = [&](auto member) {
        if (mine.*member != base.*member) merged.*member = mine.*member;
    };
    take(&TSettings::StandardMelody);
    // The signal's interval and moment go together.
    if (mine.TimeSignalInterval != base.TimeSignalInterval || mine.TimeSignalAt != base.TimeSignalAt) {
        merged.TimeSignalInterval = mine.TimeSignalInterval;
        merged.TimeSignalAt = mine.TimeSignalAt;
    }
    take(&TSettings::DeleteOldReminders);
    take(&TSettings::SlideNameWindow);
    take(&TSettings::AnimateWindows);
    take(&TSettings::StandardPicture);
    take(&TSettings::MainPicture);
    take(&TSettings::MoveToNextYear);
    take(&TSettings::OverviewSeconds);
    return merged;
}

WriteResult KeepDamagedSetup(const std::filesystem::path& file, const std::filesystem::path& copy) {
    const std::lock_guard guard(seenMutex);
    const auto seen = seenSettings.find(file);
    if (seen == seenSettings.end()) return {};
    seen->second.copy = copy;
    return CopyAside(file, seen->second);
}

WriteResult SaveSetup(const std::filesystem::path& file, TSettings& settings) {
    const FolderLock lock(LockFolderOf(file), LockWait());
    if (!lock) return WriteResult{false, lock.ErrorCode()};
    const FileBytes now = ReadFileBytes(file);
    const FileStamp stamp = now.outcome == ReadOutcome::Ok ? StampOf(file, now.bytes) : MissingStamp();
    TSettings merged = settings;
    {
        const std::lock_guard guard(seenMutex);
        const auto seen = seenSettings.find(file);
        if (seen != seenSettings.end() && !CopyAside(file, seen->second))
            return WriteResult{false, kErrorDamagedNotKept};
        if (seen != seenSettings.end() && seen->second.stamp != stamp && now.outcome == ReadOutcome::Ok) {
            TSettings theirs;
            DecodeSettings(now.bytes, theirs);
            merged = MergeSettings(seen->second.settings, settings, theirs);
        }
    }
    const auto bytes = EncodeSettings(merged);
    if (!bytes) return WriteResult{false, 0};
    // One settings file for all the users of the folder.
    const WriteResult written = WriteFileAtomically(file, *bytes, Durability::Flush, NewFileAccess::Folder);
    if (!written) return written;
    settings = merged;
    const std::lock_guard guard(seenMutex);
    seenSettings[file] = SeenSettings{StampOf(file, *bytes), merged, false, {}};
    return written;
}

}  // namespace kalvo::storage
