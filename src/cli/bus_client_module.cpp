// BusAdd and BusListDay of kalvo-cli: the libdbus client is in kalvo-cli-bus.so, opened at the first call.

#include "cli/bus_module.h"
#include "kalvo_version.h"

namespace kalvo::cli {
namespace {

const BusModule& Module() {
    static const BusModule& module = LoadModule<BusModule>(kBusModuleFile, kBusModuleEntry, KALVO_VERSION_TEXT);
    return module;
}

}  // namespace

BusReply BusAdd(const BusTarget& target, const ReminderRequest& request) { return Module().add(target, request); }
BusReply BusListDay(const BusTarget& target, const std::string& date) { return Module().listDay(target, date); }

}  // namespace kalvo::cli
