// Any bytes as a database file of either layout: open it, read every property
// and every value of every record as integer, float and text, look up values
// through the query call, save, reopen and save again.
//
// Then change the records of every table (add, delete, write a value, remove,
// compact), save, add with growth and save once more.
//
// What must hold:
//  - nothing crashes, and a file that opens can be saved, leaving no
//    temporary file behind;
//  - record calls keep the counts in range: an added record is live and
//    below RecordCount, a removal lowers RecordCount by one (never wrapping
//    below 0), and after compacting no table counts a deleted record;
//  - without growth they change nothing but record slots, the words that
//    count them and the check words;
//  - a save changes only the check words (and the CRC layout's FileSize):
//    every other byte is written back as it was read;
//  - query answers equal a plain scan of the live records;
//  - when no check word lies inside the area that another check word covers,
//    all check words of the saved file are right and saving it again
//    reproduces it byte for byte. (Where areas overlap, as in a damaged file
//    whose tables lie over one another, writing one check word changes what
//    another covers, and no save can make both right.)
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "file_areas.h"
#include "fuzz_support.h"

using namespace zebfuzz;

namespace {

// Bounds the work on files whose counts claim tens of thousands of records:
// value reads beyond it cover the first records and the last one of each
// table, and queries are made only while the scans stay within it.
constexpr int64_t ValueReadBudget = 1 << 10;
constexpr int64_t QueryScanBudget = 1 << 13;

// The records of a table whose values are read: all while the budget lasts,
// otherwise as many leading records as it allows, and always the last one.
std::vector<int32_t> RecordsToRead(int32_t Records, size_t FieldCount, int64_t &Budget) {
    if (Records <= 0) return {};
    const int64_t perRecord = std::max<int64_t>(1, static_cast<int64_t>(FieldCount));
    const int64_t leading = std::clamp<int64_t>(Budget / perRecord, 1, Records);
    std::vector<int32_t> chosen;
    for (int32_t r = 0; r < leading; ++r) chosen.push_back(r);
    if (Records > leading) chosen.push_back(Records - 1);
    Budget = std::max<int64_t>(0, Budget - static_cast<int64_t>(chosen.size()) * perRecord);
    return chosen;
}

void ReadValues(int32_t Handle, const std::string &Table, const std::vector<FieldInfo> &Fields, int32_t Record) {
    for (const FieldInfo &field : Fields) {
        ZEBFieldGetValueAsInteger(Handle, Table.c_str(), field.Name.c_str(), Record);
        ZEBFieldGetValueAsFloat(Handle, Table.c_str(), field.Name.c_str(), Record);
        // The buffer holds what the call may write (BitCount bytes, at least
        // one) but no more than the value's text needs: a text field's bytes
        // (inside a record of at most 65535) and a zero, or a number's digits.
        const uint64_t bits = static_cast<uint32_t>(field.BitCount);
        const uint64_t needed = field.FieldType == ZEB_FT_STRING ? std::min<uint64_t>((bits + 7) / 8, 65535) + 1 : 32;
        const auto size = static_cast<size_t>(std::max<uint64_t>(1, std::min(bits, needed)));
        std::unique_ptr<char[]> buffer(new char[size]);
        char *p = buffer.get();
        Check(ZEBFieldGetValueAsString(Handle, Table.c_str(), field.Name.c_str(), Record, &p),
              "text of " + Table + "." + field.Name + " of addressable record " + std::to_string(Record));
        Check(p == buffer.get(), "the text call must leave the buffer pointer as it was");
    }
}

// Calls name tables and fields by name, and a name reaches the first table
// or field that has it: later ones of the same name cannot be addressed.
template <typename Item>
bool FirstOfItsName(const std::vector<Item> &Earlier, const std::string &Name) {
    for (const Item &e : Earlier)
        if (e.Name == Name) return false;
    return true;
}

void ReadEverything(int32_t Handle) {
    int64_t valueBudget = ValueReadBudget, scanBudget = QueryScanBudget;
    const int32_t count = ZEBDatabaseGetTableCount(Handle);
    struct Seen {
        std::string Name;
    };
    std::vector<Seen> tables;
    for (int32_t t = 0; t < count; ++t) {
        TableProperties props;
        std::string table;
        Check(TableAt(Handle, t, props, table), "table " + std::to_string(t) + " below the table count");
        Check(props.FieldCount >= 0 && props.Capacity >= 0 && props.RecordCount >= 0 && props.DeletedCount >= 0,
              "negative count in table " + table);
        if (!FirstOfItsName(tables, table)) continue;
        tables.push_back({table});
        const std::vector<FieldInfo> all = FieldsOf(Handle, table, props.FieldCount);
        FieldProperties none{};
        Check(!ZEBFieldGetProperties(Handle, table.c_str(), props.FieldCount, &none), "field past FieldCount");
        std::vector<FieldInfo> fields;
        for (const FieldInfo &f : all)
            if (FirstOfItsName(fields, f.Name)) fields.push_back(f);

        const int32_t records = AddressableRecords(props);
        for (int32_t r : RecordsToRead(records, fields.size(), valueBudget)) {
            ZEBTableRecordDeleted(Handle, table.c_str(), r);
            ReadValues(Handle, table, fields, r);
        }
        // The first record past the addressable ones is refused.
        for (const FieldInfo &field : fields) {
            char buffer[8];
            char *p = buffer;
            Check(!ZEBFieldGetValueAsString(Handle, table.c_str(), field.Name.c_str(), records, &p),
                  "record " + std::to_string(records) + " of " + table + " is not addressable");
        }
        for (const FieldInfo &field : fields) {
            if (scanBudget < 2 * int64_t{records}) break;
            scanBudget -= 2 * int64_t{records};
            const int32_t value =
                records > 0 ? ZEBFieldGetValueAsInteger(Handle, table.c_str(), field.Name.c_str(), 0) : 0;
            CheckQuery(Handle, table, records, field, value);
        }
    }
    TableProperties props;
    std::string name;
    Check(!TableAt(Handle, std::max(count, 0), props, name), "table at the table count");
}

TableProperties PropertiesOf(int32_t Handle, int32_t Index) {
    TableProperties props;
    std::string name;
    Check(TableAt(Handle, Index, props, name), "table " + std::to_string(Index));
    return props;
}

// The tables that can be named (the first of each name), at most a few, as
// list positions.
std::vector<int32_t> NamedTables(int32_t Handle) {
    std::vector<FieldInfo> seen;  // names only
    std::vector<int32_t> positions;
    for (int32_t t = 0; t < std::min(ZEBDatabaseGetTableCount(Handle), 8); ++t) {
        TableProperties props;
        std::string name;
        Check(TableAt(Handle, t, props, name), "table " + std::to_string(t));
        if (!FirstOfItsName(seen, name)) continue;
        seen.push_back(FieldInfo{name});
        positions.push_back(t);
    }
    return positions;
}

std::string NameOf(int32_t Handle, int32_t Position) {
    TableProperties props;
    std::string name;
    Check(TableAt(Handle, Position, props, name), "table " + std::to_string(Position));
    return name;
}

// Adds a record; an added record must be live and addressable.
void AddRecord(int32_t Handle, int32_t Position, bool Grow) {
    const std::string table = NameOf(Handle, Position);
    const int32_t added = ZEBTableRecordAdd(Handle, table.c_str(), Grow ? 1 : 0);
    if (added == 65535) return;
    Check(added < AddressableRecords(PropertiesOf(Handle, Position)) &&
              !ZEBTableRecordDeleted(Handle, table.c_str(), added),
          "the record added to " + table + " is not a live addressable record");
}

// Record and value calls on every table that can be named, without growth:
// they may change only record slots and the words that count them.
void ChangeRecords(int32_t Handle) {
    for (int32_t t : NamedTables(Handle)) {
        const std::string table = NameOf(Handle, t);
        const char *name = table.c_str();
        AddRecord(Handle, t, false);
        if (ZEBTableRecordChangeDeleted(Handle, name, 0, 0))
            Check(ZEBTableRecordDeleted(Handle, name, 0), "record 0 of " + table + " was reported deleted");
        FieldProperties field{};
        char fieldName[5] = {};
        field.Name = fieldName;
        if (ZEBFieldGetProperties(Handle, name, 0, &field)) ZEBFieldSetValueAsInteger(Handle, name, fieldName, 0, 1);

        const TableProperties before = PropertiesOf(Handle, t);
        const int32_t last = AddressableRecords(before) - 1;
        const bool removed = ZEBTableRecordRemove(Handle, name, std::max(last, 0));
        const TableProperties after = PropertiesOf(Handle, t);
        Check(removed == (last >= 0), "removing the last addressable record of " + table);
        Check(after.RecordCount == before.RecordCount - (removed ? 1 : 0),
              "a removal from " + table + " must lower RecordCount by exactly one");
    }
    Check(ZEBDatabaseCompact(Handle), "compact");
    for (int32_t t = 0; t < ZEBDatabaseGetTableCount(Handle); ++t) {
        const TableProperties after = PropertiesOf(Handle, t);
        Check(after.DeletedCount == 0 && after.FirstDeleted == 65535, "a table counts deleted records after compact");
    }
}

// Between two saves with only record and value calls in between, every byte
// that changed is a check word or lies in a table's record area (as either
// file describes it, should a count word lie over another table's header).
void CheckOnlyRecordsChanged(const Bytes &Before, const Bytes &After) {
    Check(After.size() == Before.size(), "record calls without growth changed the file's length");
    const FileAreas a = FileAreas::Of(Before), b = FileAreas::Of(After);
    for (size_t i = 0; i < Before.size(); ++i) {
        if (Before[i] == After[i]) continue;
        Check(a.IsRecordArea(i) || b.IsRecordArea(i) || a.IsWritten(i) || b.IsWritten(i),
              "record calls changed byte " + std::to_string(i) + ", outside every table's records");
    }
}

// Saves the open database and returns the file as written.
Bytes SaveAndRead(int32_t Handle, const std::string &Path) {
    Check(ZEBSave(Handle), "a file that opened could not be saved");
    Check(!FileExists(TemporaryFileOf(Path)), "the save left its temporary file");
    return zebtest::ReadFile(Path);
}

// The checks of a save without changes (see the top of the file).
void CheckUnchangedSave(const Bytes &Input, const Bytes &First, const std::string &Path) {
    const FileAreas areas = FileAreas::Of(Input);
    Check(First.size() == Input.size(), "a save without changes must keep the file's length");
    for (size_t i = 0; i < Input.size(); ++i) {
        if (First[i] != Input[i] && !areas.IsWritten(i))
            Fail("the save changed byte " + std::to_string(i) + ", which is not a check word");
    }
    // A sum that happens to equal the CRC layout's magic would make the saved
    // file read as the other layout; that needs a file of half a megabyte.
    if (areas.Overlap() || FileAreas::Of(First).Crc() != areas.Crc()) return;

    const std::string problems = zebtest::CheckWordProblems(First, areas.Crc());
    Check(problems.find("wrong") == std::string::npos && problems.find("FileSize") == std::string::npos,
          "check words of the saved file: " + problems);

    const int32_t again = ZEBOpen(Path.c_str());
    Check(again >= 0, "the saved file does not open");
    const Bytes second = SaveAndRead(again, Path);
    Check(ZEBClose(again), "close");
    Check(second == First, "saving the saved file again changed it");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    const std::string path = ScratchFile("open.db");
    const Bytes input(Data, Data + Size);
    zebtest::WriteFile(path, input);

    const int32_t handle = ZEBOpen(path.c_str());
    if (handle < 0) return 0;  // refusing a file is allowed; crashing is not
    ReadEverything(handle);
    const Bytes first = SaveAndRead(handle, path);
    Check(ZEBClose(handle), "close");
    CheckUnchangedSave(input, first, path);

    // Overlapping check words may have changed the structure the saved file
    // describes, so that it no longer opens.
    const int32_t changed = ZEBOpen(path.c_str());
    if (changed < 0) return 0;
    ChangeRecords(changed);
    CheckOnlyRecordsChanged(first, SaveAndRead(changed, path));
    for (int32_t t : NamedTables(changed)) AddRecord(changed, t, true);
    SaveAndRead(changed, path);
    Check(ZEBClose(changed), "close");
    return 0;
}
