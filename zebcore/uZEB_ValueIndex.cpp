#include "uZEB_ValueIndex.h"

#include <algorithm>
#include <string>

#include "uZEB_Errors.h"
#include "uZEB_Field.h"
#include "uZEB_Table.h"

namespace zeb {
namespace {

[[noreturn]] void OutOfBounds(int64_t Value) {
    throw IndexError("List index out of bounds (" + std::to_string(Value) + ")");
}

}  // namespace

TzebValueIndex::Entry *TzebValueIndex::Find(const TzebField &Field) {
    for (auto &entry : entries_)
        if (entry->Field == &Field) return entry.get();
    return nullptr;
}

TzebValueIndex::Entry *TzebValueIndex::Build(TzebTable &Table, const TzebField &Field) {
    std::erase_if(entries_, [&](const auto &entry) { return entry->Field == &Field; });
    if (!Field.IsIndexable()) return nullptr;
    if (Field.BitCount >= MaxIndexedBits) {
        throw IndexError("List capacity out of bounds (" + std::to_string(uint64_t{1} << std::min(Field.BitCount, 62u)) +
                         ")");
    }
    auto entry = std::make_unique<Entry>();
    entry->Field = &Field;
    entry->BitCount = Field.BitCount;
    const uint16_t usable = Table.AddressableRecords();
    for (uint16_t r = 0; r < usable; ++r) {
        Table.SetCurrentRecord(r);
        if (Table.IsDeleted()) continue;
        const auto value = static_cast<int32_t>(Field.GetAsInteger());
        CheckValue(*entry, value);
        BucketRef &bucket = entry->Buckets[static_cast<uint32_t>(value)];
        if (!bucket) bucket = std::make_shared<Bucket>();
        bucket->push_back(r);
    }
    entries_.push_back(std::move(entry));
    return entries_.back().get();
}

void TzebValueIndex::RebuildAll(TzebTable &Table) {
    std::vector<const TzebField *> fields;
    for (const auto &field : Table.Fields)
        if (Find(*field)) fields.push_back(field.get());
    for (const TzebField *field : fields) {
        try {
            Build(Table, *field);
        } catch (const IndexError &) {
            // The field can no longer be indexed: it stays without an entry,
            // and its next lookup builds again and reports the failure.
        }
    }
}

bool TzebValueIndex::HasSlot(const Entry &Entry, int64_t Value) {
    return Value >= 0 && Value < (int64_t{1} << Entry.BitCount);
}

void TzebValueIndex::CheckValue(const Entry &Entry, int64_t Value) {
    if (!HasSlot(Entry, Value)) OutOfBounds(Value);
}

BucketRef TzebValueIndex::Lookup(const Entry &Entry, int64_t Value) const {
    CheckValue(Entry, Value);
    auto found = Entry.Buckets.find(static_cast<uint32_t>(Value));
    return found == Entry.Buckets.end() ? nullptr : found->second;
}

void TzebValueIndex::Move(Entry &Entry, int32_t Record, int64_t OldValue, int64_t NewValue) {
    Leave(Entry, Record, OldValue);
    Enter(Entry, Record, NewValue);
}

void TzebValueIndex::Enter(Entry &Entry, int32_t Record, int64_t Value) {
    BucketRef &bucket = Entry.Buckets[static_cast<uint32_t>(Value)];
    if (!bucket) bucket = std::make_shared<Bucket>();
    bucket->push_back(Record);
}

void TzebValueIndex::Leave(Entry &Entry, int32_t Record, int64_t Value) {
    if (Value < 0) return;
    auto found = Entry.Buckets.find(static_cast<uint32_t>(Value));
    if (found == Entry.Buckets.end()) return;
    Bucket &bucket = *found->second;
    auto at = std::find(bucket.begin(), bucket.end(), Record);
    if (at != bucket.end()) bucket.erase(at);
}

}  // namespace zeb
