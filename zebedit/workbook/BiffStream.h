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

class BiffStream {
  public:
    static constexpr size_t MaxRecordData = 8224;
    static constexpr size_t RecordHeaderSize = 4;

    explicit BiffStream(ByteSink &Sink);
    BiffStream(const BiffStream &) = delete;
    BiffStream &operator=(const BiffStream &) = delete;

    // Stream offset of the next byte: the start of the next record when none
    // is open, otherwise of the next data byte of the open record.
    uint64_t Position() const { return flushed_ + buffer_.size(); }

    // Opens a record; the previous one must be ended.
    void BeginRecord(uint16_t Id);
    // Free data bytes left in the open record.
    size_t RecordSpace() const;
    void PutU8(uint8_t Value);
    void PutU16(uint16_t Value);
    void PutU32(uint32_t Value);
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
    uint8_t *Grow(size_t Length);     // appends Length bytes to the buffer
    uint8_t *Reserve(size_t Length);  // the same, inside the open record's limit

    ByteSink &sink_;
    std::vector<uint8_t> buffer_;  // bytes not yet passed to the sink
    uint64_t flushed_ = 0;         // bytes passed to the sink
    size_t recordStart_ = 0;       // offset of the open record's header in buffer_
    bool recordOpen_ = false;
};

}  // namespace zebedit::workbook
