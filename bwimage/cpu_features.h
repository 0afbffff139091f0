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

// The features whose kernels are built and that this processor has; read
// once, and safe to ask from any static initialiser.
struct CpuFeatures {
    bool avx2 = false, popcnt = false;
};
inline const CpuFeatures& cpu_features() {
    static const CpuFeatures features = [] {
        CpuFeatures f;
#if defined(RKCORR_X86_KERNELS)
        __builtin_cpu_init();
        f.avx2 = __builtin_cpu_supports("avx2");
        f.popcnt = __builtin_cpu_supports("popcnt");
#endif
        return f;
    }();
    return features;
}
inline bool has_avx2() { return cpu_features().avx2; }
inline bool has_popcnt() { return cpu_features().popcnt; }

}  // namespace rkbwimage

#endif
