// The in-memory image of one database file, and the two routines that move
// bytes inside it. Every access is positioned and bounds-checked: a read past
// the end transfers only the bytes that exist, and a write never reaches past
// the end of the image (only StreamInsertZeros makes it longer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeb {

class TzebStream {
  public:
    // Positions and lengths are 32-bit in the file format; the image never
    // grows beyond that.
    static constexpr uint64_t MaxLength = 0xFFFFFFFFu;

    uint32_t Length() const { return static_cast<uint32_t>(bytes_.size()); }
    const uint8_t *Data() const { return bytes_.data(); }
    uint8_t *Data() { return bytes_.data(); }

    // The buffer the file layer loads into and saves from.
    std::vector<uint8_t> &Buffer() { return bytes_; }
    const std::vector<uint8_t> &Buffer() const { return bytes_; }

    // Copies the part of [Position, Position + Count) that lies inside the
    // image to the start of Dest; the rest of Dest keeps what it held.
    // Returns the number of bytes copied.
    size_t ReadAt(uint64_t Position, void *Dest, size_t Count) const;

    // Writes the part of [Position, Position + Count) that lies inside the
    // image; the rest of Source is dropped. Returns the number written.
    size_t WriteAt(uint64_t Position, const void *Source, size_t Count);

    uint16_t ReadU16(uint64_t Position) const;
    uint32_t ReadU32(uint64_t Position) const;
    void WriteU16(uint64_t Position, uint16_t Value);
    void WriteU32(uint64_t Position, uint32_t Value);

  private:
    std::vector<uint8_t> bytes_;
};

// Inserts Count zero bytes at Position, moving the bytes from Position on up.
// Position equal to the length appends; a Position beyond the length, or a
// result longer than TzebStream::MaxLength, changes nothing. Returns whether
// the bytes were inserted.
bool StreamInsertZeros(TzebStream &Stream, uint64_t Position, uint64_t Count);

// Closes the gap of one item at Position: the Count items after it move down
// by one item and the item that falls free at the end becomes zeros. Only
// bytes inside the image move or change.
void StreamCloseGap(TzebStream &Stream, uint32_t ItemSize, uint32_t Count, uint64_t Position);

}  // namespace zeb
