#include "storage/reminder_store.h"

#include <algorithm>
#include <cstdio>

#include "core/zorad.h"

namespace fs = std::filesystem;

namespace kalvo::storage {
namespace {

constexpr const char* kCaption = "Kalvo";
constexpr const char* kUserFileWhat = "Súbor pripomienok";
constexpr const char* kArchiveWhat = "Súbor starých pripomienok";
constexpr const char* kSnoozeWhat = "Súbor odložených pripomienok";

std::string StatusText(FileStatus s) {
    switch (s) {
        case FileStatus::UnknownVersion: return "neznáma verzia súboru";
        case FileStatus::Truncated: return "súbor je neúplný";
        case FileStatus::Corrupt: return "súbor je poškodený";
        default: return "súbor sa nedá prečítať";
    }
}

std::string Stamp(const LocalMoment& m) {
    const CivilDate c = DayToCivil(m.day);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld%02d%02d-%02d%02d%02d", static_cast<long long>(c.year), c.month, c.day,
                  m.hour, m.minute, m.second);
    return text;
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

ReadResult ReadReminderFile(const fs::path& path) {
    ReadResult result;
    FileBytes file = ReadFileBytes(path);
    result.outcome = file.outcome;
    result.errorCode = file.errorCode;
    if (file.outcome == ReadOutcome::Ok) result.decoded = DecodeReminderFile(file.bytes);
    return result;
}

ReminderStore::ReminderStore(DataFiles files, Dialogs& dialogs, const Clock& clock, Durability durability)
    : files_(std::move(files)), dialogs_(dialogs), clock_(clock), durability_(durability) {}

bool ReminderStore::WriteList(const fs::path& path, const ReminderList& records, const char* what,
                              std::vector<std::uint8_t>* written, bool keptForLater) {
    EncodeFailure failure;
    auto bytes = EncodeReminderFile(records, &failure);
    std::string reason;
    if (!bytes) {
        reason = "pripomienka č. " + std::to_string(failure.record + 1) + " obsahuje znak, ktorý sa nedá uložiť";
    } else if (const WriteResult kept = KeepDamagedAside(path); !kept) {
        // The records the reader could not take exist only in that file.
        reason = "pôvodný súbor, ktorý sa nedal prečítať celý, sa nepodarilo uschovať: " +
                 DescribeError(kept.errorCode) + "; kým sa to nepodarí, neprepíše sa";
    } else if (const WriteResult w = WriteFileAtomically(path, *bytes, durability_); !w) {
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
    dialogs_.ShowError(kCaption, text);
    return false;
}

fs::path ReminderStore::AsideName(const fs::path& path) const {
    return path.parent_path() / PathFromUtf8(Utf8FromPath(path.filename()) + ".poskodeny-" + Stamp(clock_.Now()));
}

WriteResult ReminderStore::KeepDamagedAside(const fs::path& path) {
    const auto pending = unkept_.find(path);
    if (pending == unkept_.end()) return {};
    if (FileExists(path)) {
        if (const WriteResult copied = CopyFileBytes(path, AsideName(path)); !copied) return copied;
    }
    unkept_.erase(pending);
    return {};
}

ReminderList ReminderStore::LoadChecked(const fs::path& path, const char* what) {
    // A save cut short by a crash leaves its temporary file behind; only this program writes them.
    RemoveStaleTemporaries(path);
    ReadResult read = ReadReminderFile(path);
    if (read.outcome == ReadOutcome::Missing) return {};
    if (read.outcome == ReadOutcome::Failed) {
        // Its records are not in the list, so a save must not simply replace it.
        if (FileExists(path)) unkept_.insert(path);
        if (reported_.insert(path).second)
            dialogs_.ShowError(kCaption, std::string(what) + " sa nepodarilo otvoriť:\n" + Utf8FromPath(path) + "\n(" +
                                             DescribeError(read.errorCode) +
                                             ").\n\nPred prvým uložením sa program pokúsi súbor uschovať.");
        return {};
    }
    if (IsDamaged(read.decoded.status) && reported_.insert(path).second) {
        // Keep the damaged file before any save replaces it.
        const fs::path copy = AsideName(path);
        const WriteResult saved = CopyFileBytes(path, copy);
        if (!saved) unkept_.insert(path);
        std::string text = std::string(what) + " nebolo možné prečítať celý:\n" + Utf8FromPath(path) + "\n(" +
                           StatusText(read.decoded.status) + ").\n\n";
        text += read.decoded.records.empty()
                    ? "Nenačítala sa z neho žiadna pripomienka."
                    : ReadCountText(read.decoded.records.size()) + " pred miestom poškodenia.";
        text += saved ? "\nPôvodný súbor bol uschovaný ako " + Utf8FromPath(copy.filename()) + "."
                      : "\nPôvodný súbor sa nepodarilo uschovať (" + DescribeError(saved.errorCode) +
                            "), preto sa neprepíše, kým sa to nepodarí.";
        dialogs_.ShowError(kCaption, text);
    }
    return std::move(read.decoded.records);
}

void ReminderStore::TakeBackWritten(ReminderList& list, const std::vector<std::uint8_t>& bytes) {
    // The list becomes exactly what the file now holds.
    list = DecodeReminderFile(bytes).records;
}

void ReminderStore::OpenUserFile() {
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
    reminders_ = LoadChecked(source, kUserFileWhat);
    // The old file keeps its name until its reminders are safely in the user's own file.
    if (takeOver && SaveUserFile() && RenameNoReplace(files_.LegacyFile(), files_.LegacyBackup()))
        dialogs_.Inform(kCaption, "Import pripomienok staršej verzie dokončený. Pôvodné pripomienky boli uložené do "
                                  "súboru memo_bak.kvl");
    if (onReloaded) onReloaded();
}

bool ReminderStore::SaveUserFile() { return WriteList(files_.UserFile(), reminders_, kUserFileWhat); }

bool ReminderStore::SaveTo(const fs::path& path, const ReminderList& records) {
    return WriteList(path, records, "Súbor", nullptr, false);
}

bool ReminderStore::Commit(bool sort) {
    if (sort) Zorad(reminders_);
    std::vector<std::uint8_t> written;
    if (!WriteList(files_.UserFile(), reminders_, kUserFileWhat, &written)) return false;
    TakeBackWritten(reminders_, written);
    if (onReloaded) onReloaded();
    return true;
}

void ReminderStore::OpenArchive() {
    ReminderList records = LoadChecked(files_.ArchiveFile(), kArchiveWhat);
    archive_.insert(archive_.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    if (onArchiveReloaded) onArchiveReloaded();
}

bool ReminderStore::SaveArchive() { return WriteList(files_.ArchiveFile(), archive_, kArchiveWhat); }

bool ReminderStore::CommitArchive() {
    std::vector<std::uint8_t> written;
    if (!WriteList(files_.ArchiveFile(), archive_, kArchiveWhat, &written)) return false;
    TakeBackWritten(archive_, written);
    if (onArchiveReloaded) onArchiveReloaded();
    return true;
}

}  // namespace kalvo::storage

namespace kalvo::storage {

void ReminderStore::OpenSnoozes() {
    const fs::path path = files_.SnoozeFile();
    RemoveStaleTemporaries(path);
    SnoozeRead read = ReadSnoozeFile(path);
    snoozesUnreadable_ = read.outcome == ReadOutcome::Failed;
    snoozes_ = std::move(read.decoded.entries);
    if (snoozesUnreadable_) {
        dialogs_.ShowError(kCaption, std::string(kSnoozeWhat) + " sa nepodarilo otvoriť:\n" + Utf8FromPath(path) +
                                         "\n(" + DescribeError(read.errorCode) +
                                         ").\n\nOdložené pripomienky sa zobrazia hneď, ako sa súbor dá prečítať.");
    } else if (read.decoded.damagedLines > 0) {
        dialogs_.ShowError(kCaption, std::string(kSnoozeWhat) + " je čiastočne poškodený:\n" + Utf8FromPath(path) +
                                         "\n(neprečítané riadky: " + std::to_string(read.decoded.damagedLines) +
                                         ").\n\nOstatné odložené pripomienky zostávajú platné.");
    }
}

bool ReminderStore::SaveSnoozes() {
    const fs::path path = files_.SnoozeFile();
    // What could not be read must not be replaced by the little that is known.
    if (snoozesUnreadable_) {
        SnoozeRead again = ReadSnoozeFile(path);
        if (again.outcome == ReadOutcome::Failed) {
            dialogs_.ShowError(kCaption, std::string(kSnoozeWhat) + " sa nepodarilo uložiť:\n" + Utf8FromPath(path) +
                                             "\n(súbor sa nedá prečítať, preto sa neprepíše).");
            return false;
        }
        snoozesUnreadable_ = false;
        for (PendingSnooze& e : again.decoded.entries)
            if (std::find(snoozes_.begin(), snoozes_.end(), e) == snoozes_.end()) snoozes_.push_back(std::move(e));
    }
    if (const WriteResult w = WriteSnoozeFile(path, snoozes_, durability_); !w) {
        dialogs_.ShowError(kCaption, std::string(kSnoozeWhat) + " sa nepodarilo uložiť:\n" + Utf8FromPath(path) +
                                         "\n(" + DescribeError(w.errorCode) + ").");
        return false;
    }
    return true;
}

}  // namespace kalvo::storage
