// The due test over a whole list, and the sort.

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "core/due.h"
#include "core/zorad.h"

namespace kalvo::bench {
namespace {

void BM_ReminderDueWholeList(benchmark::State& state) {
    const DayNumber today = 46363;
    // Only future reminders, as in a list that the scheduler keeps up to date.
    ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), today);
    for (TReminder& r : list) {
        if (r.Date <= today) r.Date = today + 1 + (today - r.Date);
        if (r.NoticeNext != 0 && r.NoticeNext <= today) r.NoticeNext = today + 1;
        if (r.NoticeFrom <= today) r.NoticeFrom = today + 1;
    }
    const double t = 10.5 / 24.0;
    for (auto _ : state) {
        int due = 0;
        for (const TReminder& r : list) due += ReminderDue(r, today, t) ? 1 : 0;
        benchmark::DoNotOptimize(due);
    }
}
BENCHMARK(BM_ReminderDueWholeList)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Zorad over a fresh copy of `source` in every round.
void TimeZorad(benchmark::State& state, const ReminderList& source) {
    ReminderList list;
    for (auto _ : state) {
        state.PauseTiming();
        list = source;  // the previous round's records are freed here, outside the timing
        state.ResumeTiming();
        Zorad(list);
        benchmark::DoNotOptimize(list);
    }
}

void BM_Zorad(benchmark::State& state) {
    const double duplicates = static_cast<double>(state.range(1)) / 100.0;
    const ReminderList source = MakeList(static_cast<std::size_t>(state.range(0)), 46363, duplicates);
    TimeZorad(state, source);
}
BENCHMARK(BM_Zorad)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({10000, 10})
    ->Args({100000, 10})
    ->Unit(benchmark::kMillisecond);

// A list as it is saved: already in order, with one new record appended at the end.
void BM_ZoradAfterAppend(benchmark::State& state) {
    ReminderList source = MakeList(static_cast<std::size_t>(state.range(0)), 46363, 0.1);
    Zorad(source);
    source.push_back(source[source.size() / 2]);
    TimeZorad(state, source);
}
BENCHMARK(BM_ZoradAfterAppend)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same without equal keys, the usual case: a new reminder has a moment no other one has.
void BM_ZoradAfterAddingOne(benchmark::State& state) {
    ReminderList source = MakeList(static_cast<std::size_t>(state.range(0)), 46363);
    Zorad(source);
    TReminder added = source[source.size() / 2];
    added.Time += 0.0001 / 86400.0;  // a tenth of a millisecond: the generated keys are whole milliseconds apart
    source.push_back(added);
    TimeZorad(state, source);
}
BENCHMARK(BM_ZoradAfterAddingOne)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvo::bench
