// Exact floating-point arithmetic for every decision the library makes on
// computed values: one rounding per operation, the same on every build.
// Index: RKCORR_EXACT_FP (function attribute), single (float rounding),
// ln (deterministic natural logarithm), lnf (its single-precision form).
//
// 32-bit x86 code without SSE maths evaluates in the 387 unit's 80-bit
// registers: a double product or quotient is rounded twice (to 64 bits, then
// to 53 when stored), and the C library's log there is a different routine,
// so a comparison that sits on a tie (the entropy test H > info, a band edge
// of 1000 x 0.03, a share of 0.7 of an area) can come out the other way.
//   - Functions that compute a decision in double are marked RKCORR_EXACT_FP:
//     on such builds they are compiled with SSE2 arithmetic, which rounds
//     every operation to double exactly as x86-64 does; elsewhere it is empty.
//   - single() rounds a float result to single precision. Through a 4-byte
//     memory slot on 387 builds; the 64-bit intermediate is wide enough that
//     rounding twice never differs from rounding once for floats.
//   - ln() and lnf() replace log and logf: a double-double evaluation of
//     2 atanh((m - 1) / (m + 1)) + e ln 2, correctly rounded in practice, and
//     computed from exact operations only, so both builds get the same bits.
#ifndef RKCORR_BWIMAGE_EXACT_FP_H
#define RKCORR_BWIMAGE_EXACT_FP_H

#include <math.h>

#if defined(__GNUC__) && defined(__i386__) && !defined(__SSE2_MATH__)
#define RKCORR_EXACT_FP __attribute__((target("sse2,fpmath=sse")))
#else
#define RKCORR_EXACT_FP
#endif

namespace rkfp {

inline float single(float v) {
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0
    volatile float slot = v;
    return slot;
#else
    return v;
#endif
}

namespace detail {

// A double-double value hi + lo with |lo| <= ulp(hi) / 2.
struct DD {
    double hi, lo;
};

RKCORR_EXACT_FP constexpr DD two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return DD{s, (a - (s - bb)) + (b - bb)};
}

RKCORR_EXACT_FP constexpr DD quick_two_sum(double a, double b) {
    const double s = a + b;
    return DD{s, b - (s - a)};
}

RKCORR_EXACT_FP constexpr DD two_prod(double a, double b) {
    const double split = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = split * a, tb = split * b;
    const double ahi = ta - (ta - a), alo = a - ahi;
    const double bhi = tb - (tb - b), blo = b - bhi;
    return DD{p, ((ahi * bhi - p) + ahi * blo + alo * bhi) + alo * blo};
}

RKCORR_EXACT_FP constexpr DD add(DD a, DD b) {
    DD s = two_sum(a.hi, b.hi);
    const DD t = two_sum(a.lo, b.lo);
    s.lo += t.hi;
    s = quick_two_sum(s.hi, s.lo);
    s.lo += t.lo;
    return quick_two_sum(s.hi, s.lo);
}

RKCORR_EXACT_FP constexpr DD mul(DD a, DD b) {
    DD p = two_prod(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quick_two_sum(p.hi, p.lo);
}

RKCORR_EXACT_FP constexpr DD div(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    DD r = add(a, mul(b, DD{-q1, 0.0}));
    const double q2 = r.hi / b.hi;
    r = add(r, mul(b, DD{-q2, 0.0}));
    const double q3 = r.hi / b.hi;
    return add(quick_two_sum(q1, q2), DD{q3, 0.0});
}

// 1 / (2k + 1) for k from 0 to 23, as div makes it; worked out while
// compiling, where every operation is rounded once just as at run time.
struct OddReciprocals {
    DD v[24];
    constexpr OddReciprocals() : v() {
        for (int k = 0; k < 24; ++k) v[k] = div(DD{1.0, 0.0}, DD{2.0 * k + 1.0, 0.0});
    }
};
constexpr OddReciprocals kOddReciprocals{};

}  // namespace detail

// Natural logarithm of a positive finite x (0 gives -inf, below 0 NaN).
RKCORR_EXACT_FP inline double ln(double x) {
    using namespace detail;
    if (!(x > 0.0)) return x == 0.0 ? -HUGE_VAL : NAN;
    if (x == HUGE_VAL) return x;
    int e = 0;
    double m = frexp(x, &e);  // x = m 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        --e;
    }
    // ln m = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172; m - 1 is exact.
    const DD s = div(DD{m - 1.0, 0.0}, two_sum(m, 1.0));
    const DD s2 = mul(s, s);
    // 1 + s^2/3 + s^4/5 + ... to 2^-106: s^2 < 0.0295, so 23 terms suffice.
    const int terms = 23;
    static_assert(terms < 24, "reciprocals of the series");
    DD t = kOddReciprocals.v[terms];
    for (int k = terms - 1; k >= 0; --k) t = add(mul(t, s2), kOddReciprocals.v[k]);
    DD r = mul(s, t);
    r = DD{2.0 * r.hi, 2.0 * r.lo};
    const DD ln2{6.93147180559945286227e-01, 2.31904681384629955842e-17};
    r = add(mul(ln2, DD{static_cast<double>(e), 0.0}), r);
    return r.hi + r.lo;
}

// Single-precision logarithm: the double result rounded once to float.
RKCORR_EXACT_FP inline float lnf(float x) { return single(static_cast<float>(ln(static_cast<double>(x)))); }

}  // namespace rkfp

#endif
