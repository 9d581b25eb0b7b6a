// iCalendar export and import of large lists through libical (the file of a long-kept calendar).

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "storage/ical/ical_exchange.h"

namespace kalvo::bench {
namespace {

constexpr DayNumber kToday = 46363;  // 7 December 2026

void BM_ExportICalendar(benchmark::State& state) {
    const ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), kToday, 0.0, 7);
    storage::ical::ExportOptions options;
    options.attachExistingFilesOnly = false;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto out = storage::ical::ExportICalendar(list, options);
        bytes = out.text.size();
        benchmark::DoNotOptimize(out.text.data());
    }
    state.counters["file_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ExportICalendar)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ImportICalendar(benchmark::State& state) {
    const ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), kToday, 0.0, 7);
    storage::ical::ExportOptions options;
    options.attachExistingFilesOnly = false;
    const std::string text = storage::ical::ExportICalendar(list, options).text;
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    storage::ical::ImportOptions at;
    at.today = kToday;
    for (auto _ : state) {
        const auto result = storage::ical::ImportICalendar(bytes, at);
        if (result.events.size() != list.size()) state.SkipWithError("not every event came back");
        benchmark::DoNotOptimize(result.events.data());
    }
    state.counters["file_MB"] = static_cast<double>(text.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ImportICalendar)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvo::bench
