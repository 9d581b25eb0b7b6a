// sync-setup, sync and delete. The sync commands reach Qt's network and the keyring through the module
// kalvo-cli-sync.so (kalvo-cli.exe has them built in); a running program syncs for kalvo-cli, so that the
// files have one writer while it runs.

#include <iostream>
#include <string>

#include "cli/bus_client.h"
#include "cli/cli_context.h"
#include "cli/console_dialogs.h"
#include "core/clock.h"
#include "storage/reminder_store.h"
#ifdef KALVO_CLI_HAVE_SYNC
#include "cli/sync_module.h"
#include "kalvo_version.h"
#endif

namespace kalvo::cli {
namespace {

constexpr const char* kSetupUsage =
    "sync-setup ADRESA [--login MENO] [--calendar NÁZOV] [--password-stdin | --password-command PRÍKAZ] "
    "[--accept-certificate ODTLAČOK], alebo sync-setup --forget";

// An option that is present needs its value, said in Slovak like the rest of these commands.
std::string Value(std::vector<std::string>& args, const std::string& name) {
    const auto at = std::find(args.begin(), args.end(), name);
    if (at != args.end() && at + 1 == args.end()) throw CliError(kUsageError, "Voľba " + name + " potrebuje hodnotu.");
    return TakeOption(args, name);
}

bool Flag(std::vector<std::string>& args, const std::string& name) {
    const auto at = std::find(args.begin(), args.end(), name);
    if (at == args.end()) return false;
    args.erase(at);
    return true;
}

void FailWith(const BusReply& reply) {
    throw CliError(reply.outcome == BusOutcome::Refused ? kUsageError : kFileError, reply.message);
}

#ifdef KALVO_CLI_HAVE_SYNC
const SyncModule& Sync() {
#ifdef KALVO_CLI_SYNC_BUILT_IN
    return SyncFunctions();
#else
    static const SyncModule& module = LoadModule<SyncModule>(kSyncModuleFile, kSyncModuleEntry, KALVO_VERSION_TEXT);
    return module;
#endif
}

void Check(const SyncCommandOutcome& out) {
    if (out.exitCode != kDone) throw CliError(static_cast<ExitCode>(out.exitCode), out.message);
}

// The first line of standard input, without its line end.
std::string PasswordFromInput() {
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        throw CliError(kUsageError, "Na štandardnom vstupe nie je heslo (--password-stdin).");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) throw CliError(kUsageError, "Heslo na štandardnom vstupe je prázdne (--password-stdin).");
    return line;
}

void PrintCounts(std::uint32_t sent, std::uint32_t received, std::uint32_t deletedHere, std::uint32_t deletedThere,
                 std::uint32_t conflicts) {
    Json out;
    out["sent"] = sent;
    out["received"] = received;
    out["deleted_here"] = deletedHere;
    out["deleted_there"] = deletedThere;
    out["conflicts"] = conflicts;
    PrintJson(out);
}
#else
[[noreturn]] void NoSync() {
    throw CliError(kUsageError,
                   "Táto zostava kalvo-cli nevie synchronizovať (bola zostavená bez QtNetwork alebo libical).");
}
#endif

}  // namespace

int SyncSetup(Context& ctx) {
    std::vector<std::string>& args = ctx.args;
    if (Flag(args, "--forget")) {
        ExpectNoMore(args);
#ifdef KALVO_CLI_HAVE_SYNC
        Check(Sync().forget(ctx.Dir(), ctx.user));
        return kDone;
#else
        NoSync();
#endif
    }
#ifdef KALVO_CLI_HAVE_SYNC
    SyncSetupArgs q;
    q.login = Value(args, "--login");
    q.calendarName = Value(args, "--calendar");
    q.passwordCommand = Value(args, "--password-command");
    q.acceptCertificate = Value(args, "--accept-certificate");
    const bool fromInput = Flag(args, "--password-stdin");
    if (args.size() != 1 || args[0].rfind("--", 0) == 0)
        throw CliError(kUsageError, std::string("sync-setup potrebuje adresu servera: ") + kSetupUsage);
    if (fromInput && !q.passwordCommand.empty())
        throw CliError(kUsageError, "Heslo sa zadáva buď --password-stdin, alebo --password-command, nie oboma.");
    if ((fromInput || !q.passwordCommand.empty()) && q.login.empty())
        throw CliError(kUsageError, "Heslo patrí k prihlasovaciemu menu: zadajte aj --login MENO.");
    q.address = args[0];
    q.folder = ctx.Dir();
    q.user = ctx.user;
    if (fromInput) {
        q.passwordGiven = true;
        q.password = PasswordFromInput();
    }
    const SyncCommandOutcome out = Sync().setup(q);
    Check(out);
    Json j;
    j["calendar"] = out.calendar;
    j["name"] = out.name;
    PrintJson(j);
    return kDone;
#else
    NoSync();
#endif
}

int SyncNow(Context& ctx) {
    ExpectNoMore(ctx.args);
#ifdef KALVO_CLI_HAVE_SYNC
    const storage::DataFiles files{ctx.Dir(), ctx.user};
    const BusReply reply = BusSync(BusTarget{files.folder, files.user});
    if (reply.outcome == BusOutcome::Done) {
        const std::vector<std::uint32_t>& n = reply.numbers;
        PrintCounts(n[0], n[1], n[2], n[3], n[4]);
        return kDone;
    }
    if (reply.outcome != BusOutcome::Absent) FailWith(reply);
    const SyncCommandOutcome out = Sync().run(files.folder, files.user);
    Check(out);
    for (const std::string& notice : out.notices) std::cerr << "kalvo-cli: " << notice << '\n';
    const SyncCounts& c = out.counts;
    PrintCounts(static_cast<std::uint32_t>(c.sent), static_cast<std::uint32_t>(c.received),
                static_cast<std::uint32_t>(c.deletedHere), static_cast<std::uint32_t>(c.deletedThere),
                static_cast<std::uint32_t>(c.conflicts));
    return kDone;
#else
    NoSync();
#endif
}

int Delete(Context& ctx) {
    if (ctx.args.size() != 3)
        throw CliError(kUsageError, "delete potrebuje dátum, čas a text: delete \"D.M.RRRR\" \"HH:MM\" \"text\"");
    const std::string &date = ctx.args[0], &time = ctx.args[1], &text = ctx.args[2];
    // Checked here first, so a bad argument is told the same way with or without the program.
    if (const ReminderLookup check = FindReminders({}, date, time, text); !check.error.empty())
        throw CliError(kUsageError, check.error);
    const storage::DataFiles files{ctx.Dir(), ctx.user};
    const std::string none =
        "Pripomienka " + date + " " + time + " „" + text + "“ v zozname nie je; nič sa neodstránilo.";

    std::uint32_t remaining = 0;
    const BusReply reply = BusDelete(BusTarget{files.folder, files.user}, date, time, text);
    if (reply.outcome == BusOutcome::Done) {
        remaining = reply.numbers.front();
    } else if (reply.outcome != BusOutcome::Absent) {
        FailWith(reply);
    } else {
        if (!storage::FileExists(files.UserFile())) throw CliError(kFileError, none);
        ConsoleDialogs dialogs;
        SystemClock clock;
        storage::ReminderStore store(files, dialogs, clock);
        store.OpenUserFile();
        if (dialogs.errors > 0)
            throw CliError(kFileError, "Súbor pripomienok sa nedá prečítať celý; nič sa neodstránilo.");
        const ReminderLookup found = FindReminders(std::as_const(store).Reminders(), date, time, text);
        if (found.indices.empty()) throw CliError(kFileError, none);
        // Through the store, which notes the removal for the sync before the file is written.
        store.Remove(found.indices.front());
        dialogs.holdErrors = true;
        if (!store.Commit(/*sort=*/false)) {
            std::string why = dialogs.held.empty() ? std::string() : dialogs.held.front();
            if (const auto end = why.find("\n\n"); end != std::string::npos) why.erase(end);
            throw CliError(kFileError, (why.empty() ? "" : why + "\n\n") + "Pripomienka sa neodstránila.");
        }
        remaining = static_cast<std::uint32_t>(found.indices.size() - 1);
    }
    if (remaining > 0)
        std::cerr << "kalvo-cli: Odstránená je jedna z rovnakých pripomienok; v zozname ich zostáva ešte " << remaining
                  << ".\n";
    Json out;
    out["remaining"] = remaining;
    PrintJson(out);
    return kDone;
}

}  // namespace kalvo::cli
