// Database images for the benchmarks, made by the fixture builder.
#pragma once

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "fixture_builder.h"

namespace zebbench {

using zebtest::Bytes;

// Ten tables of about one megabyte each: a file of about 10 MB.
inline Bytes TenMegabytes(bool Crc) {
    zebtest::DatabaseSpec spec;
    spec.Crc = Crc;
    for (int i = 0; i < 10; ++i) {
        zebtest::TableSpec t;
        t.Name = "T" + std::to_string(i);
        t.RecordSize = 100;
        t.Fields = {{3, "ID", 0, 32}, {0, "NAME", 32, 64}, {2, "V", 96, 12}};
        for (int r = 0; r < 10000; ++r) {
            Bytes rec = zebtest::Record(100);
            zebtest::SetBits(rec, 0, 32, static_cast<uint64_t>(r));
            rec[60] = static_cast<uint8_t>(r * 7);
            t.Records.push_back(rec);
        }
        t.SpareSlots = 400;
        spec.Tables.push_back(t);
    }
    return zebtest::BuildImage(spec);
}

// One table of 65,535 records and 100 fields of every numeric kind and
// strings, packed at odd bit offsets.
inline Bytes WideTable(uint32_t Fields = 100, uint32_t Records = 65535) {
    zebtest::DatabaseSpec spec;
    zebtest::TableSpec t;
    t.Name = "WIDE";
    uint32_t bit = 0;
    for (uint32_t f = 0; f < Fields; ++f) {
        const uint16_t type = f % 10 == 9 ? 0 : (f % 10 == 8 ? 4 : (f % 3 == 0 ? 2 : 3));
        const uint32_t count = type == 0 ? 64 : (type == 4 ? 32 : 5 + f % 20);
        if (type == 0) bit = (bit + 7) / 8 * 8;
        t.Fields.push_back({type, "F" + std::to_string(f), bit, count});
        bit += count;
    }
    t.RecordSize = static_cast<uint16_t>((bit + 8) / 8 + 1);
    uint32_t x = 1;
    for (uint32_t r = 0; r < Records; ++r) {
        Bytes rec(t.RecordSize);
        for (auto &b : rec) b = static_cast<uint8_t>((x = x * 1664525 + 1013904223) >> 24);
        for (const auto &f : t.Fields)
            if (f.Type == 0) zebtest::SetBits(rec, f.BitOffset, 64, 0x0000434241u + r % 7);  // "ABC" and a digit
        rec.back() &= 0x7F;
        t.Records.push_back(rec);
    }
    spec.Tables = {t};
    return zebtest::BuildImage(spec);
}

// The floor of a save: read the file, write the same bytes to a temporary
// file beside it, flush it and rename it over the original; with
// FlushFolder, also flush the folder so that the rename itself is durable.
inline void ReadAndReplaceDurably(const std::string &Path, bool FlushFolder) {
    Bytes data;
    {
        const int in = ::open(Path.c_str(), O_RDONLY);
        if (in < 0) throw std::runtime_error("cannot open " + Path);
        data.resize(static_cast<size_t>(::lseek(in, 0, SEEK_END)));
        if (::pread(in, data.data(), data.size(), 0) != static_cast<ssize_t>(data.size()))
            throw std::runtime_error("cannot read " + Path);
        ::close(in);
    }
    const std::string temporary = Path + ".floor";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + temporary);
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0) throw std::runtime_error("cannot write " + temporary);
        done += static_cast<size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
    if (::rename(temporary.c_str(), Path.c_str()) != 0) throw std::runtime_error("cannot rename");
    if (FlushFolder) {
        const std::string folder = Path.substr(0, Path.rfind('/'));
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(dir);
        ::close(dir);
    }
}

// Bytes currently allocated on the heap.
inline size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

}  // namespace zebbench
