#include "storage/reminder_store.h"

#include <algorithm>
#include <cstdio>

#include "core/zorad.h"
#include "storage/file_snapshot.h"
#include "storage/folder_lock.h"
#include "storage/record_merge.h"

namespace fs = std::filesystem;

namespace kalvo::storage {
namespace {

constexpr const char* kCaption = "Kalvo";
constexpr const char* kUserFileWhat = "Súbor pripomienok";
constexpr const char* kArchiveWhat = "Súbor starých pripomienok";
constexpr const char* kSnoozeWhat = "Súbor odložených pripomienok";

std::string StatusText(FileStatus s) {
    switch (s) {
        case FileStatus::UnknownVersion:
            return "neznáma verzia súboru";
        case FileStatus::Truncated:
            return "súbor je neúplný";
        case FileStatus::Corrupt:
            return "súbor je poškodený";
        default:
            return "súbor sa nedá prečítať";
    }
}

// "Načítala sa 1 pripomienka", "Načítali sa 3 pripomienky", "Načítalo sa 7 pripomienok".
std::string ReadCountText(std::size_t n) {
    const std::string count = std::to_string(n);
    if (n == 1) return "Načítala sa 1 pripomienka";
    if (n >= 2 && n <= 4) return "Načítali sa " + count + " pripomienky";
    return "Načítalo sa " + count + " pripomienok";
}

}  // namespace

std::string FirstRunQuestion(const std::string& user) {
    return "**** IMPORT PRIPOMIENOK PRE NOVÉHO POUŽÍVATEĽA ****\n\n" + user +
           " ešte nikdy nepoužil Kalvo. Želáte si vložiť do Kalvo pripomienky"
           " vytvorené staršou verziou Kalvo?\n\n"
           "Áno - prekopíruje pripomienky zo staršej verzie Kalvo. Pôvodný súbor "
           "bude uložený s názvom memo_bak.kvl v inštalačnom priečinku programu. "
           "Pripomienky iných používateľov Kalvo môžete vložiť cez hlavné menu a voľbu"
           " Pripomienky>>Importovať\n\n"
           "Nie - vytvorí prázdny súbor pripomienok pre používaľa " +
           user + "\n";
}

ReadResult ReadReminderFile(const fs::path& path, const FileStamp* unlessSeen) {
    ReadResult result;
    const FileSnapshot file = SnapshotFile(path);
    result.outcome = file.outcome;
    result.errorCode = file.errorCode;
    if (file.outcome == ReadOutcome::Ok) {
        result.stamp = StampOf(path, file.Bytes());
        if (!unlessSeen || *unlessSeen != result.stamp) {
            result.decoded = DecodeReminderFile(file.Bytes());
            result.bytes.assign(file.Bytes().begin(), file.Bytes().end());
        }
    } else if (file.outcome == ReadOutcome::Failed) {
        // Unlike a missing file, never the same as anything read or written.
        result.stamp = FileStamp{true, static_cast<std::uintmax_t>(-1), {}, 0};
    }
    return result;
}

ReminderStore::ReminderStore(DataFiles files, Dialogs& dialogs, const Clock& clock, Durability durability)
    : files_(std::move(files)), dialogs_(dialogs), clock_(clock), durability_(durability) {}

bool ReminderStore::WriteList(const fs::path& path, const ReminderList& records, const char* what,
                              std::vector<std::uint8_t>* written, bool keptForLater, const fs::path* target) {
    EncodeFailure failure;
    auto bytes = EncodeReminderFile(records, &failure);
    std::string reason;
    if (!bytes) {
        reason = "pripomienka č. " + std::to_string(failure.record + 1) + " obsahuje znak, ktorý sa nedá uložiť";
    } else if (const WriteResult kept = KeepDamagedAside(path); !kept) {
        // The records the reader could not take exist only in that file.
        reason =
            "pôvodný súbor, ktorý sa nedal prečítať celý, sa nepodarilo uschovať: " + DescribeError(kept.errorCode) +
            "; kým sa to nepodarí, neprepíše sa";
    } else if (const WriteResult w =
                   WriteFileAtomically(target ? *target : path, *bytes, durability_,
                                       keptForLater ? NewFileAccess::Private : NewFileAccess::Ordinary);
               !w) {
        reason = DescribeError(w.errorCode);
    } else {
        reported_.erase(path);
        if (written) *written = std::move(*bytes);
        return true;
    }
    std::string text = std::string(what) + " sa nepodarilo uložiť:\n" + Utf8FromPath(path) + "\n(" + reason + ").";
    // An export leaves the list as it was; only the program's own files catch up later.
    if (keptForLater)
        text += "\n\nZmeny zostávajú v pamäti programu a uložia sa pri ďalšej zmene, keď bude zápis možný.";
    Tell(text);
    return false;
}

fs::path ReminderStore::AsideName(const fs::path& path) const { return DamagedCopyName(path, clock_.Now()); }

WriteResult ReminderStore::KeepDamagedAside(const fs::path& path) {
    const auto pending = unkept_.find(path);
    if (pending == unkept_.end()) return {};
    if (FileExists(path)) {
        if (const WriteResult copied = CopyFileBytes(path, AsideName(path)); !copied) return copied;
    }
    unkept_.erase(pending);
    return {};
}

std::string ReminderStore::KeepAside(const fs::path& path, bool untilKept) {
    const fs::path copy = AsideName(path);
    const WriteResult saved = CopyFileBytes(path, copy);
    if (saved) return "\nPôvodný súbor bol uschovaný ako " + Utf8FromPath(copy.filename()) + ".";
    if (!untilKept) return "\nPôvodný súbor sa nepodarilo uschovať (" + DescribeError(saved.errorCode) + ").";
    unkept_.insert(path);
    return "\nPôvodný súbor sa nepodarilo uschovať (" + DescribeError(saved.errorCode) +
           "), preto sa neprepíše, kým sa to nepodarí.";
}

void ReminderStore::RemoveLeftTemporaries(const fs::path& path) const {
    // A save cut short by a crash leaves its temporary file behind; while another process holds the lock
    // they may be its save in progress.
    if (const FolderLock lock(LockFolderOf(path), std::chrono::milliseconds(0)); lock) RemoveStaleTemporaries(path);
}

ReminderList ReminderStore::LoadChecked(const fs::path& path, const char* what, Seen& seen) {
    RemoveLeftTemporaries(path);
    ReadResult read = ReadReminderFile(path);
    seen = Seen{std::move(read.bytes), read.stamp};
    if (read.outcome == ReadOutcome::Missing) return {};
    if (read.outcome == ReadOutcome::Failed) {
        // Its records are not in the list, so a save must not simply replace it.
        if (FileExists(path)) unkept_.insert(path);
        if (reported_.insert(path).second)
            Tell(std::string(what) + " sa nepodarilo otvoriť:\n" + Utf8FromPath(path) + "\n(" +
                 DescribeError(read.errorCode) + ").\n\nPred prvým uložením sa program pokúsi súbor uschovať.");
        return {};
    }
    if (IsDamaged(read.decoded.status) && reported_.insert(path).second && !KeptDamagedCopy(path, seen.bytes)) {
        std::string text = std::string(what) + " nebolo možné prečítať celý:\n" + Utf8FromPath(path) + "\n(" +
                           StatusText(read.decoded.status) + ").\n\n";
        text += read.decoded.records.empty() ? "Nenačítala sa z neho žiadna pripomienka."
                                             : ReadCountText(read.decoded.records.size()) + " pred miestom poškodenia.";
        Tell(text + KeepAside(path, true));
    }
    return std::move(read.decoded.records);
}

bool ReminderStore::Absorb(ReminderList& list, Seen& seen, ReadResult& now) {
    if (now.stamp == seen.stamp) return false;
    if (now.outcome == ReadOutcome::Failed || IsDamaged(now.decoded.status)) return false;
    // Without changes of its own this process simply takes the file as the other one wrote it.
    const ReminderList base = DecodeReminderFile(seen.bytes).records;
    list = list == base ? std::move(now.decoded.records) : MergeRecords(base, list, now.decoded.records);
    seen = Seen{std::move(now.bytes), now.stamp};
    return true;
}

bool ReminderStore::SaveMerged(const fs::path& path, ReminderList& list, Seen& seen, const char* what, Order order) {
    // Nothing is written without the lock; where the folder refuses even the lock file, that says why.
    // A linked file is locked, merged and replaced where the link leads, looked up once for all three.
    const fs::path resolved = ResolveLinks(path);
    const fs::path target = resolved.empty() ? path : resolved;  // a circle of links fails at the write
    const FolderLock lock(target.parent_path(), LockWait());
    std::string refusal;
    if (!lock) {
        refusal = DescribeError(lock.ErrorCode());
    } else {
        ReadResult now = ReadReminderFile(target, &seen.stamp);
        const bool changed = now.stamp != seen.stamp;
        if (changed && !Absorb(list, seen, now))
            refusal = "iný program ho medzičasom zmenil a nedá sa prečítať celý, preto sa neprepíše";
        // The other writer's records take their places among these.
        else if (order == Order::Sort || (changed && order == Order::SortWhenMerged)) Zorad(list);
    }
    if (!refusal.empty()) {
        Tell(std::string(what) + " sa nepodarilo uložiť:\n" + Utf8FromPath(path) + "\n(" + refusal +
             ").\n\nZmeny zostávajú v pamäti programu a uložia sa pri ďalšej zmene.");
        return false;
    }
    if (&list == &reminders_) FlushHints();
    std::vector<std::uint8_t> bytes;
    if (!WriteList(path, list, what, &bytes, true, &target)) return false;
    // The encoder refuses what the code page cannot hold, so these bytes decode to exactly this list.
    const FileStamp stamp = StampOf(target, bytes);
    seen = Seen{std::move(bytes), stamp};
    if (onWritten) onWritten();
    return true;
}

bool ReminderStore::TakeOutsideChanges() {
    const ChangeScope change(changes_);
    ReadResult user = ReadReminderFile(files_.UserFile(), &userSeen_.stamp);
    const bool userChanged = Absorb(reminders_, userSeen_, user);
    ReadResult archive = ReadReminderFile(files_.ArchiveFile(), &archiveSeen_.stamp);
    const bool archiveChanged = Absorb(archive_, archiveSeen_, archive);
    if (userChanged && onReloaded) onReloaded();
    if (archiveChanged && onArchiveReloaded) onArchiveReloaded();
    return userChanged || archiveChanged;
}

void ReminderStore::OpenUserFile() {
    const ChangeScope change(changes_);
    const fs::path userFile = files_.UserFile();
    fs::path source = userFile;
    bool takeOver = false;
    reminders_.clear();
    std::error_code ec;
    if (!fs::exists(userFile, ec) && !ec) {
        if (onFirstRun) onFirstRun();
        if (FileExists(files_.LegacyFile()) &&
            dialogs_.AskYesNo("Víta Vás nová verzia Kalvo", FirstRunQuestion(files_.user), QuestionIcon::Question)) {
            source = files_.LegacyFile();
            takeOver = true;
        } else {
            SaveUserFile();
        }
    }
    Seen sourceSeen;
    reminders_ = LoadChecked(source, kUserFileWhat, sourceSeen);
    if (!takeOver) userSeen_ = std::move(sourceSeen);
    // The old file keeps its name until its reminders are safely in the user's own file.
    if (takeOver && SaveUserFile() && RenameNoReplace(files_.LegacyFile(), files_.LegacyBackup()))
        dialogs_.Inform(kCaption,
                        "Import pripomienok staršej verzie dokončený. Pôvodné pripomienky boli uložené do "
                        "súboru memo_bak.kvl");
    if (onReloaded) onReloaded();
}

bool ReminderStore::SaveUserFile() {
    const ChangeScope change(changes_);
    userUnsaved_ = !SaveMerged(files_.UserFile(), reminders_, userSeen_, kUserFileWhat, Order::SortWhenMerged);
    return !userUnsaved_;
}

bool ReminderStore::SaveTo(const fs::path& path, const ReminderList& records) {
    return WriteList(path, records, "Súbor", nullptr, false);
}

bool ReminderStore::Commit(bool sort) {
    const ChangeScope change(changes_);
    userUnsaved_ = !SaveMerged(files_.UserFile(), reminders_, userSeen_, kUserFileWhat,
                               sort ? Order::Sort : Order::SortWhenMerged);
    if (userUnsaved_) return false;
    if (onReloaded) onReloaded();
    return true;
}

void ReminderStore::OpenArchive() {
    ReminderList records = LoadChecked(files_.ArchiveFile(), kArchiveWhat, archiveSeen_);
    archive_.insert(archive_.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    if (onArchiveReloaded) onArchiveReloaded();
}

bool ReminderStore::SaveArchive() {
    archiveUnsaved_ = !SaveMerged(files_.ArchiveFile(), archive_, archiveSeen_, kArchiveWhat, Order::Keep);
    return !archiveUnsaved_;
}

bool ReminderStore::CommitArchive() {
    archiveUnsaved_ = !SaveMerged(files_.ArchiveFile(), archive_, archiveSeen_, kArchiveWhat, Order::Keep);
    if (archiveUnsaved_) return false;
    if (onArchiveReloaded) onArchiveReloaded();
    return true;
}

bool ReminderStore::SaveUnsaved() {
    const ChangeScope change(changes_);
    // The list keeps the order it was left in; another process's records are sorted in.
    if (userUnsaved_) {
        userUnsaved_ = !SaveMerged(files_.UserFile(), reminders_, userSeen_, kUserFileWhat, Order::SortWhenMerged);
        if (!userUnsaved_ && onReloaded) onReloaded();
    }
    if (archiveUnsaved_) CommitArchive();
    return !HasUnsavedChanges();
}

void ReminderStore::Note(HintKind kind, const TReminder& before, const std::optional<TReminder>& after) {
    const LocalMoment now = clock_.Now();
    hints_.push_back(SyncHint{kind, std::int64_t{now.day} * 86400 + now.SecondOfDay(), before, after});
}

void ReminderStore::NoteReplaced(const TReminder& before, const TReminder& after, HintKind kind) {
    if (!(before == after)) Note(kind, before, after);
}

void ReminderStore::NoteRemoved(const TReminder& before) { Note(HintKind::Deleted, before, std::nullopt); }

void ReminderStore::NoteArchived(const TReminder& before) { Note(HintKind::Archived, before, std::nullopt); }

void ReminderStore::Remove(std::size_t index) {
    ReminderList& list = Reminders();
    if (index >= list.size()) return;
    NoteRemoved(list[index]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

void ReminderStore::Replace(std::size_t index, TReminder after) {
    ReminderList& list = Reminders();
    if (index >= list.size()) return;
    NoteReplaced(list[index], after);
    list[index] = std::move(after);
}

void ReminderStore::FlushHints() {
    // The sync reads them only while an account exists; with none, nothing new is written.
    if (!hints_.empty() && FileExists(files_.SyncAccountFile()))
        AppendHints(files_.SyncHintsFile(), hints_, durability_);
    // A hint that could not be written leaves the sync to match the record by its fields.
    hints_.clear();
}

void ReminderStore::Tell(const std::string& text) {
    if (held_) held_->push_back(text);
    else dialogs_.ShowError(kCaption, text);
}

}  // namespace kalvo::storage

namespace kalvo::storage {

void ReminderStore::OpenSnoozes() {
    const ChangeScope change(changes_);
    const fs::path path = files_.SnoozeFile();
    RemoveLeftTemporaries(path);
    SnoozeRead read = ReadSnoozeFile(path);
    snoozesUnreadable_ = read.outcome == ReadOutcome::Failed;
    snoozes_ = std::move(read.decoded.entries);
    snoozesSeen_ = snoozes_;
    if (snoozesUnreadable_) {
        Tell(std::string(kSnoozeWhat) + " sa nepodarilo otvoriť:\n" + Utf8FromPath(path) + "\n(" +
             DescribeError(read.errorCode) + ").\n\nOdložené pripomienky sa zobrazia hneď, ako sa súbor dá prečítať.");
    } else if (read.decoded.damagedLines > 0 && !KeptDamagedCopy(path, read.bytes)) {
        // The lines left out go with the next save; until then the next start finds the same damage.
        Tell(std::string(kSnoozeWhat) + " je čiastočne poškodený:\n" + Utf8FromPath(path) +
             "\n(neprečítané riadky: " + std::to_string(read.decoded.damagedLines) +
             ").\n\nOstatné odložené pripomienky zostávajú platné." + KeepAside(path, false));
    }
}

bool ReminderStore::SaveSnoozes() {
    const ChangeScope change(changes_);
    const fs::path path = files_.SnoozeFile();
    auto refuse = [&](const std::string& reason) {
        Tell(std::string(kSnoozeWhat) + " sa nepodarilo uložiť:\n" + Utf8FromPath(path) + "\n(" + reason + ").");
        return false;
    };
    const FolderLock lock(LockFolderOf(path), LockWait());
    if (!lock) return refuse(DescribeError(lock.ErrorCode()));
    // What could not be read must not be replaced by the little that is known; what another writer
    // changed since it was read here is kept.
    const SnoozeRead now = ReadSnoozeFile(path);
    if (now.outcome == ReadOutcome::Failed && snoozesUnreadable_)
        return refuse("súbor sa nedá prečítať, preto sa neprepíše");
    if (now.outcome != ReadOutcome::Failed) {
        if (snoozesUnreadable_) snoozesSeen_.clear();
        if (now.decoded.entries != snoozesSeen_) snoozes_ = MergeSnoozes(snoozesSeen_, snoozes_, now.decoded.entries);
        snoozesUnreadable_ = false;
    }
    if (const WriteResult w = WriteSnoozeFile(path, snoozes_, durability_); !w)
        return refuse(DescribeError(w.errorCode));
    snoozesSeen_ = snoozes_;
    if (onWritten) onWritten();
    return true;
}

bool ReminderStore::TakeOutsideSnoozes() {
    if (snoozesUnreadable_) return false;
    SnoozeRead now = ReadSnoozeFile(files_.SnoozeFile());
    if (now.outcome == ReadOutcome::Failed || now.decoded.entries == snoozesSeen_) return false;
    const ChangeScope change(changes_);
    snoozes_ = MergeSnoozes(snoozesSeen_, snoozes_, now.decoded.entries);
    snoozesSeen_ = std::move(now.decoded.entries);
    return true;
}

}  // namespace kalvo::storage
