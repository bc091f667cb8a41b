// Loading a 65,535-record table of 100 fields into the grid, against the
// same value calls made without the grid, side by side; time and the peak
// resident memory of each.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench_data.h"
#include "editor_bench_support.h"
#include "zebcore.h"

namespace {

using namespace zebbench;

const std::string &WidePath() {
    static zebtest::TempDir dir;
    static const std::string path = dir.Write("wide.db", WideTable());
    return path;
}

// Exactly the library calls of a table load, results thrown away.
void BareValueCalls(benchmark::State &State) {
    const std::string &path = WidePath();
    ResetPeakResidentMemory();
    for (auto _ : State) {
        const int32_t db = ZEBOpen(path.c_str());
        char table[5] = {};
        TableProperties properties{table, 0, 0, 0, 0, 0};
        ZEBTableGetProperties(db, 0, &properties);
        int64_t sum = 0;
        for (int32_t f = 0; f < properties.FieldCount; ++f) {
            char name[5] = {};
            FieldProperties field{name, 0, 0};
            ZEBFieldGetProperties(db, table, f, &field);
            std::vector<char> buffer(static_cast<size_t>(std::max(field.BitCount, 1)) + 1);
            char *text = buffer.data();
            for (int32_t r = 0; r < properties.RecordCount; ++r) {
                switch (field.FieldType) {
                case ZEB_FT_STRING:
                    ZEBFieldGetValueAsString(db, table, name, r, &text);
                    sum += text[0];
                    break;
                case ZEB_FT_FLOAT: sum += static_cast<int64_t>(ZEBFieldGetValueAsFloat(db, table, name, r)); break;
                default: sum += ZEBFieldGetValueAsInteger(db, table, name, r); break;
                }
            }
        }
        benchmark::DoNotOptimize(sum);
        ZEBClose(db);
    }
    State.counters["peak_MiB"] = PeakResidentMiB();
}
BENCHMARK(BareValueCalls)->Unit(benchmark::kMillisecond)->Iterations(3);

// The table load of the window: ListBox1Click with the table selected.
void GridLoad(benchmark::State &State) {
    const std::string &path = WidePath();
    ResetPeakResidentMemory();
    auto form = WindowWithTable(path, 0);
    for (auto _ : State) form->ListBox1Click();
    if (form->StringGrid1->Grid().RecordCount() != 65535) State.SkipWithError("the table did not load");
    State.counters["peak_MiB"] = PeakResidentMiB();
}
BENCHMARK(GridLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
