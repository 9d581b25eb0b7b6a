// Skipping idle seconds must change nothing: the first due second against a search of every second, and
// whole runs with and without skipping against each other.

#include "scheduler/virtual_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <random>

#include "core/due.h"
#include "scheduler/local_time.h"
#include "scheduler/next_due.h"
#include "scheduler_fixture.h"
#include "support/scoped_env.h"

namespace kalvo::test {
namespace {

using scheduler::SecondKey;

const DayNumber kDay = Day(2026, 12, 7);

// Reminders around kDay with every kind of notice series, and the odd values damaged files hold.
ReminderList RandomList(std::mt19937& rng, int n) {
    std::uniform_int_distribution<int> day(-3, 3), second(0, 86399), kind(0, 9), period(-1, 4), weekDay(0, 6);
    auto time = [&] { return second(rng) / 86400.0; };
    ReminderList list;
    for (int i = 0; i < n; ++i) {
        TReminder r = Ordinary(kDay + day(rng), time(), "r" + std::to_string(i));
        const int k = kind(rng);
        if (k <= 4) r = WithNotice(r, r.Date - 1 - static_cast<int>(rng() % 4), period(rng), time(), weekDay(rng));
        if (k == 5) r = NameDay(r.Date, r.Time, r.Date - static_cast<int>(rng() % 2), time(), rng() % 2 == 0);
        if (k == 6) r = WithNotice(r, r.Date, rpNone, 0.0);  // no extra alarm
        if (k == 7 && i % 3 == 0) r.Time = 1.25;
        if (k == 7 && i % 3 == 1) r.NoticeTime = std::numeric_limits<double>::quiet_NaN();
        if (k == 8) r.NoticeTime = -r.NoticeTime;  // already given
        list.push_back(r);
    }
    return list;
}

TEST(FirstDueSecond, AgreesWithASearchOfEverySecond) {
    std::mt19937 rng(7);
    const ReminderList list = RandomList(rng, 150);
    const SecondKey from = scheduler::KeyOf(LocalMoment{kDay - 1, 13, 17, 41});
    const SecondKey limit = from + 2 * 86400;
    for (const TReminder& r : list) {
        std::optional<SecondKey> expected;
        for (SecondKey k = from; k <= limit && !expected; ++k) {
            const LocalMoment m = scheduler::MomentOf(k);
            if (ReminderDue(r, m.day, m.TimeOfDay())) expected = k;
        }
        EXPECT_EQ(scheduler::FirstDueSecond(r, from, limit), expected) << r.Text;
    }
}

TEST(VirtualRun, SkippingIdleSecondsGivesTheSameAlarmsAndFiles) {
    const std::int32_t codes[] = {tsOff, tsHalfHour, tsHourly, tsTwoHours, tsNoon, tsAtTime};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        TSettings settings;
        settings.TimeSignalInterval = codes[seed % 6];
        settings.TimeSignalAt = seed % 6 == 5 ? static_cast<int>(rng() % 86400) / 86400.0 : -1.0;
        settings.DeleteOldReminders = seed % 2;
        settings.MoveToNextYear = (seed / 2) % 2;
        const ReminderList list = seed % 4 == 3 ? ReminderList{} : RandomList(rng, 30);
        const SecondKey from = scheduler::KeyOf(LocalMoment{kDay - 1, static_cast<int>(rng() % 24), 7, 13});
        const SecondKey to = from + 3 * 86400;

        World every, skipping;
        for (World* w : {&every, &skipping}) {
            w->settings = settings;
            w->clock.Set(from);
            w->Start(list);
            w->Ticks(from, to, w == &skipping);
        }
        ASSERT_EQ(every.host.alarms.size(), skipping.host.alarms.size());
        for (std::size_t i = 0; i < every.host.alarms.size(); ++i) {
            EXPECT_EQ(scheduler::KeyOf(every.host.alarms[i].at), scheduler::KeyOf(skipping.host.alarms[i].at));
            EXPECT_EQ(every.host.alarms[i].alarm, skipping.host.alarms[i].alarm);
        }
        EXPECT_EQ(every.File("eva.dat"), skipping.File("eva.dat"));
        EXPECT_EQ(every.File("eva_old.dat"), skipping.File("eva_old.dat"));
        EXPECT_EQ(every.sched->State().LastSignalHour, skipping.sched->State().LastSignalHour);
    }
}

// Time zones come from TZ; these tests pin it, so the machine's own zone never leaks in.
class Zone {
public:
    explicit Zone(const char* tz) : env_("TZ", std::string(tz)) { tzset(); }
    ~Zone() { tzset(); }

private:
    ScopedEnv env_;
};

SecondKey Wall(int y, int mo, int d, int h, int mi, int s) {
    return scheduler::KeyOf(LocalMoment{Day(y, mo, d), h, mi, s});
}

TEST(LocalClock, ReadingsThatDoNotExistNeverComeAndTheHourGoneBackComesTwice) {
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime of Windows knows no zone names";
#endif
    const Zone zone("Europe/Bratislava");
    // 28 March 2027: at 2:00 the clocks go forward to 3:00.
    const scheduler::Instant beforeJump = scheduler::FirstInstantReading(Wall(2027, 3, 28, 1, 59, 59));
    EXPECT_EQ(scheduler::LocalReading(beforeJump + 1), Wall(2027, 3, 28, 3, 0, 0));
    EXPECT_EQ(scheduler::FirstInstantReading(Wall(2027, 3, 28, 2, 30, 0)), beforeJump + 1);
    EXPECT_EQ(scheduler::LastInstantReading(Wall(2027, 3, 28, 2, 30, 0)), beforeJump);
    EXPECT_EQ(scheduler::SameOffsetThrough(beforeJump - 100, beforeJump + 100), beforeJump);
    // 31 October 2027: at 3:00 they go back to 2:00, so 2:30 comes twice, an hour apart.
    const SecondKey twice = Wall(2027, 10, 31, 2, 30, 0);
    EXPECT_EQ(scheduler::LastInstantReading(twice) - scheduler::FirstInstantReading(twice), 3600);
    EXPECT_EQ(scheduler::LocalReading(scheduler::FirstInstantReading(twice)), twice);
    const scheduler::Instant plain = scheduler::FirstInstantReading(Wall(2027, 6, 1, 12, 0, 0));
    EXPECT_EQ(scheduler::LastInstantReading(Wall(2027, 6, 1, 12, 0, 0)), plain);
    EXPECT_EQ(scheduler::SameOffsetThrough(plain, plain + 86400), plain + 86400);
}

TEST(VirtualRun, WalksTheLocalClockAcrossDaylightSavingChanges) {
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime of Windows knows no zone names";
#endif
    const Zone zone("Europe/Bratislava");
    struct Night {
        SecondKey from, to;
        TReminder reminder;
        std::vector<SecondKey> alarms;
    };
    const Night nights[] = {
        // The reminder of a reading that never comes fires when the clock jumps past it.
        {Wall(2027, 3, 28, 1, 0, 0),
         Wall(2027, 3, 28, 4, 0, 0),
         Ordinary(Day(2027, 3, 28), At(2, 30), "jar"),
         {Wall(2027, 3, 28, 3, 0, 0)}},
        {Wall(2027, 10, 31, 1, 0, 0),
         Wall(2027, 10, 31, 4, 0, 0),
         Ordinary(Day(2027, 10, 31), At(2, 30), "jeseň"),
         {Wall(2027, 10, 31, 2, 30, 0)}},
    };
    for (const Night& n : nights) {
        SCOPED_TRACE(n.reminder.Text);
        World every, skipping;
        for (World* w : {&every, &skipping}) {
            w->clock.Set(n.from);
            w->Start({n.reminder});
            scheduler::RunLocalTicks(*w->sched, w->clock, scheduler::FirstInstantReading(n.from),
                                     scheduler::LastInstantReading(n.to), w == &skipping, [] {});
        }
        for (const World* w : {&every, &skipping}) {
            std::vector<SecondKey> at;
            for (const auto& a : w->host.alarms) at.push_back(scheduler::KeyOf(a.at));
            EXPECT_EQ(at, n.alarms);
        }
        EXPECT_EQ(every.File("eva.dat"), skipping.File("eva.dat"));
        EXPECT_EQ(every.File("eva_old.dat"), skipping.File("eva_old.dat"));
    }
}

}  // namespace
}  // namespace kalvo::test
