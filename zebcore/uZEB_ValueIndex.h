// The value index of a table: for each indexed field, the live records that
// hold each value. Buckets list records in ascending order after a build;
// records entered later are appended. Memory grows with the number of
// records, not with the field's value range.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zeb {

class TzebField;
class TzebTable;

// A list of record indexes. Shared so that the library's last query result
// can tell when its bucket has been released (a weak reference expires).
using Bucket = std::vector<int32_t>;
using BucketRef = std::shared_ptr<Bucket>;

class TzebValueIndex {
  public:
    // Fields of this width or more cannot be indexed: lookups on them fail.
    static constexpr uint32_t MaxIndexedBits = 27;

    // The entry of Field, or none.
    struct Entry;
    Entry *Find(const TzebField &Field);

    // (Re)builds the entry of Field from the table's live records. Raises
    // IndexError (leaving the field without an entry) for a field that
    // cannot be indexed or a live record whose value has no slot. Returns the
    // new entry, or none for string and float fields.
    Entry *Build(TzebTable &Table, const TzebField &Field);

    // Rebuilds every entry; an entry that can no longer be built is dropped.
    void RebuildAll(TzebTable &Table);

    // The bucket of Value in Entry (none when no record was ever entered
    // under it). Raises IndexError for a value outside the field's range.
    BucketRef Lookup(const Entry &Entry, int64_t Value) const;

    // Whether Value has a slot in the entry.
    static bool HasSlot(const Entry &Entry, int64_t Value);
    // Raises IndexError when Value has no slot in the entry.
    static void CheckValue(const Entry &Entry, int64_t Value);

    // Moves Record from the bucket of OldValue to the end of the bucket of
    // NewValue. NewValue must have been checked.
    void Move(Entry &Entry, int32_t Record, int64_t OldValue, int64_t NewValue);

    bool Empty() const { return entries_.empty(); }

    struct Entry {
        const TzebField *Field;
        uint32_t BitCount;
        std::unordered_map<uint32_t, BucketRef> Buckets;
    };

  private:
    // Appends Record to the bucket of Value (checked), creating it.
    static void Enter(Entry &Entry, int32_t Record, int64_t Value);
    // Takes Record out of the bucket of Value, when present.
    static void Leave(Entry &Entry, int32_t Record, int64_t Value);

    std::vector<std::unique_ptr<Entry>> entries_;
};

}  // namespace zeb
