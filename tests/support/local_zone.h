#pragma once
// Pins the local time zone for one test, so the machine's own zone never leaks in.
//
// Linux: TZ names the zone. Windows: the C runtime reads TZ only in its own form ("EST5EDT") and with the
// United States' summer time for every zone, so Europe/Bratislava is the system's zone, read with TZ
// removed: ctest starts the tests under Wine with the build machine's TZ=Europe/Bratislava (the test's
// ENVIRONMENT), which Wine makes the Windows zone "Central Europe Standard Time". The other zones a test
// may ask for there have the United States' rules or none.

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "support/scoped_env.h"

namespace kalvo::test {

inline std::optional<std::string> RuntimeZone(std::string_view zone) {
#ifdef _WIN32
    if (zone == "America/New_York") return "EST5EDT";
    if (zone == "Asia/Tokyo") return "JST-9";
    if (zone == "UTC") return "UTC0";
    if (zone != "Europe/Bratislava") ADD_FAILURE() << zone << " is no zone these tests can set under Windows";
    return std::nullopt;
#else
    return std::string(zone);
#endif
}

inline void ReadZone() {
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

class LocalZone {
public:
    explicit LocalZone(const char* tz) : env_("TZ", RuntimeZone(tz)) {
        ReadZone();
        if (std::string_view(tz) != "Europe/Bratislava") return;
        std::tm winter{}, summer{};
        LocalCalendarTime(1800014400, winter);  // 2027-01-15 12:00 UTC
        LocalCalendarTime(1814443200, summer);  // 2027-07-01 12:00 UTC
        EXPECT_TRUE(winter.tm_hour == 13 && summer.tm_hour == 14)
            << "the local zone is not Central European time (under Wine: TZ=Europe/Bratislava from outside)";
    }
    ~LocalZone() { ReadZone(); }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    ScopedEnv env_;
};

}  // namespace kalvo::test
