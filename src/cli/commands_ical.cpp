// export-ics and import-ics: the user's reminders to and from iCalendar files (built with libical only).
// libical is reached through kalvo-cli-ical.so, opened only here; kalvo-cli.exe has it built in.

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <iostream>

#include "cli/cli_context.h"
#include "cli/ical_module.h"
#include "core/clock.h"
#include "core/cp1250.h"
#include "core/reminder_text.h"
#include "core/text_locale.h"
#include "core/zorad.h"
#include "kalvo_version.h"
#include "storage/data_files.h"
#include "storage/file_io.h"
#include "storage/reminder_store.h"

namespace kalvo::cli {
namespace {

// What is wrong with a damaged file of reminders, in the words of a message.
std::string DamageText(storage::FileStatus status) {
    switch (status) {
        case storage::FileStatus::UnknownVersion:
            return "súbor má verziu, ktorú Kalvo nepozná";
        case storage::FileStatus::Truncated:
            return "súbor je neúplný (skrátený)";
        default:
            return "súbor je poškodený";
    }
}

// The first words of a reminder's text, to name it in a message.
std::string Beginning(const std::string& text) {
    constexpr std::size_t kShown = 40;
    std::size_t pos = 0, count = 0;
    char32_t c = 0;
    while (pos < text.size() && count < kShown && NextCodePoint(text, pos, c)) ++count;
    return pos < text.size() ? text.substr(0, pos) + "…" : text;
}

const ICalModule& ICal() {
#ifdef KALVO_CLI_ICAL_BUILT_IN
    return ICalFunctions();
#else
    static const ICalModule& module = LoadModule<ICalModule>(kICalModuleFile, kICalModuleEntry, KALVO_VERSION_TEXT);
    return module;
#endif
}

// The user's reminders as the file holds them; a user without a file has none.
ReminderList UserReminders(const storage::DataFiles& files, bool refuseDamaged) {
    const storage::ReadResult read = storage::ReadReminderFile(files.UserFile());
    const std::string name = storage::Utf8FromPath(files.UserFile());
    if (read.outcome == storage::ReadOutcome::Missing) return {};
    if (read.outcome == storage::ReadOutcome::Failed)
        throw CliError(kFileError, name + ": súbor sa nedá prečítať (" + storage::DescribeError(read.errorCode) + ")");
    if (storage::IsDamaged(read.decoded.status)) {
        if (refuseDamaged)
            throw CliError(kFileError, name + ": " + DamageText(read.decoded.status) + "; nič sa nezmenilo");
        std::cerr << "kalvo-cli: " << name << ": " << DamageText(read.decoded.status)
                  << "; počet prečítaných pripomienok: " << read.decoded.records.size() << "\n";
    }
    return read.decoded.records;
}

void PrintItem(const TReminder& r, std::size_t number, std::size_t count) {
    const ReminderDetails d = DescribeReminder(r, TextLocale::Slovak());
    std::cerr << "\nPridať pripomienku do zoznamu? (" << number << "/" << count << ")\n"
              << "  " << d.kind << "\n"
              << "  Dátum/Čas:     " << d.dateTime << "\n"
              << "  Text:          " << d.text << "\n";
    if (d.notice) {
        std::cerr << "  Pripomínať od: " << d.noticeLine << "\n";
        if (!d.extraAlarmLine.empty()) std::cerr << "  Pripomenúť aj: " << d.extraAlarmLine << "\n";
    }
    std::cerr << "  Obrázok:       " << d.picture << "\n"
              << "  Melódia:       " << d.melody << "\n";
}

enum class Answer { Yes, No, All, None };

// One answer from standard input; the end of the input counts as "none" (nothing more is taken).
Answer Ask() {
    for (;;) {
        std::cerr << "Pridať? [a]no / [n]ie / [v]šetky / [ž]iadne: " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) {
            std::cerr << '\n';
            return Answer::None;
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        while (!line.empty() && line.front() == ' ') line.erase(0, 1);
        for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (line == "a" || line == "áno" || line == "ano" || line == "y" || line == "yes") return Answer::Yes;
        if (line == "n" || line == "nie" || line == "no" || line.empty()) return Answer::No;
        if (line == "v" || line == "všetky" || line == "vsetky" || line == "all") return Answer::All;
        if (line == "ž" || line == "z" || line == "žiadne" || line == "ziadne" || line == "none") return Answer::None;
    }
}

}  // namespace

int ExportIcs(Context& ctx) {
    const std::string file = TakePositional(ctx.args, "SÚBOR");
    ExpectNoMore(ctx.args);
    const storage::DataFiles files{ctx.Dir(), ctx.user};
    const ReminderList records = UserReminders(files, false);
    storage::ical::ExportOptions options;
    options.stampUtc = static_cast<std::int64_t>(std::time(nullptr));
    const storage::ical::ExportResult out = ICal().exportCalendar(records, options);
    const TextLocale slovak = TextLocale::Slovak();
    for (const std::size_t i : out.leftOut)
        std::cerr << "kalvo-cli: pripomienka č. " << i + 1 << " (" << ShortDate(slovak, records[i].Date) << " „"
                  << Beginning(records[i].Text) << "“) má dátum mimo rokov 1 až 3000, ktoré vie zapísať knižnica "
                  << "iCalendar; do súboru sa nezapísala\n";
    const auto* data = reinterpret_cast<const std::uint8_t*>(out.text.data());
    if (const auto w = storage::WriteFileAtomically(storage::PathFromUtf8(file), std::span(data, out.text.size()),
                                                    storage::Durability::Flush, storage::NewFileAccess::Ordinary);
        !w)
        throw CliError(kFileError,
                       file + ": súbor sa nepodarilo zapísať (" + storage::DescribeError(w.errorCode) + ")");
    return kDone;
}

int ImportIcs(Context& ctx) {
    bool yes = false;
    for (auto it = ctx.args.begin(); it != ctx.args.end();) {
        if (*it == "--yes") {
            yes = true;
            it = ctx.args.erase(it);
        } else {
            ++it;
        }
    }
    // The present moment, from which past events are refused and recurring ones give their next start;
    // --today stands for the start of that day.
    const std::string todayText = TakeOption(ctx.args, "--today");
    const std::string nowText = TakeOption(ctx.args, "--now");
    const std::string file = TakePositional(ctx.args, "SÚBOR");
    ExpectNoMore(ctx.args);
    if (!todayText.empty() && !nowText.empty())
        throw CliError(kUsageError, "Zadajte buď --today, alebo --now, nie obe.");
    storage::ical::ImportOptions options;
    if (!nowText.empty()) {
        const Moment now = ParseMoment(nowText);
        options.today = now.day;
        options.secondOfDay = now.second;
    } else if (!todayText.empty()) {
        options.today = ParseDay(todayText);
    } else {
        const LocalMoment now = SystemClock().Now();
        options.today = now.day;
        options.secondOfDay = now.SecondOfDay();
    }

    const storage::FileBytes bytes = storage::ReadFileBytes(storage::PathFromUtf8(file), storage::ical::kMaxIcsBytes);
    if (bytes.outcome == storage::ReadOutcome::Missing) throw CliError(kFileError, file + ": súbor neexistuje");
    if (bytes.outcome == storage::ReadOutcome::Failed && bytes.errorCode == EFBIG)
        throw CliError(kUsageError, file + ": Súbor je príliš veľký. Kalvo číta súbory iCalendar najviac do " +
                                        std::to_string(storage::ical::kMaxIcsBytes / (1024 * 1024)) +
                                        " MB. Nepridala sa žiadna pripomienka.");
    if (bytes.outcome == storage::ReadOutcome::Failed)
        throw CliError(kFileError, file + ": súbor sa nedá prečítať (" + storage::DescribeError(bytes.errorCode) + ")");

    const storage::ical::ImportResult result = ICal().importCalendar(bytes.bytes, options);
    if (result.status != storage::ical::ImportStatus::Ok)
        throw CliError(kUsageError, file + ": " + result.problem + " Nepridala sa žiadna pripomienka.");

    const storage::DataFiles files{ctx.Dir(), ctx.user};
    ReminderList list = UserReminders(files, true);

    std::vector<const storage::ical::ImportedEvent*> taken;
    bool all = yes, none = false;
    for (std::size_t i = 0; i < result.events.size(); ++i) {
        const storage::ical::ImportedEvent& e = result.events[i];
        if (!all && !none) {
            PrintItem(e.reminder, i + 1, result.events.size());
            switch (Ask()) {
                case Answer::Yes:
                    taken.push_back(&e);
                    break;
                case Answer::All:
                    all = true;
                    taken.push_back(&e);
                    break;
                case Answer::None:
                    none = true;
                    break;
                case Answer::No:
                    break;
            }
            continue;
        }
        if (all) taken.push_back(&e);
    }

    if (!taken.empty()) {
        for (const auto* e : taken) list.push_back(e->reminder);
        Zorad(list);
        storage::EncodeFailure failure;
        const auto encoded = storage::EncodeReminderFile(list, &failure);
        if (!encoded)
            throw CliError(kUsageError,
                           "Pripomienka č. " + std::to_string(failure.record + 1) +
                               " sa nedá uložiť v kódovaní Windows-1250. Nepridala sa žiadna pripomienka.");
        if (const auto w = storage::WriteFileAtomically(files.UserFile(), *encoded); !w)
            throw CliError(kFileError, storage::Utf8FromPath(files.UserFile()) + ": súbor sa nepodarilo zapísať (" +
                                           storage::DescribeError(w.errorCode) + ")");
    }

    const std::string summary = ICal().importSummary(result.refused, taken);
    if (!summary.empty()) std::cerr << summary << '\n';
    Json out;
    out["offered"] = result.events.size();
    out["added"] = taken.size();
    out["refused"] = Json::array();
    for (const auto& r : result.refused) out["refused"].push_back(Json{{"event", r.label}, {"reason", r.reason}});
    out["summary"] = summary;
    PrintJson(out);
    return kDone;
}

}  // namespace kalvo::cli
