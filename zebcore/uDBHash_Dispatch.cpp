// uDBHash: the run-time choice of the CRC and byte-sum paths from the CPU's
// features. The choice is made on first use and kept in an atomic, so any
// thread may make it; forcing a path replaces it.
#include <atomic>
#include <initializer_list>

#include "uDBHash_Paths.h"

namespace zeb::dbhash {
namespace {

#if ZEB_DBHASH_X86
// The compiler's feature test also checks that the OS saves the wide registers.
bool CpuHas128BitClmul() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

bool CpuHas256BitClmul() {
    return CpuHas128BitClmul() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
}

// The 512-bit path hands ranges it finds too short to the 256-bit one.
bool CpuHas512BitClmul() {
    return CpuHas256BitClmul() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
}
#endif

CrcRoutine RoutineOf(CrcPath Path) {
    switch (Path) {
    case CrcPath::Table: return Crc32Table;
    case CrcPath::Slicing16: return Crc32Slicing16;
#if ZEB_DBHASH_X86
    case CrcPath::Clmul128: return Crc32Clmul128;
    case CrcPath::Clmul256: return Crc32Clmul256;
    case CrcPath::Clmul512: return Crc32Clmul512;
#else
    default: break;
#endif
    }
    return nullptr;
}

SumRoutine RoutineOf(SumPath Path) {
    switch (Path) {
    case SumPath::Plain: return ByteSumPlain;
#if ZEB_DBHASH_X86
    case SumPath::Sse2: return ByteSumSse2;
    case SumPath::Avx2: return ByteSumAvx2;
#else
    default: break;
#endif
    }
    return nullptr;
}

// Fastest first; the last entry of each is supported everywhere.
constexpr std::initializer_list<CrcPath> CrcPreference = {CrcPath::Clmul512, CrcPath::Clmul256, CrcPath::Clmul128,
                                                          CrcPath::Slicing16, CrcPath::Table};
constexpr std::initializer_list<SumPath> SumPreference = {SumPath::Avx2, SumPath::Sse2, SumPath::Plain};

template <typename Path>
Path Fastest(std::initializer_list<Path> Preference) {
    for (Path p : Preference)
        if (CpuSupports(p)) return p;
    return *(Preference.end() - 1);
}

std::atomic<CrcRoutine> activeCrc{nullptr};
std::atomic<SumRoutine> activeSum{nullptr};

template <typename Routine, typename Path>
Routine Active(std::atomic<Routine> &Slot, std::initializer_list<Path> Preference) {
    Routine r = Slot.load(std::memory_order_acquire);
    if (r) return r;
    Routine fastest = RoutineOf(Fastest(Preference));
    // Another thread may have chosen, or forced a path, meanwhile: keep its choice.
    return Slot.compare_exchange_strong(r, fastest, std::memory_order_acq_rel) ? fastest : r;
}

template <typename Path, typename Routine>
Path PathOf(Routine r, std::initializer_list<Path> Preference) {
    for (Path p : Preference)
        if (RoutineOf(p) == r) return p;
    return *(Preference.end() - 1);
}

}  // namespace

bool CpuSupports(CrcPath Path) {
    switch (Path) {
    case CrcPath::Table:
    case CrcPath::Slicing16: return true;
#if ZEB_DBHASH_X86
    case CrcPath::Clmul128: return CpuHas128BitClmul();
    case CrcPath::Clmul256: return CpuHas256BitClmul();
    case CrcPath::Clmul512: return CpuHas512BitClmul();
#else
    default: break;
#endif
    }
    return false;
}

bool CpuSupports(SumPath Path) {
    switch (Path) {
    case SumPath::Plain: return true;
#if ZEB_DBHASH_X86
    case SumPath::Sse2: __builtin_cpu_init(); return __builtin_cpu_supports("sse2");
    case SumPath::Avx2: __builtin_cpu_init(); return __builtin_cpu_supports("avx2");
#else
    default: break;
#endif
    }
    return false;
}

CrcRoutine ActiveCrcRoutine() { return Active(activeCrc, CrcPreference); }
SumRoutine ActiveSumRoutine() { return Active(activeSum, SumPreference); }
CrcPath ActiveCrcPath() { return PathOf(ActiveCrcRoutine(), CrcPreference); }
SumPath ActiveSumPath() { return PathOf(ActiveSumRoutine(), SumPreference); }

bool ForceCrcPath(CrcPath Path) {
    if (!CpuSupports(Path)) return false;
    activeCrc.store(RoutineOf(Path), std::memory_order_release);
    return true;
}

bool ForceSumPath(SumPath Path) {
    if (!CpuSupports(Path)) return false;
    activeSum.store(RoutineOf(Path), std::memory_order_release);
    return true;
}

void UseFastestPaths() {
    activeCrc.store(RoutineOf(Fastest(CrcPreference)), std::memory_order_release);
    activeSum.store(RoutineOf(Fastest(SumPreference)), std::memory_order_release);
}

}  // namespace zeb::dbhash
