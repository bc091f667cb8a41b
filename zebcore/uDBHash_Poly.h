// uDBHash: arithmetic on the CRC polynomial, for building the lookup tables and
// the carry-less-multiply folding constants at compile time.
//
// A 32-bit remainder holds the coefficient of x^i in bit i. The CRC is MSB-first,
// so the first bit of a range is its highest power: the CRC of a range M of n
// bits started from 0 is M(x)·x^32 mod P, and a starting value c adds
// c(x)·x^n, which is the same as XOR-ing c into the range's first four bytes.
#pragma once

#include <array>
#include <cstdint>

namespace zeb::dbhash {

// P(x) = x^32 + CrcPolynomial.
inline constexpr uint32_t CrcPolynomial = 0x04C11DB7u;

// x·r mod P for a remainder r.
constexpr uint32_t TimesX(uint32_t r) { return (r & 0x80000000u) ? (r << 1) ^ CrcPolynomial : r << 1; }

// x^k mod P.
constexpr uint32_t XPowModP(unsigned k) {
    uint32_t r = 1;
    for (unsigned i = 0; i < k; ++i) r = TimesX(r);
    return r;
}

// The multipliers that reduce a final 128-bit block to the CRC.
inline constexpr uint32_t XPow64ModP = XPowModP(64);
inline constexpr uint32_t XPow96ModP = XPowModP(96);

// The byte table entry for byte value a: (a·x^24)·x^8 mod P, the CRC of the
// single byte a started from 0.
constexpr uint32_t CrcTableEntry(uint32_t a) {
    uint32_t x = a << 24;
    for (int bit = 0; bit < 8; ++bit) x = TimesX(x);
    return x;
}

// floor(D / P) for a dividend D of degree below 64.
constexpr uint64_t DivideByP(uint64_t dividend) {
    const uint64_t p = (uint64_t{1} << 32) | CrcPolynomial;
    uint64_t quotient = 0;
    for (int degree = 63; degree >= 32; --degree) {
        if ((dividend >> degree) & 1) {
            quotient |= uint64_t{1} << (degree - 32);
            dividend ^= p << (degree - 32);
        }
    }
    return quotient;
}

// The Barrett constant floor(x^64 / P), 33 bits. As x^64 = x^32·P + x^32·CrcPolynomial,
// it is x^32 plus floor(x^32·CrcPolynomial / P).
inline constexpr uint64_t BarrettMu = (uint64_t{1} << 32) | DivideByP(uint64_t{CrcPolynomial} << 32);

// Multipliers that move a 128-bit block D bits further along the range: a block
// A = High·x^64 + Low followed by D bits is congruent to
// High·(x^(D+64) mod P) + Low·(x^D mod P), a value of at most 95 bits.
struct FoldMultipliers {
    uint32_t Low;   // x^D mod P
    uint32_t High;  // x^(D+64) mod P
};

consteval FoldMultipliers FoldBy(unsigned distanceBits) {
    return {XPowModP(distanceBits), XPowModP(distanceBits + 64)};
}

}  // namespace zeb::dbhash
