// The export of a 20,000 x 100 grid to a workbook: time and peak resident
// memory.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "editor_bench_support.h"

namespace {

using namespace zebbench;

void ExportGrid(benchmark::State &State) {
    zebtest::TempDir dir;
    const std::string path = dir.Write("export.db", WideTable(100, 20000));
    auto form = WindowWithTable(path, 0);
    form->ListBox1Click();
    ResetPeakResidentMemory();
    State.counters["before_MiB"] = ResidentMiB();  // the window with the grid loaded
    for (auto _ : State) form->ToolButton4Click();
    State.counters["peak_MiB"] = PeakResidentMiB();
    State.counters["xls_MiB"] = static_cast<double>(zebtest::ReadFile(dir.File("WIDE.xls")).size()) / (1024.0 * 1024.0);
}
BENCHMARK(ExportGrid)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
