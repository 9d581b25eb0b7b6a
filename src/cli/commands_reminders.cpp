// add and list --day: through the running program when there is one, else on the files under the lock.

#include "cli/bus_client.h"
#include "cli/cli_context.h"
#include "cli/console_dialogs.h"
#include "core/clock.h"
#include "storage/reminder_scan.h"
#include "storage/reminder_store.h"

namespace kalvo::cli {
namespace {

Json EntryToJson(const DayEntry& e) {
    Json j;
    j["date"] = e.date;
    j["time"] = e.time;
    j["text"] = e.text;
    j["kind"] = e.kind;
    j["notice"] = e.notice;
    j["noticeFrom"] = e.noticeFrom;
    j["period"] = e.period;
    j["noticeTime"] = e.noticeTime;
    return j;
}

// Refused arguments are the caller's (2); anything else is the files' or the program's (1).
void Fail(const BusReply& reply) {
    throw CliError(reply.outcome == BusOutcome::Refused ? kUsageError : kFileError, reply.message);
}

void AddToFile(const storage::DataFiles& files, const TReminder& reminder) {
    // The first start of the program offers the old shared file; a reminder written first would end that.
    if (!storage::FileExists(files.UserFile()) && storage::FileExists(files.LegacyFile()))
        throw CliError(kFileError,
                       "Používateľ ešte nemá súbor pripomienok a v priečinku je súbor memo.dat staršej "
                       "verzie: spustite najprv Kalvo, ktoré ponúkne jeho prevzatie.");
    ConsoleDialogs dialogs;
    SystemClock clock;
    storage::ReminderStore store(files, dialogs, clock);
    if (storage::FileExists(files.UserFile())) store.OpenUserFile();
    if (dialogs.errors > 0)
        throw CliError(kFileError, "Súbor pripomienok sa nedá prečítať celý; pripomienka sa nepridala.");
    store.Reminders().push_back(reminder);
    // The store's message goes on to say what the program does with changes it could not save; this
    // command ends at once, so only its first paragraph (what failed and why) holds here.
    dialogs.holdErrors = true;
    if (!store.Commit()) {
        std::string why = dialogs.held.empty() ? std::string() : dialogs.held.front();
        if (const auto end = why.find("\n\n"); end != std::string::npos) why.erase(end);
        throw CliError(kFileError,
                       (why.empty() ? "" : why + "\n\n") +
                           "Pripomienka sa nepridala a nikde nezostala; zopakujte príkaz, keď bude zápis možný.");
    }
}

}  // namespace

int Add(Context& ctx) {
    ReminderRequest q;
    q.noticeFrom = TakeOption(ctx.args, "--notice-from");
    q.period = TakeOption(ctx.args, "--period");
    q.noticeTime = TakeOption(ctx.args, "--notice-time");
    q.weekDay = TakeOption(ctx.args, "--weekday");
    if (ctx.args.size() != 3)
        throw CliError(kUsageError,
                       "Príkaz add potrebuje dátum, čas a text: add \"D.M.RRRR\" \"HH:MM\" \"text\" "
                       "[--notice-from D.M.RRRR] [--period P] [--notice-time HH:MM] [--weekday DEŇ]");
    q.date = ctx.args[0];
    q.time = ctx.args[1];
    q.text = ctx.args[2];
    // Checked here first, so a bad argument is told the same way with or without the program.
    const BuiltReminder built = BuildReminder(q);
    if (!built.reminder) throw CliError(kUsageError, built.error);
    const storage::DataFiles files{ctx.Dir(), ctx.user};
    const BusReply reply = BusAdd(BusTarget{files.folder, files.user}, q);
    if (reply.outcome == BusOutcome::Absent) AddToFile(files, *built.reminder);
    else if (reply.outcome != BusOutcome::Done) Fail(reply);
    return kDone;
}

int List(Context& ctx) {
    const std::string day = TakeOption(ctx.args, "--day");
    if (day.empty() || !ctx.args.empty()) throw CliError(kUsageError, "Príkaz list potrebuje práve --day D.M.RRRR");
    const auto dayNumber = ParseDayText(day);
    if (!dayNumber) throw CliError(kUsageError, DayTextError(day));
    const storage::DataFiles files{ctx.Dir(), ctx.user};
    BusReply reply = BusListDay(BusTarget{files.folder, files.user}, day);
    if (reply.outcome == BusOutcome::Absent) {
        // Read once and only looked at: no lock, and only the day's records are decoded.
        const storage::FileSnapshot read = storage::SnapshotFile(files.UserFile());
        if (read.outcome == storage::ReadOutcome::Failed)
            throw CliError(kFileError,
                           "Súbor pripomienok sa nedá prečítať: " + storage::DescribeError(read.errorCode) + ".");
        ReminderList ofDay;
        for (storage::ReminderScan scan(read.Bytes()); scan.Next();)
            if (scan.Current().fields.Date == *dayNumber) ofDay.push_back(storage::Materialize(scan.Current()));
        reply.entries = DayEntries(ofDay, *dayNumber);
    } else if (reply.outcome != BusOutcome::Done) {
        Fail(reply);
    }
    Json out;
    out["day"] = day;
    out["reminders"] = Json::array();
    for (const DayEntry& e : reply.entries) out["reminders"].push_back(EntryToJson(e));
    PrintJson(out);
    return kDone;
}

}  // namespace kalvo::cli
