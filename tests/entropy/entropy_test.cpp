// The background-erase scorer and the edge-entropy interface against the step-by-step reference.
#include <gtest/gtest.h>

#include <rkcorr/bkerase.h>
#include <rkcorr/edge_entropy.h>

#include "entropy/entropy_reference.h"

using namespace entropy_test;

namespace {

// Loads and scores an image.
int Load(BKErase& s, const TestDib& d) {
    std::vector<uint8_t> block = d.packed();
    const int r = s.SetImage(block.data(), unsigned(block.size()));
    return r != 0 ? r : s.Do();
}

// Scores of random and wrapped rectangles, of a scorer reusing its arrays, and Determine's answers.
TEST(Entropy, ScoresAndAnswersMatchReferenceOnRandomBitmaps) {
    std::mt19937 rng(20261205);
    auto pick = [&](unsigned n) { return std::uniform_int_distribution<unsigned>(0, n)(rng); };
    IEdgeEntropy* e = Make();
    int changed = 0, kept = 0;
    BKErase reused;  // loads another image of the same size first and keeps its arrays
    for (int round = 0; round < 400; ++round) {
        const TestDib im = random_image(rng, round % 2 ? 24 : 8, round % 5 == 0 ? 9 : 70);
        TestDib other(im.w, im.h, false, 24);
        other.pageFill(rng);
        BKErase s;
        ASSERT_TRUE(Load(s, im) == 0 && Load(reused, other) == 0);
        ASSERT_TRUE((round % 4 || reused.variance() == 0) && Load(reused, im) == 0 && s.CheckState());
        Reference ref(im);
        if (round % 3 == 0) {
            Block block(im);
            ASSERT_EQ(e->SetImage(block.arg(), 0), 0);
            EXPECT_EQ(RkTestLockCount(block.handle), 0u);
            for (int k = 0; k < 80; ++k) {
                const unsigned top = pick(im.h), left = pick(im.w);
                const unsigned bottom = k % 7 ? top + pick(im.h) : pick(im.h);
                const unsigned right = k % 5 ? left + pick(im.w) : pick(im.w);
                const unsigned short kind = static_cast<unsigned short>(pick(6));
                const bool picture =
                    (kind == 1 || kind == 4) && ref.score(left, top, right - left, bottom - top) < 0.8;
                ASSERT_EQ(e->Determine(top, left, bottom, right, kind), picture ? 3 : kind);
                changed += picture, kept += !picture && (kind == 1 || kind == 4);
            }
        }
        for (int pass = 0; pass < (round % 6 ? 1 : 2); ++pass) {
            if (pass) ref.use_variance(), s.variance();
            for (int k = 0; k < 60; ++k) {
                unsigned x = pick(im.w), y = pick(im.h), dx = pick(im.w), dy = pick(im.h);
                if (k % 10 == 0) dx = 0u - 1 - pick(3);  // wraps: right below left
                if (k % 10 == 1) dy = 0u - 1 - pick(3);
                if (k % 10 == 2) x = y = 0, dx = im.w - 1, dy = im.h - 1;
                if (k % 10 == 3) dx = dy = 0;
                ASSERT_EQ(s.GetEntropyScore(x, y, dx, dy), ref.score(x, y, dx, dy))
                    << im.w << "x" << im.h << " rect " << x << "," << y << " +" << dx << "," << dy;
                ASSERT_TRUE(pass || reused.GetEntropyScore(x, y, dx, dy) == ref.score(x, y, dx, dy));
            }
        }
    }
    EXPECT_TRUE(changed > 0 && kept > 0);
    EXPECT_EQ(e->Dispose(), 0);
    // One brightness only: no background, gradient or variance (the map stays 0, no NaN).
    BKErase s;
    ASSERT_EQ(Load(s, grey24(30, 30, std::vector<uint8_t>(900, 128))), 0);
    EXPECT_EQ(s.variance(), 0);
    for (unsigned y = 0; y < 30; y += 3) EXPECT_EQ(s.GetEntropyScore(0, y, 29, 2), 0.0f);
}

}  // namespace
