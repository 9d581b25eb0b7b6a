#pragma once
// Calendar sync as kalvo-cli reaches it: through the module kalvo-cli-sync.so, which alone links Qt (the
// CalDAV client and the keyring) and the sync engine (sync_functions.cpp, sync_module_entry.cpp), or, on
// Windows, linked into kalvo-cli.exe itself. Only plain standard types cross into it.

#include <filesystem>
#include <string>
#include <vector>

#include "cli/private_module.h"

namespace kalvo::cli {

struct SyncSetupArgs {
    std::filesystem::path folder;
    std::string user;
    std::string address;       // a server's or a calendar's own address, as typed
    std::string login;         // empty: the server asks for none
    std::string calendarName;  // wanted on a server address; empty: "Kalvo"
    bool passwordGiven = false;
    std::string password;         // when given (read from standard input)
    std::string passwordCommand;  // prints the password; kept in the account instead of it
    std::string acceptCertificate;
};

struct SyncCounts {
    int sent = 0;
    int received = 0;
    int deletedHere = 0;
    int deletedThere = 0;
    int conflicts = 0;
};

// What a sync command ended with: the exit code and, on success, what it prints.
struct SyncCommandOutcome {
    int exitCode = 0;
    std::string message;               // Slovak, for stderr (also beside a success: a notice)
    std::string calendar;              // sync-setup: the calendar's address
    std::string name;                  // sync-setup: its display name
    SyncCounts counts;                 // sync
    std::vector<std::string> notices;  // sync: conflicts and the like, each once
};

struct SyncModule {
    ModuleStamp stamp;
    SyncCommandOutcome (*setup)(const SyncSetupArgs&);
    SyncCommandOutcome (*forget)(const std::filesystem::path& folder, const std::string& user);
    SyncCommandOutcome (*run)(const std::filesystem::path& folder, const std::string& user);
};

// The functions, where they are linked in (sync_functions.cpp).
const SyncModule& SyncFunctions();

inline constexpr const char* kSyncModuleFile = "kalvo-cli-sync.so";
inline constexpr const char* kSyncModuleEntry = "kalvo_cli_sync_module";

}  // namespace kalvo::cli
