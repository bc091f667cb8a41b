// Where the bytes of the workbook stream go: written front to back, with a few
// bytes patched afterwards once an offset further on is known.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zebedit::workbook {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Appends Length bytes. Raises std::runtime_error when they cannot be written.
    virtual void Write(const uint8_t *Data, size_t Length) = 0;
    // Replaces Length bytes already written at Position, leaving the end where it is.
    virtual void Overwrite(uint64_t Position, const uint8_t *Data, size_t Length) = 0;
};

}  // namespace zebedit::workbook
