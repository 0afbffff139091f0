// The processor features the kernels choose by, asked once per process.
#ifndef RKCORR_BWIMAGE_CPU_FEATURES_H
#define RKCORR_BWIMAGE_CPU_FEATURES_H

// x86 builds with GCC or Clang carry AVX2 and POPCNT kernels beside the
// plain ones.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define RKCORR_X86_KERNELS 1
#include <immintrin.h>
#endif

namespace rkbwimage {

// True when the kernels for the feature are built and this processor runs
// them; safe to call from any static initialiser.
inline bool has_avx2() {
#if defined(RKCORR_X86_KERNELS)
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return avx2;
#else
    return false;
#endif
}
inline bool has_popcnt() {
#if defined(RKCORR_X86_KERNELS)
    static const bool popcnt = (__builtin_cpu_init(), __builtin_cpu_supports("popcnt"));
    return popcnt;
#else
    return false;
#endif
}

}  // namespace rkbwimage

#endif
