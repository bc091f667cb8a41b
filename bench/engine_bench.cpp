// Engine costs that the calls hide: compacting a large table, and the value
// index (build, lookup, memory) for narrow and wide fields.
#include <benchmark/benchmark.h>

#include "bench_data.h"
#include "uZEB_Database.h"

namespace {

using namespace zebbench;

// 65,535 records, every other one deleted, one 8-, 16- and 24-bit field.
Bytes HalfDeleted() {
    zebtest::DatabaseSpec spec;
    zebtest::TableSpec t;
    t.Name = "BIG";
    t.RecordSize = 12;
    t.Fields = {{3, "B8", 0, 8}, {3, "B16", 8, 16}, {3, "B24", 24, 24}};
    for (uint32_t r = 0; r < 65535; ++r) {
        Bytes rec(12);
        zebtest::SetBits(rec, 0, 8, r * 7);
        zebtest::SetBits(rec, 8, 16, r * 13);
        zebtest::SetBits(rec, 24, 24, r * 977);
        if (r % 2) zebtest::MarkDeleted(rec);
        t.Records.push_back(rec);
    }
    spec.Tables = {t};
    return zebtest::BuildImage(spec);
}

void CompactHalfDeleted(benchmark::State &State) {
    const Bytes image = HalfDeleted();
    const bool indexed = State.range(0) != 0;
    for (auto _ : State) {
        State.PauseTiming();
        zeb::TzebDatabase db(image, "unsaved.db", true);
        bool found = false;
        if (indexed) db.GetTable(0)->FindValue("B16", 0, found);
        State.ResumeTiming();
        db.Compact();
        benchmark::DoNotOptimize(db.GetTable(0)->RecordCount);
    }
    State.SetLabel(indexed ? "with a 16-bit field indexed" : "no index");
}
BENCHMARK(CompactHalfDeleted)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BuildValueIndex(benchmark::State &State) {
    const Bytes image = HalfDeleted();
    const char *field = State.range(0) == 8 ? "B8" : State.range(0) == 16 ? "B16" : "B24";
    size_t memory = 0;
    for (auto _ : State) {
        State.PauseTiming();
        zeb::TzebDatabase db(image, "unsaved.db", true);
        const size_t before = HeapInUse();
        State.ResumeTiming();
        db.GetTable(0)->BuildValueIndex(field);
        State.PauseTiming();
        memory = HeapInUse() - before;
        State.ResumeTiming();
    }
    State.counters["index_bytes"] = static_cast<double>(memory);
}
BENCHMARK(BuildValueIndex)->Arg(8)->Arg(16)->Arg(24)->Unit(benchmark::kMillisecond);

void LookupValue(benchmark::State &State) {
    const Bytes image = HalfDeleted();
    const char *field = State.range(0) == 8 ? "B8" : State.range(0) == 16 ? "B16" : "B24";
    zeb::TzebDatabase db(image, "unsaved.db", true);
    zeb::TzebTable &table = *db.GetTable(0);
    bool found = false;
    table.FindValue(field, 0, found);
    int64_t value = 0;
    const int64_t range = int64_t{1} << State.range(0);
    for (auto _ : State) {
        benchmark::DoNotOptimize(table.FindValue(field, value, found));
        value = (value + 7919) % range;
    }
}
BENCHMARK(LookupValue)->Arg(8)->Arg(16)->Arg(24);

}  // namespace

BENCHMARK_MAIN();
