// Builds database images of both layouts from a compact description, with
// correct or deliberately wrong check words, and checks the check words of an
// image independently of the library. Every test, benchmark and fuzz seed
// makes its data here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zebtest {

using Bytes = std::vector<uint8_t>;

struct FieldSpec {
    uint16_t Type = 3;
    std::string Name;  // up to four characters
    uint32_t BitOffset = 0;
    uint32_t BitCount = 8;
    uint16_t Word02 = 0;
};

struct TableSpec {
    std::string Name;  // up to four bytes; shorter names are padded with zeros
    uint16_t RecordSize = 4;
    std::vector<FieldSpec> Fields;
    std::vector<Bytes> Records;  // in-use records, each padded or cut to RecordSize
    uint16_t SpareSlots = 0;     // zero slots after the records

    // Stored words that default to what the records say.
    std::optional<uint16_t> Capacity, RecordCount, DeletedCount, FirstDeleted, FieldCount;
    std::optional<uint32_t> TableOffset;  // default: blocks one after another
    std::optional<uint32_t> TableSize;    // sum layout; default: the block's length

    // Carried-through words.
    uint32_t Word00 = 0x11223344, Word08 = 0x55667788, Word12 = 0x99AABBCC, Word28 = 0xDDEEFF00;
    uint16_t Word06 = 0x0102, Word26 = 0x0304;
    uint32_t Prefix = 0xCAFEF00D, EntryWord04 = 0x0BADBEEF;

    bool WrongHeaderCrc = false, WrongDataCrc = false;
};

struct DatabaseSpec {
    bool Crc = true;
    std::vector<TableSpec> Tables;
    uint32_t HeaderWord04 = 0x00010002, HeaderWord12 = 0x00030004;
    std::optional<int32_t> TableCount;  // CRC layout; default: the number of tables
    std::optional<uint32_t> FileSize;   // CRC layout; default: the image length
    bool WrongHeaderCrc = false, WrongDirectoryCrc = false, WrongFileSum = false;
};

Bytes BuildImage(const DatabaseSpec &Spec);

// The reference check computations, written independently of the library.
uint32_t ReferenceCrc32(const uint8_t *Data, size_t Length);
uint32_t ReferenceByteSum(const uint8_t *Data, size_t Length);

// Walks the structure of a well-formed image and returns a description of
// every check word (and FileSize) that is not right; empty when all are.
std::string CheckWordProblems(const Bytes &Image, bool Crc);

// A record of Size bytes with the given bits set.
Bytes Record(uint16_t Size, std::initializer_list<uint8_t> Leading = {});
void SetBits(Bytes &Record, uint32_t BitOffset, uint32_t BitCount, uint64_t Value);
uint64_t GetBits(const Bytes &Record, uint32_t BitOffset, uint32_t BitCount);
void MarkDeleted(Bytes &Record, bool Deleted = true);

uint16_t Get16(const Bytes &Image, size_t Position);
uint32_t Get32(const Bytes &Image, size_t Position);
void Put16(Bytes &Image, size_t Position, uint16_t Value);
void Put32(Bytes &Image, size_t Position, uint32_t Value);

// A folder under the system's temporary folder, removed with its contents.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &Path() const { return path_; }
    std::string File(const std::string &Name) const { return path_ + "/" + Name; }
    // Writes Data to Name in the folder and returns the file's path.
    std::string Write(const std::string &Name, const Bytes &Data) const;

  private:
    std::string path_;
};

Bytes ReadFile(const std::string &Path);
void WriteFile(const std::string &Path, const Bytes &Data);

}  // namespace zebtest
