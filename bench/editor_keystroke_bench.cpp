// One keystroke in a cell of a 10 MB database, from the editor's text change
// to the file written, against the floor of reading the file and replacing
// it durably with the same bytes.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "editor_bench_support.h"

namespace {

using namespace zebbench;

void EditorKeystroke(benchmark::State &State) {
    const bool crc = State.range(0) != 0;
    zebtest::TempDir dir;
    const std::string path = dir.Write("ten.db", TenMegabytes(crc));
    auto form = WindowWithTable(path, 5);
    form->ListBox1Click();
    int value = 0;
    for (auto _ : State) {
        // Field ID of record 1234, as the in-place editor reports a change.
        form->StringGrid1SetEditText(1, 1235, QString::number(++value % 1000));
    }
    State.SetLabel(crc ? "crc layout" : "sum layout");
}
BENCHMARK(EditorKeystroke)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The library's save flushes the folder after the rename too; both floors.
void FloorReadAndReplaceDurably(benchmark::State &State) {
    zebtest::TempDir dir;
    const std::string path = dir.Write("ten.db", TenMegabytes(true));
    const bool flushFolder = State.range(0) != 0;
    for (auto _ : State) ReadAndReplaceDurably(path, flushFolder);
    State.SetLabel(flushFolder ? "file and folder flushed" : "file flushed");
}
BENCHMARK(FloorReadAndReplaceDurably)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
