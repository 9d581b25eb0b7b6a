// A change of the system's time zone while the program runs: reminders keep to the wall clock of the
// new zone from the next minute on, as the program ticks with the computer's clock.

#include <gtest/gtest.h>

#include "scheduler/scheduler.h"
#include "scheduler_fixture.h"
#include "support/zone_file.h"

namespace kalvo::test {
namespace {

// 7 December 2026 0:00 UTC.
constexpr std::int64_t kMidnightUtc = 1796601600;

struct ZoneRun {
    std::vector<std::int64_t> alarmsAtUtc;
};

// Ticks every second from `fromUtc` to `toUtc` over a reminder at 6:30 local time, with the zone file
// swapped from `before` to `after` at `swapUtc`.
ZoneRun RunAcrossSwap(const std::string& before, const std::string& after, std::int64_t fromUtc, std::int64_t swapUtc,
                      std::int64_t toUtc) {
    TempFolder folder;
    const SwappableZone zone(folder / "zone", before);
    std::int64_t utc = fromUtc;
    const SystemClock clock([&] { return utc; });
    const DayNumber day = Day(2026, 12, 7);
    folder.Write("eva.dat", *storage::EncodeReminderFile({Ordinary(day, At(6, 30), "budík")}));
    FakeDialogs dialogs;
    TSettings settings;
    storage::ReminderStore store{storage::DataFiles{folder.Path(), "eva"}, dialogs, clock,
                                 storage::Durability::NoFlush};
    store.OpenUserFile();
    FakeSound sound;
    FakeHost host;
    ZoneRun run;
    host.onAlarm = [&](const scheduler::Alarm&) { run.alarmsAtUtc.push_back(utc); };
    const TextLocale locale = TextLocale::Slovak();
    scheduler::Scheduler sched(clock, settings, store, sound, host, locale);
    for (; utc <= toUtc; ++utc) {
        if (utc == swapUtc) zone.SwapTo(after);
        sched.Tick();
    }
    return run;
}

class ZoneChange : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "Windows has no zone files; the system tells the C runtime of a change";
#endif
        if (!SwappableZone::Available("Europe/Bratislava") || !SwappableZone::Available("Europe/London"))
            GTEST_SKIP() << "no tzdata";
    }
};

TEST_F(ZoneChange, AReminderAt630FiresAt630OfTheNewZoneWhenTheClockGoesBack) {
    // At 5:29:30 UTC Bratislava reads 6:29:30; London, the new zone, reads 5:29:30. The reminder comes
    // at 6:30 London time, an hour later, not at 6:30 of the old zone.
    const std::int64_t from = kMidnightUtc + 5 * 3600 + 29 * 60;
    const ZoneRun run = RunAcrossSwap("Europe/Bratislava", "Europe/London", from, from + 30, from + 3660);
    EXPECT_EQ(run.alarmsAtUtc, std::vector<std::int64_t>{kMidnightUtc + 6 * 3600 + 30 * 60});
}

TEST_F(ZoneChange, AReminderAt630FiresAt630OfTheNewZoneWhenTheClockGoesForward) {
    // At 5:29:30 UTC London reads 5:29:30; Bratislava, the new zone, reads 6:29:30: the reminder comes
    // half a minute later, at 6:30 Bratislava time.
    const std::int64_t from = kMidnightUtc + 5 * 3600 + 29 * 60;
    const ZoneRun run = RunAcrossSwap("Europe/London", "Europe/Bratislava", from, from + 30, from + 3660);
    EXPECT_EQ(run.alarmsAtUtc, std::vector<std::int64_t>{kMidnightUtc + 5 * 3600 + 30 * 60});
}

}  // namespace
}  // namespace kalvo::test
