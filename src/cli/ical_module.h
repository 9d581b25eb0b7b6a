#pragma once
// The iCalendar exchange as kalvo-cli reaches it: through the module kalvo-cli-ical.so, which alone links
// libical (ical_module_entry.cpp), or, on Windows, linked into kalvo-cli.exe itself.

#include "cli/private_module.h"
#include "storage/ical/ical_exchange.h"

namespace kalvo::cli {

struct ICalModule {
    ModuleStamp stamp;
    storage::ical::ExportResult (*exportCalendar)(const ReminderList&, const storage::ical::ExportOptions&);
    storage::ical::ImportResult (*importCalendar)(std::span<const std::uint8_t>, const storage::ical::ImportOptions&);
    std::string (*importSummary)(const std::vector<storage::ical::RefusedEvent>&,
                                 const std::vector<const storage::ical::ImportedEvent*>&);
};

// The exchange's functions, where they are linked in (ical_functions.cpp).
const ICalModule& ICalFunctions();

inline constexpr const char* kICalModuleFile = "kalvo-cli-ical.so";
inline constexpr const char* kICalModuleEntry = "kalvo_cli_ical_module";

}  // namespace kalvo::cli
