#include "file_areas.h"

#include <algorithm>

namespace zebfuzz {
namespace {

constexpr uint32_t Magic = 0x08004244;

// Little-endian words; bytes past the end of the image read as zeros.
uint32_t Word(const zebtest::Bytes &Image, uint64_t Position, int Width) {
    uint32_t value = 0;
    for (int i = 0; i < Width; ++i) {
        const uint64_t at = Position + static_cast<uint64_t>(i);
        if (at < Image.size()) value |= static_cast<uint32_t>(Image[at]) << (8 * i);
    }
    return value;
}

}  // namespace

FileAreas FileAreas::Of(const zebtest::Bytes &Image) {
    FileAreas areas;
    areas.writer_.assign(Image.size(), None);
    areas.recordArea_.assign(Image.size(), false);
    areas.crc_ = Image.size() >= 4 && Word(Image, 0, 4) == Magic;
    if (!areas.crc_) {
        areas.AddWritten(0, 4, 0);  // FileSum, covering everything after it
        // The directory ends at the first entry whose first byte is 0, or at
        // the end of the image.
        uint64_t entries = 0;
        while (4 + 16 * entries < Image.size() && Image[4 + 16 * entries] != 0) ++entries;
        const uint64_t base = 8 + 16 * entries;
        for (uint64_t i = 0; i < entries; ++i) {
            const uint64_t h = base + Word(Image, 4 + 16 * i + 8, 4);
            if (h > Image.size()) continue;
            const uint64_t recordSize = Word(Image, h + 8, 2), capacity = Word(Image, h + 16, 2),
                           fieldCount = Word(Image, h + 24, 2);
            areas.AddRecordArea(h, h + 28 + 16 * fieldCount, recordSize * capacity);
        }
        areas.FindOverlap();
        return areas;
    }

    enum { FileHeader = 0, Directory = 1, FirstTable = 2 };
    areas.AddWritten(8, 4, FileHeader);   // FileSize
    areas.AddWritten(20, 4, FileHeader);  // HeaderCrc
    areas.AddCovered(0, 20, FileHeader);

    const auto stored = static_cast<int32_t>(Word(Image, 16, 4));
    const uint64_t entries = stored > 0 ? static_cast<uint64_t>(stored) : 0;
    areas.AddWritten(24 + 8 * entries, 4, Directory);
    areas.AddCovered(24, 24 + 8 * entries, Directory);

    const uint64_t base = 28 + 8 * entries;
    const uint64_t readable = Image.size() > 24 ? std::min<uint64_t>(entries, (Image.size() - 24) / 8) : 0;
    for (uint64_t i = 0; i < readable; ++i) {
        const uint64_t h = base + Word(Image, 24 + 8 * i + 4, 4);
        if (h > Image.size()) continue;  // a table beyond the end is dropped
        const int owner = FirstTable + static_cast<int>(i);
        const uint64_t recordSize = Word(Image, h + 4, 2), capacity = Word(Image, h + 16, 2),
                       fieldCount = Word(Image, h + 24, 2);
        const uint64_t dataCrcAt = h + 36 + 16 * fieldCount + recordSize * capacity;
        areas.AddWritten(h + 32, 4, owner);        // TableHeaderCrc
        areas.AddWritten(dataCrcAt, 4, owner);     // TableDataCrc
        areas.AddCovered(h, h + 32, owner);        // the header words
        areas.AddCovered(h + 36, dataCrcAt, owner);  // descriptors and slots
        areas.AddRecordArea(h, h + 36 + 16 * fieldCount, recordSize * capacity);
    }
    areas.FindOverlap();
    return areas;
}

void FileAreas::AddWritten(uint64_t Begin, uint64_t Length, int Owner) {
    const uint64_t end = std::min<uint64_t>(Begin + Length, writer_.size());
    if (Begin >= end) return;
    written_.push_back({Begin, end, Owner});
    for (uint64_t i = Begin; i < end; ++i) {
        if (writer_[i] != None && writer_[i] != Owner) overlap_ = true;
        writer_[i] = Owner;
    }
}

void FileAreas::AddRecordArea(uint64_t Header, uint64_t Data, uint64_t SlotBytes) {
    // The words Capacity, RecordCount, DeletedCount and FirstDeleted.
    for (uint64_t i = Header + 16; i < Header + 24 && i < recordArea_.size(); ++i) recordArea_[i] = true;
    for (uint64_t i = Data; i < Data + SlotBytes && i < recordArea_.size(); ++i) recordArea_[i] = true;
}

void FileAreas::AddCovered(uint64_t Begin, uint64_t End, int Owner) {
    End = std::min<uint64_t>(End, writer_.size());
    if (Begin < End) covered_.push_back({Begin, End, Owner});
}

void FileAreas::FindOverlap() {
    // Written bytes before each position, so that each covered area is
    // checked in constant time whatever its length.
    std::vector<uint64_t> before(writer_.size() + 1, 0);
    for (size_t i = 0; i < writer_.size(); ++i) before[i + 1] = before[i] + (writer_[i] != None);
    for (const Range &c : covered_) {
        // The owner's own words (written_ is in owner order) may lie inside.
        uint64_t own = 0;
        auto w = std::lower_bound(written_.begin(), written_.end(), c.Owner,
                                  [](const Range &r, int Owner) { return r.Owner < Owner; });
        for (; w != written_.end() && w->Owner == c.Owner; ++w) {
            if (w->Begin < c.End && c.Begin < w->End) own += std::min(w->End, c.End) - std::max(w->Begin, c.Begin);
        }
        if (before[c.End] - before[c.Begin] > own) overlap_ = true;
    }
}

}  // namespace zebfuzz
