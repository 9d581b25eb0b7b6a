// The computer's clock follows a change of the time zone while the program runs.

#include <gtest/gtest.h>

#include "core/clock.h"
#include "core/time_zone.h"
#include "support/builders.h"
#include "support/temp_folder.h"
#include "support/zone_file.h"

namespace kalvo::test {
namespace {

// 7 December 2026 05:29:00 UTC: 6:29 in Bratislava (UTC+1), 5:29 in London (UTC+0).
constexpr std::int64_t kMorning = 1796621340;

std::string Reading(const LocalMoment& m) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d %02d:%02d:%02d", m.day - Day(2026, 12, 7), m.hour, m.minute, m.second);
    return buf;
}

TEST(SystemClock, FollowsAZoneFileSwappedWhileItRunsFromTheNextMinuteOn) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no zone files; the system tells the C runtime of a change";
#endif
    if (!SwappableZone::Available("Europe/Bratislava") || !SwappableZone::Available("Europe/London"))
        GTEST_SKIP() << "no tzdata";
    TempFolder folder;
    const SwappableZone zone(folder / "zone", "Europe/Bratislava");
    std::int64_t utc = kMorning;
    const SystemClock clock([&] { return utc; });
    EXPECT_EQ(Reading(clock.Now()), "0 06:29:00");

    zone.SwapTo("Europe/London");
    // Within the minute the zone is not looked at again: a tick reads no file.
    utc += 30;
    EXPECT_EQ(Reading(clock.Now()), "0 06:29:30");
    utc += 30;
    EXPECT_EQ(Reading(clock.Now()), "0 05:30:00");
    utc += 1;
    EXPECT_EQ(Reading(clock.Now()), "0 05:30:01");

    // And back again, with TZ still naming the same file.
    zone.SwapTo("Europe/Bratislava");
    utc += 59;
    EXPECT_EQ(Reading(clock.Now()), "0 06:31:00");
    zone.SwapTo("Asia/Tokyo");
    utc += 60;
    EXPECT_EQ(Reading(clock.Now()), "0 14:32:00");
}

TEST(SystemClock, AnAnnouncedChangeIsLookedAtWithinTheMinute) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no zone files";
#endif
    if (!SwappableZone::Available("Europe/Bratislava") || !SwappableZone::Available("Europe/London"))
        GTEST_SKIP() << "no tzdata";
    TempFolder folder;
    const SwappableZone zone(folder / "zone", "Europe/Bratislava");
    std::int64_t utc = kMorning;
    const SystemClock clock([&] { return utc; });
    EXPECT_EQ(Reading(clock.Now()), "0 06:29:00");
    zone.SwapTo("Europe/London");
    TimeZoneMayHaveChanged();
    utc += 10;
    EXPECT_EQ(Reading(clock.Now()), "0 05:29:10");
}

}  // namespace
}  // namespace kalvo::test
