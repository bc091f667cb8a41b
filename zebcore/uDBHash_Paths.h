// uDBHash internals: the ways of computing the CRC and the byte sum, and the
// run-time choice among them. Not part of the library's public surface; the
// tests use it to run every path the CPU supports.
#pragma once

#include <cstddef>
#include <cstdint>

// The vector paths exist only for x86 targets; elsewhere only the portable
// ones are compiled.
#if defined(__x86_64__) || defined(__i386__)
#define ZEB_DBHASH_X86 1
#else
#define ZEB_DBHASH_X86 0
#endif

// 32-bit Windows callers may enter with the stack only 4-byte aligned; the
// vector paths realign it, as their register spills need 16 bytes or more.
#if defined(__i386__)
#define ZEB_DBHASH_ALIGN_STACK [[gnu::force_align_arg_pointer]]
#else
#define ZEB_DBHASH_ALIGN_STACK
#endif

namespace zeb::dbhash {

enum class CrcPath {
    Table,      // one lookup in the 256-entry table per byte
    Slicing16,  // sixteen bytes per step through sixteen tables
    Clmul128,   // carry-less-multiply folding, 128-bit (PCLMULQDQ)
    Clmul256,   // the same, 256-bit (VPCLMULQDQ with AVX2)
    Clmul512,   // the same, 512-bit (VPCLMULQDQ with AVX-512)
};

enum class SumPath {
    Plain,  // byte by byte
    Sse2,   // PSADBW, 16 bytes per instruction
    Avx2,   // VPSADBW, 32 bytes per instruction
};

// Each path takes any length, including 0, and gives the same result as the
// table path. The folding paths leave short ranges and the last few bytes to
// the table.
uint32_t Crc32Table(const uint8_t *Data, size_t Length, uint32_t Crc);
uint32_t Crc32Slicing16(const uint8_t *Data, size_t Length, uint32_t Crc);
uint32_t ByteSumPlain(const uint8_t *Data, size_t Length);
#if ZEB_DBHASH_X86
uint32_t Crc32Clmul128(const uint8_t *Data, size_t Length, uint32_t Crc);
uint32_t Crc32Clmul256(const uint8_t *Data, size_t Length, uint32_t Crc);
uint32_t Crc32Clmul512(const uint8_t *Data, size_t Length, uint32_t Crc);
uint32_t ByteSumSse2(const uint8_t *Data, size_t Length);
uint32_t ByteSumAvx2(const uint8_t *Data, size_t Length);
#endif

using CrcRoutine = uint32_t (*)(const uint8_t *Data, size_t Length, uint32_t Crc);
using SumRoutine = uint32_t (*)(const uint8_t *Data, size_t Length);

// Whether this build has the path and the running CPU (and OS) can execute it.
bool CpuSupports(CrcPath Path);
bool CpuSupports(SumPath Path);

// The routines CalcCrc32 and CalcByteSum call: the fastest supported path,
// chosen on first use, unless a path has been forced.
CrcRoutine ActiveCrcRoutine();
SumRoutine ActiveSumRoutine();
CrcPath ActiveCrcPath();
SumPath ActiveSumPath();

// Make every later call use Path. Returns false, changing nothing, when the
// CPU does not support it. For tests and benchmarks.
bool ForceCrcPath(CrcPath Path);
bool ForceSumPath(SumPath Path);

// Back to the automatic choice.
void UseFastestPaths();

}  // namespace zeb::dbhash
