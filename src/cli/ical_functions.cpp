// The iCalendar functions of the storage layer in one table: what kalvo-cli-ical.so hands out, and what
// kalvo-cli.exe, which links the exchange itself, calls directly.

#include "cli/ical_module.h"
#include "kalvo_version.h"

namespace kalvo::cli {

const ICalModule& ICalFunctions() {
    static const ICalModule table{
        {sizeof(ICalModule), KALVO_VERSION_TEXT},
        &storage::ical::ExportICalendar,
        &storage::ical::ImportICalendar,
        &storage::ical::ImportSummary,
    };
    return table;
}

}  // namespace kalvo::cli
