// TzebField: one field descriptor of a table, and the codec that reads and
// writes the field's value in the table's current record, in place in the
// database image. Numeric fields are bit-packed, least significant bit first;
// string fields occupy whole bytes. Every access is clipped to the record and
// to the image.
#pragma once

#include <cstdint>
#include <string>

namespace zeb {

class TzebTable;

enum FieldTypeCode : uint16_t {
    ftString = 0,
    ftSignedInteger = 2,
    ftUnsignedInteger = 3,
    ftFloat = 4,
    ftInteger = 718,
};

class TzebField {
  public:
    static constexpr uint32_t DescriptorSize = 16;

    // Descriptor: the 16 stored bytes of the field's descriptor.
    TzebField(TzebTable &Table, const uint8_t *Descriptor);

    uint16_t FieldType;
    uint32_t BitCount;
    uint32_t BitOffset;
    std::string Name;
    TzebTable &Table;

    // The values of the table's current record.
    int64_t GetAsInteger() const;
    float GetAsFloat() const;
    std::string GetAsString() const;

    // Raise IndexError, writing nothing, when the field has a value index
    // and the value, or what the field reads back after it, has no place in it.
    void SetAsInteger(int64_t Value);
    void SetAsFloat(float Value);
    void SetAsString(const std::string &Text);

    // Integer kinds may be indexed; strings and floats never are.
    bool IsIndexable() const { return FieldType != ftString && FieldType != ftFloat; }

  private:
    // The field's bits of the current record; for fields wider than 64 bits,
    // their lowest 64 bits.
    uint64_t ReadBits() const;
    // Stores the low BitCount bits of Value (sign-filled beyond 64 bits),
    // leaving every other bit of the record as it was.
    void WriteBits(int64_t Value);
};

}  // namespace zeb
