#include "uDBHash.h"

#include <array>

#include "uDBHash_Paths.h"
#include "uDBHash_Poly.h"

namespace zeb {
namespace {

std::array<uint32_t, 256> crcTable;

bool FillCrcTable() {
    for (uint32_t a = 0; a < 256; ++a) crcTable[a] = dbhash::CrcTableEntry(a);
    return true;
}

}  // namespace

void BuildCrcTable() {
    // A function-local static is initialised exactly once, and no thread sees
    // it before it is complete, so a partly filled table is never used.
    static const bool filled = FillCrcTable();
    (void)filled;
}

uint32_t CalcCrc32(const void *Data, uint32_t Length, uint32_t Crc) {
    return dbhash::ActiveCrcRoutine()(static_cast<const uint8_t *>(Data), Length, Crc);
}

uint32_t CalcByteSum(const void *Data, int32_t Length) {
    if (Length <= 0) return 0;
    return dbhash::ActiveSumRoutine()(static_cast<const uint8_t *>(Data), static_cast<size_t>(Length));
}

uint32_t dbhash::Crc32Table(const uint8_t *Data, size_t Length, uint32_t Crc) {
    BuildCrcTable();
    for (size_t i = 0; i < Length; ++i) Crc = crcTable[(Crc >> 24) ^ Data[i]] ^ (Crc << 8);
    return Crc;
}

}  // namespace zeb
