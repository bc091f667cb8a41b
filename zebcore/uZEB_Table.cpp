#include "uZEB_Table.h"

#include <algorithm>
#include <cstring>

#include "uDBHash.h"
#include "uZEB_Bytes.h"
#include "uZEB_Database.h"
#include "uZEB_Errors.h"

namespace zeb {

TzebTable::TzebTable(TzebDatabase &Database, int32_t DirIndex, const TableEntry &Entry, uint64_t &StructureBudget)
    : DirIndex(DirIndex), Database(Database) {
    Name.assign(reinterpret_cast<const char *>(Entry.TableName),
                static_cast<size_t>(std::find(Entry.TableName, Entry.TableName + 4, 0) - Entry.TableName));
    const TzebStream &stream = Database.Stream;
    HeaderPos = Database.TableDataBase() + Entry.TableOffset;
    if (HeaderPos > stream.Length()) {
        BeyondEnd = true;
        return;
    }

    uint32_t headerSize;
    if (Database.CrcLayout) {
        headerSize = CrcHeaderSize;
        stream.ReadAt(HeaderPos, Header.data(), CrcHeaderSize);
    } else {
        // The sum layout's 28 bytes, mapped into the CRC arrangement.
        headerSize = SumHeaderSize;
        uint8_t scratch[SumHeaderSize] = {};
        stream.ReadAt(HeaderPos, scratch, SumHeaderSize);
        std::copy(scratch + 4, scratch + 16, Header.begin());
        std::copy(scratch + 16, scratch + 28, Header.begin() + 16);
    }
    Capacity = HeaderWord16(OffCapacity);
    RecordSize = HeaderWord16(OffRecordSize);
    RecordCount = HeaderWord16(OffRecordCount);
    DeletedCount = HeaderWord16(OffDeletedCount);

    // Only descriptors that lie wholly inside the image are read.
    const uint64_t first = HeaderPos + headerSize;
    const uint64_t stored = StoredFieldCount();
    const uint64_t room = stream.Length() > first ? (stream.Length() - first) / TzebField::DescriptorSize : 0;
    const uint64_t present = std::min(stored, room);
    const uint64_t claimed = headerSize + present * TzebField::DescriptorSize;
    if (claimed > StructureBudget) throw FormatError("tables overlap beyond what the file holds");
    StructureBudget -= claimed;
    Fields.reserve(static_cast<size_t>(present));
    for (uint64_t i = 0; i < present; ++i) {
        uint8_t descriptor[TzebField::DescriptorSize];
        stream.ReadAt(first + i * TzebField::DescriptorSize, descriptor, sizeof descriptor);
        Fields.push_back(std::make_unique<TzebField>(*this, descriptor));
    }
    DataPos = first + stored * TzebField::DescriptorSize;
    CurrentRecord = 0;
    if (Database.CrcLayout) DataCrc = stream.ReadU32(DataCrcPos());
}

TzebTable::~TzebTable() = default;

uint16_t TzebTable::HeaderWord16(uint32_t Offset) const { return DecodeFixed16(&Header[Offset]); }

uint16_t TzebTable::StoredFieldCount() const { return HeaderWord16(OffFieldCount); }

TzebField *TzebTable::GetField(int32_t Index) const {
    if (Index < 0 || static_cast<size_t>(Index) >= Fields.size()) return nullptr;
    return Fields[static_cast<size_t>(Index)].get();
}

TzebField *TzebTable::GetFieldByName(const std::string &FieldName) const {
    for (const auto &field : Fields)
        if (field->Name == FieldName) return field.get();
    return nullptr;
}

// Records --------------------------------------------------------------------

std::vector<uint8_t> TzebTable::ReadRecord(uint16_t Index) const {
    std::vector<uint8_t> data(RecordSize, 0);
    Database.Stream.ReadAt(RecordPos(Index), data.data(), RecordSize);
    return data;
}

void TzebTable::WriteRecord(uint16_t Index, const uint8_t *Data) {
    if (Data == nullptr || Index >= AddressableRecords()) return;
    Database.Stream.WriteAt(RecordPos(Index), Data, RecordSize);
    RebuildValueIndexes();
}

bool TzebTable::IsRecordDeleted(uint16_t Index) const {
    if (RecordSize == 0) return false;  // no byte, so no deleted bit
    uint8_t last = 0;
    Database.Stream.ReadAt(RecordPos(Index) + RecordSize - 1, &last, 1);
    return (last & 0x80) != 0;
}

bool TzebTable::IsDeleted() const { return IsRecordDeleted(static_cast<uint16_t>(CurrentRecord)); }

uint16_t TzebTable::GetFirstDeleted() const { return HeaderWord16(OffFirstDeleted); }

void TzebTable::SetCount(uint32_t Offset, uint16_t Value) {
    if (HeaderWord16(Offset) == Value) return;
    EncodeFixed16(&Header[Offset], Value);
    Database.Stream.WriteU16(HeaderPos + Offset, Value);
}

void TzebTable::SetCapacity(uint16_t Value) {
    Capacity = Value;
    SetCount(OffCapacity, Value);
}

void TzebTable::SetRecordCount(uint16_t Value) {
    RecordCount = Value;
    SetCount(OffRecordCount, Value);
}

void TzebTable::SetDeletedCount(uint16_t Value) {
    DeletedCount = Value;
    SetCount(OffDeletedCount, Value);
}

void TzebTable::SetFirstDeleted(uint16_t Value) { SetCount(OffFirstDeleted, Value); }

uint16_t TzebTable::AddRecord(bool Grow) {
    // A stored FirstDeleted that names a live record is repaired first, so
    // that reuse never overwrites a live record.
    if (DeletedCount != 0 && GetFirstDeleted() < AddressableRecords() && !IsRecordDeleted(GetFirstDeleted()))
        RecomputeFirstDeleted(NoRecord);

    uint16_t n;
    if (DeletedCount != 0 && GetFirstDeleted() < AddressableRecords()) {
        n = GetFirstDeleted();
        SetDeletedCount(DeletedCount - 1);
        RecomputeFirstDeleted(n);  // n's deleted bit is still set
    } else if (RecordCount < Capacity) {
        n = RecordCount;
        SetRecordCount(RecordCount + 1);
    } else {
        if (!Grow || Capacity == 0xFFFF || RecordCount != Capacity) return NoRecord;
        // The new slot goes right after the last one; it must lie inside the
        // image, and the image must stay within 32-bit positions.
        TzebStream &stream = Database.Stream;
        const uint64_t at = RecordPos(RecordCount);
        if (at > stream.Length() || uint64_t{stream.Length()} + RecordSize > TzebStream::MaxLength) return NoRecord;
        n = RecordCount;
        SetCapacity(Capacity + 1);
        if (RecordSize != 0) StreamInsertZeros(stream, at, RecordSize);
        Database.ShiftTableEntry(static_cast<uint32_t>(DirIndex), 0, RecordSize);
        for (uint32_t d = static_cast<uint32_t>(DirIndex) + 1; d < Database.DirectoryEntryCount(); ++d)
            Database.ShiftTableEntry(d, RecordSize, 0);
        Database.SetFileSize(Database.CurrentSize + RecordSize);
        SetRecordCount(RecordCount + 1);
    }
    SetCurrentRecord(n);
    const std::vector<uint8_t> zeros(RecordSize, 0);
    WriteRecord(n, zeros.data());
    return n;
}

bool TzebTable::RemoveRecord(uint16_t Index) {
    const uint16_t usable = AddressableRecords();
    if (Index >= usable) return false;
    const bool wasDeleted = IsRecordDeleted(Index);
    SetRecordCount(RecordCount - 1);
    if (wasDeleted && DeletedCount > 0) SetDeletedCount(DeletedCount - 1);
    StreamCloseGap(Database.Stream, RecordSize, static_cast<uint32_t>(usable - 1 - Index), RecordPos(Index));
    if (wasDeleted) {
        RecomputeFirstDeleted(NoRecord);
    } else if (GetFirstDeleted() != NoRecord && GetFirstDeleted() > Index) {
        SetFirstDeleted(GetFirstDeleted() - 1);
    }
    SetCurrentRecord(Index);
    RebuildValueIndexes();
    return true;
}

void TzebTable::ChangeDeleted(uint16_t Index, bool Live) {
    SetCurrentRecord(Index);
    if (Index >= AddressableRecords() || RecordSize == 0) return;
    if (IsRecordDeleted(Index) != Live) return;  // already in the requested state

    // A record made live must have a place in every value index; check all
    // before anything changes.
    if (Live && ValueIndex) {
        for (const auto &field : Fields) {
            if (const auto *entry = ValueIndex->Find(*field)) {
                TzebValueIndex::CheckValue(*entry, static_cast<int32_t>(field->GetAsInteger()));
            }
        }
    }

    std::vector<uint8_t> record = ReadRecord(Index);
    if (Live) {
        record[RecordSize - 1] &= 0x7F;
        if (DeletedCount > 0) SetDeletedCount(DeletedCount - 1);
        RecomputeFirstDeleted(Index);  // its bit is still set in the image
    } else {
        record[RecordSize - 1] |= 0x80;
        if (DeletedCount < 0xFFFF) SetDeletedCount(DeletedCount + 1);
        SetFirstDeleted(Index);  // the record deleted last is reused first
    }
    WriteRecord(Index, record.data());
    SetCurrentRecord(Index);
}

void TzebTable::RecomputeFirstDeleted(uint16_t Exclude) {
    if (DeletedCount == 0) {
        SetFirstDeleted(NoRecord);
        return;
    }
    if (RecordCount == 0) return;
    const uint16_t usable = AddressableRecords();
    for (uint16_t i = 0; i < usable; ++i) {
        SetCurrentRecord(i);
        if (i != Exclude && IsRecordDeleted(i)) {
            SetFirstDeleted(i);
            return;
        }
    }
    SetDeletedCount(0);
    SetFirstDeleted(NoRecord);
}

uint32_t TzebTable::Compact() {
    TzebStream &stream = Database.Stream;
    const uint16_t usable = AddressableRecords();
    // Live records close up in their order; slots are moved whole, and only
    // the parts inside the image.
    uint32_t kept = 0;
    std::vector<uint8_t> record(RecordSize);
    for (uint32_t i = 0; i < usable; ++i) {
        if (IsRecordDeleted(static_cast<uint16_t>(i))) continue;
        if (i != kept) {
            std::fill(record.begin(), record.end(), 0);
            stream.ReadAt(RecordPos(i), record.data(), RecordSize);
            stream.WriteAt(RecordPos(kept), record.data(), RecordSize);
        }
        ++kept;
    }
    const uint32_t removed = usable - kept;
    if (removed > 0) {
        const std::vector<uint8_t> zeros(static_cast<size_t>(removed) * RecordSize, 0);
        stream.WriteAt(RecordPos(kept), zeros.data(), zeros.size());
        SetRecordCount(static_cast<uint16_t>(RecordCount - removed));
    }
    SetDeletedCount(0);
    SetFirstDeleted(NoRecord);
    SetCurrentRecord(RecordCount);
    if (removed > 0) RebuildValueIndexes();
    return removed;
}

// Value index -----------------------------------------------------------------

BucketRef TzebTable::FindValue(const std::string &FieldName, int64_t Value, bool &FieldFound) {
    TzebField *field = GetFieldByName(FieldName);
    FieldFound = field != nullptr;
    if (!field) return nullptr;
    if (!ValueIndex) ValueIndex = std::make_unique<TzebValueIndex>();
    TzebValueIndex::Entry *entry = ValueIndex->Find(*field);
    if (!entry) entry = ValueIndex->Build(*this, *field);
    if (!entry) throw IndexError("List index out of bounds (0)");  // string and float fields have no entry
    BucketRef bucket = ValueIndex->Lookup(*entry, Value);
    SetCurrentRecord(bucket && !bucket->empty() ? (*bucket)[0] : RecordCount);
    return bucket;
}

void TzebTable::BuildValueIndex(const std::string &FieldName) {
    if (!ValueIndex) ValueIndex = std::make_unique<TzebValueIndex>();
    if (TzebField *field = GetFieldByName(FieldName)) ValueIndex->Build(*this, *field);
}

void TzebTable::RebuildValueIndexes() {
    if (ValueIndex && !ValueIndex->Empty()) ValueIndex->RebuildAll(*this);
}

// Saving ----------------------------------------------------------------------

void TzebTable::UpdateCrcs(bool DoHeader, bool DoData) {
    if (!Database.CrcLayout) return;
    const TzebStream &stream = Database.Stream;
    if (DoData) {
        // Descriptors and every slot, spare ones included; the part inside
        // the image.
        const uint64_t start = HeaderPos + CrcHeaderSize;
        const uint64_t length = uint64_t{StoredFieldCount()} * TzebField::DescriptorSize + uint64_t{RecordSize} * Capacity;
        const uint64_t inside = start < stream.Length() ? std::min<uint64_t>(length, stream.Length() - start) : 0;
        SetDataCrc(CalcCrc32(inside ? stream.Data() + start : Header.data(), static_cast<uint32_t>(inside), 0xFFFFFFFFu));
    }
    if (DoHeader) SetHeaderCrc(CalcCrc32(Header.data(), OffHeaderCrc, 0xFFFFFFFFu));
}

void TzebTable::SetDataCrc(uint32_t Value) {
    if (Value == DataCrc) return;
    DataCrc = Value;
    Database.Stream.WriteU32(DataCrcPos(), Value);
}

void TzebTable::SetHeaderCrc(uint32_t Value) {
    if (Value == DecodeFixed32(&Header[OffHeaderCrc])) return;
    EncodeFixed32(&Header[OffHeaderCrc], Value);
    Database.Stream.WriteU32(HeaderPos + OffHeaderCrc, Value);
}

}  // namespace zeb
