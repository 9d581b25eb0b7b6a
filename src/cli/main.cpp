// kalvo-cli: the program's files and logic from the command line.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <new>

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

constexpr const char* kUsage =
    R"(Použitie: kalvo-cli [--dir PRIEČINOK] [--user MENO] PRÍKAZ [ARGUMENTY]

Číta a zapisuje dátové súbory programu Kalvo a bez jediného okna spúšťa jeho logiku.

Všeobecné voľby:
  --dir PRIEČINOK  priečinok s dátovými súbormi (predvolene ten, ktorý používa Kalvo)
  --user MENO      čie súbory pripomienok sa myslia (predvolene prihláseného používateľa)

Príkazy:
  decode SÚBOR                vypíše súbor pripomienok, archívu alebo exportu ako JSON
  encode SÚBOR                zapíše SÚBOR podľa {"records": [...]} zo štandardného vstupu
  due SÚBOR --at "RRRR-MM-DD HH:MM:SS"
                              poradové čísla (od 0) záznamov, ktoré sa majú v tej
                              chvíli ohlásiť
  settings [SÚBOR]            vypíše nastavenia tak, ako ich načíta Kalvo
                              (predvolene PRIEČINOK/setup.dat)
  names D.M [--calendar SÚBOR]
                              mená a sviatok daného dňa (predvolene PRIEČINOK/calend.dat)
  find MENO [--calendar SÚBOR]
                              deň mena tak, ako ho nájde hľadanie v kalendári mien
  week SÚBOR --day RRRR-MM-DD týždeň s daným dňom tak, ako ho ukazuje týždenný prehľad
  simulate --from "RRRR-MM-DD HH:MM:SS" --to "RRRR-MM-DD HH:MM:SS"
                              spustí plánovač nad súbormi používateľa raz za každú virtuálnu
                              sekundu vrátane oboch krajných; každé okno pripomienky hneď
                              zavrie a vypíše ako jeden riadok JSON; setup.dat iba číta
)"
#ifdef KALVO_HAVE_ICAL
    R"(  export-ics SÚBOR            zapíše všetky pripomienky používateľa do SÚBORU
                              vo formáte iCalendar
  import-ics SÚBOR [--yes] [--now "RRRR-MM-DD HH:MM:SS" | --today RRRR-MM-DD]
                              pridá udalosti zo SÚBORU iCalendar k pripomienkam používateľa;
                              na každú sa spýta na štandardnom vstupe (--yes prevezme
                              všetky); udalosti pred súčasným okamihom (--now; --today:
                              začiatok toho dňa) neprevezme, opakované dostanú svoj
                              najbližší začiatok
)"
#endif
    R"(  add "D.M.RRRR" "HH:MM" "TEXT" [--notice-from D.M.RRRR] [--period P]
      [--notice-time HH:MM] [--weekday DEŇ]
                              pridá pripomienku cez spustený Kalvo, ak beží, inak do súboru
                              používateľa; P je denne, týždenne, mesačne, ročne alebo
                              "bez opakovania"; DEŇ je pondelok ... nedeľa
  list --day D.M.RRRR         pripomienky daného dňa ako JSON
  delete "D.M.RRRR" "HH:MM" "TEXT"
                              odstráni jednu pripomienku s tým dátumom, časom (HH:MM:
                              ktorákoľvek sekunda tej minúty; HH:MM:SS: tá sekunda)
                              a textom cez spustený Kalvo, ak beží; vypíše
                              {"remaining": N}, koľko rovnakých ešte zostáva
)"
#ifdef KALVO_CLI_HAVE_SYNC
    R"(  sync-setup ADRESA [--login MENO] [--calendar NÁZOV]
      [--password-stdin | --password-command PRÍKAZ] [--accept-certificate SHA256]
                              nájde kalendár na ADRESE (adresa servera: kalendár
                              NÁZOV, predvolene „Kalvo“, vytvorený, ak chýba; alebo
                              vlastná adresa kalendára) a uloží ho ako účet
                              synchronizácie používateľa, heslo do )"
#ifdef _WIN32
    R"(správcu poverení Windows
)"
#else
    R"(kľúčenky systému
)"
#endif
    R"(                              (alebo príkaz, ktorý ho vypíše); vypíše {"calendar", "name"}
  sync-setup --forget         odstráni účet, jeho heslo a stav synchronizácie
  sync                        jedna obojsmerná synchronizácia s kalendárom účtu cez
                              spustený Kalvo, ak beží; vypíše {"sent", "received",
                              "deleted_here", "deleted_there", "conflicts"}
)"
#endif
    R"(
Príkazy, ktoré zapisujú, čakajú na iný zapisujúci program najviac KALVO_LOCK_WAIT_MS
milisekúnd (predvolene 10000).

Návratový kód: 0 hotovo, 1 súbor sa nedal prečítať alebo zapísať (pri synchronizácii
               aj: server zlyhal alebo odmietol prihlásenie), 2 nesprávne použitie
               alebo vstup (pri synchronizácii aj: účet nie je nastavený).
)";

using Command = int (*)(kalvo::cli::Context&);

#ifndef KALVO_HAVE_ICAL
int NoICalendar(kalvo::cli::Context&) {
    throw kalvo::cli::CliError(kalvo::cli::kUsageError,
                               "Táto zostava programu nepozná iCalendar (bola zostavená bez knižnice libical).");
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
            if (i + 1 >= args.size()) throw CliError(kUsageError, "Voľba " + a + " potrebuje hodnotu.");
            (a == "--dir" ? dir : user) = args[++i];
        }
        if (i >= args.size()) throw CliError(kUsageError, "Chýba príkaz (pomoc: kalvo-cli --help).");
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
        if (command == commands.end())
            throw CliError(kUsageError, "Neznámy príkaz „" + args[i] + "“ (pomoc: kalvo-cli --help).");
        if (const char* wait = std::getenv("KALVO_LOCK_WAIT_MS"))
            kalvo::storage::SetLockWait(std::chrono::milliseconds(std::max(0L, std::strtol(wait, nullptr, 10))));
        ctx.dirOption = kalvo::storage::PathFromUtf8(dir);
        ctx.user = user.empty() ? kalvo::LogonUserName() : user;
        ctx.args.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
        return command->second(ctx);
    } catch (const CliError& e) {
        std::cerr << "kalvo-cli: " << e.what() << '\n';
        return e.code;
    } catch (const std::filesystem::filesystem_error& e) {
        // Windows' own error numbers are turned into the errno values the descriptions know.
        const std::error_condition c = e.code().default_error_condition();
        const std::string where = e.path1().empty() ? "" : kalvo::storage::Utf8FromPath(e.path1()) + ": ";
        std::cerr << "kalvo-cli: " << where
                  << kalvo::storage::DescribeError(c.category() == std::generic_category() ? c.value() : EIO) << '\n';
        return kFileError;
    } catch (const std::bad_alloc&) {
        std::cerr << "kalvo-cli: Nedostatok pamäte.\n";
        return kFileError;
    } catch (const std::exception& e) {
        // Anything else is a library's own text, which cannot be told in Slovak.
        std::cerr << "kalvo-cli: Neočakávaná chyba: " << e.what() << '\n';
        return kFileError;
    }
}
