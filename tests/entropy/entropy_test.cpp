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

// Scores of random, wrapped and whole rectangles (gradient and variance maps), of a scorer that reused
// its arrays, and Determine's answers vs the reference.
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
        ASSERT_EQ(s.GetWidth() * 1000 + s.GetHeight(), unsigned(im.w * 1000 + im.h));
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

// Ties decided by single-precision rounding; a score of exactly 0.8f is no picture, one just below is.
TEST(BKErase, EntropyInSinglePrecisionThresholdAtPointEight) {
    int singleSaysBackground = 0, disagree = 0;
    for (unsigned h = 6; h < 160; h += 2) {
        std::vector<uint8_t> levels(10 * h, 40);
        std::fill(levels.begin() + 5 * h, levels.end(), 90);  // two levels, half the pixels each
        const TestDib im = grey24(10, h, levels);
        const Reference ref(im);
        const bool single = ref.flag[40] == 0, exact = log(2.0) * (5 * h) * 2 / (10 * h) > log(2.0);
        singleSaysBackground += single, disagree += single != exact;
        BKErase s;
        ASSERT_EQ(Load(s, im), 0);
        const float v = s.GetEntropyScore(0, 0, 9, h - 1);
        ASSERT_TRUE(v == ref.score(0, 0, 9, h - 1) && (v > 0.0f) == !single) << h;
    }
    EXPECT_TRUE(singleSaysBackground > 0 && disagree > 0);
    for (float target : {0.8f, nextafterf(0.8f, 0.0f)}) {
        const TestDib im = image_scoring(target);
        BKErase s;
        ASSERT_EQ(Load(s, im), 0);
        EXPECT_EQ(s.GetEntropyScore(10, im.h - 11, 0, 0), target);
        Block block(im);
        IEdgeEntropy* e = Make();
        ASSERT_EQ(e->SetImage(block.arg(), 0), 0);
        const unsigned row = im.h - 11;
        for (unsigned short kind : {1, 4})
            EXPECT_EQ(e->Determine(row, 10, row, 10, kind), target == 0.8f ? kind : 3) << target;
        EXPECT_EQ(e->Dispose(), 0);
    }
}

}  // namespace
