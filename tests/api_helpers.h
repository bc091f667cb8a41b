// Helpers for the tests that go through the library's exported calls.
#pragma once

#include <string>

#include "fixture_builder.h"
#include "zebcore.h"

namespace zebtest {

// Opens a database file for the length of a scope and closes it after.
class OpenFile {
  public:
    explicit OpenFile(const std::string &Path) : handle_(ZEBOpen(Path.c_str())) {}
    ~OpenFile() {
        if (handle_ >= 0) ZEBClose(handle_);
    }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;
    int32_t Handle() const { return handle_; }
    operator int32_t() const { return handle_; }

  private:
    int32_t handle_;
};

inline std::string GetString(int32_t Handle, const char *Table, const char *Field, int32_t Record) {
    char buffer[512] = {};
    char *p = buffer;
    if (!ZEBFieldGetValueAsString(Handle, Table, Field, Record, &p)) return "<failed>";
    return buffer;
}

}  // namespace zebtest
