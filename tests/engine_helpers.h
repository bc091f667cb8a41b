// Small helpers shared by the engine tests: a database built in memory from a
// fixture description.
#pragma once

#include <memory>

#include "fixture_builder.h"
#include "uZEB_Database.h"

namespace zebtest {

inline std::unique_ptr<zeb::TzebDatabase> Load(const Bytes &Image, bool Crc, const std::string &Path = "unsaved.db") {
    return std::make_unique<zeb::TzebDatabase>(Image, Path, Crc);
}

inline std::unique_ptr<zeb::TzebDatabase> Load(const DatabaseSpec &Spec) { return Load(BuildImage(Spec), Spec.Crc); }

// One table "TAB" of RecordSize-byte records with the given fields.
inline DatabaseSpec OneTable(bool Crc, uint16_t RecordSize, std::vector<FieldSpec> Fields, std::vector<Bytes> Records,
                             uint16_t Spare = 0) {
    DatabaseSpec spec;
    spec.Crc = Crc;
    TableSpec t;
    t.Name = "TAB";
    t.RecordSize = RecordSize;
    t.Fields = std::move(Fields);
    t.Records = std::move(Records);
    t.SpareSlots = Spare;
    spec.Tables.push_back(t);
    return spec;
}

}  // namespace zebtest

namespace zebtest {

template <size_t N>
uint32_t DecodeAt(const std::array<uint8_t, N> &Header, size_t Offset) {
    return static_cast<uint32_t>(Header[Offset]) | (static_cast<uint32_t>(Header[Offset + 1]) << 8) |
           (static_cast<uint32_t>(Header[Offset + 2]) << 16) | (static_cast<uint32_t>(Header[Offset + 3]) << 24);
}

}  // namespace zebtest
