// uDBHash: the CRC sixteen bytes per step, for CPUs without carry-less
// multiplication. Table k holds the CRC of a byte followed by k zero bytes, so
// the CRC of a 16-byte block is the XOR of one lookup per byte.
#include <array>

#include "uDBHash_Paths.h"
#include "uDBHash_Poly.h"

namespace zeb::dbhash {
namespace {

using SliceTables = std::array<std::array<uint32_t, 256>, 16>;

constexpr SliceTables MakeSliceTables() {
    SliceTables t{};
    for (uint32_t a = 0; a < 256; ++a) t[0][a] = CrcTableEntry(a);
    for (size_t k = 1; k < 16; ++k)
        for (uint32_t a = 0; a < 256; ++a) t[k][a] = (t[k - 1][a] << 8) ^ t[0][t[k - 1][a] >> 24];
    return t;
}

constexpr SliceTables slices = MakeSliceTables();

}  // namespace

uint32_t Crc32Slicing16(const uint8_t *Data, size_t Length, uint32_t Crc) {
    const uint8_t *p = Data;
    for (; Length >= 16; p += 16, Length -= 16) {
        // The running value goes into the block's first four bytes (MSB first).
        const uint32_t w = ((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]) ^ Crc;
        Crc = slices[15][w >> 24] ^ slices[14][(w >> 16) & 0xFF] ^ slices[13][(w >> 8) & 0xFF] ^ slices[12][w & 0xFF] ^
              slices[11][p[4]] ^ slices[10][p[5]] ^ slices[9][p[6]] ^ slices[8][p[7]] ^
              slices[7][p[8]] ^ slices[6][p[9]] ^ slices[5][p[10]] ^ slices[4][p[11]] ^
              slices[3][p[12]] ^ slices[2][p[13]] ^ slices[1][p[14]] ^ slices[0][p[15]];
    }
    return Crc32Table(p, Length, Crc);
}

}  // namespace zeb::dbhash
