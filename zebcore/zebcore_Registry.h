// The library's process-wide state: the registry of open databases
// (OpenDatabases), whose entry positions are the database handles, and the
// last query result. Created when the library is loaded, closed and
// destroyed when it is unloaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "uZEB_Database.h"
#include "uZEB_ValueIndex.h"

namespace zeb::api {

class OpenDatabaseRegistry {
  public:
    // The handle of Path: the entry that already holds it (compared without
    // letter case), else a new database in the lowest free entry or a new
    // one. -1 when Path is not an existing file or cannot be loaded.
    int32_t Open(const std::string &Path);
    // Frees the entry without saving; false for a handle that is not open.
    bool Close(int32_t Handle);
    // The handle check: the database of an open entry, or none.
    TzebDatabase *Find(int32_t Handle) const;
    // Closes every open entry, in handle order, without saving.
    void CloseAll();
    size_t EntryCount() const { return entries_.size(); }

  private:
    struct Entry {
        std::string Path;  // empty: the entry is free
        std::unique_ptr<TzebDatabase> Database;
    };
    std::vector<Entry> entries_;
};

// The registry; present while the library is loaded.
extern std::unique_ptr<OpenDatabaseRegistry> OpenDatabases;

// The bucket of the last query, or none. A weak reference: once the bucket
// is released (its database closed, its table's index rebuilt) the reading
// calls answer as if no query had been made.
extern std::weak_ptr<Bucket> LastQueryResult;

// Called by the platform's load and unload notifications.
void LibraryAttach();
void LibraryDetach();

}  // namespace zeb::api
