// The record framing of a BIFF8 stream: each record is a 16-bit identifier, a
// 16-bit length and at most MaxRecordData bytes of data, all little-endian.
// Records are built one at a time and passed to the sink in large chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ByteSink.h"

namespace zebedit::workbook {

inline void EncodeU16(uint8_t *P, uint16_t V) {
    P[0] = static_cast<uint8_t>(V);
    P[1] = static_cast<uint8_t>(V >> 8);
}

inline void EncodeU32(uint8_t *P, uint32_t V) {
    EncodeU16(P, static_cast<uint16_t>(V));
    EncodeU16(P + 2, static_cast<uint16_t>(V >> 16));
}

class BiffStream {
  public:
    static constexpr size_t MaxRecordData = 8224;
    static constexpr size_t RecordHeaderSize = 4;

    explicit BiffStream(ByteSink &Sink);
    BiffStream(const BiffStream &) = delete;
    BiffStream &operator=(const BiffStream &) = delete;

    // Stream offset of the next byte: the start of the next record when none
    // is open, otherwise of the next data byte of the open record.
    uint64_t Position() const { return flushed_ + used_; }

    // Opens a record; the previous one must be ended.
    void BeginRecord(uint16_t Id);
    // Free data bytes left in the open record.
    size_t RecordSpace() const { return recordOpen_ ? MaxRecordData - (used_ - recordStart_ - RecordHeaderSize) : 0; }
    void PutU8(uint8_t Value) { *Reserve(1) = Value; }
    void PutU16(uint16_t Value) { EncodeU16(Reserve(2), Value); }
    void PutU32(uint32_t Value) { EncodeU32(Reserve(4), Value); }
    void PutBytes(const uint8_t *Data, size_t Length);
    // Fills in the open record's length. A stream whose offsets would no longer
    // fit the format's 32-bit fields raises std::runtime_error.
    void EndRecord();

    // Appends Count zero bytes between records (padding after the last record).
    void PutZeros(size_t Count);
    // Replaces the 32-bit value at an earlier Position of the stream.
    void PatchU32(uint64_t Position, uint32_t Value);
    // Passes everything written so far to the sink; no record may be open.
    void Flush();

  private:
    // Appends Length bytes to the buffer.
    uint8_t *Grow(size_t Length) {
        uint8_t *at = buffer_.data() + used_;
        used_ += Length;
        return at;
    }
    // The same, inside the open record's limit.
    uint8_t *Reserve(size_t Length) {
        if (Length > RecordSpace()) FailRecordLimit();
        return Grow(Length);
    }
    [[noreturn]] void FailRecordLimit() const;

    ByteSink &sink_;
    std::vector<uint8_t> buffer_;  // of fixed size; its first used_ bytes are not yet passed to the sink
    size_t used_ = 0;
    uint64_t flushed_ = 0;         // bytes passed to the sink
    size_t recordStart_ = 0;       // offset of the open record's header in buffer_
    bool recordOpen_ = false;
};

}  // namespace zebedit::workbook
