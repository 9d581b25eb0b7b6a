#pragma once
// Shared pieces of kalvo-cli: the global options, argument parsing, errors with exit codes and the JSON
// form of a reminder.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/reminder.h"
#include "storage/file_snapshot.h"
#include "storage/reminder_file.h"

namespace kalvo::cli {

using Json = nlohmann::ordered_json;

enum ExitCode { kDone = 0, kFileError = 1, kUsageError = 2 };

// Ends a command with a message on stderr and the given exit code.
struct CliError : std::runtime_error {
    CliError(ExitCode c, const std::string& message) : std::runtime_error(message), code(c) {}
    ExitCode code;
};

struct Context {
    std::filesystem::path dirOption;  // --dir as given; empty for the program's own folder
    std::string user;                 // whose files are meant
    std::vector<std::string> args;    // the command's own arguments

    // The folder holding the data files, resolved only when a command needs it.
    std::filesystem::path Dir() const;
};

// A moment written "YYYY-MM-DD HH:MM:SS" in local time.
struct Moment {
    DayNumber day = 0;
    int second = 0;  // second of the day
};

Moment ParseMoment(const std::string& text);
DayNumber ParseDay(const std::string& text);  // "YYYY-MM-DD"
std::string FormatMoment(const Moment& m);
std::string FormatDay(DayNumber day);

// Takes "--name value" out of args; empty when absent.
std::string TakeOption(std::vector<std::string>& args, const std::string& name);
// The single remaining positional argument.
std::string TakePositional(std::vector<std::string>& args, const char* what);
void ExpectNoMore(const std::vector<std::string>& args);

Json RecordToJson(const TReminder& r);
// Throws CliError(kUsageError) for a missing field or a value of the wrong kind.
TReminder RecordFromJson(const Json& j, std::size_t index);

void PrintJson(const Json& j);

// The bytes of a reminder, archive or export file, read once for looking only; throws
// CliError(kFileError) when it cannot be opened.
storage::FileSnapshot ReadRemindersOrFail(const std::string& file);

int Decode(Context& ctx);
int Encode(Context& ctx);
int Due(Context& ctx);
int Settings(Context& ctx);
int Names(Context& ctx);
int Find(Context& ctx);
int Week(Context& ctx);
int Simulate(Context& ctx);
// iCalendar exchange (commands_ical.cpp, only in builds with libical).
int ExportIcs(Context& ctx);
int ImportIcs(Context& ctx);
int Add(Context& ctx);
int List(Context& ctx);
int Delete(Context& ctx);
// Calendar sync (commands_sync.cpp; without Qt's network in the build they say so).
int SyncSetup(Context& ctx);
int SyncNow(Context& ctx);

}  // namespace kalvo::cli
