// uDBHash: the CRC by carry-less-multiply folding with 512-bit VPCLMULQDQ
// (AVX-512 form). Four registers of four blocks each are folded side by side,
// 256 bytes per step; each 128-bit lane is a block of its own.
#include "uDBHash_Clmul.h"

#if ZEB_DBHASH_X86

namespace zeb::dbhash {
namespace {

ZEB_TARGET_CLMUL512 inline __m512i Load4Blocks(const uint8_t *p, __m512i reverse) {
    return _mm512_shuffle_epi8(_mm512_loadu_si512(p), reverse);
}

// Built with set4 and extracted with the zero-masking form: the plain broadcast
// and extract intrinsics of g++ 12 trip -Wmaybe-uninitialized.
ZEB_TARGET_CLMUL512 inline __m512i ReverseMask4() {
    return _mm512_set4_epi32(0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F);
}

ZEB_TARGET_CLMUL512 inline __m512i Multipliers4(FoldMultipliers k) {
    return _mm512_set4_epi32(0, static_cast<int>(k.High), 0, static_cast<int>(k.Low));
}

template <int Index>
ZEB_TARGET_CLMUL512 inline __m128i Lane(__m512i blocks) {
    return _mm512_maskz_extracti32x4_epi32(0xF, blocks, Index);
}

// Both products and the next blocks XORed in one instruction.
ZEB_TARGET_CLMUL512 inline __m512i Fold4Onto(__m512i blocks, __m512i multipliers, __m512i next) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(blocks, multipliers, 0x00),
                                     _mm512_clmulepi64_epi128(blocks, multipliers, 0x11), next, 0x96);
}

}  // namespace

ZEB_DBHASH_ALIGN_STACK ZEB_TARGET_CLMUL512 uint32_t Crc32Clmul512(const uint8_t *Data, size_t Length, uint32_t Crc) {
    if (Length < 512) return Crc32Clmul256(Data, Length, Crc);
    const __m512i reverse = ReverseMask4();
    const uint8_t *p = Data;

    const __m512i crcBlock = _mm512_set_epi32(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<int>(Crc), 0, 0, 0);
    __m512i z0 = _mm512_xor_si512(Load4Blocks(p, reverse), crcBlock);
    __m512i z1 = Load4Blocks(p + 64, reverse), z2 = Load4Blocks(p + 128, reverse), z3 = Load4Blocks(p + 192, reverse);
    p += 256;
    Length -= 256;

    const __m512i by2048 = Multipliers4(FoldBy(2048));
    for (; Length >= 256; p += 256, Length -= 256) {
        z0 = Fold4Onto(z0, by2048, Load4Blocks(p, reverse));
        z1 = Fold4Onto(z1, by2048, Load4Blocks(p + 64, reverse));
        z2 = Fold4Onto(z2, by2048, Load4Blocks(p + 128, reverse));
        z3 = Fold4Onto(z3, by2048, Load4Blocks(p + 192, reverse));
    }

    // Every register onto the last, then the rest 64 bytes at a time.
    z3 = Fold4Onto(z0, Multipliers4(FoldBy(3 * 512)), z3);
    z3 = Fold4Onto(z1, Multipliers4(FoldBy(2 * 512)), z3);
    z3 = Fold4Onto(z2, Multipliers4(FoldBy(1 * 512)), z3);
    const __m512i by512 = Multipliers4(FoldBy(512));
    for (; Length >= 64; p += 64, Length -= 64) z3 = Fold4Onto(z3, by512, Load4Blocks(p, reverse));

    // Lane i holds the block 3 - i blocks before the last one.
    __m128i block = Lane<3>(z3);
    block = FoldOnto(Lane<0>(z3), Multipliers(FoldBy(3 * 128)), block);
    block = FoldOnto(Lane<1>(z3), Multipliers(FoldBy(2 * 128)), block);
    block = FoldOnto(Lane<2>(z3), Multipliers(FoldBy(1 * 128)), block);
    return FinishBlocks(block, p, Length);
}

}  // namespace zeb::dbhash

#endif  // ZEB_DBHASH_X86
