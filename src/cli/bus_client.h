#pragma once
// The running tray program on the session bus (dbus/sk.kalvo.Kalvo1.xml). Writing commands hand their
// change to it, so that it alone writes the files while it runs. Built on libdbus where it is present;
// elsewhere (Windows) there is never a program on a bus and the files serve.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/reminder_request.h"

namespace kalvo::cli {

enum class BusOutcome {
    Absent,  // no session bus, no program, or one that keeps another folder's or user's files
    Done,
    Refused,  // the program refused the arguments
    Failed,   // the program is there but the call failed (it did not answer, it could not save)
};

struct BusReply {
    BusOutcome outcome = BusOutcome::Absent;
    std::string message;  // Slovak, for Refused and Failed
    std::vector<DayEntry> entries;
    // Sync: sent, received, deleted here, deleted there, conflicts. DeleteReminder: how many equal ones remain.
    std::vector<std::uint32_t> numbers;
};

struct BusTarget {
    std::filesystem::path folder;
    std::string user;
};

BusReply BusAdd(const BusTarget& target, const ReminderRequest& request);
BusReply BusListDay(const BusTarget& target, const std::string& date);
// One two-way sync by the program; Refused when the user has no sync account.
BusReply BusSync(const BusTarget& target);
// Removes one reminder with that date, time and text; Failed (with the program's words) when none has them.
BusReply BusDelete(const BusTarget& target, const std::string& date, const std::string& time, const std::string& text);

}  // namespace kalvo::cli
