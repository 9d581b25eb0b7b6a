// Changes that only the memory holds after a failed save: saved again each minute, with every later
// change, and before the end, where the user decides what becomes of them.

#include "storage/file_io.h"
#include "ui/main_window/kalvounit.h"

namespace kalvo::ui {
namespace {

constexpr const char* kCaption = "Kalvo";
constexpr const char* kRetry = "Skúsiť znova";
constexpr const char* kExport = "Uložiť do iného súboru...";
constexpr const char* kGiveUp = "Ukončiť bez uloženia";
constexpr const char* kStay = "Zrušiť";

std::string UnsavedQuestion(bool reminders, const std::filesystem::path& file) {
    std::string text = std::string(reminders ? "Zmeny pripomienok" : "Zmeny starých pripomienok") +
                       " sa nepodarilo uložiť do súboru\n" + storage::Utf8FromPath(file) +
                       "\nSú len v pamäti programu a jeho ukončením by sa stratili.\n\n" + kRetry +
                       " – uloží ich do súboru ešte raz.\n";
    if (reminders)
        text += std::string(kExport) +
                " – uloží pripomienky do súboru, ktorý môžete neskôr vložiť cez Pripomienky>>Importovať.\n";
    return text + kGiveUp + " – zmeny sa stratia.";
}

}  // namespace

void TMainForm::SaveRetryTimer() {
    if (!Store().HasUnsavedChanges()) return;
    // The failure was told when it happened; the same failure once a minute would only be in the way.
    storage::ReminderStore::HeldMessages quiet(Store());
    Store().SaveUnsaved();
}

bool TMainForm::SettleUnsaved(bool mayAsk, bool* asked) {
    if (asked) *asked = false;
    if (!Store().HasUnsavedChanges()) return true;
    {
        storage::ReminderStore::HeldMessages quiet(Store());
        if (Store().SaveUnsaved()) return true;
    }
    if (!mayAsk) return true;
    if (asked) *asked = true;
    for (;;) {
        const bool reminders = Store().UserFileUnsaved();
        std::vector<std::string> buttons{kRetry};
        if (reminders) buttons.emplace_back(kExport);
        buttons.emplace_back(kGiveUp);
        buttons.emplace_back(kStay);
        const int choice = ctx_.dialogs.AskChoice(
            kCaption, UnsavedQuestion(reminders, reminders ? ctx_.files.UserFile() : ctx_.files.ArchiveFile()), buttons,
            QuestionIcon::Warning);
        if (choice < 0 || static_cast<std::size_t>(choice) >= buttons.size()) return false;
        const std::string& chosen = buttons[static_cast<std::size_t>(choice)];
        // A failure of either is told as any failed save is, and the question comes back.
        if (chosen == kRetry && Store().SaveUnsaved()) return true;
        if (chosen == kExport && ExportReminders()) return true;
        if (chosen == kGiveUp) return true;
        if (chosen == kStay) return false;
    }
}

}  // namespace kalvo::ui
