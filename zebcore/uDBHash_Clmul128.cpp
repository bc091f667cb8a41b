// uDBHash: the CRC by carry-less-multiply folding with 128-bit PCLMULQDQ.
// Eight blocks are folded side by side, 128 bytes per step, so the multiplies
// of one block overlap the latency of the others.
#include "uDBHash_Clmul.h"

#if ZEB_DBHASH_X86

namespace zeb::dbhash {

ZEB_DBHASH_ALIGN_STACK ZEB_TARGET_CLMUL128 uint32_t Crc32Clmul128(const uint8_t *Data, size_t Length, uint32_t Crc) {
    if (Length < ClmulMinLength) return Crc32Table(Data, Length, Crc);
    const __m128i reverse = ByteReverseMask();
    const uint8_t *p = Data;
    if (Length < 128) {
        const __m128i block = _mm_xor_si128(LoadBlock(p, reverse), CrcAsBlock(Crc));
        return FinishBlocks(block, p + 16, Length - 16);
    }

    __m128i x0 = _mm_xor_si128(LoadBlock(p, reverse), CrcAsBlock(Crc));
    __m128i x1 = LoadBlock(p + 16, reverse), x2 = LoadBlock(p + 32, reverse), x3 = LoadBlock(p + 48, reverse);
    __m128i x4 = LoadBlock(p + 64, reverse), x5 = LoadBlock(p + 80, reverse), x6 = LoadBlock(p + 96, reverse);
    __m128i x7 = LoadBlock(p + 112, reverse);
    p += 128;
    Length -= 128;

    const __m128i by1024 = Multipliers(FoldBy(1024));
    for (; Length >= 128; p += 128, Length -= 128) {
        x0 = FoldOnto(x0, by1024, LoadBlock(p, reverse));
        x1 = FoldOnto(x1, by1024, LoadBlock(p + 16, reverse));
        x2 = FoldOnto(x2, by1024, LoadBlock(p + 32, reverse));
        x3 = FoldOnto(x3, by1024, LoadBlock(p + 48, reverse));
        x4 = FoldOnto(x4, by1024, LoadBlock(p + 64, reverse));
        x5 = FoldOnto(x5, by1024, LoadBlock(p + 80, reverse));
        x6 = FoldOnto(x6, by1024, LoadBlock(p + 96, reverse));
        x7 = FoldOnto(x7, by1024, LoadBlock(p + 112, reverse));
    }

    // Each block onto the last one, from its own distance.
    __m128i block = _mm_xor_si128(x7, Fold(x0, Multipliers(FoldBy(7 * 128))));
    block = _mm_xor_si128(block, Fold(x1, Multipliers(FoldBy(6 * 128))));
    block = _mm_xor_si128(block, Fold(x2, Multipliers(FoldBy(5 * 128))));
    block = _mm_xor_si128(block, Fold(x3, Multipliers(FoldBy(4 * 128))));
    block = _mm_xor_si128(block, Fold(x4, Multipliers(FoldBy(3 * 128))));
    block = _mm_xor_si128(block, Fold(x5, Multipliers(FoldBy(2 * 128))));
    block = _mm_xor_si128(block, Fold(x6, Multipliers(FoldBy(1 * 128))));
    return FinishBlocks(block, p, Length);
}

}  // namespace zeb::dbhash

#endif  // ZEB_DBHASH_X86
