#include "Unit1_CellTextBuffer.h"

#include <cstdlib>
#include <new>

namespace zebedit {

namespace {
// The first block; later ones double, so a table of millions of cells needs
// only a handful of reallocations in its first load and none afterwards.
constexpr size_t InitialCapacity = size_t{1} << 16;
}  // namespace

TCellTextBuffer::~TCellTextBuffer() { std::free(data_); }

char16_t *TCellTextBuffer::Extend(size_t Count) {
    if (capacity_ - size_ < Count) Grow(size_ + Count);
    return data_ + size_;
}

void TCellTextBuffer::Grow(size_t Needed) {
    size_t capacity = capacity_ ? capacity_ : InitialCapacity;
    while (capacity < Needed) capacity *= 2;
    // char16_t is trivially copyable, so realloc may move the block.
    void *block = std::realloc(data_, capacity * sizeof(char16_t));
    if (!block) throw std::bad_alloc();
    data_ = static_cast<char16_t *>(block);
    capacity_ = capacity;
}

}  // namespace zebedit
