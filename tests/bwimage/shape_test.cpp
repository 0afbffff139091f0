// Shape transforms against the per-pixel references on random images and
// rectangles: outline, thinning, FilletRect, projection; FilletRect2 on a
// block with and without a parted speck.
#include <gtest/gtest.h>

#include <algorithm>

#include "shape_reference.h"

namespace {

TEST(Shapes, OutlineAndThinningMatchReferences) {
    std::mt19937 rng(303);
    for (int iter = 0; iter < 1200; ++iter) {
        BWBuffer b = RandomImage(rng, 100, 36);
        if (iter % 3 == 0) b.blobFill(rng, 12);  // thick shapes thin over many sub-passes
        const Rect r = RandomRect(rng, b);
        BWBuffer want = b;
        CRkBWImage img = b.image();
        const bool outline = iter % 2 == 0;
        if (outline) {
            RefOutline(want, r);
            img.ConvertOutlineImage(r);
        } else {
            RefThin(want, r);
            Rect copy = r;
            img.ConvertThinningImage(&copy);
        }
        ASSERT_EQ(PixelDiff(b, want), "") << (outline ? "outline " : "thinning ") << Describe(b, r);
    }
}

TEST(Shapes, FilletRectAndProjectionMatchReferences) {
    std::mt19937 rng(404);
    for (int iter = 0; iter < 1500; ++iter) {
        BWBuffer b = RandomImage(rng, 120, 30);
        if (iter % 2) b.randomFill(rng, 0.002);  // often empty rectangles
        const Rect r = RandomRect(rng, b);
        CRkBWImage img = b.image();
        Rect want = r, got = r;
        const bool any = RefBox(b, r, want);
        ASSERT_EQ(img.FilletRect(got) != 0, any) << Describe(b, r);
        EXPECT_TRUE(got.left == want.left && got.top == want.top && got.right == want.right &&
                    got.bottom == want.bottom)
            << Describe(b, r) << " got " << got.left << "," << got.top << "," << got.right << ","
            << got.bottom;

        const bool rows = iter % 2, black = iter % 3 != 0;
        const int minLength = Uniform(rng, 0, 4);
        std::vector<unsigned short> hist(3, 9);
        img.Projection(hist, r, rows, static_cast<WORD>(minLength), black);
        ASSERT_EQ(hist, RefProjection(b, r, rows, minLength, black)) << Describe(b, r) << " rows " << rows;
    }
}

// A solid block, alone or below a speck of 1 to 3 pixels per row: with an
// empty row between them the top skips a speck of up to three rows, not one of
// four; touching the block the top is the speck.
TEST(Shapes, FilletRect2SkipsPartedSpecks) {
    std::mt19937 rng(505);
    for (int iter = 0; iter < 400; ++iter) {
        BWBuffer b(Uniform(rng, 12, 60), Uniform(rng, 12, 60), iter % 2);
        const int l = Uniform(rng, 0, b.w - 8), t = Uniform(rng, 5, b.h - 6);
        const int r = Uniform(rng, l + 4, b.w - 1), bo = Uniform(rng, t + 4, b.h - 1);
        b.fillRect(l, t, r, bo);
        const int speck = iter % 3;  // none, parted, touching
        const int sh = Uniform(rng, 1, 4), sx = Uniform(rng, l, r - 2);
        const int sy = t - sh - (speck == 1 ? Uniform(rng, 1, t - sh) : 0);
        if (speck) b.fillRect(sx, sy, sx + Uniform(rng, 0, 2), sy + sh - 1);
        Rect rect(0, 0, static_cast<unsigned short>(b.w - 1), static_cast<unsigned short>(b.h - 1));
        CRkBWImage img = b.image();
        img.FilletRect2(rect);
        EXPECT_EQ(rect.top, speck == 2 || (speck == 1 && sh == 4) ? sy : t) << iter;
        EXPECT_EQ(rect.bottom, bo);
        EXPECT_EQ(rect.left, l);
        EXPECT_EQ(rect.right, r);
    }
    BWBuffer wide(300, 4);
    wide.fillRect(100, 1, 120, 2);
    Rect rect(0, 0, 299, 3);
    CRkBWImage img = wide.image();
    img.FilletRect2(rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 299);
}

}  // namespace
