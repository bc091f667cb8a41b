#include "uZEB_Stream.h"

#include <algorithm>
#include <cstring>

#include "uZEB_Bytes.h"

namespace zeb {
namespace {

// The number of bytes of [Position, Position + Count) inside a range of
// Length bytes, counted from Position.
size_t InsideCount(uint64_t Position, size_t Count, uint64_t Length) {
    if (Position >= Length) return 0;
    return static_cast<size_t>(std::min<uint64_t>(Count, Length - Position));
}

}  // namespace

size_t TzebStream::ReadAt(uint64_t Position, void *Dest, size_t Count) const {
    size_t n = InsideCount(Position, Count, bytes_.size());
    if (n) std::memcpy(Dest, bytes_.data() + Position, n);
    return n;
}

size_t TzebStream::WriteAt(uint64_t Position, const void *Source, size_t Count) {
    size_t n = InsideCount(Position, Count, bytes_.size());
    if (n) std::memcpy(bytes_.data() + Position, Source, n);
    return n;
}

uint16_t TzebStream::ReadU16(uint64_t Position) const {
    uint8_t b[2] = {0, 0};
    ReadAt(Position, b, 2);
    return DecodeFixed16(b);
}

uint32_t TzebStream::ReadU32(uint64_t Position) const {
    uint8_t b[4] = {0, 0, 0, 0};
    ReadAt(Position, b, 4);
    return DecodeFixed32(b);
}

void TzebStream::WriteU16(uint64_t Position, uint16_t Value) {
    uint8_t b[2];
    EncodeFixed16(b, Value);
    WriteAt(Position, b, 2);
}

void TzebStream::WriteU32(uint64_t Position, uint32_t Value) {
    uint8_t b[4];
    EncodeFixed32(b, Value);
    WriteAt(Position, b, 4);
}

bool StreamInsertZeros(TzebStream &Stream, uint64_t Position, uint64_t Count) {
    auto &bytes = Stream.Buffer();
    if (Count == 0 || Position > bytes.size() || bytes.size() + Count > TzebStream::MaxLength) return false;
    bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(Position), static_cast<size_t>(Count), uint8_t{0});
    return true;
}

void StreamCloseGap(TzebStream &Stream, uint32_t ItemSize, uint32_t Count, uint64_t Position) {
    const uint64_t length = Stream.Length();
    if (ItemSize == 0 || Position >= length) return;
    // The items concerned: the gap and the Count items after it, clipped to
    // the image.
    const uint64_t end = std::min<uint64_t>(length, Position + (uint64_t{Count} + 1) * ItemSize);
    uint8_t *data = Stream.Data();
    if (end > Position + ItemSize) {
        std::memmove(data + Position, data + Position + ItemSize, static_cast<size_t>(end - Position - ItemSize));
    }
    const uint64_t freed = std::max<uint64_t>(Position, end >= ItemSize ? end - ItemSize : 0);
    std::memset(data + freed, 0, static_cast<size_t>(end - freed));
}

}  // namespace zeb
