// uDBHash: the two check computations of the database file format, a CRC-32
// (MSB-first, polynomial 0x04C11DB7, no inversions of its own) and a 32-bit
// byte sum. Plain functions over a byte range; they know nothing of databases.
#pragma once

#include <cstdint>

namespace zeb {

// Fills the 256-entry lookup table. Idempotent; CalcCrc32 calls it on first
// use, and the library calls it at load.
void BuildCrcTable();

// The running CRC after the Length bytes at Data, started from Crc. No initial
// or final inversion: callers start from 0xFFFFFFFF and use the result as is.
// Chaining over adjacent ranges equals one pass over both.
uint32_t CalcCrc32(const void *Data, uint32_t Length, uint32_t Crc);

// The sum of the bytes at Data modulo 2^32; 0 when Length is 0 or negative.
uint32_t CalcByteSum(const void *Data, int32_t Length);

}  // namespace zeb
