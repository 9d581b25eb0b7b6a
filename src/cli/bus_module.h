#pragma once
// The session-bus client as kalvo-cli reaches it: through the module kalvo-cli-bus.so, which alone links
// libdbus (bus_client_dbus.cpp, bus_module_entry.cpp).

#include "cli/bus_client.h"
#include "cli/private_module.h"

namespace kalvo::cli {

struct BusModule {
    ModuleStamp stamp;
    BusReply (*add)(const BusTarget&, const ReminderRequest&);
    BusReply (*listDay)(const BusTarget&, const std::string&);
    BusReply (*sync)(const BusTarget&);
    BusReply (*remove)(const BusTarget&, const std::string&, const std::string&, const std::string&);
};

// False only when DBUS_SESSION_BUS_ADDRESS (`address`) lists nothing libdbus could connect to: no
// transport it knows, no socket at a unix path. Then the program cannot be running on that bus either,
// and kalvo-cli works on the files without loading libdbus.
bool SessionBusMayExist(const char* address);

inline constexpr const char* kBusModuleFile = "kalvo-cli-bus.so";
inline constexpr const char* kBusModuleEntry = "kalvo_cli_bus_module";

}  // namespace kalvo::cli
