// Reading and writing the reminder file.

#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "storage/reminder_file.h"

namespace kalvo::bench {
namespace {

void BM_EncodeReminderFile(benchmark::State& state) {
    const ReminderList list = MakeList(static_cast<std::size_t>(state.range(0)), 46363);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto out = storage::EncodeReminderFile(list);
        bytes = out->size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_EncodeReminderFile)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DecodeReminderFile(benchmark::State& state) {
    const auto bytes = *storage::EncodeReminderFile(MakeList(static_cast<std::size_t>(state.range(0)), 46363));
    for (auto _ : state) {
        auto decoded = storage::DecodeReminderFile(bytes);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size()) * state.iterations());
}
BENCHMARK(BM_DecodeReminderFile)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvo::bench
