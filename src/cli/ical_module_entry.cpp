// The entry of kalvo-cli-ical.so: the iCalendar functions of the storage layer in one table.

#include "cli/ical_module.h"
#include "kalvo_version.h"

namespace {

const kalvo::cli::ICalModule kTable{
    {sizeof(kalvo::cli::ICalModule), KALVO_VERSION_TEXT},
    &kalvo::storage::ical::ExportICalendar,
    &kalvo::storage::ical::ImportICalendar,
    &kalvo::storage::ical::ImportSummary,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const void* kalvo_cli_ical_module() { return &kTable; }
