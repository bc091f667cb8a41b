#include "fixture_builder.h"

#include <stdlib.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace zebtest {
namespace {

constexpr uint32_t Magic = 0x08004244;

void Append32(Bytes &Out, uint32_t V) {
    for (int i = 0; i < 4; ++i) Out.push_back(static_cast<uint8_t>(V >> (8 * i)));
}
void Append16(Bytes &Out, uint16_t V) {
    Out.push_back(static_cast<uint8_t>(V));
    Out.push_back(static_cast<uint8_t>(V >> 8));
}
void AppendName(Bytes &Out, const std::string &Name) {
    for (size_t i = 0; i < 4; ++i) Out.push_back(i < Name.size() ? static_cast<uint8_t>(Name[i]) : 0);
}

struct Counts {
    uint16_t Capacity, RecordCount, DeletedCount, FirstDeleted, FieldCount;
};

Counts CountsOf(const TableSpec &T) {
    uint16_t deleted = 0, first = 0xFFFF;
    for (size_t r = 0; r < T.Records.size(); ++r) {
        Bytes rec = T.Records[r];
        rec.resize(T.RecordSize, 0);
        if (T.RecordSize && (rec[T.RecordSize - 1] & 0x80)) {
            ++deleted;
            if (first == 0xFFFF) first = static_cast<uint16_t>(r);
        }
    }
    Counts c;
    c.Capacity = T.Capacity.value_or(static_cast<uint16_t>(T.Records.size() + T.SpareSlots));
    c.RecordCount = T.RecordCount.value_or(static_cast<uint16_t>(T.Records.size()));
    c.DeletedCount = T.DeletedCount.value_or(deleted);
    c.FirstDeleted = T.FirstDeleted.value_or(first);
    c.FieldCount = T.FieldCount.value_or(static_cast<uint16_t>(T.Fields.size()));
    return c;
}

// The table's block: header, descriptors, slots and (CRC layout) data CRC.
Bytes TableBlock(const TableSpec &T, bool Crc) {
    const Counts c = CountsOf(T);
    Bytes header;
    if (!Crc) Append32(header, T.Prefix);
    Append32(header, T.Word00);
    Append16(header, T.RecordSize);
    Append16(header, T.Word06);
    Append32(header, T.Word08);
    if (Crc) Append32(header, T.Word12);
    Append16(header, c.Capacity);
    Append16(header, c.RecordCount);
    Append16(header, c.DeletedCount);
    Append16(header, c.FirstDeleted);
    Append16(header, c.FieldCount);
    Append16(header, T.Word26);
    if (Crc) {
        Append32(header, T.Word28);
        uint32_t crc = ReferenceCrc32(header.data(), 32);
        Append32(header, T.WrongHeaderCrc ? ~crc : crc);
    }

    Bytes data;
    for (const FieldSpec &f : T.Fields) {
        Append16(data, f.Type);
        Append16(data, f.Word02);
        Append32(data, f.BitOffset);
        AppendName(data, f.Name);
        Append32(data, f.BitCount);
    }
    for (uint32_t slot = 0; slot < c.Capacity; ++slot) {
        Bytes rec = slot < T.Records.size() ? T.Records[slot] : Bytes{};
        rec.resize(T.RecordSize, 0);
        data.insert(data.end(), rec.begin(), rec.end());
    }
    Bytes block = header;
    block.insert(block.end(), data.begin(), data.end());
    if (Crc) {
        uint32_t crc = ReferenceCrc32(data.data(), data.size());
        Append32(block, T.WrongDataCrc ? ~crc : crc);
    }
    return block;
}

}  // namespace

uint32_t ReferenceCrc32(const uint8_t *Data, size_t Length) {
    // Bit by bit, MSB first: no table shared with the library.
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < Length; ++i) {
        crc ^= static_cast<uint32_t>(Data[i]) << 24;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

uint32_t ReferenceByteSum(const uint8_t *Data, size_t Length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < Length; ++i) sum += Data[i];
    return sum;
}

Bytes BuildImage(const DatabaseSpec &Spec) {
    std::vector<Bytes> blocks;
    for (const TableSpec &t : Spec.Tables) blocks.push_back(TableBlock(t, Spec.Crc));

    Bytes image;
    if (Spec.Crc) {
        Append32(image, Magic);
        Append32(image, Spec.HeaderWord04);
        Append32(image, 0);  // FileSize, set below
        Append32(image, Spec.HeaderWord12);
        Append32(image, static_cast<uint32_t>(Spec.TableCount.value_or(static_cast<int32_t>(Spec.Tables.size()))));
        Append32(image, 0);  // HeaderCrc, set below
    } else {
        Append32(image, 0);  // FileSum, set below
    }
    uint32_t offset = 0;
    for (size_t i = 0; i < Spec.Tables.size(); ++i) {
        const TableSpec &t = Spec.Tables[i];
        AppendName(image, t.Name);
        if (!Spec.Crc) Append32(image, t.EntryWord04);
        Append32(image, t.TableOffset.value_or(offset));
        if (!Spec.Crc) Append32(image, t.TableSize.value_or(static_cast<uint32_t>(blocks[i].size())));
        offset += static_cast<uint32_t>(blocks[i].size());
    }
    if (Spec.Crc) {
        uint32_t crc = ReferenceCrc32(image.data() + 24, image.size() - 24);
        Append32(image, Spec.WrongDirectoryCrc ? ~crc : crc);
    } else {
        Append32(image, 0);  // DirectoryEnd
    }
    for (const Bytes &b : blocks) image.insert(image.end(), b.begin(), b.end());

    if (Spec.Crc) {
        Put32(image, 8, Spec.FileSize.value_or(static_cast<uint32_t>(image.size())));
        uint32_t crc = ReferenceCrc32(image.data(), 20);
        Put32(image, 20, Spec.WrongHeaderCrc ? ~crc : crc);
    } else {
        uint32_t sum = ReferenceByteSum(image.data() + 4, image.size() - 4);
        Put32(image, 0, Spec.WrongFileSum ? sum + 1 : sum);
    }
    return image;
}

std::string CheckWordProblems(const Bytes &Image, bool Crc) {
    std::ostringstream out;
    if (!Crc) {
        if (Image.size() >= 4 && Get32(Image, 0) != ReferenceByteSum(Image.data() + 4, Image.size() - 4))
            out << "FileSum wrong; ";
        return out.str();
    }
    if (Image.size() < 28) return "image shorter than its header";
    if (Get32(Image, 8) != Image.size()) out << "FileSize " << Get32(Image, 8) << " != " << Image.size() << "; ";
    if (Get32(Image, 20) != ReferenceCrc32(Image.data(), 20)) out << "HeaderCrc wrong; ";
    const int32_t n = static_cast<int32_t>(Get32(Image, 16));
    const size_t entries = n > 0 ? static_cast<size_t>(n) : 0;
    if (28 + 8 * entries > Image.size()) return out.str() + "directory runs off the end";
    if (Get32(Image, 24 + 8 * entries) != ReferenceCrc32(Image.data() + 24, 8 * entries)) out << "DirectoryCrc wrong; ";
    const size_t base = 28 + 8 * entries;
    for (size_t i = 0; i < entries; ++i) {
        const size_t h = base + Get32(Image, 24 + 8 * i + 4);
        if (h + 36 > Image.size()) continue;  // a table beyond the end
        if (Get32(Image, h + 32) != ReferenceCrc32(Image.data() + h, 32)) out << "TableHeaderCrc " << i << " wrong; ";
        const size_t len = 16 * size_t{Get16(Image, h + 24)} + size_t{Get16(Image, h + 4)} * Get16(Image, h + 16);
        if (h + 36 + len + 4 > Image.size()) {
            out << "table " << i << " runs off the end; ";
            continue;
        }
        if (Get32(Image, h + 36 + len) != ReferenceCrc32(Image.data() + h + 36, len))
            out << "TableDataCrc " << i << " wrong; ";
    }
    return out.str();
}

Bytes Record(uint16_t Size, std::initializer_list<uint8_t> Leading) {
    Bytes r(Leading);
    r.resize(Size, 0);
    return r;
}

void SetBits(Bytes &Rec, uint32_t BitOffset, uint32_t BitCount, uint64_t Value) {
    for (uint32_t i = 0; i < BitCount; ++i) {
        const uint32_t bit = BitOffset + i;
        const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
        const bool on = i < 64 ? ((Value >> i) & 1) : false;
        if (on)
            Rec.at(bit / 8) |= mask;
        else
            Rec.at(bit / 8) &= static_cast<uint8_t>(~mask);
    }
}

uint64_t GetBits(const Bytes &Rec, uint32_t BitOffset, uint32_t BitCount) {
    uint64_t v = 0;
    for (uint32_t i = 0; i < BitCount && i < 64; ++i) {
        const uint32_t bit = BitOffset + i;
        if (Rec.at(bit / 8) & (1u << (bit % 8))) v |= uint64_t{1} << i;
    }
    return v;
}

void MarkDeleted(Bytes &Rec, bool Deleted) {
    if (Deleted)
        Rec.back() |= 0x80;
    else
        Rec.back() &= 0x7F;
}

uint16_t Get16(const Bytes &Image, size_t P) { return static_cast<uint16_t>(Image.at(P) | (Image.at(P + 1) << 8)); }
uint32_t Get32(const Bytes &Image, size_t P) {
    return static_cast<uint32_t>(Image.at(P)) | (static_cast<uint32_t>(Image.at(P + 1)) << 8) |
           (static_cast<uint32_t>(Image.at(P + 2)) << 16) | (static_cast<uint32_t>(Image.at(P + 3)) << 24);
}
void Put16(Bytes &Image, size_t P, uint16_t V) {
    Image.at(P) = static_cast<uint8_t>(V);
    Image.at(P + 1) = static_cast<uint8_t>(V >> 8);
}
void Put32(Bytes &Image, size_t P, uint32_t V) {
    for (int i = 0; i < 4; ++i) Image.at(P + i) = static_cast<uint8_t>(V >> (8 * i));
}

TempDir::TempDir() {
#ifdef _WIN32
    // No mkdtemp here: try fresh names until one can be created.
    const auto base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        auto candidate = base / ("zebtest-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) path_ = candidate.generic_string();
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "zebtest-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give back write permission that a test may have taken away.
    for (auto &entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string &Name, const Bytes &Data) const {
    std::string path = File(Name);
    WriteFile(path, Data);
    return path;
}

Bytes ReadFile(const std::string &Path) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + Path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &Path, const Bytes &Data) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(Data.data()), static_cast<std::streamsize>(Data.size()));
    if (!out) throw std::runtime_error("cannot write " + Path);
}

}  // namespace zebtest
