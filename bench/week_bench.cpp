// The week view over a large list: the seven counts and labels, and the rows of one picked day.

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "core/week_view.h"

namespace kalvo::bench {
namespace {

const TextLocale kLocale = TextLocale::Slovak();

void BM_ShowWeek(benchmark::State& state) {
    const DayNumber today = 46363;
    const ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), today);
    for (auto _ : state) benchmark::DoNotOptimize(ShowWeek(list, today, today, kLocale));
}
BENCHMARK(BM_ShowWeek)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Every record a long monthly or yearly series that overlaps the week: the slowest projections there are.
void BM_ShowWeekLongSeries(benchmark::State& state) {
    const DayNumber today = 46363;
    ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), today);
    for (std::size_t i = 0; i < list.size(); ++i) {
        TReminder& r = list[i];
        r.IsNameDay = r.IsBirthday = 0;
        r.Notice = 1;
        r.Period = i % 2 ? rpMonthly : rpYearly;
        r.NoticeFrom = r.NoticeNext = today - 36500 + static_cast<DayNumber>(i % 31);
        r.Date = today + 36500;
    }
    for (auto _ : state) benchmark::DoNotOptimize(ShowWeek(list, today, today, kLocale));
}
BENCHMARK(BM_ShowWeekLongSeries)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_WeekDayRows(benchmark::State& state) {
    const DayNumber today = 46363;
    const ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), today);
    for (auto _ : state) benchmark::DoNotOptimize(WeekDayRows(list, today, kLocale));
}
BENCHMARK(BM_WeekDayRows)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvo::bench
