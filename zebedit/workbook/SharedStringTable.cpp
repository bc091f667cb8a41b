#include "SharedStringTable.h"

#include <algorithm>
#include <stdexcept>

#include "WorkbookRecords.h"

namespace zebedit::workbook {
namespace {

constexpr size_t StringHeaderSize = 3;  // 16-bit character count and the option byte
constexpr uint8_t WideCharacters = 0x01;  // the option byte's flag for UTF-16 characters

bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

// Code units of the character at Index: a surrogate pair stays whole, so that
// each record holds text a reader can decode on its own.
size_t CharacterUnits(std::u16string_view Text, size_t Index) {
    if (Index + 1 < Text.size() && IsHighSurrogate(Text[Index]) && IsLowSurrogate(Text[Index + 1])) return 2;
    return 1;
}

bool NeedsWideCharacters(std::u16string_view Text) {
    return std::any_of(Text.begin(), Text.end(), [](char16_t C) { return C > 0xFF; });
}

// Strings per EXTSST bucket: at least 8, and so many that there are at most
// 128 buckets; the 16-bit field caps it for tables beyond any Excel's own.
uint32_t BucketSizeFor(uint32_t StringCount) {
    return std::min<uint32_t>(std::max<uint32_t>(StringCount / 128 + 1, 8), 0xFFFF);
}

}  // namespace

SharedStringTableWriter::SharedStringTableWriter(BiffStream &Stream, uint32_t StringCount)
    : stream_(Stream), announced_(StringCount),
      bucketSize_(BucketSizeFor(StringCount)) {
    buckets_.reserve(StringCount / bucketSize_ + 1);
    recordStart_ = stream_.Position();
    stream_.BeginRecord(RecordId::Sst);
    stream_.PutU32(StringCount);  // strings referred to by cells
    stream_.PutU32(StringCount);  // strings in the table: each cell has its own
}

void SharedStringTableWriter::StartContinueRecord() {
    stream_.EndRecord();
    recordStart_ = stream_.Position();
    stream_.BeginRecord(RecordId::Continue);
}

void SharedStringTableWriter::Add(std::u16string_view Text) {
    if (added_ == announced_) throw std::logic_error("more strings than the SST announced");
    if (Text.size() > MaxCellTextLength) throw std::logic_error("SST string longer than a cell holds");
    const bool wide = NeedsWideCharacters(Text);
    const size_t unitSize = wide ? 2 : 1;

    // The header and the first character start the string in the same record.
    size_t firstCharacter = Text.empty() ? 0 : CharacterUnits(Text, 0) * unitSize;
    if (stream_.RecordSpace() < StringHeaderSize + firstCharacter) StartContinueRecord();

    if (added_ % bucketSize_ == 0) {
        uint64_t at = stream_.Position();
        buckets_.push_back({static_cast<uint32_t>(at), static_cast<uint16_t>(at - recordStart_)});
    }
    stream_.PutU16(static_cast<uint16_t>(Text.size()));
    stream_.PutU8(wide ? WideCharacters : 0);

    size_t done = 0;
    while (done < Text.size()) {
        // Whole characters that fit the space left in this record.
        size_t end = done;
        size_t space = stream_.RecordSpace();
        while (end < Text.size()) {
            size_t units = CharacterUnits(Text, end);
            if (units * unitSize > space) break;
            space -= units * unitSize;
            end += units;
        }
        PutCharacters(Text, done, end, wide);
        done = end;
        if (done < Text.size()) {
            // The rest goes on in a CONTINUE record that starts with the
            // option byte of the continued characters.
            StartContinueRecord();
            stream_.PutU8(wide ? WideCharacters : 0);
        }
    }
    ++added_;
}

void SharedStringTableWriter::PutCharacters(std::u16string_view Text, size_t From, size_t To, bool Wide) {
    // Encoded in small batches: one call per character would dominate large exports.
    uint8_t batch[512];
    size_t used = 0;
    for (size_t i = From; i < To; ++i) {
        if (Wide) {
            batch[used++] = static_cast<uint8_t>(Text[i]);
            batch[used++] = static_cast<uint8_t>(Text[i] >> 8);
        } else {
            batch[used++] = static_cast<uint8_t>(Text[i]);
        }
        if (used + 2 > sizeof batch) {
            stream_.PutBytes(batch, used);
            used = 0;
        }
    }
    stream_.PutBytes(batch, used);
}

void SharedStringTableWriter::Finish() {
    if (added_ != announced_) throw std::logic_error("fewer strings than the SST announced");
    stream_.EndRecord();

    stream_.BeginRecord(RecordId::ExtSst);
    stream_.PutU16(static_cast<uint16_t>(bucketSize_));
    for (const BucketStart &bucket : buckets_) {
        stream_.PutU32(bucket.StreamPosition);
        stream_.PutU16(bucket.RecordOffset);
        stream_.PutU16(0);
    }
    stream_.EndRecord();
}

}  // namespace zebedit::workbook
