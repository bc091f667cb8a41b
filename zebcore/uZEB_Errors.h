// The engine's exceptions. The library's calls catch them at the boundary and
// turn them into their failure results.
#pragma once

#include <stdexcept>
#include <string>

namespace zeb {

// A file could not be opened, read, created or written.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A value has no place in a value index, or a field cannot be indexed.
class IndexError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file's structure claims more than the file can hold.
class FormatError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace zeb
