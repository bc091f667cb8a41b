// The spreadsheet export of a 20,000 x 100 table: time and peak memory of the
// whole export (file written, flushed and renamed), of the workbook stream
// alone into a sink that only counts, to tell encoding from disk cost, and of
// merely making the cells' texts, the floor of any export.
//
//   build/default/bench/workbook_bench [--benchmark_repetitions=3]
//
// The export folder is $ZEB_BENCH_DIR or the system's temporary folder. The
// cells are made on the fly, so the memory shown is the writer's own.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "ByteSink.h"
#include "SheetName.h"
#include "WorkbookStream.h"
#include "WorkbookWriter.h"

namespace {

constexpr size_t Rows = 20000;
constexpr size_t Columns = 100;

// Text like a game database's: names, numbers and some 8-bit characters.
std::u16string CellOf(size_t Row, size_t Column) {
    if (Row == 0) return u"Field " + std::u16string(1, static_cast<char16_t>(u'A' + Column % 26));
    std::string text = std::to_string(Row * 131 + Column * 7);
    std::u16string out(u"item ");
    for (char c : text) out.push_back(static_cast<char16_t>(c));
    if (Column % 5 == 0) out += u" \u00E4\u00F6\u00FC\u00DF";
    return out;
}

// The process's memory high-water mark is reset, so that the figure after the
// export is the export's own peak.
void ResetPeakMemory() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
}

double StatusMiB(const char *Field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(Field, 0) == 0) return std::atof(line.c_str() + std::string(Field).size()) / 1024.0;
    }
    return 0;
}

std::string ExportFolder() {
    const char *folder = std::getenv("ZEB_BENCH_DIR");
    if (folder == nullptr) folder = std::getenv("TMPDIR");
    return folder != nullptr ? folder : "/tmp";
}

class CountingSink : public zebedit::workbook::ByteSink {
  public:
    void Write(const uint8_t *, size_t Length) override { bytes += Length; }
    void Overwrite(uint64_t, const uint8_t *, size_t) override {}
    uint64_t bytes = 0;
};

void ExportWorkbook(benchmark::State &State) {
    const std::string path = ExportFolder() + "/workbook_bench_" + std::to_string(::getpid()) + ".xls";
    // The first export shows the growth; later ones reuse the memory the
    // first one freed, so the largest of each figure is kept.
    double peak = 0, before = 0, growth = 0;
    for (auto _ : State) {
        State.PauseTiming();
        ::unlink(path.c_str());
        const double resident = StatusMiB("VmRSS:");
        ResetPeakMemory();
        State.ResumeTiming();
        zebedit::WriteXlsWorkbook(path, u"Items", Rows, Columns, CellOf);
        State.PauseTiming();
        const double high = StatusMiB("VmHWM:");
        if (before == 0) before = resident;
        peak = std::max(peak, high);
        growth = std::max(growth, high - resident);
        State.ResumeTiming();
    }
    std::ifstream written(path, std::ios::binary | std::ios::ate);
    State.counters["file_MiB"] = static_cast<double>(written.tellg()) / (1024.0 * 1024.0);
    State.counters["rss_before_MiB"] = before;
    State.counters["peak_rss_MiB"] = peak;
    State.counters["peak_growth_MiB"] = growth;
    State.counters["cells_per_s"] = benchmark::Counter(static_cast<double>(Rows * Columns), benchmark::Counter::kIsIterationInvariantRate);
    ::unlink(path.c_str());
}
BENCHMARK(ExportWorkbook)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void EncodeWorkbookStreamOnly(benchmark::State &State) {
    uint64_t bytes = 0;
    for (auto _ : State) {
        CountingSink sink;
        zebedit::workbook::WriteWorkbookStream(sink, u"Items", Rows, Columns, CellOf);
        bytes = sink.bytes;
    }
    State.counters["stream_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(EncodeWorkbookStreamOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The floor: only asking for every cell's text, as any export must.
void CellTextsOnly(benchmark::State &State) {
    for (auto _ : State) {
        size_t characters = 0;
        for (size_t row = 0; row < Rows; ++row) {
            for (size_t column = 0; column < Columns; ++column) characters += CellOf(row, column).size();
        }
        benchmark::DoNotOptimize(characters);
    }
}
BENCHMARK(CellTextsOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
