// The input of the call fuzzer: a byte that picks one of a few small valid
// databases, then operations, each an operation byte followed by its
// argument bytes. Missing bytes read as zero, so every input is a script.
//
//   SetInteger  table field record value(4)
//   SetFloat    table field record bits(4)
//   SetString   table field record length(1, taken mod 8) characters
//   Add         table grow
//   Remove      table record
//   Delete      table record
//   Undelete    table record live(1, any nonzero low byte)
//   Compact
//   Query       table field value(2, signed)
//   Read        table field record
//   Save
//   Reopen      (close without saving, open again)
//
// Selectors are taken modulo one more than the number of choices, the extra
// choice being a name the database lacks; records modulo RecordCount + 2,
// and 255 stands for record -1. Values are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fixture_builder.h"

namespace zebfuzz {

enum class Op : uint8_t {
    SetInteger,
    SetFloat,
    SetString,
    Add,
    Remove,
    Delete,
    Undelete,
    Compact,
    Query,
    Read,
    Save,
    Reopen,
    Count
};

// The databases a script starts from, in the order the first byte picks
// them: two table sets, each in the CRC and in the sum layout.
const std::vector<zebtest::DatabaseSpec> &CallFixtures();

// Reads a script front to back; past its end every byte is zero.
class ScriptReader {
  public:
    ScriptReader(const uint8_t *Data, size_t Size) : data_(Data), size_(Size) {}
    bool AtEnd() const { return at_ >= size_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : (at_++, 0); }
    uint32_t Word32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return v;
    }
    int16_t Word16() {
        const uint16_t low = Byte();
        return static_cast<int16_t>(low | static_cast<uint16_t>(Byte() << 8));
    }

  private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

// Builds scripts for the seed corpus.
class ScriptWriter {
  public:
    explicit ScriptWriter(uint8_t Fixture) { bytes_.push_back(Fixture); }
    ScriptWriter &Do(Op Operation, std::initializer_list<uint8_t> Arguments = {}) {
        bytes_.push_back(static_cast<uint8_t>(Operation));
        bytes_.insert(bytes_.end(), Arguments);
        return *this;
    }
    ScriptWriter &Word32(uint32_t Value) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(Value >> (8 * i)));
        return *this;
    }
    ScriptWriter &Word16(uint16_t Value) {
        bytes_.push_back(static_cast<uint8_t>(Value));
        bytes_.push_back(static_cast<uint8_t>(Value >> 8));
        return *this;
    }
    ScriptWriter &Text(const char *Characters) {
        for (const char *p = Characters; *p; ++p) bytes_.push_back(static_cast<uint8_t>(*p));
        return *this;
    }
    const std::vector<uint8_t> &Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace zebfuzz
