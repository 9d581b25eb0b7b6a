// The entry of kalvo-cli-ical.so: the table of the iCalendar functions (ical_functions.cpp).

#include "cli/ical_module.h"

extern "C" __attribute__((visibility("default"))) const void* kalvo_cli_ical_module() {
    return &kalvo::cli::ICalFunctions();
}
