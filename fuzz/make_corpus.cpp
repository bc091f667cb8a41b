// Writes the seed corpus of the fuzz targets: database files of both layouts,
// sound and damaged, for fuzz_open, and call scripts on each starting
// database for fuzz_calls. Run from the source folder after a change to the
// fixtures or the script format:
//   build/fuzz/fuzz/fuzz_make_corpus fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "call_script.h"
#include "fixture_builder.h"

using namespace zebtest;
using zebfuzz::Op;
using zebfuzz::ScriptWriter;

namespace {

DatabaseSpec TwoTables(bool Crc) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec a;
    a.Name = "ALPH";
    a.RecordSize = 5;
    a.Fields = {{3, "X", 3, 13}, {0, "NAME", 16, 24}, {2, "S", 0, 3}, {4, "F", 0, 32}};
    a.Records = {Record(5, {1, 2, 'a', 'b', 'c'}), Record(5, {3, 4, 'd', 0, 0x80}), Record(5, {7, 0, 'x'})};
    a.SpareSlots = 2;
    TableSpec b;
    b.Name = "BETA";
    b.RecordSize = 3;
    b.Fields = {{718, "Y", 0, 16}, {3, "Z", 16, 7}};
    b.Records = {Record(3, {9, 9, 9}), Record(3, {1, 0, 0x81})};
    spec.Tables = {a, b};
    return spec;
}

// A sound database changed by Damage, named after the damage.
struct OpenSeed {
    std::string Name;
    std::function<void(DatabaseSpec &)> Damage;
};

// Counts far beyond what the file holds (the builder would write every slot
// they claim, so they are patched into the built image): the first table's
// Capacity and RecordCount, and the second's RecordSize 0 with 4000 records.
Bytes HugeCounts(bool Crc) {
    const DatabaseSpec spec = TwoTables(Crc);
    Bytes image = BuildImage(spec);
    const size_t base = Crc ? 28 + 8 * 2 : 8 + 16 * 2;
    const size_t first = base, second = base + Get32(image, Crc ? 24 + 8 + 4 : 4 + 16 + 8);
    Put16(image, first + 16, 65535);
    Put16(image, first + 18, 65535);
    Put16(image, second + (Crc ? 4 : 8), 0);
    Put16(image, second + 16, 4000);
    Put16(image, second + 18, 4000);
    return image;
}

const std::vector<OpenSeed> &OpenSeeds() {
    static const std::vector<OpenSeed> seeds = {
        {"sound", [](DatabaseSpec &) {}},
        {"no-tables", [](DatabaseSpec &s) { s.Tables.clear(); }},
        {"wrong-check-words",
         [](DatabaseSpec &s) {
             s.WrongHeaderCrc = s.WrongDirectoryCrc = s.WrongFileSum = true;
             s.Tables[0].WrongHeaderCrc = s.Tables[1].WrongDataCrc = true;
             s.FileSize = 3;
         }},
        {"table-beyond-end", [](DatabaseSpec &s) { s.Tables[1].TableOffset = 0x7FFF0000; }},
        {"same-table-twice", [](DatabaseSpec &s) { s.Tables[1].TableOffset = 0; }},
        {"same-names",
         [](DatabaseSpec &s) {
             s.Tables[1].Name = s.Tables[0].Name;
             s.Tables[0].Fields[1].Name = s.Tables[0].Fields[0].Name;
         }},
        {"count-above-capacity", [](DatabaseSpec &s) { s.Tables[0].RecordCount = 9; }},
        {"deleted-counts-wrong",
         [](DatabaseSpec &s) {
             s.Tables[0].DeletedCount = 3;
             s.Tables[0].FirstDeleted = 0;
             s.Tables[1].DeletedCount = 0;
         }},
        {"fields-past-record",
         [](DatabaseSpec &s) {
             s.Tables[0].Fields = {{3, "FAR", 37, 8}, {3, "WIDE", 2, 100}, {0, "LONG", 8, 4000}, {9, "ODD", 1, 0},
                                   {2, "S64", 0, 64}};
         }},
        {"descriptors-past-end", [](DatabaseSpec &s) { s.Tables[1].FieldCount = 60; }},
        {"record-size-zero",
         [](DatabaseSpec &s) {
             s.Tables[0].RecordSize = 0;
             s.Tables[0].Records.clear();
             s.Tables[0].Capacity = s.Tables[0].RecordCount = 3;
         }},
    };
    return seeds;
}

void Write(const std::filesystem::path &Path, const Bytes &Data) {
    WriteFile(Path.string(), Data);
    std::printf("%s (%zu bytes)\n", Path.string().c_str(), Data.size());
}

void WriteOpenSeeds(const std::filesystem::path &Folder) {
    for (bool crc : {true, false}) {
        const std::string layout = crc ? "crc-" : "sum-";
        for (const OpenSeed &seed : OpenSeeds()) {
            DatabaseSpec spec = TwoTables(crc);
            seed.Damage(spec);
            Write(Folder / (layout + seed.Name + ".db"), BuildImage(spec));
        }
        Write(Folder / (layout + "huge-counts.db"), HugeCounts(crc));
        // Cut short: inside a record, inside the descriptors, inside the
        // directory.
        const Bytes whole = BuildImage(TwoTables(crc));
        for (size_t keep : {whole.size() - 3, size_t{crc ? 70u : 60u}, size_t{crc ? 30u : 12u}})
            Write(Folder / (layout + "cut-" + std::to_string(keep) + ".db"), Bytes(whole.begin(), whole.begin() + keep));
    }
    DatabaseSpec negative = TwoTables(true);
    negative.TableCount = -1;
    Write(Folder / "crc-table-count-negative.db", BuildImage(negative));
    DatabaseSpec many = TwoTables(true);
    many.TableCount = 100000;
    Write(Folder / "crc-table-count-huge.db", BuildImage(many));
    const auto &fixtures = zebfuzz::CallFixtures();
    for (size_t i = 0; i < fixtures.size(); ++i)
        Write(Folder / ("calls-fixture-" + std::to_string(i) + ".db"), BuildImage(fixtures[i]));
}

// Scripts that touch every operation; each is written for every starting
// database (selectors wrap, so they stay meaningful on each).
std::vector<std::pair<std::string, std::function<void(ScriptWriter &)>>> Scripts() {
    return {
        {"values",
         [](ScriptWriter &w) {
             w.Do(Op::Query, {0, 0}).Word16(1);
             w.Do(Op::SetInteger, {0, 0, 0}).Word32(2);
             w.Do(Op::SetInteger, {0, 2, 1}).Word32(100);
             w.Do(Op::SetFloat, {0, 6, 4}).Word32(0x3FC00000);
             w.Do(Op::SetString, {0, 5, 2, 5}).Text("hello");
             w.Do(Op::Read, {0, 6, 4}).Do(Op::Read, {0, 5, 2}).Do(Op::Save).Do(Op::Reopen);
         }},
        {"records",
         [](ScriptWriter &w) {
             w.Do(Op::Delete, {0, 0}).Do(Op::Add, {0, 0}).Do(Op::Add, {1, 1}).Do(Op::Add, {2, 1});
             w.Do(Op::Add, {2, 0}).Do(Op::Save).Do(Op::Reopen).Do(Op::Compact).Do(Op::Save);
         }},
        {"mixed",
         [](ScriptWriter &w) {
             w.Do(Op::Query, {0, 2}).Word16(100);
             w.Do(Op::Undelete, {0, 3, 1}).Do(Op::Remove, {0, 1}).Do(Op::Query, {0, 1}).Word16(3);
             w.Do(Op::SetInteger, {0, 1, 0}).Word32(0xFFFFFFFE);
             w.Do(Op::Remove, {1, 255}).Do(Op::Add, {1, 0}).Do(Op::Save).Do(Op::Reopen);
         }},
    };
}

void WriteCallSeeds(const std::filesystem::path &Folder) {
    for (uint8_t fixture = 0; fixture < zebfuzz::CallFixtures().size(); ++fixture) {
        for (const auto &[name, build] : Scripts()) {
            ScriptWriter w(fixture);
            build(w);
            Write(Folder / (name + "-" + std::to_string(fixture) + ".bin"), w.Bytes());
        }
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::filesystem::create_directories(root / "fuzz_open");
    std::filesystem::create_directories(root / "fuzz_calls");
    WriteOpenSeeds(root / "fuzz_open");
    WriteCallSeeds(root / "fuzz_calls");
    return 0;
}
