// uDBHash: the byte sum. The vector paths add 8-byte groups with PSADBW (the
// sum of absolute differences from zero is the sum of the bytes) into 64-bit
// lanes, which cannot overflow for a 32-bit length; the result keeps the low
// 32 bits, as the plain loop does.
#include "uDBHash_Paths.h"

#if ZEB_DBHASH_X86
#include <immintrin.h>
#endif

namespace zeb::dbhash {

uint32_t ByteSumPlain(const uint8_t *Data, size_t Length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < Length; ++i) sum += Data[i];
    return sum;
}

#if ZEB_DBHASH_X86

namespace {

[[gnu::target("sse2")]] inline __m128i Sad16(const uint8_t *p) {
    return _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), _mm_setzero_si128());
}

[[gnu::target("sse2")]] inline uint32_t LowWordsSum(__m128i lanes) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_add_epi64(lanes, _mm_unpackhi_epi64(lanes, lanes))));
}

[[gnu::target("avx2")]] inline __m256i Sad32(const uint8_t *p) {
    return _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)), _mm256_setzero_si256());
}

}  // namespace

ZEB_DBHASH_ALIGN_STACK [[gnu::target("sse2")]] uint32_t ByteSumSse2(const uint8_t *Data, size_t Length) {
    const uint8_t *p = Data;
    // Four independent sums so the adds do not wait on each other.
    __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0;
    for (; Length >= 64; p += 64, Length -= 64) {
        s0 = _mm_add_epi64(s0, Sad16(p));
        s1 = _mm_add_epi64(s1, Sad16(p + 16));
        s2 = _mm_add_epi64(s2, Sad16(p + 32));
        s3 = _mm_add_epi64(s3, Sad16(p + 48));
    }
    for (; Length >= 16; p += 16, Length -= 16) s0 = _mm_add_epi64(s0, Sad16(p));
    const __m128i s = _mm_add_epi64(_mm_add_epi64(s0, s1), _mm_add_epi64(s2, s3));
    return LowWordsSum(s) + ByteSumPlain(p, Length);
}

ZEB_DBHASH_ALIGN_STACK [[gnu::target("avx2")]] uint32_t ByteSumAvx2(const uint8_t *Data, size_t Length) {
    const uint8_t *p = Data;
    __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
    for (; Length >= 128; p += 128, Length -= 128) {
        s0 = _mm256_add_epi64(s0, Sad32(p));
        s1 = _mm256_add_epi64(s1, Sad32(p + 32));
        s2 = _mm256_add_epi64(s2, Sad32(p + 64));
        s3 = _mm256_add_epi64(s3, Sad32(p + 96));
    }
    for (; Length >= 32; p += 32, Length -= 32) s0 = _mm256_add_epi64(s0, Sad32(p));
    const __m256i s = _mm256_add_epi64(_mm256_add_epi64(s0, s1), _mm256_add_epi64(s2, s3));
    const __m128i halves = _mm_add_epi64(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
    return LowWordsSum(halves) + ByteSumPlain(p, Length);
}

#endif  // ZEB_DBHASH_X86

}  // namespace zeb::dbhash
