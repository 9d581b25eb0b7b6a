// Changes that only the memory holds after a failed save: saved again each minute, with every later
// change, and before the end, where the user decides what becomes of them. When the program must end
// without asking (a signal, the computer switched off), they are set aside beside their file, and the
// next start offers them back.

#include <QtGlobal>

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

std::string RescueQuestion(const storage::ReminderStore::Rescue& rescue) {
    const std::string kvl = storage::Utf8FromPath(rescue.file.filename()) + ".kvl";
    return std::string(rescue.archive ? "Zmeny starých pripomienok" : "Zmeny pripomienok") +
           " sa pri poslednom ukončení programu nepodarilo uložiť, preto boli uschované v súbore\n" +
           storage::Utf8FromPath(rescue.file) + "\n\nŽeláte si ich vrátiť medzi " +
           (rescue.archive ? "staré pripomienky" : "pripomienky") +
           "? Tie, ktoré tam už sú, sa nezdvoja.\n\n"
           "Áno – zmeny sa vrátia a uložia.\n"
           "Nie – súbor zostane v priečinku ako " +
           kvl + "; pripomienky z neho môžete neskôr vložiť cez Pripomienky>>Importovať.";
}

}  // namespace

void TMainForm::OfferRescues() {
    for (const storage::ReminderStore::Rescue& rescue : Store().Rescues()) {
        if (ctx_.dialogs.AskYesNo(kCaption, RescueQuestion(rescue), QuestionIcon::Question)) {
            // A failure is told as any failed save is; the set stays and is offered again.
            Store().TakeBackRescue(rescue);
        } else if (const storage::WriteResult kept = Store().SetRescueAside(rescue); !kept) {
            ctx_.dialogs.ShowError(kCaption, "Súbor s uschovanými zmenami sa nepodarilo premenovať:\n" +
                                                 storage::Utf8FromPath(rescue.file) + "\n(" +
                                                 storage::DescribeError(kept.errorCode) +
                                                 ").\n\nPonúkne sa znova pri ďalšom spustení.");
        }
    }
}

bool TMainForm::SecureUnsaved() {
    if (!store_ || !Store().HasUnsavedChanges()) return true;
    // No one is there to read a message: the program is on its way out.
    storage::ReminderStore::HeldMessages quiet(Store());
    if (Store().SaveUnsaved() || Store().RescueUnsaved()) return true;
    qCritical("Kalvo: zmeny, ktoré sa nepodarilo uložiť, sa nepodarilo ani uschovať vedľa súboru %s",
              storage::Utf8FromPath(ctx_.files.UserFile()).c_str());
    return false;
}

void TMainForm::EndSession() {
    ending_ = true;
    StopScheduler();
    SecureUnsaved();
}

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
