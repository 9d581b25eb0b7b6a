#include "cli/bus_client.h"

namespace kalvo::cli {

BusReply BusAdd(const BusTarget&, const ReminderRequest&) { return {}; }
BusReply BusListDay(const BusTarget&, const std::string&) { return {}; }
BusReply BusSync(const BusTarget&) { return {}; }
BusReply BusDelete(const BusTarget&, const std::string&, const std::string&, const std::string&) { return {}; }

}  // namespace kalvo::cli
