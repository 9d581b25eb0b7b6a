// The scheduler: the idle tick the program runs every second, and a year of virtual time.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>

#include "bench_data.h"
#include "platform/silent_platform.h"
#include "quiet_dialogs.h"
#include "scheduler/scheduler.h"
#include "scheduler/virtual_run.h"
#include "storage/reminder_file.h"

// Every allocation of the process is counted, so a benchmark can show that a loop allocates nothing.
// (GCC takes the malloc inside the replaced operator new for a mismatch with free.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
namespace {
std::atomic<long long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kalvo::bench {
namespace {

class CountingHost final : public scheduler::SchedulerHost {
public:
    void ShowAlarm(const scheduler::Alarm&) override { ++alarms; }
    bool ShowShutdownCountdown() override { return true; }
    scheduler::ShutdownOrder CurrentShutdownOrder() const override { return {}; }
    void RefreshWeekView() override {}
    void SetTestTimerRunning(bool) override {}
    void SetBlinkTimerRunning(bool) override {}
    void ShowTrayImage(int) override {}
    long long alarms = 0;
};

constexpr DayNumber kToday = 46363;

// A list with nothing due today: every date and notice moved after today.
ReminderList FutureList(std::size_t n) {
    ReminderList list = MakeList(n, kToday);
    for (TReminder& r : list) {
        if (r.Date <= kToday) r.Date = kToday + 1 + (kToday - r.Date);
        if (r.NoticeNext != 0 && r.NoticeNext <= kToday) r.NoticeNext = kToday + 1;
        if (r.NoticeFrom <= kToday) r.NoticeFrom = kToday + 1;
    }
    return list;
}

// Ticks the scheduler over `store` and counts what they allocate; any alarm or failed save is an error.
void MeasureIdleTicks(benchmark::State& state, const scheduler::VirtualClock& clock, const TSettings& settings,
                      storage::ReminderStore& store, const QuietDialogs& dialogs) {
    SilentPlatform platform;
    CountingHost host;
    const TextLocale locale = TextLocale::Slovak();
    scheduler::Scheduler sched(clock, settings, store, platform, host, locale);
    const long long before = g_allocations.load();
    for (auto _ : state) sched.Tick();
    state.counters["allocations"] = static_cast<double>(g_allocations.load() - before);
    if (host.alarms != 0 || dialogs.errors != 0) state.SkipWithError("the idle tick did something");
}

// A tick with nothing due, the time signal on but not in this minute. The store's folder does not
// exist: a tick that tried to save would fail and be counted.
void BM_IdleTick(benchmark::State& state) {
    ReminderList list = FutureList(static_cast<std::size_t>(state.range(0)));
    QuietDialogs dialogs;
    scheduler::VirtualClock clock(scheduler::KeyOf(LocalMoment{kToday, 10, 15, 30}));
    storage::ReminderStore store(storage::DataFiles{"/nonexistent/kalvo-bench", "eva"}, dialogs, clock);
    store.Reminders() = std::move(list);
    TSettings settings;
    settings.TimeSignalInterval = tsHourly;
    MeasureIdleTicks(state, clock, settings, store, dialogs);
}
BENCHMARK(BM_IdleTick)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same idle tick read from the computer's clock, as the program ticks: the local time of each tick
// and whatever keeps it right across a change of the time zone.
void BM_IdleTickSystemClock(benchmark::State& state) {
    const SystemClock clock;
    const DayNumber today = clock.Now().day;
    ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), today);
    for (TReminder& r : list) {
        if (r.Date <= today) r.Date = today + 1 + (today - r.Date);
        if (r.NoticeNext != 0 && r.NoticeNext <= today) r.NoticeNext = today + 1;
        if (r.NoticeFrom <= today) r.NoticeFrom = today + 1;
    }
    QuietDialogs dialogs;
    storage::ReminderStore store(storage::DataFiles{"/nonexistent/kalvo-bench", "eva"}, dialogs, clock);
    store.Reminders() = std::move(list);
    TSettings settings;
    SilentPlatform platform;
    CountingHost host;
    const TextLocale locale = TextLocale::Slovak();
    scheduler::Scheduler sched(clock, settings, store, platform, host, locale);
    for (auto _ : state) sched.Tick();
    if (host.alarms != 0 || dialogs.errors != 0) state.SkipWithError("the idle tick did something");
}
BENCHMARK(BM_IdleTickSystemClock)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The same idle tick with the lateness limit on and 50 alarms put off for later: 25 reminders of the
// list whose event has passed and 25 notices.
void BM_IdleTickWithSnoozes(benchmark::State& state) {
    ReminderList list = FutureList(static_cast<std::size_t>(state.range(0)));
    QuietDialogs dialogs;
    const scheduler::SecondKey now = scheduler::KeyOf(LocalMoment{kToday, 10, 15, 30});
    scheduler::VirtualClock clock(now);
    storage::ReminderStore store(storage::DataFiles{"/nonexistent/kalvo-bench", "eva"}, dialogs, clock);
    for (int i = 0; i < 25; ++i) {
        TReminder& passed = list[static_cast<std::size_t>(i) * 97];
        passed.Date = kToday - 1;
        store.Snoozes().push_back({now + 600 + i, storage::SnoozeKind::Event, passed});
        store.Snoozes().push_back(
            {now + 900 + i, storage::SnoozeKind::Notice, list[static_cast<std::size_t>(i) * 89 + 1]});
    }
    store.Reminders() = std::move(list);
    TSettings settings;
    settings.TimeSignalInterval = tsHourly;
    settings.LatenessLimitOn = 1;
    MeasureIdleTicks(state, clock, settings, store, dialogs);
}
BENCHMARK(BM_IdleTickWithSnoozes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A year of a 1,000-reminder list in virtual time with the hourly signal and the archive on, as
// kalvo-cli simulate runs it (without printing).
void BM_SimulateYear(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kalvo-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const DayNumber start = 46023;  // 1 January 2026
    const ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), start + 180);
    TSettings settings;
    settings.TimeSignalInterval = tsHourly;
    settings.DeleteOldReminders = 0;
    long long alarms = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(folder / "eva_old.dat");
        {
            std::FILE* f = std::fopen((folder / "eva.dat").c_str(), "wb");
            const auto bytes = *storage::EncodeReminderFile(list);
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        QuietDialogs dialogs;
        const scheduler::SecondKey from = scheduler::KeyOf(LocalMoment{start, 0, 0, 0});
        scheduler::VirtualClock clock(from);
        storage::ReminderStore store(storage::DataFiles{folder, "eva"}, dialogs, clock, storage::Durability::NoFlush);
        store.OpenUserFile();
        store.OpenArchive();
        SilentPlatform platform;
        CountingHost host;
        const TextLocale locale = TextLocale::Slovak();
        scheduler::Scheduler sched(clock, settings, store, platform, host, locale);
        state.ResumeTiming();
        scheduler::RunTicks(sched, clock, from, from + 365 * 86400 - 1, true, [] {});
        alarms = host.alarms;
    }
    state.counters["alarms"] = static_cast<double>(alarms);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SimulateYear)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kalvo::bench
