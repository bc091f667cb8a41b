#include "BiffStream.h"

#include <cstdint>
#include <limits>
#include <stdexcept>

namespace zebedit::workbook {
namespace {

// Chunk handed to the sink at once; large enough that the container's per-call
// cost does not show.
constexpr size_t FlushThreshold = 256 * 1024;

void EncodeU16(uint8_t *P, uint16_t V) {
    P[0] = static_cast<uint8_t>(V);
    P[1] = static_cast<uint8_t>(V >> 8);
}

void EncodeU32(uint8_t *P, uint32_t V) {
    P[0] = static_cast<uint8_t>(V);
    P[1] = static_cast<uint8_t>(V >> 8);
    P[2] = static_cast<uint8_t>(V >> 16);
    P[3] = static_cast<uint8_t>(V >> 24);
}

}  // namespace

BiffStream::BiffStream(ByteSink &Sink) : sink_(Sink) { buffer_.reserve(FlushThreshold + MaxRecordData + RecordHeaderSize); }

void BiffStream::BeginRecord(uint16_t Id) {
    if (recordOpen_) throw std::logic_error("BIFF record opened inside another record");
    recordStart_ = buffer_.size();
    recordOpen_ = true;
    uint8_t *header = Grow(RecordHeaderSize);
    EncodeU16(header, Id);
    EncodeU16(header + 2, 0);
}

size_t BiffStream::RecordSpace() const {
    if (!recordOpen_) return 0;
    return MaxRecordData - (buffer_.size() - recordStart_ - RecordHeaderSize);
}

uint8_t *BiffStream::Grow(size_t Length) {
    size_t at = buffer_.size();
    buffer_.resize(at + Length);
    return buffer_.data() + at;
}

uint8_t *BiffStream::Reserve(size_t Length) {
    if (!recordOpen_) throw std::logic_error("BIFF data written outside a record");
    if (Length > RecordSpace()) throw std::logic_error("BIFF record data longer than the record limit");
    return Grow(Length);
}

void BiffStream::PutU8(uint8_t Value) { *Reserve(1) = Value; }

void BiffStream::PutU16(uint16_t Value) { EncodeU16(Reserve(2), Value); }

void BiffStream::PutU32(uint32_t Value) { EncodeU32(Reserve(4), Value); }

void BiffStream::PutBytes(const uint8_t *Data, size_t Length) {
    if (Length == 0) return;
    uint8_t *to = Reserve(Length);
    for (size_t i = 0; i < Length; ++i) to[i] = Data[i];
}

void BiffStream::EndRecord() {
    if (!recordOpen_) throw std::logic_error("BIFF record ended without being opened");
    size_t length = buffer_.size() - recordStart_ - RecordHeaderSize;
    EncodeU16(buffer_.data() + recordStart_ + 2, static_cast<uint16_t>(length));
    recordOpen_ = false;
    // The sheet's offset and the string positions are 32-bit fields; the
    // compound file's stream size is one too.
    if (Position() > std::numeric_limits<uint32_t>::max()) {
        throw std::runtime_error("The table's text is too large for an Excel 97-2003 workbook (more than 4 GB).");
    }
    if (buffer_.size() >= FlushThreshold) Flush();
}

void BiffStream::PatchU32(uint64_t Position, uint32_t Value) {
    uint8_t bytes[4];
    EncodeU32(bytes, Value);
    if (Position >= flushed_) {
        size_t at = static_cast<size_t>(Position - flushed_);
        if (at + 4 > buffer_.size()) throw std::logic_error("BIFF patch beyond the written stream");
        for (size_t i = 0; i < 4; ++i) buffer_[at + i] = bytes[i];
    } else {
        if (Position + 4 > flushed_) Flush();  // a patch straddling the flushed part
        sink_.Overwrite(Position, bytes, 4);
    }
}

void BiffStream::PutZeros(size_t Count) {
    if (recordOpen_) throw std::logic_error("BIFF padding inside a record");
    uint8_t *to = Grow(Count);
    for (size_t i = 0; i < Count; ++i) to[i] = 0;
}

void BiffStream::Flush() {
    if (recordOpen_) throw std::logic_error("BIFF stream flushed inside a record");
    if (buffer_.empty()) return;
    sink_.Write(buffer_.data(), buffer_.size());
    flushed_ += buffer_.size();
    buffer_.clear();
}

}  // namespace zebedit::workbook
