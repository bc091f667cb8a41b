#include "uZEB_Field.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "uZEB_Bytes.h"
#include "uZEB_Database.h"
#include "uZEB_Locale.h"
#include "uZEB_Table.h"
#include "uZEB_Text.h"

namespace zeb {
namespace {

// The bytes [First, First + Count) of record slot Record, clipped to the
// record and to the image. Sets Position and returns the number of bytes.
uint64_t ClipToRecord(const TzebTable &Table, int64_t Record, uint64_t First, uint64_t Count, uint64_t &Position) {
    if (First >= Table.RecordSize) return 0;
    Count = std::min<uint64_t>(Count, Table.RecordSize - First);
    Position = Table.RecordPos(Record) + First;
    const uint64_t length = Table.Database.Stream.Length();
    if (Position >= length) return 0;
    return std::min<uint64_t>(Count, length - Position);
}

bool Addressable(const TzebTable &Table) {
    return Table.CurrentRecord >= 0 && Table.CurrentRecord < Table.AddressableRecords();
}

// The 8 bits of Value that start at bit Start (negative: shifted up), with
// the sign repeated beyond bit 63.
uint8_t ValueByte(int64_t Value, int64_t Start) {
    const auto bits = static_cast<uint64_t>(Value);
    const uint64_t fill = Value < 0 ? ~uint64_t{0} : 0;
    if (Start <= -8) return 0;
    if (Start < 0) return static_cast<uint8_t>(bits << -Start);
    if (Start >= 64) return static_cast<uint8_t>(fill);
    uint64_t shifted = bits >> Start;
    if (Start > 56) shifted |= fill << (64 - Start);
    return static_cast<uint8_t>(shifted);
}

}  // namespace

TzebField::TzebField(TzebTable &Table, const uint8_t *Descriptor)
    : FieldType(DecodeFixed16(Descriptor)),
      BitCount(DecodeFixed32(Descriptor + 12)),
      BitOffset(DecodeFixed32(Descriptor + 4)),
      Name(reinterpret_cast<const char *>(Descriptor + 8),
           static_cast<size_t>(std::find(Descriptor + 8, Descriptor + 12, 0) - (Descriptor + 8))),
      Table(Table) {}

uint64_t TzebField::ReadBits() const {
    if (BitCount == 0) return 0;
    const uint32_t shift = BitOffset % 8;
    // At most 64 bits of the field are kept: 9 bytes cover them at any shift.
    const uint64_t byteCount = (uint64_t{BitCount} + 7) / 8;
    uint8_t window[9] = {};
    uint64_t position = 0;
    uint64_t n = ClipToRecord(Table, Table.CurrentRecord, BitOffset / 8, std::min<uint64_t>(byteCount + 1, 9), position);
    if (n) std::memcpy(window, Table.Database.Stream.Data() + position, static_cast<size_t>(n));

    uint64_t low = 0;
    for (int i = 7; i >= 0; --i) low = (low << 8) | window[i];
    uint64_t bits = low >> shift;
    if (shift) bits |= uint64_t{window[8]} << (64 - shift);
    if (BitCount < 64) {
        const uint64_t mask = (uint64_t{1} << BitCount) - 1;
        bits &= mask;
        if (FieldType == ftSignedInteger && (bits >> (BitCount - 1)) & 1) bits |= ~mask;
    }
    return bits;
}

void TzebField::WriteBits(int64_t Value) {
    if (BitCount == 0 || !Addressable(Table)) return;
    const uint32_t shift = BitOffset % 8;
    const uint64_t spanBytes = (uint64_t{shift} + BitCount + 7) / 8;
    uint64_t position = 0;
    const uint64_t n = ClipToRecord(Table, Table.CurrentRecord, BitOffset / 8, spanBytes, position);
    uint8_t *bytes = Table.Database.Stream.Data() + position;
    const uint64_t endBit = uint64_t{shift} + BitCount;  // within the span
    for (uint64_t j = 0; j < n; ++j) {
        const uint64_t lowBit = j == 0 ? shift : 0;
        const uint64_t highBit = std::min<uint64_t>(8, endBit - 8 * j);
        const auto mask = static_cast<uint8_t>(((1u << highBit) - 1) & ~((1u << lowBit) - 1));
        const uint8_t source = ValueByte(Value, static_cast<int64_t>(8 * j) - shift);
        bytes[j] = static_cast<uint8_t>((bytes[j] & ~mask) | (source & mask));
    }
}

int64_t TzebField::GetAsInteger() const {
    if (FieldType == ftString) return TextToInteger(GetAsString());
    return static_cast<int64_t>(ReadBits());
}

float TzebField::GetAsFloat() const {
    if (FieldType == ftFloat) return std::bit_cast<float>(static_cast<uint32_t>(ReadBits()));
    if (FieldType == ftString) return TextToFloat(GetAsString(), ReadUserDecimalSeparator());
    return static_cast<float>(GetAsInteger());
}

std::string TzebField::GetAsString() const {
    if (FieldType == ftString) {
        uint64_t position = 0;
        const uint64_t n = ClipToRecord(Table, Table.CurrentRecord, BitOffset / 8, (uint64_t{BitCount} + 7) / 8, position);
        const char *text = reinterpret_cast<const char *>(Table.Database.Stream.Data() + position);
        return n ? std::string(text, strnlen(text, static_cast<size_t>(n))) : std::string();
    }
    if (FieldType == ftFloat) return FormatFloatGeneral3(GetAsFloat(), LoadTimeDecimalSeparator());
    return std::to_string(GetAsInteger());
}

void TzebField::SetAsInteger(int64_t Value) {
    if (FieldType == ftString) return;
    TzebValueIndex::Entry *entry = nullptr;
    if (Table.ValueIndex && Addressable(Table) && !Table.IsDeleted()) entry = Table.ValueIndex->Find(*this);
    if (!entry) {
        WriteBits(Value);
        return;
    }
    // The record is listed under the value the field reads back, as a build
    // would list it. A value with no place in the index is refused before
    // anything changes; so is one that the field's width turns into such a
    // value (a signed field reads its upper half back as negative numbers),
    // which is written back to what it was.
    TzebValueIndex::CheckValue(*entry, static_cast<int32_t>(Value));
    const auto before = static_cast<int32_t>(GetAsInteger());
    WriteBits(Value);
    const auto after = static_cast<int32_t>(GetAsInteger());
    if (!TzebValueIndex::HasSlot(*entry, after)) {
        WriteBits(before);
        TzebValueIndex::CheckValue(*entry, after);
    }
    Table.ValueIndex->Move(*entry, Table.CurrentRecord, before, after);
}

void TzebField::SetAsFloat(float Value) {
    if (FieldType == ftString) return;
    SetAsInteger(static_cast<int32_t>(std::bit_cast<uint32_t>(Value)));
}

void TzebField::SetAsString(const std::string &Text) {
    if (FieldType != ftString || !Addressable(Table)) return;
    uint64_t position = 0;
    const uint64_t n = ClipToRecord(Table, Table.CurrentRecord, BitOffset / 8, (uint64_t{BitCount} + 7) / 8, position);
    // The characters up to the first zero, cut to the field, padded with zeros.
    const size_t length = std::min<size_t>(strnlen(Text.c_str(), Text.size()), static_cast<size_t>(n));
    uint8_t *bytes = Table.Database.Stream.Data() + position;
    std::memcpy(bytes, Text.data(), length);
    std::memset(bytes + length, 0, static_cast<size_t>(n) - length);
}

}  // namespace zeb
