// Zones by name from the system's zone data, which libical reads from the zoneinfo folder.

#include <cctype>
#include <string_view>

#include "storage/ical/known_zone.h"

namespace kalvo::storage::ical {
namespace {

// Only plain zone names are looked up: libical makes a path of them.
bool PlainZoneName(std::string_view tzid) {
    if (tzid.empty() || tzid.size() > 100 || tzid.find("..") != std::string_view::npos) return false;
    for (const char c : tzid) {
        const auto b = static_cast<unsigned char>(c);
        if (!std::isalnum(b) && c != '/' && c != '_' && c != '-' && c != '+' && c != '.') return false;
    }
    return true;
}

}  // namespace

icaltimezone* KnownZone(const char* tzid) {
    if (!tzid || !PlainZoneName(tzid)) return nullptr;
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid)) return zone;
    return icaltimezone_get_builtin_timezone_from_tzid(tzid);
}

}  // namespace kalvo::storage::ical
