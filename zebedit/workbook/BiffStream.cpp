#include "BiffStream.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace zebedit::workbook {
namespace {

// Chunk handed to the sink at once; large enough that the container's per-call
// cost does not show.
constexpr size_t FlushThreshold = 256 * 1024;

}  // namespace

// Room for everything below the flush threshold plus one whole record.
BiffStream::BiffStream(ByteSink &Sink) : sink_(Sink), buffer_(FlushThreshold + RecordHeaderSize + MaxRecordData) {}

void BiffStream::BeginRecord(uint16_t Id) {
    if (recordOpen_) throw std::logic_error("BIFF record opened inside another record");
    recordStart_ = used_;
    recordOpen_ = true;
    uint8_t *header = Grow(RecordHeaderSize);
    EncodeU16(header, Id);
    EncodeU16(header + 2, 0);
}

void BiffStream::FailRecordLimit() const {
    if (!recordOpen_) throw std::logic_error("BIFF data written outside a record");
    throw std::logic_error("BIFF record data longer than the record limit");
}

void BiffStream::PutBytes(const uint8_t *Data, size_t Length) {
    if (Length == 0) return;
    std::copy_n(Data, Length, Reserve(Length));
}

void BiffStream::EndRecord() {
    if (!recordOpen_) throw std::logic_error("BIFF record ended without being opened");
    size_t length = used_ - recordStart_ - RecordHeaderSize;
    EncodeU16(buffer_.data() + recordStart_ + 2, static_cast<uint16_t>(length));
    recordOpen_ = false;
    // The sheet's offset and the string positions are 32-bit fields; the
    // compound file's stream size is one too.
    if (Position() > std::numeric_limits<uint32_t>::max()) {
        throw std::runtime_error("The table's text is too large for an Excel 97-2003 workbook (more than 4 GB).");
    }
    if (used_ >= FlushThreshold) Flush();
}

void BiffStream::PatchU32(uint64_t Position, uint32_t Value) {
    uint8_t bytes[4];
    EncodeU32(bytes, Value);
    if (Position >= flushed_) {
        size_t at = static_cast<size_t>(Position - flushed_);
        if (at + 4 > used_) throw std::logic_error("BIFF patch beyond the written stream");
        for (size_t i = 0; i < 4; ++i) buffer_[at + i] = bytes[i];
    } else {
        if (Position + 4 > flushed_) Flush();  // a patch straddling the flushed part
        sink_.Overwrite(Position, bytes, 4);
    }
}

void BiffStream::PutZeros(size_t Count) {
    if (recordOpen_) throw std::logic_error("BIFF padding inside a record");
    while (Count > 0) {
        size_t part = std::min(Count, FlushThreshold);
        if (used_ + part > buffer_.size()) Flush();
        std::fill_n(Grow(part), part, uint8_t{0});
        Count -= part;
    }
}

void BiffStream::Flush() {
    if (recordOpen_) throw std::logic_error("BIFF stream flushed inside a record");
    if (used_ == 0) return;
    sink_.Write(buffer_.data(), used_);
    flushed_ += used_;
    used_ = 0;
}

}  // namespace zebedit::workbook
