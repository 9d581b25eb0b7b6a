#include "app/settings_load.h"

#include "storage/data_files.h"
#include "storage/extra_settings_file.h"
#include "storage/settings_file.h"

namespace kalvo::ui {
namespace {

std::string StatusText(storage::SettingsStatus s) {
    switch (s) {
        case storage::SettingsStatus::UnknownVersion:
            return "neznáma verzia súboru";
        case storage::SettingsStatus::Truncated:
            return "súbor je neúplný";
        default:
            return "súbor je poškodený";
    }
}

}  // namespace

void LoadSettings(AppContext& ctx) {
    const std::filesystem::path file = ctx.SetupFile();
    const storage::SettingsLoad load = storage::OpenSetup(file, ctx.Settings);
    storage::OpenExtraSetup(ctx.files.ExtraSetupFile(), ctx.Settings);
    const bool damaged = storage::IsDamaged(load.status);
    if (!damaged && load.readError == 0) return;
    // The same damage found at an earlier start was kept aside and told then.
    if (damaged) {
        if (const auto earlier = storage::KeptDamagedCopy(file, storage::ReadFileBytes(file).bytes)) {
            storage::KeepDamagedSetup(file, *earlier);
            return;
        }
    }
    std::string text = damaged ? "Súbor nastavení nebolo možné prečítať celý:\n" + storage::Utf8FromPath(file) + "\n(" +
                                     StatusText(load.status) + ").\n\nČo sa z neho nedalo prečítať, " +
                                     "má predvolené hodnoty."
                               : "Súbor nastavení sa nepodarilo otvoriť:\n" + storage::Utf8FromPath(file) + "\n(" +
                                     storage::DescribeError(load.readError) + ").\n\nPlatia predvolené nastavenia.";
    if (storage::FileExists(file)) {
        const std::filesystem::path copy = storage::DamagedCopyName(file, ctx.clock.Now());
        const storage::WriteResult kept = storage::KeepDamagedSetup(file, copy);
        text += kept ? "\nPôvodný súbor bol uschovaný ako " + storage::Utf8FromPath(copy.filename()) + "."
                     : "\nPôvodný súbor sa nepodarilo uschovať (" + storage::DescribeError(kept.errorCode) +
                           "), preto sa neprepíše, kým sa to nepodarí.";
    }
    ctx.dialogs.ShowError("Kalvo", text);
}

}  // namespace kalvo::ui
