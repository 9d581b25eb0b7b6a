#pragma once
// libical's own zone descriptions, compiled into the Windows build: cmake/KalvoZoneTable.cmake writes the
// table from the zoneinfo folder that libical installs (scripts/build-libical-windows.sh).

#include <cstddef>

namespace kalvo::storage::ical {

struct ZoneDescription {
    const char* location;     // "Europe/Bratislava"
    const char* observances;  // the VTIMEZONE's STANDARD and DAYLIGHT parts, CRLF-ended lines
};

// Sorted by location, byte by byte; zones with the same rules share their observances.
extern const ZoneDescription kZoneDescriptions[];
extern const std::size_t kZoneDescriptionCount;

}  // namespace kalvo::storage::ical
