// A save of the user's file under the folder's lock: unchanged on disk, and after another process's
// save that has to be merged in.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "bench_data.h"
#include "quiet_dialogs.h"
#include "storage/record_merge.h"
#include "storage/reminder_store.h"

namespace kalvo::bench {
namespace {

class FixedClock final : public Clock {
public:
    LocalMoment Now() const override { return LocalMoment{46363, 9, 0, 0}; }
};

struct Folder {
    Folder()
        : path(std::filesystem::temp_directory_path() / ("kalvo-bench-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(path);
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

TReminder Extra(std::int64_t i) {
    TReminder r;
    r.Date = 46400 + static_cast<DayNumber>(i % 1000);
    r.Time = 0.5;
    r.Text = "z príkazového riadka " + std::to_string(i);
    return r;
}

// Durability is left out: the figure is the lock, the comparison and the merge, not the disk.
void SharedSave(benchmark::State& state, bool outsideChange) {
    Folder folder;
    QuietDialogs dialogs;
    FixedClock clock;
    const storage::DataFiles files{folder.path, "eva"};
    storage::ReminderStore mine(files, dialogs, clock, storage::Durability::NoFlush);
    storage::ReminderStore theirs(files, dialogs, clock, storage::Durability::NoFlush);
    mine.OpenUserFile();
    mine.Reminders() = MakeList(static_cast<std::size_t>(state.range(0)), 46363);
    mine.Commit();
    theirs.OpenUserFile();
    std::int64_t i = 0;
    for (auto _ : state) {
        if (outsideChange) {
            state.PauseTiming();
            theirs.TakeOutsideChanges();
            theirs.Reminders().push_back(Extra(i++));
            theirs.Commit();
            state.ResumeTiming();
        }
        mine.Reminders().push_back(Extra(i++));
        if (!mine.Commit()) state.SkipWithError("save failed");
    }
}

void BM_SaveUnchangedOnDisk(benchmark::State& state) { SharedSave(state, false); }
BENCHMARK(BM_SaveUnchangedOnDisk)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SaveAfterOutsideChange(benchmark::State& state) { SharedSave(state, true); }
BENCHMARK(BM_SaveAfterOutsideChange)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MergeRecords(benchmark::State& state) {
    const ReminderList base = MakeList(static_cast<std::size_t>(state.range(0)), 46363);
    ReminderList mine = base, theirs = base;
    mine.push_back(Extra(1));
    theirs.erase(theirs.begin());
    theirs.push_back(Extra(2));
    for (auto _ : state) benchmark::DoNotOptimize(storage::MergeRecords(base, mine, theirs));
}
BENCHMARK(BM_MergeRecords)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvo::bench
