#pragma once
// The user's reminder list and archive together with their files: loading with the one-time take-over
// of the old shared file, the save-and-reload cycle every change goes through, and what the user is
// told when a file cannot be read or written.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>

#include "core/clock.h"
#include "core/dialogs.h"
#include "core/reminder.h"
#include "storage/data_files.h"
#include "storage/file_io.h"
#include "storage/file_stamp.h"
#include "storage/reminder_file.h"
#include "storage/snooze_file.h"
#include "storage/sync_hints.h"

namespace kalvo::storage {

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::Missing;
    int errorCode = 0;
    DecodedReminders decoded;
    std::vector<std::uint8_t> bytes;  // what `decoded` was decoded from
    FileStamp stamp;
};

// Leaves `decoded` and `bytes` empty when the file's stamp equals `unlessSeen`: nothing to take in.
ReadResult ReadReminderFile(const std::filesystem::path& path, const FileStamp* unlessSeen = nullptr);

class ReminderStore {
public:
    ReminderStore(DataFiles files, Dialogs& dialogs, const Clock& clock, Durability durability = Durability::Flush);

    const DataFiles& Files() const { return files_; }
    ReminderList& Reminders() {
        ++changes_;
        return reminders_;
    }
    const ReminderList& Reminders() const { return reminders_; }
    ArchiveList& Archive() { return archive_; }
    const ArchiveList& Archive() const { return archive_; }

    // While the user has a sync account, where a record of the list went is noted for the sync, which
    // follows the record through it to its calendar event. The notes reach <user>.sync.hints just before
    // the reminder file is written; without an account they are dropped. Added records need no note.
    void NoteReplaced(const TReminder& before, const TReminder& after, HintKind kind = HintKind::Edited);
    void NoteRemoved(const TReminder& before);
    void NoteArchived(const TReminder& before);
    // Removes the record at `index` and notes it; the caller saves.
    void Remove(std::size_t index);
    // Puts `after` in place of the record at `index` and notes it; the caller saves.
    void Replace(std::size_t index, TReminder after);

    // Reads the user's file into a fresh list. When the user has no file yet, the old shared file is
    // offered for take-over, or an empty file is created.
    void OpenUserFile();

    // Writes the list to the user's file; on failure the user is told and false returned.
    bool SaveUserFile();

    // Writes `records` to any path (export); failures are told to the user.
    bool SaveTo(const std::filesystem::path& path, const ReminderList& records);

    // The save-and-reload cycle: sort (unless the scheduler saves), write, and take the list back as the
    // file now holds it. A failed write keeps the list in memory and returns false.
    bool Commit(bool sort = true);

    // Appends the archive file's records to the archive list.
    void OpenArchive();
    bool SaveArchive();
    // Writes the archive and takes it back as written.
    bool CommitArchive();

    // The alarms put off for a while (<user>.snooze). A damaged line is told about once and left out;
    // a file that cannot be read is told about and not overwritten until it can be.
    std::vector<PendingSnooze>& Snoozes() {
        ++changes_;
        return snoozes_;
    }
    const std::vector<PendingSnooze>& Snoozes() const { return snoozes_; }
    void OpenSnoozes();
    // Writes the snoozes; what another writer (the sync) changed in the file meanwhile is merged in first.
    bool SaveSnoozes();
    // Takes in what another writer changed in the snooze file since this process last read or wrote it,
    // keeping the changes made here. Not while an alarm of a snooze is on screen: the scheduler keeps its
    // place in the list. True when the list changed.
    bool TakeOutsideSnoozes();
    // True while a change to the list or the archive exists only in memory: its save failed and no
    // save has succeeded since.
    bool HasUnsavedChanges() const { return userUnsaved_ || archiveUnsaved_; }
    bool UserFileUnsaved() const { return userUnsaved_; }
    // Saves again what is unsaved; true when nothing is left unsaved.
    bool SaveUnsaved();

    // The program must end (a signal, the computer switched off) with changes it could not save: the
    // list or the archive as it stands in memory is written beside its file as a rescue set,
    // "<file>.zachranene-YYYYMMDD-HHMMSS", with the file's contents those changes were made on as
    // "<rescue>.zaklad". A set equal to one already written is not written again. True when nothing
    // is left that exists only in memory.
    bool RescueUnsaved();

    struct Rescue {
        std::filesystem::path file;  // the rescued list; its base beside it
        bool archive = false;        // of the archive, else of the user's file
    };
    // The rescue sets left beside the user's file and archive, oldest first, for the start to offer.
    std::vector<Rescue> Rescues() const;
    // Takes a rescue set back: what it changed against its base comes into the list (or the archive)
    // as the changes of another process would (MergeRescued: nothing doubled), is saved, and the set is
    // removed. False when it cannot be read or the save fails; then the set stays where it is.
    bool TakeBackRescue(const Rescue& rescue);
    // A set the user did not take back is kept as an ordinary reminder set, "<rescue>.kvl", which can be
    // imported, and is not offered again.
    WriteResult SetRescueAside(const Rescue& rescue);

    // While a HeldMessages lives, what the store would tell the user is collected in it instead of shown:
    // for a caller that must answer someone first, or a retry no one asked for.
    class HeldMessages {
    public:
        explicit HeldMessages(ReminderStore& store) : store_(store), outer_(store.held_) { store.held_ = &texts_; }
        ~HeldMessages() { store_.held_ = outer_; }
        HeldMessages(const HeldMessages&) = delete;
        HeldMessages& operator=(const HeldMessages&) = delete;
        std::vector<std::string> Take() { return std::move(texts_); }

    private:
        ReminderStore& store_;
        std::vector<std::string>* outer_;
        std::vector<std::string> texts_;
    };

    // Grows with every way the list or the snoozes can change: each non-const Reminders() or Snoozes(),
    // and each loading or saving, when it begins and when it ends (a message shown meanwhile lets the
    // timers run). While it stays the same, both are as they were; the idle tick relies on that.
    std::uint64_t ChangeCount() const { return changes_; }

    // Takes in what other processes have written to the user's file and the archive since this one last
    // read or wrote them, keeping the changes not yet saved here. True when a list changed.
    bool TakeOutsideChanges();

    // Run before the first-run question, so that nothing fires while it is open.
    std::function<void()> onFirstRun;
    // Run whenever the list has been (re)loaded; windows rebuild their rows from it.
    std::function<void()> onReloaded;
    // Run after each successful write of the user's file, the archive or the snoozes (the sync follows).
    std::function<void()> onWritten;
    std::function<void()> onArchiveReloaded;

private:
    // What this process last read from or wrote to one of the files. The bytes are decoded again only
    // when another process has changed the file and its changes must be merged with this one's.
    struct Seen {
        std::vector<std::uint8_t> bytes;
        FileStamp stamp;
    };

    // The archive keeps the order of archiving; the scheduler's saves keep the list's order unless
    // another process's records had to be merged in.
    enum class Order { Keep, Sort, SortWhenMerged };

    // Under the folder's lock: merges what another process wrote since `seen` into `list`, then writes it.
    bool SaveMerged(const std::filesystem::path& path, ReminderList& list, Seen& seen, const char* what, Order order);
    // Takes a file changed by someone else into `list`; false when it had not changed or cannot be read.
    static bool Absorb(ReminderList& list, Seen& seen, ReadResult& now);
    // `keptForLater`: one of the program's own files (the user's alone; a failed write is saved again
    // later), else an export.
    bool WriteList(const std::filesystem::path& path, const ReminderList& records, const char* what,
                   std::vector<std::uint8_t>* written = nullptr, bool keptForLater = true,
                   const std::filesystem::path* target = nullptr);
    void RemoveLeftTemporaries(const std::filesystem::path& path) const;
    ReminderList LoadChecked(const std::filesystem::path& path, const char* what, Seen& seen);
    std::filesystem::path AsideName(const std::filesystem::path& path) const;
    // Copies a damaged file aside at loading and says how that went, in a sentence for the message. With
    // `untilKept`, a file that could not be copied is not replaced until KeepDamagedAside copies it.
    std::string KeepAside(const std::filesystem::path& path, bool untilKept);
    // Copies a damaged file that could not be kept aside at loading, before the first save replaces it.
    WriteResult KeepDamagedAside(const std::filesystem::path& path);

    // Writes `list` (changed from `seen`) as a rescue set of `file`; true when it is there.
    bool WriteRescue(const std::filesystem::path& file, const ReminderList& list, const Seen& seen);
    // Under the folder's lock, just before the user's file is written: the notes go to the hints file.
    void FlushHints();
    void Note(HintKind kind, const TReminder& before, const std::optional<TReminder>& after);

    // A failure for the user: shown at once, or collected while messages are held.
    void Tell(const std::string& text);

    // Counts a change when it begins and when it ends.
    class ChangeScope {
    public:
        explicit ChangeScope(std::uint64_t& count) : count_(count) { ++count_; }
        ~ChangeScope() { ++count_; }
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        std::uint64_t& count_;
    };

    DataFiles files_;
    Dialogs& dialogs_;
    std::uint64_t changes_ = 0;
    std::vector<std::string>* held_ = nullptr;
    bool userUnsaved_ = false;
    bool archiveUnsaved_ = false;
    const Clock& clock_;
    Durability durability_;
    ReminderList reminders_;
    ArchiveList archive_;
    std::vector<PendingSnooze> snoozes_;
    std::vector<PendingSnooze> snoozesSeen_;  // as this process last read or wrote the file
    bool snoozesUnreadable_ = false;
    std::set<std::pair<std::filesystem::path, std::vector<std::uint8_t>>> rescued_;  // sets written in this run
    std::vector<SyncHint> hints_;
    Seen userSeen_;
    Seen archiveSeen_;
    std::set<std::filesystem::path> reported_;  // damaged or unreadable files already told about
    std::set<std::filesystem::path> unkept_;    // damaged files not yet copied aside: not to be overwritten
};

// The first-run question for `user`.
std::string FirstRunQuestion(const std::string& user);

}  // namespace kalvo::storage
