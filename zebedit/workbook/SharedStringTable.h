// The workbook's shared string table, streamed: the SST record with as many
// CONTINUE records as its strings need, then the EXTSST index into it. Every
// string is added in the order the cells refer to them, so a cell's string
// index is its position in that order and no string is kept in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "BiffStream.h"

namespace zebedit::workbook {

// The longest text an Excel 97-2003 cell holds, in UTF-16 code units.
constexpr size_t MaxCellTextLength = 32767;

class SharedStringTableWriter {
  public:
    // Opens the SST record for exactly StringCount strings.
    SharedStringTableWriter(BiffStream &Stream, uint32_t StringCount);

    // Appends the next string (at most MaxCellTextLength code units). Strings
    // whose code units all fit in 8 bits are stored one byte per character,
    // others as UTF-16LE; a string that does not fit the current record goes
    // on in a CONTINUE record, never splitting its header or a character.
    void Add(std::u16string_view Text);

    // Ends the last record and writes EXTSST. Every announced string must
    // have been added.
    void Finish();

  private:
    struct BucketStart {
        uint32_t StreamPosition;  // of the bucket's first string
        uint16_t RecordOffset;    // of that string within its record, header included
    };

    void StartContinueRecord();
    void PutCharacters(std::u16string_view Text, size_t From, size_t To, bool Wide);

    BiffStream &stream_;
    uint32_t announced_;
    uint32_t added_ = 0;
    uint32_t bucketSize_;
    uint64_t recordStart_;  // stream position of the open SST or CONTINUE record
    std::vector<BucketStart> buckets_;
};

}  // namespace zebedit::workbook
