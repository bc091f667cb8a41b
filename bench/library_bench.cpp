// The library's costs through its exported calls: opening and saving a
// 10 MB file against the floor of replacing it durably, one keystroke as the
// editor makes it, and reading every cell of a large table.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "zebcore.h"

namespace {

using namespace zebbench;

void OpenSaveClose(benchmark::State &State) {
    const bool crc = State.range(0) != 0;
    zebtest::TempDir dir;
    const std::string path = dir.Write("ten.db", TenMegabytes(crc));
    for (auto _ : State) {
        const int32_t db = ZEBOpen(path.c_str());
        if (!ZEBSave(db)) State.SkipWithError("save failed");
        ZEBClose(db);
    }
    State.SetLabel(crc ? "crc layout" : "sum layout");
}
BENCHMARK(OpenSaveClose)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// What the editor does per keystroke in a cell.
void Keystroke(benchmark::State &State) {
    const bool crc = State.range(0) != 0;
    zebtest::TempDir dir;
    const std::string path = dir.Write("ten.db", TenMegabytes(crc));
    int32_t value = 0;
    for (auto _ : State) {
        const int32_t db = ZEBOpen(path.c_str());
        ZEBFieldSetValueAsInteger(db, "T5", "ID", 1234, ++value);
        if (!ZEBSave(db)) State.SkipWithError("save failed");
        ZEBClose(db);
    }
    State.SetLabel(crc ? "crc layout" : "sum layout");
}
BENCHMARK(Keystroke)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void FloorReadAndReplace(benchmark::State &State) {
    zebtest::TempDir dir;
    const std::string path = dir.Write("ten.db", TenMegabytes(true));
    const bool flushFolder = State.range(0) != 0;
    for (auto _ : State) ReadAndReplaceDurably(path, flushFolder);
    State.SetLabel(flushFolder ? "file and folder flushed" : "file flushed");
}
BENCHMARK(FloorReadAndReplace)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every field of every record of a 65,535 x 100 table through the calls.
void ReadEveryCell(benchmark::State &State) {
    zebtest::TempDir dir;
    const std::string path = dir.Write("wide.db", WideTable());
    const int32_t db = ZEBOpen(path.c_str());
    TableProperties table{nullptr, 0, 0, 0, 0, 0};
    ZEBTableGetProperties(db, 0, &table);
    std::vector<std::string> names;
    for (int32_t f = 0; f < table.FieldCount; ++f) {
        char name[5];
        FieldProperties field{name, 0, 0};
        ZEBFieldGetProperties(db, "WIDE", f, &field);
        names.push_back(name);
    }
    char buffer[128];
    char *p = buffer;
    const bool asText = State.range(0) != 0;
    for (auto _ : State) {
        int64_t sum = 0;
        for (int32_t r = 0; r < table.RecordCount; ++r) {
            for (const std::string &name : names) {
                if (asText) {
                    ZEBFieldGetValueAsString(db, "WIDE", name.c_str(), r, &p);
                    sum += buffer[0];
                } else {
                    sum += ZEBFieldGetValueAsInteger(db, "WIDE", name.c_str(), r);
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    ZEBClose(db);
    State.SetItemsProcessed(State.iterations() * int64_t{table.RecordCount} * table.FieldCount);
    State.SetLabel(asText ? "as text (cells/s)" : "as integer (cells/s)");
}
BENCHMARK(ReadEveryCell)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
