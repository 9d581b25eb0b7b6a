// "Pripomienky" > "Exportovať" and "Importovať": reminder sets in the reminder file format, written
// from the list and read back into it one confirmed reminder at a time.

#include <filesystem>
#include <system_error>

#include "storage/file_io.h"
#include "ui/addnew.h"
#include "ui/kalvounit.h"

namespace fs = std::filesystem;

namespace kalvo::ui {
namespace {

constexpr const char* kCaption = "Kalvo";
constexpr const char* kSetFilter = "Všetky súbory|*.*|Súbory pripomienok (*.kvl)|*.kvl";

FileDialogOptions SetDialog(const char* title, const AppContext& ctx) {
    FileDialogOptions o;
    o.title = title;
    o.filter = kSetFilter;
    o.filterIndex = 2;
    o.defaultExtension = "*.kvl";
    o.initialFolder = storage::Utf8FromPath(ctx.files.folder);
    return o;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    const fs::path ca = fs::weakly_canonical(a, ec);
    if (ec) return false;
    const fs::path cb = fs::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

// Why a set cannot be imported; empty when it can.
std::string ImportProblem(const storage::ReadResult& read) {
    switch (read.outcome) {
        case storage::ReadOutcome::Missing: return "Súbor neexistuje.";
        case storage::ReadOutcome::Failed:
            return "Súbor sa nepodarilo otvoriť (" + storage::DescribeError(read.errorCode) + ").";
        case storage::ReadOutcome::Ok: break;
    }
    switch (read.decoded.status) {
        case storage::FileStatus::UnknownVersion:
            return "Súbor nie je súbor pripomienok Kalvo (neznáma verzia formátu).";
        case storage::FileStatus::Truncated:
            return "Súbor je neúplný: končí uprostred pripomienky č. " +
                   std::to_string(read.decoded.records.size() + 1) + ".";
        case storage::FileStatus::Corrupt:
            return "Súbor je poškodený: pri pripomienke č. " + std::to_string(read.decoded.records.size() + 1) +
                   " obsahuje nezmyselný údaj.";
        case storage::FileStatus::Ok:
        case storage::FileStatus::Empty: break;
    }
    return {};
}

}  // namespace

void TMainForm::Exportova1Click() {
    const auto chosen = ctx_.dialogs.ChooseSaveFile(SetDialog("Exportovať pripomienky do ...", ctx_));
    if (!chosen) return;
    const fs::path target = storage::PathFromUtf8(*chosen);
    // The program's other files would be lost under an exported set.
    const storage::DataFiles& files = ctx_.files;
    for (const fs::path& own : {files.ArchiveFile(), files.SetupFile(), files.folder / "calend.dat",
                                files.folder / "sound.wav"}) {
        if (SameFile(target, own)) {
            ctx_.dialogs.ShowError(kCaption, "Do súboru " + storage::Utf8FromPath(target.filename()) +
                                                 " sa pripomienky exportovať nedajú: patrí programu Kalvo a "
                                                 "jeho obsah by sa stratil.\n\nZvoľte iný názov súboru.");
            return;
        }
    }
    Store().SaveTo(target, Store().Reminders());
}

// The set is read whole before the first question, so a set that is the user's own file offers the
// reminders it held at that moment; what is taken is added to the list and the list is written once,
// at the end. Alarms that fire meanwhile keep their own changes.
void TMainForm::Importova1Click() {
    const auto chosen = ctx_.dialogs.ChooseOpenFile(SetDialog("Importovať pripomienky zo súboru ...", ctx_));
    if (!chosen) return;
    TFAddNew* ask = ctx_.windows.addNew;
    ask->AllAdd->setChecked(false);

    const fs::path source = storage::PathFromUtf8(*chosen);
    storage::ReadResult read = storage::ReadReminderFile(source);
    if (const std::string problem = ImportProblem(read); !problem.empty()) {
        ctx_.dialogs.ShowError(kCaption, "Pripomienky zo súboru\n" + storage::Utf8FromPath(source) +
                                             "\nsa nedajú importovať.\n\n" + problem +
                                             "\n\nNepridala sa žiadna pripomienka.");
        return;
    }
    if (read.decoded.records.empty()) {
        ctx_.dialogs.Inform(kCaption, "Súbor\n" + storage::Utf8FromPath(source) + "\nneobsahuje žiadne pripomienky.");
        return;
    }

    ReminderList taken;
    for (TReminder& r : read.decoded.records) {
        if (!ask->AllAdd->isChecked()) {
            ask->Fill(r);
            ask->ShowModal();
        }
        if (ask->AllAdd->isChecked() || ctx_.state.ImportAccepted == 1) taken.push_back(std::move(r));
    }
    if (taken.empty()) return;
    ReminderList& list = Store().Reminders();
    list.insert(list.end(), std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
    CommitChange();
}

}  // namespace kalvo::ui
