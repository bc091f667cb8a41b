#include "client_fixture.h"

#include <cstring>
#include <exception>
#include <string>

#include "fixture_builder.h"

using namespace zebtest;

namespace {

uint32_t FloatBits(float Value) {
    uint32_t bits;
    std::memcpy(&bits, &Value, sizeof bits);
    return bits;
}

Bytes ItemRecord(const char *Name, uint16_t Code, float Cost, int8_t Level) {
    Bytes record = Record(12);
    std::memcpy(record.data(), Name, std::strlen(Name));
    SetBits(record, 32, 16, Code);
    SetBits(record, 48, 32, FloatBits(Cost));
    SetBits(record, 80, 8, static_cast<uint8_t>(Level));
    return record;
}

}  // namespace

extern "C" int ClientWriteDatabase(const char *Path, int Crc) {
    try {
        TableSpec item;
        item.Name = "ITEM";
        item.RecordSize = 12;
        item.Fields = {{0, "NAME", 0, 32}, {3, "CODE", 32, 16}, {4, "COST", 48, 32}, {2, "LVL", 80, 8}};
        item.Records = {ItemRecord("Axe", 5, 1.5f, 1), ItemRecord("Bow", 7, 2.5f, -3), ItemRecord("Cap", 9, 100.0f, 0)};
        item.SpareSlots = 2;

        TableSpec shop;
        shop.Name = "SHOP";
        shop.RecordSize = 4;
        shop.Fields = {{718, "ID", 0, 16}};
        shop.Records = {Record(4, {1}), Record(4, {2})};

        DatabaseSpec database;
        database.Crc = Crc != 0;
        database.Tables = {item, shop};
        WriteFile(Path, BuildImage(database));
        return 0;
    } catch (const std::exception &) {
        return 1;
    }
}

extern "C" const char *ClientCheckWordProblems(const char *Path, int Crc) {
    static std::string problems;
    try {
        problems = CheckWordProblems(ReadFile(Path), Crc != 0);
    } catch (const std::exception &error) {
        problems = error.what();
    }
    return problems.c_str();
}
