// One growable block of UTF-16 characters holding many cell texts one after
// another. It is emptied, not freed, between table loads, so a load reuses
// the memory of the previous one; it grows with realloc, which moves a large
// block by remapping its pages instead of copying them.
#pragma once

#include <cstddef>
#include <string_view>

namespace zebedit {

class TCellTextBuffer {
  public:
    TCellTextBuffer() = default;
    ~TCellTextBuffer();
    TCellTextBuffer(const TCellTextBuffer &) = delete;
    TCellTextBuffer &operator=(const TCellTextBuffer &) = delete;

    size_t Size() const { return size_; }
    void Clear() { size_ = 0; }

    // Room for Count more characters at the end; the caller writes them and
    // then calls Commit with the number actually used. Throws std::bad_alloc.
    char16_t *Extend(size_t Count);
    void Commit(size_t Count) { size_ += Count; }

    std::u16string_view View(size_t Begin, size_t End) const { return {data_ + Begin, End - Begin}; }

  private:
    void Grow(size_t Needed);

    char16_t *data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace zebedit
