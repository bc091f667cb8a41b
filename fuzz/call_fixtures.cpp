// The small valid databases the call fuzzer starts from. Their fields never
// overlap one another or the deleted bit, their counts agree with the
// deleted bits, and their check words are right: every invariant holds at
// the start, so any break is the work of the calls.
#include <bit>

#include "call_script.h"

namespace zebfuzz {
namespace {

using zebtest::Bytes;
using zebtest::DatabaseSpec;
using zebtest::FieldSpec;
using zebtest::SetBits;
using zebtest::TableSpec;

// Every field kind, a signed field that holds a negative value in one live
// record (its value index cannot be built until that changes), a field too
// wide to index, a deleted record and spare slots.
TableSpec Items() {
    TableSpec t;
    t.Name = "ITEM";
    t.RecordSize = 15;  // 120 bits; bit 119 is the deleted bit
    t.Fields = {
        FieldSpec{3, "ID", 0, 8},     FieldSpec{2, "NEG", 8, 6},    FieldSpec{718, "CNT", 14, 12},
        FieldSpec{3, "FLAG", 26, 1},  FieldSpec{3, "WIDE", 27, 29}, FieldSpec{0, "TXT", 56, 24},
        FieldSpec{4, "FLT", 80, 32},
    };
    struct Row {
        uint8_t Id;
        int8_t Neg;
        uint16_t Count;
        const char *Text;
        float Float;
        bool Deleted;
    };
    const Row rows[] = {{1, 5, 100, "ab", 1.5f, false},
                        {2, -1, 7, "xyz", -2.0f, false},
                        {1, 3, 100, "", 0.0f, false},
                        {3, 0, 4095, "q", 1e30f, true},
                        {2, 31, 0, "zz", 0.25f, false}};
    for (const Row &row : rows) {
        Bytes r(t.RecordSize, 0);
        SetBits(r, 0, 8, row.Id);
        SetBits(r, 8, 6, static_cast<uint8_t>(row.Neg) & 0x3F);
        SetBits(r, 14, 12, row.Count);
        SetBits(r, 26, 1, row.Id & 1);
        SetBits(r, 27, 29, 0x1ABCDEF0u + row.Id);
        for (size_t i = 0; row.Text[i]; ++i) r[7 + i] = static_cast<uint8_t>(row.Text[i]);
        SetBits(r, 80, 32, std::bit_cast<uint32_t>(row.Float));
        if (row.Deleted) zebtest::MarkDeleted(r);
        t.Records.push_back(r);
    }
    t.SpareSlots = 2;
    return t;
}

// A full table between two others: growing it moves the table after it.
TableSpec Full() {
    TableSpec t;
    t.Name = "FULL";
    t.RecordSize = 2;
    t.Fields = {FieldSpec{3, "A", 0, 4}, FieldSpec{3, "B", 4, 11}};
    t.Records = {zebtest::Record(2, {0x21, 0x03}), zebtest::Record(2, {0x15, 0x00}), zebtest::Record(2, {0x00, 0x7F})};
    return t;
}

TableSpec Empty() {
    TableSpec t;
    t.Name = "EMPT";
    t.RecordSize = 4;
    t.Fields = {FieldSpec{3, "V", 0, 16}};
    return t;
}

// One-byte records: the field shares its byte with the deleted bit.
TableSpec OneByte() {
    TableSpec t;
    t.Name = "ONE";
    t.RecordSize = 1;
    t.Fields = {FieldSpec{3, "X", 0, 7}};
    t.Records = {zebtest::Record(1, {0x05}), zebtest::Record(1, {0x85})};
    return t;
}

TableSpec NoFields() {
    TableSpec t;
    t.Name = "NOF";
    t.RecordSize = 3;
    t.Records = {zebtest::Record(3, {1, 2, 3})};
    t.SpareSlots = 1;
    return t;
}

DatabaseSpec Database(bool Crc, std::vector<TableSpec> Tables) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    spec.Tables = std::move(Tables);
    return spec;
}

}  // namespace

const std::vector<DatabaseSpec> &CallFixtures() {
    static const std::vector<DatabaseSpec> fixtures = {
        Database(true, {Items(), Full(), Empty()}),
        Database(false, {Items(), Full(), Empty()}),
        Database(true, {OneByte(), NoFields()}),
        Database(false, {OneByte(), NoFields()}),
    };
    return fixtures;
}

}  // namespace zebfuzz
