// TzebTable: one table of the directory. Owns its field descriptors and its
// value index; works on its header and record slots in the database image.
//
// Tables whose stored header breaks the format's rules are handled without
// trusting it: only records below both RecordCount and Capacity are
// addressable, nothing is written outside the table's slots or the image, and
// the counts never wrap below 0.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "uZEB_Field.h"
#include "uZEB_ValueIndex.h"

namespace zeb {

class TzebDatabase;

// One directory entry as the loader hands it over.
struct TableEntry {
    uint8_t TableName[4];
    uint32_t TableOffset;
};

class TzebTable {
  public:
    static constexpr uint16_t NoRecord = 0xFFFF;
    // Offsets in the 36-byte header copy (the CRC-layout arrangement).
    static constexpr uint32_t CrcHeaderSize = 36;
    static constexpr uint32_t SumHeaderSize = 28;
    static constexpr uint32_t OffRecordSize = 4, OffCapacity = 16, OffRecordCount = 18, OffDeletedCount = 20,
                              OffFirstDeleted = 22, OffFieldCount = 24, OffHeaderCrc = 32;

    // StructureBudget: how many more bytes of headers and descriptors the
    // file may still provide; lowered by this table's. Raises FormatError
    // when the table would exceed it (tables that overlap each other).
    TzebTable(TzebDatabase &Database, int32_t DirIndex, const TableEntry &Entry, uint64_t &StructureBudget);
    ~TzebTable();
    TzebTable(const TzebTable &) = delete;
    TzebTable &operator=(const TzebTable &) = delete;

    std::array<uint8_t, CrcHeaderSize> Header{};
    std::vector<std::unique_ptr<TzebField>> Fields;
    uint64_t HeaderPos = 0;
    int32_t CurrentRecord = 0;
    uint16_t RecordSize = 0;
    uint16_t RecordCount = 0;
    std::string Name;
    uint64_t DataPos = 0;
    uint16_t Capacity = 0;
    uint32_t DataCrc = 0;
    int32_t DirIndex;
    uint16_t DeletedCount = 0;
    std::unique_ptr<TzebValueIndex> ValueIndex;
    bool BeyondEnd = false;
    TzebDatabase &Database;

    // Lookups ----------------------------------------------------------------
    TzebField *GetField(int32_t Index) const;
    TzebField *GetFieldByName(const std::string &Name) const;
    // The descriptors present in the file (the stored FieldCount unless the
    // descriptors run past the end of the image).
    int32_t GetFieldCount() const { return static_cast<int32_t>(Fields.size()); }
    uint16_t StoredFieldCount() const;
    void SetCurrentRecord(int32_t Index) { CurrentRecord = Index; }

    // Records that may be read and written: below RecordCount and Capacity.
    uint16_t AddressableRecords() const { return RecordCount < Capacity ? RecordCount : Capacity; }
    // Stream position of record slot Index.
    uint64_t RecordPos(int64_t Index) const { return DataPos + static_cast<uint64_t>(Index) * RecordSize; }

    // Records ------------------------------------------------------------------
    std::vector<uint8_t> ReadRecord(uint16_t Index) const;
    // Writes Data (RecordSize bytes) to slot Index and rebuilds the value
    // indexes. Does nothing for a slot that is not addressable.
    void WriteRecord(uint16_t Index, const uint8_t *Data);
    bool IsDeleted() const;
    bool IsRecordDeleted(uint16_t Index) const;
    uint16_t GetFirstDeleted() const;

    void SetCapacity(uint16_t Value);
    void SetRecordCount(uint16_t Value);
    void SetDeletedCount(uint16_t Value);
    void SetFirstDeleted(uint16_t Value);

    // The new record's index, or NoRecord when nothing was added.
    uint16_t AddRecord(bool Grow);
    // Removes an addressable record and closes the gap; returns false and
    // changes nothing for any other index.
    bool RemoveRecord(uint16_t Index);
    // A record that already has the requested state is left as it is.
    // Raises IndexError, changing nothing, when a value index cannot take the
    // record back (Live true and its value has no slot).
    void ChangeDeleted(uint16_t Index, bool Live);
    void RecomputeFirstDeleted(uint16_t Exclude);
    // Removes every deleted record in one pass, rebuilding the value indexes
    // once; returns how many were removed.
    uint32_t Compact();

    // Value index ----------------------------------------------------------------
    // The bucket of Value for the named field: none when the table has no such
    // field (the current record is then unchanged) or no live record holds
    // Value. Raises IndexError for fields and values that cannot be indexed.
    BucketRef FindValue(const std::string &FieldName, int64_t Value, bool &FieldFound);
    void BuildValueIndex(const std::string &FieldName);
    void RebuildValueIndexes();

    // Saving (CRC layout) ----------------------------------------------------
    void UpdateCrcs(bool DoHeader, bool DoData);
    void SetDataCrc(uint32_t Value);
    void SetHeaderCrc(uint32_t Value);
    // Position of the TableDataCrc word, right after the last slot.
    uint64_t DataCrcPos() const { return DataPos + static_cast<uint64_t>(RecordSize) * Capacity; }

  private:
    void SetCount(uint32_t Offset, uint16_t Value);
    uint16_t HeaderWord16(uint32_t Offset) const;
};

}  // namespace zeb
