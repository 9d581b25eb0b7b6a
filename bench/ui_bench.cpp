// The main window's list over a large reminder file: rebuilding the rows after a save, the whole
// save-and-reload cycle, painting the list box (only the rows in view are drawn) and scrolling it from
// the first row to the last.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include <QApplication>
#include <QScrollBar>

#include "app/program_windows.h"
#include "bench_data.h"
#include "storage/reminder_file.h"
#include "support/fake_dialogs.h"
#include "support/fake_platform.h"
#include "support/temp_folder.h"
#include "ui/main_window/kalvounit.h"

namespace kalvo::bench {
namespace {

const DayNumber kToday = 46363;

// The program's windows over a user file of `n` reminders, in a folder of their own.
struct Program {
    test::TempFolder folder;
    test::FakeClock clock;
    test::FakePlatform platform;
    test::FakeDialogs dialogs;
    std::unique_ptr<ui::AppContext> ctx;
    std::unique_ptr<app::ProgramWindows> windows;

    explicit Program(std::size_t n) {
        clock.now = LocalMoment{kToday, 9, 0, 0};
        platform.programFolder = folder.Path();
        ctx = std::make_unique<ui::AppContext>(clock, platform, dialogs);
        ctx->files = storage::DataFiles{folder.Path(), "eva"};
        folder.Write("eva.dat", *storage::EncodeReminderFile(MakeList(n, kToday)));
        windows = std::make_unique<app::ProgramWindows>(*ctx);
    }
    ui::TMainForm& Main() { return *windows->main; }
};

void BM_RowsAfterReload(benchmark::State& state) {
    Program program(static_cast<std::size_t>(state.range(0)));
    storage::ReminderStore& store = program.Main().Store();
    for (auto _ : state) store.onReloaded();
    state.counters["rows"] = program.Main().MesgList->Count();
}
BENCHMARK(BM_RowsAfterReload)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveAndReload(benchmark::State& state) {
    Program program(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) program.Main().CommitChange(/*sort=*/false);
}
BENCHMARK(BM_SaveAndReload)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_PaintList(benchmark::State& state) {
    Program program(static_cast<std::size_t>(state.range(0)));
    ui::TMainForm& main = program.Main();
    main.show();
    for (auto _ : state) benchmark::DoNotOptimize(main.MesgList->grab());
    main.hide();
}
BENCHMARK(BM_PaintList)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

// The whole list paged through as the scroll bar's page step moves it, every page painted at once as
// the screen would show it. One iteration is the full scroll; "slowest_page_ms" is the longest any one
// page took, the stall a user would see.
void BM_ScrollList(benchmark::State& state) {
    Program program(static_cast<std::size_t>(state.range(0)));
    ui::TMainForm& main = program.Main();
    main.show();
    QApplication::processEvents();
    QListView& list = *main.MesgList;
    QScrollBar& bar = *list.verticalScrollBar();
    double slowest = 0;
    int pages = 0;
    for (auto _ : state) {
        pages = 0;
        bar.setValue(bar.minimum());
        for (int at = bar.minimum();; at = std::min(at + std::max(bar.pageStep(), 1), bar.maximum())) {
            const auto started = std::chrono::steady_clock::now();
            bar.setValue(at);
            list.viewport()->repaint();
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started;
            slowest = std::max(slowest, took.count());
            ++pages;
            if (at == bar.maximum()) break;
        }
    }
    main.hide();
    const QModelIndex last = list.model()->index(list.model()->rowCount() - 1, 0);
    if (!list.visualRect(last).intersects(list.viewport()->rect()))
        state.SkipWithError("the scroll did not reach the last row");
    state.counters["pages"] = pages;
    state.counters["slowest_page_ms"] = slowest;
}
BENCHMARK(BM_ScrollList)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kalvo::bench

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
