// The 3 x 3 erosion and dilation against Leptonica's 3 x 3 bricks away from
// the rectangle's edges, and the quarter turns against pixRotate90.
#include <gtest/gtest.h>

#include <algorithm>

#include "lept_pix.h"
#include "toolkit_case.h"

namespace {

TEST(ToolkitOracle, SquareMorphologyMatchesLeptonicaBricksInsideTheRectangle) {
    std::mt19937 rng(808);
    for (int iter = 0; iter < 600; ++iter) {
        BWBuffer b = RandomImage(rng, 150, 40);
        const Rect r = RandomRect(rng, b);
        const BWBuffer before = b;
        const bool dilate = iter % 2;
        PIX* src = ToPix(b);
        PIX* want = dilate ? pixDilateBrick(nullptr, src, 3, 3) : pixErodeBrick(nullptr, src, 3, 3);
        Rect copy = r;
        CRkBWImage img = b.image();
        if (dilate)
            img.LocalDilation(&copy);
        else
            img.LocalErosion(&copy);
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) {
                const bool inside = x > r.left && x < r.right && y > r.top && y < r.bottom;
                const bool inRect = x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
                l_uint32 v = 0;
                pixGetPixel(want, x, y, &v);
                if (inside) {
                    ASSERT_EQ(b.get(x, y), v != 0) << x << "," << y << " " << Describe(b, r);
                } else if (!inRect) {
                    ASSERT_EQ(b.get(x, y), before.get(x, y)) << x << "," << y << " " << Describe(b, r);
                }
            }
        pixDestroy(&want);
        pixDestroy(&src);
    }
}

TEST(ToolkitOracle, QuarterTurnsMatchPixRotate90) {
    std::mt19937 rng(909);
    for (int iter = 0; iter < 300; ++iter) {
        BWBuffer b = RandomImage(rng, 100, 100);
        const bool clockwise = iter % 2 == 0;
        PIX* src = ToPix(b);
        PIX* want = pixRotate90(src, clockwise ? 1 : -1);
        const int w = b.w, h = b.h;
        const size_t need = static_cast<size_t>((h + 31) / 32 * 4) * w;
        b.bits.resize(std::max(b.bits.size(), need), 0);
        CRkBWImage img(b.header(), b.bits.data(), static_cast<DWORD>(b.bits.size()));
        ASSERT_EQ(clockwise ? img.Clockwise() : img.CounterClockwise(), 1);
        BWBuffer turned(h, w, b.topDown);
        turned.bits.assign(b.bits.begin(), b.bits.begin() + static_cast<long>(need));
        ASSERT_EQ(pixGetWidth(want), h);
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < h; ++x) {
                l_uint32 v = 0;
                pixGetPixel(want, x, y, &v);
                ASSERT_EQ(turned.get(x, y), v != 0) << x << "," << y << " of " << w << "x" << h;
            }
        pixDestroy(&want);
        pixDestroy(&src);
    }
}

}  // namespace
