#include "zebcore_Registry.h"

#include <cstdint>

#include "uDBHash.h"
#include "uZEB_Bytes.h"
#include "uZEB_FileSystem.h"
#include "uZEB_Locale.h"

namespace zeb::api {

std::unique_ptr<OpenDatabaseRegistry> OpenDatabases;
std::weak_ptr<Bucket> LastQueryResult;

int32_t OpenDatabaseRegistry::Open(const std::string &Path) {
    if (!fs::IsExistingFile(Path)) return -1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!entries_[i].Path.empty() && fs::SamePath(entries_[i].Path, Path)) return static_cast<int32_t>(i);
    }

    uint8_t first[4] = {};
    const bool crcLayout =
        fs::ReadFileStart(Path, first, sizeof first) == sizeof first && DecodeFixed32(first) == TzebDatabase::Magic;
    auto database = std::make_unique<TzebDatabase>(Path, crcLayout);

    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].Path.empty()) {
            entries_[i] = Entry{Path, std::move(database)};
            return static_cast<int32_t>(i);
        }
    }
    if (entries_.size() >= INT32_MAX) return -1;
    entries_.push_back(Entry{Path, std::move(database)});
    return static_cast<int32_t>(entries_.size() - 1);
}

bool OpenDatabaseRegistry::Close(int32_t Handle) {
    if (!Find(Handle)) return false;
    Entry &entry = entries_[static_cast<size_t>(Handle)];
    entry.Path.clear();
    entry.Database.reset();
    return true;
}

TzebDatabase *OpenDatabaseRegistry::Find(int32_t Handle) const {
    if (Handle < 0 || static_cast<size_t>(Handle) >= entries_.size()) return nullptr;
    const Entry &entry = entries_[static_cast<size_t>(Handle)];
    return entry.Path.empty() ? nullptr : entry.Database.get();
}

void OpenDatabaseRegistry::CloseAll() {
    for (size_t i = 0; i < entries_.size(); ++i) Close(static_cast<int32_t>(i));
}

void LibraryAttach() {
    BuildCrcTable();
    LoadTimeDecimalSeparator();
    OpenDatabases = std::make_unique<OpenDatabaseRegistry>();
    LastQueryResult.reset();
}

void LibraryDetach() {
    if (OpenDatabases) OpenDatabases->CloseAll();
    OpenDatabases.reset();
    LastQueryResult.reset();
}

}  // namespace zeb::api

#if !defined(_WIN32)
namespace {

// On POSIX systems the library's load and unload are the construction and
// destruction of this object: at load, and at dlclose or process exit. It is
// defined after the state it manages, so it is destroyed before that state.
struct LibraryLifetime {
    LibraryLifetime() { zeb::api::LibraryAttach(); }
    ~LibraryLifetime() { zeb::api::LibraryDetach(); }
};

LibraryLifetime lifetime;

}  // namespace
#endif
