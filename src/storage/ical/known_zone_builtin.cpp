// Zones by name from libical's own zone descriptions, compiled into the program (the Windows build).

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "storage/ical/known_zone.h"
#include "storage/ical/zone_descriptions.h"

namespace kalvo::storage::ical {
namespace {

// The location behind the prefixes that libical's own TZIDs carry, as libical itself strips them.
std::string_view LocationOf(std::string_view tzid) {
    constexpr std::string_view kLibical = "/freeassociation.sourceforge.net/";
    constexpr std::string_view kCitadel = "/citadel.org/";  // followed by the data's version: 20220930_1/
    if (tzid.starts_with(kLibical)) {
        tzid.remove_prefix(kLibical.size());
        if (tzid.starts_with("Tzfile/")) tzid.remove_prefix(7);
    } else if (tzid.starts_with(kCitadel)) {
        tzid.remove_prefix(kCitadel.size());
        const auto slash = tzid.find('/');
        tzid = slash == std::string_view::npos ? std::string_view{} : tzid.substr(slash + 1);
    }
    return tzid;
}

icaltimezone* MakeZone(std::string_view location, const char* observances) {
    const std::string name(location);
    const std::string text =
        "BEGIN:VTIMEZONE\r\nTZID:" + name + "\r\nX-LIC-LOCATION:" + name + "\r\n" + observances + "END:VTIMEZONE\r\n";
    icalcomponent* component = icalparser_parse_string(text.c_str());
    if (!component) return nullptr;
    icaltimezone* zone = icaltimezone_new();
    if (zone && icaltimezone_set_component(zone, component)) return zone;  // the zone owns the component now
    if (zone) icaltimezone_free(zone, 1);
    icalcomponent_free(component);
    return nullptr;
}

}  // namespace

icaltimezone* KnownZone(const char* tzid) {
    if (!tzid) return nullptr;
    const std::string_view location = LocationOf(tzid);
    if (location == "UTC" || location == "GMT") return icaltimezone_get_utc_timezone();
    const ZoneDescription* end = kZoneDescriptions + kZoneDescriptionCount;
    const ZoneDescription* found =
        std::lower_bound(kZoneDescriptions, end, location,
                         [](const ZoneDescription& d, std::string_view name) { return d.location < name; });
    if (found == end || found->location != location) return nullptr;

    // Each zone is made once, at its first use, and kept; imports may run on other threads.
    static std::mutex mutex;
    static std::map<const ZoneDescription*, icaltimezone*> made;
    const std::lock_guard lock(mutex);
    icaltimezone*& zone = made[found];
    if (!zone) zone = MakeZone(location, found->observances);
    return zone;
}

}  // namespace kalvo::storage::ical
