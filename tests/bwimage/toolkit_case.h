// Random cases for the morphology, shape, gradation and rotation tests: an
// image from BWBuffer's generators (widths off multiples of 8 and 32, both
// storage orders, varied densities, padding bits set or clear) and a random
// rectangle inside it; a pixel comparison that names the first difference.
#ifndef RKCORR_TESTS_TOOLKIT_CASE_H
#define RKCORR_TESTS_TOOLKIT_CASE_H

#include <random>
#include <sstream>
#include <string>

#include "bw_fixture.h"

typedef TRkImgRect<unsigned short> Rect;

inline int Uniform(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

inline BWBuffer RandomImage(std::mt19937& rng, int maxWidth = 140, int maxHeight = 40) {
    BWBuffer b(Uniform(rng, 1, maxWidth), Uniform(rng, 1, maxHeight), Uniform(rng, 0, 1) == 1);
    static const double densities[] = {0.05, 0.3, 0.5, 0.7, 0.95};
    const int kind = Uniform(rng, 0, 6);
    if (kind < 5)
        b.randomFill(rng, densities[kind]);
    else
        b.blobFill(rng, b.w * b.h / Uniform(rng, 8, 40) + 1);
    if (Uniform(rng, 0, 1)) b.dirtyPadding();
    return b;
}

inline Rect RandomRect(std::mt19937& rng, const BWBuffer& b) {
    const int l = Uniform(rng, 0, b.w - 1), r = Uniform(rng, l, b.w - 1);
    const int t = Uniform(rng, 0, b.h - 1), bo = Uniform(rng, t, b.h - 1);
    return Rect(static_cast<unsigned short>(l), static_cast<unsigned short>(t),
                static_cast<unsigned short>(r), static_cast<unsigned short>(bo));
}

inline std::string Describe(const BWBuffer& b, const Rect& r) {
    std::ostringstream s;
    s << b.w << "x" << b.h << (b.topDown ? " top-down" : " bottom-up") << " rect (" << r.left << "," << r.top
      << ")-(" << r.right << "," << r.bottom << ")";
    return s.str();
}

// "" when both images hold the same pixels, else where they first differ.
inline std::string PixelDiff(const BWBuffer& got, const BWBuffer& want) {
    if (got.w != want.w || got.h != want.h) return "size differs";
    for (int y = 0; y < want.h; ++y)
        for (int x = 0; x < want.w; ++x)
            if (got.get(x, y) != want.get(x, y)) {
                std::ostringstream s;
                s << "pixel (" << x << "," << y << ") is " << got.get(x, y);
                return s.str();
            }
    return "";
}

#endif
