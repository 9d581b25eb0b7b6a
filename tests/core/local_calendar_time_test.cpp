// The local reading of instants by the zone of the process, and which zone that is.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "core/clock.h"
#include "support/scoped_env.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kalvo {
namespace {

std::int64_t DayOf(const std::tm& tm) { return CivilToDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday); }

// Whatever the zone, an instant reads within a day of its UTC date, outside the years the Windows C
// runtime converts too.
TEST(LocalCalendarTime, ReadsInstantsBefore1970AndAfter3000) {
    const struct {
        std::time_t instant;
        std::int64_t utcDay;
    } cases[] = {
        {-151675200, CivilToDay(1965, 3, 12)},   // 12:00 UTC
        {-11644344000, CivilToDay(1601, 1, 2)},  // the first day Windows' own clock knows, and one more
        {0, CivilToDay(1970, 1, 1)},             // the start of the runtime's range, in any zone west of UTC
        {48295224000, CivilToDay(3500, 6, 1)},   // 12:00 UTC
        {1814443200, CivilToDay(2027, 7, 1)},    // and within it
    };
    for (const auto& c : cases) {
        std::tm tm{};
        ASSERT_TRUE(LocalCalendarTime(c.instant, tm)) << c.instant;
        EXPECT_LE(std::abs(DayOf(tm) - c.utcDay), std::int64_t{1}) << c.instant;
    }
    std::tm tm{};
    EXPECT_FALSE(LocalCalendarTime(std::numeric_limits<std::time_t>::max(), tm));
    EXPECT_FALSE(LocalCalendarTime(std::numeric_limits<std::time_t>::min(), tm));
}

#ifdef _WIN32
// A TZ variable, as a Cygwin or MSYS shell leaves it, puts the C runtime off the Windows clock until the
// program takes the system's zone again.
TEST(UseSystemTimeZone, TakesTheWindowsZoneOverTz) {
    const test::ScopedEnv tz("TZ", std::string("Europe/Bratislava"));
    _tzset();
    UseSystemTimeZone();
    EXPECT_EQ(std::getenv("TZ"), nullptr);
    for (const std::time_t instant : {std::time_t{1800014400}, std::time_t{1814443200}}) {  // January, July 2027
        std::tm tm{};
        ASSERT_TRUE(LocalCalendarTime(instant, tm));
        FILETIME file;
        const ULONGLONG ticks = (static_cast<ULONGLONG>(instant) + 11644473600ULL) * 10000000ULL;
        file.dwLowDateTime = static_cast<DWORD>(ticks);
        file.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        SYSTEMTIME utc, local;
        ASSERT_TRUE(FileTimeToSystemTime(&file, &utc));
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(std::make_pair(tm.tm_mday, tm.tm_hour), std::make_pair(int{local.wDay}, int{local.wHour})) << instant;
    }
}
#else
TEST(UseSystemTimeZone, LeavesTzWhereItChoosesTheZone) {
    const test::ScopedEnv tz("TZ", std::string("Asia/Tokyo"));
    UseSystemTimeZone();
    ASSERT_NE(std::getenv("TZ"), nullptr);
    EXPECT_EQ(std::string(std::getenv("TZ")), "Asia/Tokyo");
}
#endif

}  // namespace
}  // namespace kalvo
