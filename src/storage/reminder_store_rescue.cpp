// Changes that could not be saved when the program had to end: set aside beside their file and offered
// back at the next start.

#include <algorithm>

#include "storage/record_merge.h"
#include "storage/reminder_store.h"

namespace fs = std::filesystem;

namespace kalvo::storage {
namespace {

fs::path WithSuffix(const fs::path& file, const char* suffix) {
    return file.parent_path() / PathFromUtf8(Utf8FromPath(file.filename()) + suffix);
}

// What the rescued changes were made on.
fs::path BaseOf(const fs::path& rescue) { return WithSuffix(rescue, ".zaklad"); }

// The records of a reminder file that can be read whole; nothing otherwise.
std::optional<ReminderList> ReadWhole(const fs::path& file, int& errorCode) {
    const FileBytes read = ReadFileBytes(file);
    errorCode = read.errorCode;
    if (read.outcome != ReadOutcome::Ok) return std::nullopt;
    DecodedReminders decoded = DecodeReminderFile(read.bytes);
    if (IsDamaged(decoded.status)) {
        errorCode = EIO;
        return std::nullopt;
    }
    return std::move(decoded.records);
}

}  // namespace

bool ReminderStore::WriteRescue(const fs::path& file, const ReminderList& list, const Seen& seen) {
    const auto bytes = EncodeReminderFile(list);
    if (!bytes) return false;
    if (rescued_.contains({file, *bytes})) return true;
    const fs::path first = RescueName(file, clock_.Now());
    fs::path rescue = first;
    std::error_code ec;
    for (int n = 2; fs::exists(rescue, ec) || fs::exists(BaseOf(rescue), ec); ++n)
        rescue = WithSuffix(first, ("-" + std::to_string(n)).c_str());
    if (!WriteFileAtomically(rescue, *bytes, durability_)) return false;
    // Without it (a disk that is full), the set is still taken back, only its removals are not.
    static_cast<void>(WriteFileAtomically(BaseOf(rescue), seen.bytes, durability_));
    rescued_.insert({file, *bytes});
    return true;
}

bool ReminderStore::RescueUnsaved() {
    bool secured = true;
    if (userUnsaved_) secured = WriteRescue(files_.UserFile(), reminders_, userSeen_) && secured;
    if (archiveUnsaved_) secured = WriteRescue(files_.ArchiveFile(), archive_, archiveSeen_) && secured;
    return secured;
}

std::vector<ReminderStore::Rescue> ReminderStore::Rescues() const {
    std::vector<Rescue> found;
    const fs::path folder = files_.folder.empty() ? fs::path(".") : files_.folder;
    for (const bool archive : {false, true}) {
        const fs::path file = archive ? files_.ArchiveFile() : files_.UserFile();
        const std::size_t from = found.size();
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code kindError;
            if (IsRescueName(file, Utf8FromPath(it->path().filename())) && it->is_regular_file(kindError))
                found.push_back(Rescue{it->path(), archive});
        }
        // The time in their names puts them in the order they were written.
        std::sort(found.begin() + static_cast<std::ptrdiff_t>(from), found.end(),
                  [](const Rescue& a, const Rescue& b) { return a.file < b.file; });
    }
    return found;
}

bool ReminderStore::TakeBackRescue(const Rescue& rescue) {
    const ChangeScope change(changes_);
    int errorCode = 0;
    const std::optional<ReminderList> mine = ReadWhole(rescue.file, errorCode);
    if (!mine) {
        Tell("Uschované zmeny sa nepodarilo prečítať:\n" + Utf8FromPath(rescue.file) + "\n(" +
             DescribeError(errorCode) + ").");
        return false;
    }
    // Without its base, nothing the set removed is removed: only what it added comes back.
    int ignored = 0;
    const ReminderList base = ReadWhole(BaseOf(rescue.file), ignored).value_or(ReminderList{});
    ReminderList& list = rescue.archive ? archive_ : reminders_;
    list = MergeRescued(base, *mine, list);
    if (!(rescue.archive ? CommitArchive() : Commit())) return false;
    std::error_code ec;
    fs::remove(rescue.file, ec);
    fs::remove(BaseOf(rescue.file), ec);
    return true;
}

WriteResult ReminderStore::SetRescueAside(const Rescue& rescue) {
    const WriteResult kept = RenameNoReplace(rescue.file, WithSuffix(rescue.file, ".kvl"));
    std::error_code ec;
    if (kept) fs::remove(BaseOf(rescue.file), ec);
    return kept;
}

}  // namespace kalvo::storage
