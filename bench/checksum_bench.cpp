// CalcCrc32 and CalcByteSum over 50 MB, on every path the CPU supports, beside
// memcpy of the same buffer. The memcpy case runs first; every later case
// reports its CPU time per pass as a multiple of memcpy's (x_memcpy): CPU
// time, because the machine is shared and wall time counts the other users.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstring>
#include <string>
#include <vector>

#include "uDBHash.h"
#include "uDBHash_Paths.h"

namespace {

using zeb::dbhash::CrcPath;
using zeb::dbhash::SumPath;

constexpr size_t BufferBytes = 50u * 1000 * 1000;

const std::vector<uint8_t> &Source() {
    static const std::vector<uint8_t> data = [] {
        std::vector<uint8_t> d(BufferBytes);
        uint32_t x = 12345;
        for (auto &b : d) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 16);
        return d;
    }();
    return data;
}

// memcpy's time per pass in its last (reported) run.
double memcpySecondsPerPass = 0;

enum class Role { Baseline, Compared };

// Runs Pass over the buffer and reports bytes per second and the memcpy ratio.
template <typename Pass>
void Measure(benchmark::State &state, Role role, Pass pass) {
    const std::clock_t start = std::clock();
    for (auto _ : state) pass();
    const double elapsed = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * BufferBytes));
    const double perPass = elapsed / static_cast<double>(state.iterations());
    if (role == Role::Baseline) memcpySecondsPerPass = perPass;
    else if (memcpySecondsPerPass > 0) state.counters["x_memcpy"] = perPass / memcpySecondsPerPass;
}

void Memcpy(benchmark::State &state) {
    const auto &source = Source();
    std::vector<uint8_t> target(BufferBytes, 1);  // touched, so no page faults are timed
    Measure(state, Role::Baseline, [&] {
        std::memcpy(target.data(), source.data(), BufferBytes);
        benchmark::ClobberMemory();
    });
}

void Crc(benchmark::State &state, CrcPath path) {
    if (!zeb::dbhash::ForceCrcPath(path)) return state.SkipWithError("the CPU cannot run this path");
    const auto &source = Source();
    Measure(state, Role::Compared, [&] {
        benchmark::DoNotOptimize(zeb::CalcCrc32(source.data(), static_cast<uint32_t>(BufferBytes), 0xFFFFFFFFu));
    });
    zeb::dbhash::UseFastestPaths();
}

void Sum(benchmark::State &state, SumPath path) {
    if (!zeb::dbhash::ForceSumPath(path)) return state.SkipWithError("the CPU cannot run this path");
    const auto &source = Source();
    Measure(state, Role::Compared, [&] {
        benchmark::DoNotOptimize(zeb::CalcByteSum(source.data(), static_cast<int32_t>(BufferBytes)));
    });
    zeb::dbhash::UseFastestPaths();
}

}  // namespace

int main(int argc, char **argv) {
    Source();
    benchmark::RegisterBenchmark("memcpy/50MB", Memcpy)->Unit(benchmark::kMillisecond);
    const std::pair<CrcPath, const char *> crcPaths[] = {
        {CrcPath::Clmul512, "Clmul512"}, {CrcPath::Clmul256, "Clmul256"}, {CrcPath::Clmul128, "Clmul128"},
        {CrcPath::Slicing16, "Slicing16"}, {CrcPath::Table, "Table"}};
    for (const auto &[path, name] : crcPaths)
        benchmark::RegisterBenchmark((std::string("CalcCrc32/50MB/") + name).c_str(), Crc, path)
            ->Unit(benchmark::kMillisecond);
    const std::pair<SumPath, const char *> sumPaths[] = {
        {SumPath::Avx2, "Avx2"}, {SumPath::Sse2, "Sse2"}, {SumPath::Plain, "Plain"}};
    for (const auto &[path, name] : sumPaths)
        benchmark::RegisterBenchmark((std::string("CalcByteSum/50MB/") + name).c_str(), Sum, path)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
