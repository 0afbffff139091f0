// Labeling against Leptonica's connected components (pixConnCompBB) on
// random images, areas of them and one page-sized image: the same rectangles,
// less Leptonica's 1 x 1 boxes when dots are dropped.
#include <gtest/gtest.h>

#include "bwimage/bw_reference.h"
#include "support/lept_bridge.h"

using namespace bwref;

namespace {

// Both connectivities, with and without dots, over the area; Leptonica labels
// the clipped image.
void CheckLabeling(TestDib& b, PIX* pix, const Rect& r, const std::string& what) {
    Rect area = r;
    BOX* box = boxCreate(r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
    PIX* clip = pixClipRectangle(pix, box, nullptr);
    for (int conn : {8, 4})
        for (int drop : {0, 1}) {
            std::vector<Rect> out;
            ASSERT_EQ(b.image().SegmentInit(out, &area, drop, conn == 8, 0, nullptr), 1);
            std::vector<bwref::Box> ours;
            for (const auto& o : out) ours.emplace_back(o.left, o.top, o.right, o.bottom);
            std::sort(ours.begin(), ours.end());
            ASSERT_EQ(ours, rktest::LeptBoxes(clip, conn, drop, r.left, r.top))
                << what << " connectivity " << conn << " dropDots " << drop;
        }
    pixDestroy(&clip);
    boxDestroy(&box);
}

TEST(LabelingOracle, LabelingMatchesConnectedComponents) {
    std::mt19937 rng(1234);
    for (int iter = 0; iter < 401; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, iter == 400 ? 1300 : 160, iter == 400 ? 900 : 160);
        if (iter % 20 < 2) {  // one column or one row
            b = TestDib(iter % 20 ? b.w : 1, iter % 20 ? 1 : b.h, b.topDown);
            b.randomFill(rng, 0.4);
        }
        PIX* pix = rktest::ToPix(b);
        const std::string what = std::to_string(iter) + " " + std::to_string(b.w) + "x" + std::to_string(b.h);
        CheckLabeling(b, pix, Rect(0, 0, WORD(b.w - 1), WORD(b.h - 1)), what);
        for (int k = 0; k < 2; ++k) CheckLabeling(b, pix, RandomRect(rng, b), what + " area");
        pixDestroy(&pix);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
