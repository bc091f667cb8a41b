// uDBHash: the pieces shared by the carry-less-multiply CRC paths (x86 only).
//
// A 16-byte block is loaded byte-reversed, so that its first byte, the highest
// powers of x, lands in the register's top bits: bit i of the 128-bit value is
// the coefficient of x^i. Folding multiplies a block by x^D mod P to move it D
// bits along the range and XORs it onto the block found there; at the end one
// block remains, and its CRC (the block times x^32, mod P) is the result.
#pragma once

#include "uDBHash_Paths.h"

#if ZEB_DBHASH_X86

#include <immintrin.h>

#include "uDBHash_Poly.h"

// Each path is compiled for its own instruction set; the rest of the library
// stays on the base one. The helpers below inline into the wider paths too.
#define ZEB_TARGET_CLMUL128 [[gnu::target("pclmul,sse4.1")]]
#define ZEB_TARGET_CLMUL256 [[gnu::target("pclmul,sse4.1,avx2,vpclmulqdq")]]
#define ZEB_TARGET_CLMUL512 [[gnu::target("pclmul,sse4.1,avx2,avx512f,avx512bw,vpclmulqdq")]]

namespace zeb::dbhash {

// Below this length the table is as fast as setting up the folding.
inline constexpr size_t ClmulMinLength = 64;

ZEB_TARGET_CLMUL128 inline __m128i ByteReverseMask() {
    return _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

ZEB_TARGET_CLMUL128 inline __m128i LoadBlock(const uint8_t *p, __m128i reverse) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), reverse);
}

// The running CRC as the top 32 bits of a block: XOR it onto the first block.
ZEB_TARGET_CLMUL128 inline __m128i CrcAsBlock(uint32_t crc) { return _mm_set_epi32(static_cast<int>(crc), 0, 0, 0); }

// Both multipliers in one register: x^D mod P in the low half, x^(D+64) mod P in the high half.
ZEB_TARGET_CLMUL128 inline __m128i Multipliers(FoldMultipliers k) {
    return _mm_set_epi32(0, static_cast<int>(k.High), 0, static_cast<int>(k.Low));
}

ZEB_TARGET_CLMUL128 inline __m128i Fold(__m128i block, __m128i multipliers) {
    return _mm_xor_si128(_mm_clmulepi64_si128(block, multipliers, 0x00),
                         _mm_clmulepi64_si128(block, multipliers, 0x11));
}

// Folds the block D bits onto next.
ZEB_TARGET_CLMUL128 inline __m128i FoldOnto(__m128i block, __m128i multipliers, __m128i next) {
    return _mm_xor_si128(Fold(block, multipliers), next);
}

// Folds the rest of the range 16 bytes at a time, reduces the block to the
// CRC and finishes the last (under 16) bytes with the table.
ZEB_TARGET_CLMUL128 inline uint32_t FinishBlocks(__m128i block, const uint8_t *p, size_t length) {
    const __m128i reverse = ByteReverseMask();
    const __m128i by128 = Multipliers(FoldBy(128));
    for (; length >= 16; p += 16, length -= 16) block = FoldOnto(block, by128, LoadBlock(p, reverse));

    // block·x^32 = High·x^96 + Low·x^32 ≡ High·(x^96 mod P) + Low·x^32: 96 bits.
    const __m128i k96k64 = _mm_set_epi32(0, static_cast<int>(XPow64ModP), 0, static_cast<int>(XPow96ModP));
    const __m128i low = _mm_move_epi64(block);
    __m128i r = _mm_xor_si128(_mm_clmulepi64_si128(block, k96k64, 0x01), _mm_slli_si128(low, 4));
    // Bits 64..95 times (x^64 mod P), plus the low 64 bits: 64 bits, T.
    r = _mm_xor_si128(_mm_clmulepi64_si128(r, k96k64, 0x11), _mm_move_epi64(r));
    // Barrett: q = floor(floor(T / x^32)·mu / x^32) is floor(T / P), and
    // T mod P is the low 32 bits of T + q·P, that is of T + q·CrcPolynomial.
    const __m128i muPoly = _mm_set_epi32(0, static_cast<int>(CrcPolynomial), static_cast<int>(BarrettMu >> 32),
                                         static_cast<int>(BarrettMu & 0xFFFFFFFFu));
    const __m128i q = _mm_srli_epi64(_mm_clmulepi64_si128(_mm_srli_epi64(r, 32), muPoly, 0x00), 32);
    r = _mm_xor_si128(r, _mm_clmulepi64_si128(q, muPoly, 0x10));
    return Crc32Table(p, length, static_cast<uint32_t>(_mm_cvtsi128_si32(r)));
}

}  // namespace zeb::dbhash

#endif  // ZEB_DBHASH_X86
