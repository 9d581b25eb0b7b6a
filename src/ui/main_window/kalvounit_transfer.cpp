// "Pripomienky" > "Exportovať" and "Importovať": reminder sets in the reminder file format, written
// from the list and read back into it one confirmed reminder at a time.

#include <QEventLoop>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "storage/file_io.h"
#include "ui/import/addnew.h"
#include "ui/main_window/kalvounit.h"
#ifdef KALVO_HAVE_ICAL
#include "storage/ical/ical_exchange.h"
#endif

namespace fs = std::filesystem;

namespace kalvo::ui {
namespace {

constexpr const char* kCaption = "Kalvo";
#ifdef KALVO_HAVE_ICAL
// The format is chosen with the file type: a name ending in .ics is written and read as iCalendar.
constexpr const char* kSetFilter = "Všetky súbory|*.*|Súbory pripomienok (*.kvl)|*.kvl|iCalendar (.ics)|*.ics";
#else
constexpr const char* kSetFilter = "Všetky súbory|*.*|Súbory pripomienok (*.kvl)|*.kvl";
#endif

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
        case storage::ReadOutcome::Missing:
            return "Súbor neexistuje.";
        case storage::ReadOutcome::Failed:
            return "Súbor sa nepodarilo otvoriť (" + storage::DescribeError(read.errorCode) + ").";
        case storage::ReadOutcome::Ok:
            break;
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
        case storage::FileStatus::Empty:
            break;
    }
    return {};
}

#ifdef KALVO_HAVE_ICAL
// An .ics name, or content that begins as iCalendar does.
bool IsICalendarFile(const fs::path& path) {
    if (storage::ical::HasICalendarExtension(storage::Utf8FromPath(path.filename()))) return true;
    const storage::FileBytes head = storage::ReadFileStart(path, 64);
    return storage::ical::LooksLikeICalendar(head.bytes);
}

// Runs `work` on a thread of its own while this thread goes on with its event loop, so that the tick,
// its alarms and D-Bus calls are served meanwhile. Empty when the event loop was ended from outside
// (the program is quitting); the work is still waited for, as it may not outlive its inputs.
template <typename Work>
auto BesideTheEventLoop(Work&& work) -> std::optional<decltype(work())> {
    constexpr int kFinished = 1;
    QEventLoop loop;
    std::optional<decltype(work())> result;
    std::thread worker([&] {
        result.emplace(work());
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.exit(kFinished); }, Qt::QueuedConnection);
    });
    const int how = loop.exec();
    worker.join();
    if (how != kFinished) result.reset();
    return result;
}
#endif

}  // namespace

#ifdef KALVO_HAVE_ICAL
bool TMainForm::ExportICalendarTo(const fs::path& target) {
    storage::ical::ExportOptions options;
    options.stampUtc = static_cast<std::int64_t>(std::time(nullptr));
    const storage::ical::ExportResult out = storage::ical::ExportICalendar(Store().Reminders(), options);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(out.text.data());
    if (const auto w = storage::WriteFileAtomically(target, std::span(bytes, out.text.size()),
                                                    storage::Durability::Flush, storage::NewFileAccess::Ordinary);
        !w) {
        ctx_.dialogs.ShowError(kCaption, "Súbor\n" + storage::Utf8FromPath(target) + "\nsa nepodarilo zapísať (" +
                                             storage::DescribeError(w.errorCode) + ").");
        return false;
    }
    if (!out.leftOut.empty())
        ctx_.dialogs.Inform(
            kCaption,
            std::to_string(out.leftOut.size()) +
                (out.leftOut.size() == 1   ? " pripomienka má"
                 : out.leftOut.size() <= 4 ? " pripomienky majú"
                                           : " pripomienok má") +
                " dátum mimo rokov 1 až 3000, ktoré vie zapísať knižnica iCalendar, a do súboru sa nezapísali.");
    return true;
}

// The same per-item question as a Kalvo set; what could not be taken is told once, at the end.
void TMainForm::ImportICalendarFrom(const fs::path& source) {
    const std::string failed = "Udalosti zo súboru\n" + storage::Utf8FromPath(source) + "\nsa nedajú importovať.\n\n";
    const std::string nothing = "\n\nNepridala sa žiadna pripomienka.";
    const storage::FileBytes bytes = storage::ReadFileBytes(source, storage::ical::kMaxIcsBytes);
    if (bytes.outcome == storage::ReadOutcome::Missing)
        return ctx_.dialogs.ShowError(kCaption, failed + "Súbor neexistuje." + nothing);
    if (bytes.outcome == storage::ReadOutcome::Failed) {
        const std::string why = bytes.errorCode == EFBIG
                                    ? "Súbor je príliš veľký. Kalvo číta súbory iCalendar najviac do " +
                                          std::to_string(storage::ical::kMaxIcsBytes / (1024 * 1024)) + " MB."
                                    : "Súbor sa nepodarilo otvoriť (" + storage::DescribeError(bytes.errorCode) + ").";
        return ctx_.dialogs.ShowError(kCaption, failed + why + nothing);
    }
    storage::ical::ImportOptions options;
    const LocalMoment now = ctx_.clock.Now();
    options.today = now.day;
    options.secondOfDay = now.SecondOfDay();
    options.limits.steadyNow = ICalendarSteadyClock;
    readingICalendar_ = true;
    const auto result = BesideTheEventLoop([&] { return storage::ical::ImportICalendar(bytes.bytes, options); });
    readingICalendar_ = false;
    if (!result) return;
    const storage::ical::ImportResult& read = *result;
    if (read.status != storage::ical::ImportStatus::Ok)
        return ctx_.dialogs.ShowError(kCaption, failed + read.problem + nothing);
    if (read.events.empty()) {
        const std::string summary = storage::ical::ImportSummary(read.refused, {});
        return ctx_.dialogs.Inform(kCaption, "Súbor\n" + storage::Utf8FromPath(source) +
                                                 "\nneobsahuje žiadne udalosti, ktoré by sa dali prevziať." +
                                                 (summary.empty() ? "" : "\n\n" + summary));
    }

    TFAddNew* ask = links_.importQuestion;
    if (!ask) return;
    ask->AllAdd->setChecked(false);
    std::vector<const storage::ical::ImportedEvent*> taken;
    for (const storage::ical::ImportedEvent& e : read.events) {
        if (!ask->AllAdd->isChecked()) {
            ask->Fill(e.reminder);
            ask->ShowModal();
        }
        if (ask->AllAdd->isChecked() || ask->ImportAccepted == 1) taken.push_back(&e);
    }
    if (!taken.empty()) {
        ReminderList& list = Store().Reminders();
        for (const auto* e : taken) list.push_back(e->reminder);
        CommitChange();
    }
    if (const std::string summary = storage::ical::ImportSummary(read.refused, taken); !summary.empty())
        ctx_.dialogs.Inform(kCaption, summary);
}
#endif

void TMainForm::Exportova1Click() { ExportReminders(); }

bool TMainForm::ExportReminders() {
    const auto chosen = ctx_.dialogs.ChooseSaveFile(SetDialog("Exportovať pripomienky do ...", ctx_));
    if (!chosen) return false;
    const fs::path target = storage::PathFromUtf8(*chosen);
    // The program's other files would be lost under an exported set.
    const storage::DataFiles& files = ctx_.files;
    for (const fs::path& own :
         {files.ArchiveFile(), files.SetupFile(), files.folder / "calend.dat", files.folder / "sound.wav"}) {
        if (SameFile(target, own)) {
            ctx_.dialogs.ShowError(kCaption, "Do súboru " + storage::Utf8FromPath(target.filename()) +
                                                 " sa pripomienky exportovať nedajú: patrí programu Kalvo a "
                                                 "jeho obsah by sa stratil.\n\nZvoľte iný názov súboru.");
            return false;
        }
    }
#ifdef KALVO_HAVE_ICAL
    if (storage::ical::HasICalendarExtension(storage::Utf8FromPath(target.filename()))) {
        if (readingICalendar_) {
            ctx_.dialogs.Inform(kCaption, "Kalvo ešte číta iný súbor iCalendar. Skúste to, prosím, o chvíľu.");
            return false;
        }
        return ExportICalendarTo(target);
    }
#endif
    return Store().SaveTo(target, Store().Reminders());
}

// The set is read whole before the first question, so a set that is the user's own file offers the
// reminders it held at that moment; what is taken is added to the list and the list is written once,
// at the end. Alarms that fire meanwhile keep their own changes.
void TMainForm::Importova1Click() {
    const auto chosen = ctx_.dialogs.ChooseOpenFile(SetDialog("Importovať pripomienky zo súboru ...", ctx_));
    if (!chosen) return;
    TFAddNew* ask = links_.importQuestion;
    if (!ask) return;
    ask->AllAdd->setChecked(false);

    const fs::path source = storage::PathFromUtf8(*chosen);
#ifdef KALVO_HAVE_ICAL
    if (IsICalendarFile(source)) {
        if (readingICalendar_)
            return ctx_.dialogs.Inform(kCaption, "Kalvo ešte číta iný súbor iCalendar. Skúste to, prosím, o chvíľu.");
        return ImportICalendarFrom(source);
    }
#endif
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
        if (ask->AllAdd->isChecked() || ask->ImportAccepted == 1) taken.push_back(std::move(r));
    }
    if (taken.empty()) return;
    ReminderList& list = Store().Reminders();
    list.insert(list.end(), std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
    CommitChange();
}

}  // namespace kalvo::ui
