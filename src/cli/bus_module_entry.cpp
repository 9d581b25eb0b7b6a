// The entry of kalvo-cli-bus.so: the libdbus client of bus_client_dbus.cpp in one table.

#include "cli/bus_module.h"
#include "kalvo_version.h"

namespace {

const kalvo::cli::BusModule kTable{
    {sizeof(kalvo::cli::BusModule), KALVO_VERSION_TEXT},
    &kalvo::cli::BusAdd,
    &kalvo::cli::BusListDay,
    &kalvo::cli::BusSync,
    &kalvo::cli::BusDelete,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const void* kalvo_cli_bus_module() { return &kTable; }
