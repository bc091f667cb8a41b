#include "uDBHash.h"

#include <array>

namespace zeb {
namespace {

std::array<uint32_t, 256> crcTable;
bool crcTableBuilt = false;

}  // namespace

void BuildCrcTable() {
    if (crcTableBuilt) return;
    for (uint32_t a = 0; a < 256; ++a) {
        uint32_t x = a << 24;
        for (int bit = 0; bit < 8; ++bit) x = (x & 0x80000000u) ? (x << 1) ^ 0x04C11DB7u : x << 1;
        crcTable[a] = x;
    }
    crcTableBuilt = true;
}

uint32_t CalcCrc32(const void *Data, uint32_t Length, uint32_t Crc) {
    BuildCrcTable();
    const auto *p = static_cast<const uint8_t *>(Data);
    for (uint32_t i = 0; i < Length; ++i) Crc = crcTable[(Crc >> 24) ^ p[i]] ^ (Crc << 8);
    return Crc;
}

uint32_t CalcByteSum(const void *Data, int32_t Length) {
    const auto *p = static_cast<const uint8_t *>(Data);
    uint32_t sum = 0;
    for (int32_t i = 0; i < Length; ++i) sum += p[i];
    return sum;
}

}  // namespace zeb
