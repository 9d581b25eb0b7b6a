// kalvo-cli: the program's files and logic from the command line.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>

#include "cli/cli_context.h"
#include "core/clock.h"
#include "platform/system_paths.h"
#include "storage/file_io.h"
#include "storage/folder_lock.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>  // first: the headers below need it

#include <shellapi.h>
#endif

namespace {

constexpr const char* kUsage = R"(Usage: kalvo-cli [--dir DIR] [--user NAME] COMMAND [ARGS]

Reads and writes Kalvo's data files and runs its logic without any window.

Global options:
  --dir DIR     folder with the data files (default: the folder Kalvo itself uses)
  --user NAME   whose reminder files are meant (default: the logged-on user)

Commands:
  decode FILE                 print a reminder, archive or export file as JSON
  encode FILE                 write FILE from {"records": [...]} on standard input
  due FILE --at "YYYY-MM-DD HH:MM:SS"
                              indices of the records that are due at that moment
  settings [FILE]             print the settings as Kalvo loads them (default DIR/setup.dat)
  names D.M [--calendar FILE] the names and the holiday of a day (default DIR/calend.dat)
  find NAME [--calendar FILE] the day of a name, as the name calendar's search finds it
  week FILE --day YYYY-MM-DD  the week holding that day as the week view shows it
  simulate --from "YYYY-MM-DD HH:MM:SS" --to "YYYY-MM-DD HH:MM:SS"
                              run the scheduler on the user's files once per virtual
                              second, both ends included; every alarm is closed at
                              once and printed as one JSON line; setup.dat is read only
)"
#ifdef KALVO_HAVE_ICAL
                               R"(  export-ics FILE             write all of the user's reminders to FILE as iCalendar
  import-ics FILE [--yes] [--now "YYYY-MM-DD HH:MM:SS" | --today YYYY-MM-DD]
                              add the events of an iCalendar FILE to the user's reminders,
                              asking per item on standard input (--yes takes all); events
                              before the present moment (--now; --today: the start of that
                              day) are not taken, recurring ones give their next start
)"
#endif
                               R"(  add "D.M.YYYY" "HH:MM" "TEXT" [--notice-from D.M.YYYY] [--period P]
      [--notice-time HH:MM] [--weekday DAY]
                              add a reminder, through the running Kalvo when there is
                              one, else to the user's file; P is denne, týždenne,
                              mesačne, ročne or "bez opakovania"; DAY pondelok ... nedeľa
  list --day D.M.YYYY         the reminders of that day as JSON
  delete "D.M.RRRR" "HH:MM" "TEXT"
                              odstráni jednu pripomienku s tým dátumom, časom (HH:MM:
                              ktorákoľvek sekunda tej minúty; HH:MM:SS: tá sekunda)
                              a textom, cez spustený Kalvo, ak beží; vypíše
                              {"remaining": N}, koľko rovnakých ešte zostáva
)"
#ifdef KALVO_CLI_HAVE_SYNC
                               R"(  sync-setup ADRESA [--login MENO] [--calendar NÁZOV]
      [--password-stdin | --password-command PRÍKAZ] [--accept-certificate SHA256]
                              nájde kalendár na ADRESE (adresa servera: kalendár
                              NÁZOV, predvolene „Kalvo“, vytvorený, ak chýba; alebo
                              vlastná adresa kalendára) a uloží ho ako účet
                              synchronizácie používateľa, heslo do kľúčenky systému
                              (alebo príkaz, ktorý ho vypíše); vypíše {"calendar", "name"}
  sync-setup --forget         odstráni účet, jeho heslo a stav synchronizácie
  sync                        jedna obojsmerná synchronizácia s kalendárom účtu, cez
                              spustený Kalvo, ak beží; vypíše {"sent", "received",
                              "deleted_here", "deleted_there", "conflicts"}
)"
#endif
                               R"(
Writers wait up to KALVO_LOCK_WAIT_MS milliseconds (default 10000) for another writer.

Exit status: 0 done, 1 a file could not be read or written (or, for the sync commands,
the server failed or refused the login), 2 bad usage or input (or no sync account).
)";

using Command = int (*)(kalvo::cli::Context&);

#ifndef KALVO_HAVE_ICAL
int NoICalendar(kalvo::cli::Context&) {
    throw kalvo::cli::CliError(kalvo::cli::kUsageError, "this build has no iCalendar support (made without libical)");
}
#endif

// The arguments as UTF-8, like every text inside the program. Windows hands main() its arguments in the
// ANSI code page, which cannot hold every name, so they are taken from the wide command line there.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> args;
        for (int i = 1; i < count; ++i) args.push_back(kalvo::storage::Utf8FromPath(std::filesystem::path(wide[i])));
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv + 1, argv + argc);
}

// Output goes out as UTF-8 bytes with plain line ends on every system, and standard input is read as it is.
void UseBinaryStreams() {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kalvo::cli;
    UseBinaryStreams();
    kalvo::UseSystemTimeZone();
    const std::vector<std::string> args = Arguments(argc, argv);
    Context ctx;
    std::string dir, user;
    std::size_t i = 0;
    try {
        for (; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--help" || a == "-h") {
                std::cout << kUsage;
                return kDone;
            }
            if (a != "--dir" && a != "--user") break;
            if (i + 1 >= args.size()) throw CliError(kUsageError, a + " needs a value");
            (a == "--dir" ? dir : user) = args[++i];
        }
        if (i >= args.size()) throw CliError(kUsageError, "no command given (see --help)");
        const std::map<std::string, Command> commands = {
            {"decode", Decode},
            {"encode", Encode},
            {"due", Due},
            {"settings", Settings},
            {"names", Names},
            {"find", Find},
            {"week", Week},
            {"simulate", Simulate},
#ifdef KALVO_HAVE_ICAL
            {"export-ics", ExportIcs},
            {"import-ics", ImportIcs},
#else
            {"export-ics", NoICalendar},
            {"import-ics", NoICalendar},
#endif
            {"add", Add},
            {"list", List},
            {"delete", Delete},
            {"sync-setup", SyncSetup},
            {"sync", SyncNow},
        };
        const auto command = commands.find(args[i]);
        if (command == commands.end()) throw CliError(kUsageError, "unknown command '" + args[i] + "' (see --help)");
        if (const char* wait = std::getenv("KALVO_LOCK_WAIT_MS"))
            kalvo::storage::SetLockWait(std::chrono::milliseconds(std::max(0L, std::strtol(wait, nullptr, 10))));
        ctx.dirOption = kalvo::storage::PathFromUtf8(dir);
        ctx.user = user.empty() ? kalvo::LogonUserName() : user;
        ctx.args.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
        return command->second(ctx);
    } catch (const CliError& e) {
        std::cerr << "kalvo-cli: " << e.what() << '\n';
        return e.code;
    } catch (const std::exception& e) {
        std::cerr << "kalvo-cli: " << e.what() << '\n';
        return kFileError;
    }
}
