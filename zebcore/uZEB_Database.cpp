#include "uZEB_Database.h"

#include <algorithm>

#include "uDBHash.h"
#include "uZEB_Bytes.h"
#include "uZEB_FileSystem.h"

namespace zeb {

TzebDatabase::TzebDatabase(const std::string &FileName, bool CrcLayout)
    : FileName(FileName), CrcLayout(CrcLayout) {
    fs::ReadWholeFile(FileName, Stream.Buffer());
    Load();
}

TzebDatabase::TzebDatabase(std::vector<uint8_t> Image, const std::string &FileName, bool CrcLayout)
    : FileName(FileName), CrcLayout(CrcLayout) {
    Stream.Buffer() = std::move(Image);
    Load();
}

TzebDatabase::~TzebDatabase() = default;

void TzebDatabase::Load() {
    // Table headers and descriptors each take their bytes of the file; tables
    // that together claim more than the file holds overlap, and are refused
    // rather than built many times over. The allowance covers headers that
    // stand at the very end of a file.
    uint64_t structureBudget = uint64_t{Stream.Length()} + 1024;
    if (CrcLayout)
        LoadCrcLayout(structureBudget);
    else
        LoadSumLayout(structureBudget);
}

void TzebDatabase::LoadCrcLayout(uint64_t &StructureBudget) {
    Stream.ReadAt(0, Header.data(), CrcHeaderSize);
    CurrentSize = DecodeFixed32(&Header[OffFileSize]);
    const int32_t stored = static_cast<int32_t>(DecodeFixed32(&Header[OffTableCount]));
    tableCount_ = stored;
    if (stored <= 0) return;
    dirEntryCount_ = static_cast<uint32_t>(stored);

    // Entries past the end of the image cannot locate a table: they count as
    // tables beyond the end, without being read one by one.
    const uint64_t inImage = Stream.Length() > CrcHeaderSize ? (Stream.Length() - CrcHeaderSize) / CrcEntrySize : 0;
    const uint32_t readable = static_cast<uint32_t>(std::min<uint64_t>(dirEntryCount_, inImage));
    tableCount_ = static_cast<int32_t>(readable);
    for (uint32_t i = 0; i < readable; ++i) {
        uint8_t raw[CrcEntrySize] = {};
        Stream.ReadAt(CrcHeaderSize + uint64_t{i} * CrcEntrySize, raw, CrcEntrySize);
        TableEntry entry;
        std::copy(raw, raw + 4, entry.TableName);
        entry.TableOffset = DecodeFixed32(raw + 4);
        AddTable(static_cast<int32_t>(i), entry, StructureBudget);
    }
}

void TzebDatabase::LoadSumLayout(uint64_t &StructureBudget) {
    CurrentSize = Stream.Length();
    EncodeFixed32(&Header[OffFileSize], CurrentSize);
    // The directory ends at the first entry whose first byte is 0, or at the
    // end of the image when the end marker is missing.
    uint32_t n = 0;
    while (true) {
        uint64_t pos = 4 + uint64_t{n} * SumEntrySize;
        if (pos >= Stream.Length() || Stream.Data()[pos] == 0) break;
        ++n;
    }
    dirEntryCount_ = n;
    tableCount_ = static_cast<int32_t>(n);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t raw[SumEntrySize] = {};
        Stream.ReadAt(4 + uint64_t{i} * SumEntrySize, raw, SumEntrySize);
        TableEntry entry;
        std::copy(raw, raw + 4, entry.TableName);
        entry.TableOffset = DecodeFixed32(raw + 8);
        AddTable(static_cast<int32_t>(i), entry, StructureBudget);
    }
    EncodeFixed32(&Header[OffTableCount], static_cast<uint32_t>(tableCount_));
}

void TzebDatabase::AddTable(int32_t DirIndex, const TableEntry &Entry, uint64_t &StructureBudget) {
    auto table = std::make_unique<TzebTable>(*this, DirIndex, Entry, StructureBudget);
    if (table->BeyondEnd) {
        --tableCount_;
        return;
    }
    Tables.push_back(std::move(table));
}

uint64_t TzebDatabase::TableDataBase() const {
    return CrcLayout ? CrcHeaderSize + uint64_t{dirEntryCount_} * CrcEntrySize + 4
                     : 4 + uint64_t{dirEntryCount_} * SumEntrySize + 4;
}

TzebTable *TzebDatabase::GetTableByName(const std::string &Name) const {
    for (const auto &table : Tables)
        if (table->Name == Name) return table.get();
    return nullptr;
}

TzebTable *TzebDatabase::GetTable(int32_t Index) const {
    if (Index < 0 || static_cast<size_t>(Index) >= Tables.size()) return nullptr;
    return Tables[static_cast<size_t>(Index)].get();
}

void TzebDatabase::ShiftTableEntry(uint32_t Index, int32_t OffsetDelta, int32_t SizeDelta) {
    if (CrcLayout) {
        uint64_t pos = CrcHeaderSize + uint64_t{Index} * CrcEntrySize + 4;
        Stream.WriteU32(pos, Stream.ReadU32(pos) + static_cast<uint32_t>(OffsetDelta));
    } else {
        uint64_t pos = 4 + uint64_t{Index} * SumEntrySize + 8;
        Stream.WriteU32(pos, Stream.ReadU32(pos) + static_cast<uint32_t>(OffsetDelta));
        Stream.WriteU32(pos + 4, Stream.ReadU32(pos + 4) + static_cast<uint32_t>(SizeDelta));
    }
    // The table of that directory entry, found by its directory index: list
    // positions differ from directory indexes once a table was dropped.
    for (auto &table : Tables) {
        if (table->DirIndex == static_cast<int32_t>(Index)) {
            table->HeaderPos += static_cast<int64_t>(OffsetDelta);
            table->DataPos += static_cast<int64_t>(OffsetDelta);
        }
    }
}

uint32_t TzebDatabase::ComputeCheckWord() const {
    if (CrcLayout) return CalcCrc32(Header.data(), 20, 0xFFFFFFFFu);
    // The byte sum from position 4 to the end, in pieces that fit the
    // routine's signed length.
    uint32_t sum = 0;
    uint64_t pos = 4;
    while (pos < Stream.Length()) {
        uint64_t piece = std::min<uint64_t>(Stream.Length() - pos, 0x40000000u);
        sum += CalcByteSum(Stream.Data() + pos, static_cast<int32_t>(piece));
        pos += piece;
    }
    return sum;
}

void TzebDatabase::WriteHeaderToStream() { Stream.WriteAt(0, Header.data(), CrcHeaderSize); }

void TzebDatabase::SetFileSize(uint32_t Value) {
    if (!CrcLayout) return;
    CurrentSize = Value;
    EncodeFixed32(&Header[OffFileSize], Value);
    EncodeFixed32(&Header[OffHeaderCrc], ComputeCheckWord());
    WriteHeaderToStream();
}

void TzebDatabase::WriteCheckWords() {
    SetFileSize(Stream.Length());
    const uint32_t value = ComputeCheckWord();
    if (!CrcLayout) {
        Stream.WriteU32(0, value);
        return;
    }
    Stream.WriteU32(OffHeaderCrc, value);
    // The directory as stored: its own entry count, whatever number of tables
    // was made available.
    const uint64_t dirBytes = uint64_t{dirEntryCount_} * CrcEntrySize;
    const uint64_t inImage =
        Stream.Length() > CrcHeaderSize ? std::min<uint64_t>(dirBytes, Stream.Length() - CrcHeaderSize) : 0;
    uint32_t crc = CalcCrc32(Stream.Data() + std::min<uint64_t>(CrcHeaderSize, Stream.Length()),
                             static_cast<uint32_t>(inImage), 0xFFFFFFFFu);
    Stream.WriteU32(CrcHeaderSize + dirBytes, crc);
}

void TzebDatabase::Save() {
    WriteCheckWords();
    for (auto &table : Tables) table->UpdateCrcs(true, true);
    fs::ReplaceFile(FileName, Stream.Data(), Stream.Length());
}

void TzebDatabase::Compact() {
    for (auto &table : Tables) table->Compact();
}

}  // namespace zeb
