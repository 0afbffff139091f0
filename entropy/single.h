// Single-precision rounding for the scorer's float arithmetic.
//
// Scores, the information table and the entropy are defined operation by
// operation in single precision. On x87 builds (32-bit without SSE maths) the
// compiler may keep intermediate results in extended precision; every
// operation whose rounding matters is passed through to_single, which forces
// the value through a 4-byte memory slot there and is free elsewhere.
#ifndef RKCORR_ENTROPY_SINGLE_H
#define RKCORR_ENTROPY_SINGLE_H

namespace rkcorr_entropy {

inline float to_single(float v) {
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0
    volatile float slot = v;
    return slot;
#else
    return v;
#endif
}

}  // namespace rkcorr_entropy

#endif
