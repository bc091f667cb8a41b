// uDBHash: the CRC by carry-less-multiply folding with 256-bit VPCLMULQDQ
// (AVX2 form). Four registers of two blocks each are folded side by side,
// 128 bytes per step; each 128-bit lane is a block of its own.
#include "uDBHash_Clmul.h"

#if ZEB_DBHASH_X86

namespace zeb::dbhash {
namespace {

ZEB_TARGET_CLMUL256 inline __m256i Load2Blocks(const uint8_t *p, __m256i reverse) {
    return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), reverse);
}

ZEB_TARGET_CLMUL256 inline __m256i Multipliers2(FoldMultipliers k) { return _mm256_broadcastsi128_si256(Multipliers(k)); }

ZEB_TARGET_CLMUL256 inline __m256i Fold2(__m256i blocks, __m256i multipliers) {
    return _mm256_xor_si256(_mm256_clmulepi64_epi128(blocks, multipliers, 0x00),
                            _mm256_clmulepi64_epi128(blocks, multipliers, 0x11));
}

}  // namespace

ZEB_DBHASH_ALIGN_STACK ZEB_TARGET_CLMUL256 uint32_t Crc32Clmul256(const uint8_t *Data, size_t Length, uint32_t Crc) {
    if (Length < 256) return Crc32Clmul128(Data, Length, Crc);
    const __m256i reverse = _mm256_broadcastsi128_si256(ByteReverseMask());
    const uint8_t *p = Data;

    __m256i y0 = _mm256_xor_si256(Load2Blocks(p, reverse), _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(Crc), 0, 0, 0));
    __m256i y1 = Load2Blocks(p + 32, reverse), y2 = Load2Blocks(p + 64, reverse), y3 = Load2Blocks(p + 96, reverse);
    p += 128;
    Length -= 128;

    const __m256i by1024 = Multipliers2(FoldBy(1024));
    for (; Length >= 128; p += 128, Length -= 128) {
        y0 = _mm256_xor_si256(Fold2(y0, by1024), Load2Blocks(p, reverse));
        y1 = _mm256_xor_si256(Fold2(y1, by1024), Load2Blocks(p + 32, reverse));
        y2 = _mm256_xor_si256(Fold2(y2, by1024), Load2Blocks(p + 64, reverse));
        y3 = _mm256_xor_si256(Fold2(y3, by1024), Load2Blocks(p + 96, reverse));
    }

    // Every register onto the last, then the rest 32 bytes at a time.
    y3 = _mm256_xor_si256(y3, Fold2(y0, Multipliers2(FoldBy(3 * 256))));
    y3 = _mm256_xor_si256(y3, Fold2(y1, Multipliers2(FoldBy(2 * 256))));
    y3 = _mm256_xor_si256(y3, Fold2(y2, Multipliers2(FoldBy(1 * 256))));
    const __m256i by256 = Multipliers2(FoldBy(256));
    for (; Length >= 32; p += 32, Length -= 32) y3 = _mm256_xor_si256(Fold2(y3, by256), Load2Blocks(p, reverse));

    // The lower lane holds the earlier block.
    const __m128i block = _mm_xor_si128(_mm256_extracti128_si256(y3, 1),
                                        Fold(_mm256_castsi256_si128(y3), Multipliers(FoldBy(128))));
    return FinishBlocks(block, p, Length);
}

}  // namespace zeb::dbhash

#endif  // ZEB_DBHASH_X86
