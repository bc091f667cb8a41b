#include "DemoDatabase.h"

#include <array>
#include <bit>
#include <cstring>
#include <string>

namespace zebdemo {
namespace {

using zebtest::Bytes;
using zebtest::FieldSpec;
using zebtest::TableSpec;

constexpr uint16_t String = 0, Signed = 2, Unsigned = 3, Float = 4, Integer = 718, Other = 9;

// A small deterministic generator, so the demo files are the same every time.
class Dice {
  public:
    uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state_ >> 33);
    }
    uint32_t Below(uint32_t Limit) { return Next() % Limit; }

  private:
    uint64_t state_ = 0x5EED;
};

// Writes a field's value into a record: numbers bit by bit at their offset,
// strings as bytes from the field's first byte, padded with zeros.
void Put(Bytes &Record, const FieldSpec &Field, uint64_t Value) {
    zebtest::SetBits(Record, Field.BitOffset, Field.BitCount, Value);
}
void Put(Bytes &Record, const FieldSpec &Field, const std::string &Text) {
    const size_t size = (Field.BitCount + 7) / 8;
    for (size_t i = 0; i < size; ++i) Record.at(Field.BitOffset / 8 + i) = i < Text.size() ? static_cast<uint8_t>(Text[i]) : 0;
}
void PutFloat(Bytes &Record, const FieldSpec &Field, float Value) { Put(Record, Field, std::bit_cast<uint32_t>(Value)); }

TableSpec Units() {
    TableSpec t;
    t.Name = "UNIT";
    t.RecordSize = 18;
    t.Fields = {{String, "NAME", 0, 64},     {Unsigned, "HP", 64, 16}, {Signed, "ATK", 80, 12},
                {Float, "SPD", 92, 32},      {Integer, "LVL", 124, 7}, {Other, "FLAG", 131, 5},
                {Unsigned, "ELIT", 136, 1}};
    const std::array<const char *, 8> names = {"Archer", "Knight", "Golem", "Wyvern", "Scout", "Mage", "Ogre", "Rat"};
    Dice dice;
    for (int r = 0; r < 40; ++r) {
        Bytes rec = zebtest::Record(t.RecordSize);
        Put(rec, t.Fields[0], std::string(names[r % names.size()]) + (r >= 8 ? std::to_string(r / 8) : ""));
        Put(rec, t.Fields[1], 50 + dice.Below(2000));
        Put(rec, t.Fields[2], static_cast<uint64_t>(static_cast<int64_t>(dice.Below(4000)) - 2000));
        PutFloat(rec, t.Fields[3], 0.5f + static_cast<float>(dice.Below(900)) / 100.0f);
        Put(rec, t.Fields[4], 1 + dice.Below(99));
        Put(rec, t.Fields[5], dice.Below(32));
        Put(rec, t.Fields[6], r % 5 == 0);
        if (r % 9 == 4) zebtest::MarkDeleted(rec);
        t.Records.push_back(rec);
    }
    t.SpareSlots = 3;
    return t;
}

TableSpec Items() {
    TableSpec t;
    t.Name = "ITEM";
    t.RecordSize = 24;
    t.Fields = {{String, "DESC", 0, 96},  {Unsigned, "PRIC", 96, 32}, {Float, "WGT", 131, 32},
                {Signed, "BON", 163, 9},  {Integer, "KIND", 172, 4}};
    const std::array<std::string, 6> descriptions = {"Sword", "Shield\x01", "Potion\tRed", "Rope", "Map\nNorth", "Key \xE9"};
    Dice dice;
    for (int r = 0; r < 120; ++r) {
        Bytes rec = zebtest::Record(t.RecordSize);
        Put(rec, t.Fields[0], descriptions[r % descriptions.size()]);
        Put(rec, t.Fields[1], r == 7 ? 0xFFFFFFFFull : dice.Below(100000));
        PutFloat(rec, t.Fields[2], r == 3 ? 1.1f : static_cast<float>(dice.Below(5000)) / 7.0f);
        Put(rec, t.Fields[3], static_cast<uint64_t>(static_cast<int64_t>(dice.Below(512)) - 256));
        Put(rec, t.Fields[4], dice.Below(16));
        if (r % 17 == 16) zebtest::MarkDeleted(rec);
        t.Records.push_back(rec);
    }
    return t;
}

TableSpec Texts() {
    TableSpec t;
    t.Name = "TEXT";
    t.RecordSize = 33;
    t.Fields = {{Unsigned, "ID", 0, 16}, {String, "LINE", 16, 240}};
    const std::array<std::string, 5> lines = {"Welcome, traveller.", "Press\x1B to flee", "Two\r\nlines",
                                              "$ starts this one", "Plain text again"};
    for (int r = 0; r < 25; ++r) {
        Bytes rec = zebtest::Record(t.RecordSize);
        Put(rec, t.Fields[0], 1000 + r);
        Put(rec, t.Fields[1], lines[r % lines.size()]);
        t.Records.push_back(rec);
    }
    return t;
}

// A table with fields but no records, and one with records but no fields.
TableSpec Empty() {
    TableSpec t;
    t.Name = "EMPT";
    t.RecordSize = 8;
    t.Fields = {{Unsigned, "A", 0, 8}, {String, "B", 8, 32}};
    t.SpareSlots = 2;
    return t;
}

TableSpec NoFields() {
    TableSpec t;
    t.Name = "BARE";
    t.RecordSize = 2;
    for (int r = 0; r < 3; ++r) t.Records.push_back(zebtest::Record(t.RecordSize, {static_cast<uint8_t>(r)}));
    return t;
}

TableSpec Log() {
    TableSpec t;
    t.Name = "LOG";
    t.RecordSize = 16;
    t.Fields = {{Unsigned, "TIME", 0, 32}, {Integer, "EVNT", 33, 10}, {Float, "VAL", 43, 32},
                {Signed, "WHO", 75, 16},   {String, "NOTE", 96, 24}};
    const std::array<const char *, 4> notes = {"ok", "hit", "die", "lvl"};
    Dice dice;
    uint32_t time = 1000;
    for (int r = 0; r < 20000; ++r) {
        Bytes rec = zebtest::Record(t.RecordSize);
        time += 1 + dice.Below(30);
        Put(rec, t.Fields[0], time);
        Put(rec, t.Fields[1], dice.Below(1024));
        PutFloat(rec, t.Fields[2], static_cast<float>(static_cast<int32_t>(dice.Below(20000)) - 10000) / 8.0f);
        Put(rec, t.Fields[3], static_cast<uint64_t>(static_cast<int64_t>(dice.Below(65536)) - 32768));
        Put(rec, t.Fields[4], std::string(notes[dice.Below(notes.size())]));
        if (r % 97 == 96) zebtest::MarkDeleted(rec);
        t.Records.push_back(rec);
    }
    t.SpareSlots = 16;
    return t;
}

}  // namespace

zebtest::DatabaseSpec DemoDatabase(bool CrcLayout) {
    zebtest::DatabaseSpec database;
    database.Crc = CrcLayout;
    database.Tables = {Units(), Items(), Texts(), Empty(), NoFields(), Log()};
    return database;
}

}  // namespace zebdemo
