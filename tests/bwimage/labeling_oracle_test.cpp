// Labeling vs Leptonica's connected components (pixConnCompBB) on random images, areas and one page.
#include <gtest/gtest.h>

#include "bwimage/bw_reference.h"
#include "support/lept_bridge.h"

using namespace bwref;

namespace {

TEST(LabelingOracle, LabelingMatchesConnectedComponents) {
    std::mt19937 rng(1234);
    for (int iter = 0; iter < 401; ++iter) {
        TestDib b = rktest::RandomBilevel(rng, iter == 400 ? 1300 : 160, iter == 400 ? 900 : 160);
        if (iter % 20 < 2) {  // one column or one row
            b = TestDib(iter % 20 ? b.w : 1, iter % 20 ? 1 : b.h, b.topDown);
            b.randomFill(rng, 0.4);
        }
        PIX* pix = rktest::ToPix(b);
        for (int k = 0; k < 3; ++k) {  // the whole image and two areas; Leptonica labels the clipped image
            Rect area = k ? RandomRect(rng, b) : Rect(0, 0, WORD(b.w - 1), WORD(b.h - 1));
            BOX* box = boxCreate(area.left, area.top, area.right - area.left + 1, area.bottom - area.top + 1);
            PIX* clip = pixClipRectangle(pix, box, nullptr);
            for (int conn : {8, 4})
                for (int drop : {0, 1}) {
                    std::vector<Rect> out;
                    ASSERT_EQ(b.image().SegmentInit(out, &area, drop, conn == 8, 0, nullptr), 1);
                    std::vector<bwref::Box> ours;
                    for (const auto& o : out) ours.emplace_back(o.left, o.top, o.right, o.bottom);
                    std::sort(ours.begin(), ours.end());
                    ASSERT_EQ(ours, rktest::LeptBoxes(clip, conn, drop, area.left, area.top))
                        << iter << " " << b.w << "x" << b.h << " area " << k << " connectivity " << conn
                        << " dropDots " << drop;
                }
            pixDestroy(&clip);
            boxDestroy(&box);
        }
        pixDestroy(&pix);
    }
}

}  // namespace
