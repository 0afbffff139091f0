// Run labeling against Leptonica's connected components (pixConnCompBB) on
// random images, sub-rectangles of them and rendered text-like pages: the same
// rectangles, less Leptonica's 1 x 1 boxes when dots are dropped.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/test_dib.h"
#include "support/lept_bridge.h"
#include "text_page.h"

using BWBuffer = rktest::TestDib;
using rktest::LeptBoxes;
using rktest::ToPix;

namespace {

typedef std::vector<std::tuple<int, int, int, int>> Boxes;

Boxes Ours(BWBuffer& b, int dropDots, int connect8, TRkImgRect<unsigned short>* area) {
    CRkBWImage img = b.image();
    std::vector<TRkImgRect<unsigned short>> out;
    EXPECT_EQ(img.SegmentInit(out, area, dropDots, connect8, 0, nullptr), 1);
    Boxes boxes;
    for (const auto& r : out) boxes.emplace_back(r.left, r.top, r.right, r.bottom);
    std::sort(boxes.begin(), boxes.end());
    return boxes;
}

// Both connectivities, with and without dots, over the area l..r x t..bo.
void Check(BWBuffer& b, PIX* pix, int l, int t, int r, int bo, const std::string& what) {
    TRkImgRect<unsigned short> area(l, t, r, bo);
    BOX* box = boxCreate(l, t, r - l + 1, bo - t + 1);
    PIX* clip = pixClipRectangle(pix, box, nullptr);
    for (int conn : {8, 4}) {
        for (int drop : {0, 1})
            ASSERT_EQ(Ours(b, drop, conn == 8, &area), LeptBoxes(clip, conn, drop, l, t))
                << what << " connectivity " << conn << " dropDots " << drop;
    }
    pixDestroy(&clip);
    boxDestroy(&box);
}

void CheckWhole(BWBuffer& b, const char* what) {
    PIX* pix = ToPix(b);
    Check(b, pix, 0, 0, b.width() - 1, b.height() - 1, what);
    pixDestroy(&pix);
}

TEST(LabelingOracle, RandomImagesOfVariedDensityAndSize) {
    std::mt19937 rng(1234);
    for (int iter = 0; iter < 400; ++iter) {
        int w = 1 + static_cast<int>(rng() % 160), h = 1 + static_cast<int>(rng() % 160);
        if (iter % 20 == 0) w = 1;
        if (iter % 20 == 1) h = 1;
        BWBuffer b(w, h, iter % 2 == 0);
        const int kind = iter % 3;
        if (kind == 0)
            b.randomFill(rng, 0.02 + 0.7 * (iter % 11) / 10.0);
        else
            b.blobFill(rng, 1 + w * h / (kind == 1 ? 15 : 60));
        b.dirtyPadding();
        PIX* pix = ToPix(b);
        const std::string what = std::to_string(iter) + " " + std::to_string(w) + "x" + std::to_string(h);
        Check(b, pix, 0, 0, w - 1, h - 1, what);
        for (int k = 0; k < 2; ++k) {  // sub-rectangles: Leptonica labels the clipped image
            const int l = static_cast<int>(rng() % w), r = l + static_cast<int>(rng() % (w - l));
            const int t = static_cast<int>(rng() % h), bo = t + static_cast<int>(rng() % (h - t));
            Check(b, pix, l, t, r, bo, what + " area");
        }
        pixDestroy(&pix);
        if (HasFatalFailure()) return;
    }
}

TEST(LabelingOracle, TextLikePageAndItsReduction) {
    BWBuffer page = MakeTextPage(1240, 1754, 7);
    CheckWhole(page, "page");
    BWBuffer half = page.reduce2();
    CheckWhole(half, "reduced page");
    BWBuffer topDown = MakeTextPage(613, 401, 9, true);
    CheckWhole(topDown, "top-down page");
}

}  // namespace
