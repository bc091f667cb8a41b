// TzebDatabase: one open database file, held whole in memory. Builds its
// tables from either layout, keeps the file header and check words, and
// writes the image back on save.
//
// A loaded file is never trusted: every read stays inside the image, what
// lies past its end counts as absent (a table whose header is beyond the end
// is dropped, descriptors past the end are missing, record bytes past the end
// read as zeros), and no write reaches past the end of the image.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "uZEB_Stream.h"
#include "uZEB_Table.h"

namespace zeb {

class TzebDatabase {
  public:
    static constexpr uint32_t Magic = 0x08004244;
    static constexpr uint32_t CrcHeaderSize = 24;
    static constexpr uint32_t CrcEntrySize = 8;
    static constexpr uint32_t SumEntrySize = 16;
    // Word offsets in the CRC-layout file header.
    static constexpr uint32_t OffFileSize = 8, OffTableCount = 16, OffHeaderCrc = 20;

    // Loads the file; raises FileError when it cannot be read.
    TzebDatabase(const std::string &FileName, bool CrcLayout);
    // Builds a database from an image already in memory (FileName is where a
    // save writes).
    TzebDatabase(std::vector<uint8_t> Image, const std::string &FileName, bool CrcLayout);
    ~TzebDatabase();
    TzebDatabase(const TzebDatabase &) = delete;
    TzebDatabase &operator=(const TzebDatabase &) = delete;

    // The header copy, laid out as the CRC-layout file header. In the sum
    // layout only FileSize and TableCount are used and it is never written.
    std::array<uint8_t, CrcHeaderSize> Header{};
    std::vector<std::unique_ptr<TzebTable>> Tables;
    std::string FileName;
    uint32_t CurrentSize = 0;
    bool CrcLayout;
    TzebStream Stream;

    TzebTable *GetTableByName(const std::string &Name) const;
    TzebTable *GetTable(int32_t Index) const;
    // The number of tables available; in the CRC layout a stored count of 0
    // or less is returned as stored.
    int32_t GetTableCount() const { return tableCount_; }
    // The number of entries the stored directory holds.
    uint32_t DirectoryEntryCount() const { return dirEntryCount_; }
    // Start of the first table block: the first byte after the directory.
    uint64_t TableDataBase() const;

    // Adds the deltas to the TableOffset (and in the sum layout TableSize) of
    // directory entry Index, and OffsetDelta to the positions of its table.
    void ShiftTableEntry(uint32_t Index, int32_t OffsetDelta, int32_t SizeDelta);

    uint32_t ComputeCheckWord() const;
    void SetFileSize(uint32_t Value);
    void WriteCheckWords();
    // Recomputes every check word and replaces the file on disk.
    void Save();
    // Removes every deleted record of every table.
    void Compact();

  private:
    void Load();
    void LoadCrcLayout(uint64_t &StructureBudget);
    void LoadSumLayout(uint64_t &StructureBudget);
    void AddTable(int32_t DirIndex, const TableEntry &Entry, uint64_t &StructureBudget);
    // The 24 header bytes as the file stores them.
    void WriteHeaderToStream();

    int32_t tableCount_ = 0;
    uint32_t dirEntryCount_ = 0;
};

}  // namespace zeb
