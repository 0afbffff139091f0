// Run labeling against Leptonica's connected components (pixConnCompBB) on
// random images and on rendered text-like pages: the same rectangles, less
// Leptonica's 1 x 1 boxes when dots are dropped.
#include <gtest/gtest.h>

#include <random>

#include "bw_fixture.h"
#include "lept_pix.h"
#include "text_page.h"

namespace {

typedef std::vector<std::tuple<int, int, int, int>> Boxes;

Boxes Ours(BWBuffer& b, int dropDots, int connect8, TRkImgRect<unsigned short>* area = nullptr) {
    CRkBWImage img = b.image();
    std::vector<TRkImgRect<unsigned short>> out;
    EXPECT_EQ(img.SegmentInit(out, area, dropDots, connect8, 0, nullptr), 1);
    Boxes boxes;
    for (const auto& r : out) boxes.emplace_back(r.left, r.top, r.right, r.bottom);
    std::sort(boxes.begin(), boxes.end());
    return boxes;
}

void CheckAgainstLeptonica(BWBuffer& b, const char* what) {
    PIX* pix = ToPix(b);
    for (int conn : {8, 4}) {
        const int c8 = conn == 8;
        EXPECT_EQ(Ours(b, 0, c8), LeptBoxes(pix, conn, false)) << what << " connectivity " << conn;
        EXPECT_EQ(Ours(b, 1, c8), LeptBoxes(pix, conn, true)) << what << " connectivity " << conn;
    }
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
        for (int conn : {8, 4}) {
            const int c8 = conn == 8;
            ASSERT_EQ(Ours(b, 0, c8), LeptBoxes(pix, conn, false)) << iter << " " << w << "x" << h;
            ASSERT_EQ(Ours(b, 1, c8), LeptBoxes(pix, conn, true)) << iter << " " << w << "x" << h;
            // A sub-rectangle: Leptonica labels the clipped image.
            const int l = static_cast<int>(rng() % w), r = l + static_cast<int>(rng() % (w - l));
            const int t = static_cast<int>(rng() % h), bo = t + static_cast<int>(rng() % (h - t));
            TRkImgRect<unsigned short> area(l, t, r, bo);
            BOX* box = boxCreate(l, t, r - l + 1, bo - t + 1);
            PIX* clip = pixClipRectangle(pix, box, nullptr);
            ASSERT_EQ(Ours(b, 1, c8, &area), LeptBoxes(clip, conn, true, l, t)) << iter;
            ASSERT_EQ(Ours(b, 0, c8, &area), LeptBoxes(clip, conn, false, l, t)) << iter;
            pixDestroy(&clip);
            boxDestroy(&box);
        }
        pixDestroy(&pix);
    }
}

TEST(LabelingOracle, TextLikePageAndItsReduction) {
    BWBuffer page = MakeTextPage(1240, 1754, 7);
    CheckAgainstLeptonica(page, "page");
    BWBuffer half = page.reduce2();
    CheckAgainstLeptonica(half, "reduced page");
    BWBuffer topDown = MakeTextPage(613, 401, 9, true);
    CheckAgainstLeptonica(topDown, "top-down page");
}

}  // namespace
