// Where a save writes in a database image, and what each written check word
// covers, worked out from the format alone (independently of the library) for
// images that may be damaged in any way.
#pragma once

#include <cstdint>
#include <vector>

#include "fixture_builder.h"

namespace zebfuzz {

class FileAreas {
  public:
    // The areas of Image, read as the library reads a file: the layout by its
    // first word, the directory entries that lie wholly inside the image, and
    // the tables whose header starts at or before the image's end.
    static FileAreas Of(const zebtest::Bytes &Image);

    bool Crc() const { return crc_; }
    // True when a save may change the byte at Position: the sum layout's
    // first word, or in the CRC layout FileSize, HeaderCrc, DirectoryCrc and
    // each table's two check words.
    bool IsWritten(uint64_t Position) const { return Position < writer_.size() && writer_[Position] != None; }
    // True when the byte at Position belongs to a table's record slots or
    // to the header words that count them: the only places, besides the
    // check words, that record and value calls may change (without growth).
    bool IsRecordArea(uint64_t Position) const { return Position < recordArea_.size() && recordArea_[Position]; }
    // True when a word that a save writes lies inside an area that another
    // word covers (or over another such word), so that not all check words
    // can be right after a save.
    bool Overlap() const { return overlap_; }

  private:
    static constexpr int None = -1;
    struct Range {
        uint64_t Begin, End;  // [Begin, End), clipped to the image
        int Owner;            // who writes or covers it: file header, directory or a table
    };
    void AddWritten(uint64_t Begin, uint64_t Length, int Owner);
    void AddCovered(uint64_t Begin, uint64_t End, int Owner);
    void AddRecordArea(uint64_t Header, uint64_t Data, uint64_t SlotBytes);
    void FindOverlap();

    bool crc_ = false;
    bool overlap_ = false;
    std::vector<int> writer_;  // per byte: the owner of the word written there
    std::vector<bool> recordArea_;
    std::vector<Range> written_, covered_;
};

}  // namespace zebfuzz
