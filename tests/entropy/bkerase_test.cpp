// BKErase against the plain reference on random bitmaps (gradient and
// variance maps, wrapped and out-of-image rectangles), the single-precision
// comparisons that decide the background, flat images, states and refused
// bitmaps.
#include <gtest/gtest.h>

#include <rkcorr/bkerase.h>

#include "entropy/entropy_reference.h"

using namespace entropy_test;

namespace {

// Loads and scores an image.
int load(BKErase& s, const TestDib& d) {
    std::vector<uint8_t> block = d.packed();
    const int r = s.SetImage(block.data(), unsigned(block.size()));
    return r != 0 ? r : s.Do();
}

void expect_same_scores(const BKErase& s, const Reference& ref, std::mt19937& rng, int rects) {
    const unsigned w = ref.width, h = ref.height;
    auto pick = [&](unsigned n) { return std::uniform_int_distribution<unsigned>(0, n)(rng); };
    for (int k = 0; k < rects; ++k) {
        unsigned x = pick(w), y = pick(h), dx = pick(w), dy = pick(h);
        if (k % 10 == 0) dx = 0u - 1 - pick(3);  // wraps: right below left
        if (k % 10 == 1) dy = 0u - 1 - pick(3);
        if (k % 10 == 2) x = y = 0, dx = w - 1, dy = h - 1;
        if (k % 10 == 3) dx = dy = 0;
        ASSERT_EQ(s.GetEntropyScore(x, y, dx, dy), ref.score(x, y, dx, dy))
            << w << "x" << h << " rect " << x << "," << y << " +" << dx << "," << dy;
    }
}

TEST(BKErase, ScoresMatchReferenceOnRandomBitmaps) {
    std::mt19937 rng(20261205);
    for (int round = 0; round < 400; ++round) {
        const TestDib im = random_image(rng, round % 2 ? 24 : 8, round % 5 == 0 ? 9 : 70);
        BKErase s;
        ASSERT_EQ(load(s, im), 0);
        ASSERT_TRUE(s.CheckState());
        ASSERT_EQ(s.GetWidth() * 1000 + s.GetHeight(), unsigned(im.w * 1000 + im.h));
        Reference ref(im);
        expect_same_scores(s, ref, rng, 60);
        if (round % 6) continue;
        EXPECT_EQ(s.variance(), 0);
        ref.use_variance();
        expect_same_scores(s, ref, rng, 40);
    }
    // One brightness only: no background and no gradient; no variance to
    // normalise by either (the map stays 0, no NaN).
    BKErase s;
    ASSERT_EQ(load(s, grey24(30, 30, std::vector<uint8_t>(900, 128))), 0);
    EXPECT_EQ(s.variance(), 0);
    for (unsigned y = 0; y < 30; y += 3) EXPECT_EQ(s.GetEntropyScore(0, y, 29, 2), 0.0f);
}

TEST(BKErase, EntropyComparedInSinglePrecision) {
    // Two levels with equal counts: their information equals the entropy in
    // exact arithmetic, and rounding alone decides whether they are
    // background. Sizes where single and double precision disagree must
    // follow single precision.
    int singleSaysBackground = 0, disagree = 0;
    for (unsigned h = 6; h < 160; h += 2) {
        const unsigned w = 10, n = w * h;
        std::vector<uint8_t> levels(n, 40);
        for (unsigned i = n / 2; i < n; ++i) levels[i] = 90;
        const TestDib im = grey24(w, h, levels);
        const Reference ref(im);
        const double info = -log(double(n / 2) / double(n));
        const bool doubleBackground = (info * (n / 2) + info * (n / 2)) / n > info,
                   singleBackground = ref.flag[40] == 0;
        singleSaysBackground += singleBackground;
        disagree += singleBackground != doubleBackground;
        BKErase s;
        ASSERT_EQ(load(s, im), 0);
        const float v = s.GetEntropyScore(0, 0, w - 1, h - 1);
        ASSERT_EQ(v, ref.score(0, 0, w - 1, h - 1)) << h;
        EXPECT_EQ(v > 0.0f, !singleBackground) << h;
    }
    EXPECT_GT(singleSaysBackground, 0);
    EXPECT_GT(disagree, 0);
    // A score of exactly the float nearest 0.8, and of the next float down.
    for (float target : {0.8f, nextafterf(0.8f, 0.0f)}) {
        const TestDib im = image_scoring(target);
        BKErase s;
        ASSERT_EQ(load(s, im), 0);
        EXPECT_EQ(s.GetEntropyScore(10, im.h - 11, 0, 0), target);
    }
}

TEST(BKErase, StatesAndRefusedBitmaps) {
    BKErase s;
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.Do(), -1);
    EXPECT_EQ(s.histogram(), -1);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), -1.0f);
    EXPECT_EQ(s.allocate(), -1);  // empty size

    std::mt19937 rng(9);
    const TestDib im = random_image(rng, 24, 40);
    std::vector<uint8_t> block = im.packed();
    ASSERT_EQ(s.SetImage(block.data(), unsigned(block.size())), 0);
    EXPECT_FALSE(s.CheckState());
    ASSERT_EQ(s.Do(), 0);
    EXPECT_TRUE(s.CheckState());
    EXPECT_EQ(s.Do(), -1);  // a second Do keeps the first scores

    // Refused bitmaps leave the size and the scores as they were.
    for (int k = 0; k < kRefusedEdits; ++k) {
        std::vector<uint8_t> other = refused_bitmap(random_image(rng, 8, 30), k);
        EXPECT_EQ(s.SetImage(other.data(), unsigned(other.size())), -1) << k;
    }
    EXPECT_EQ(s.SetImage(nullptr, 100), -1);
    EXPECT_EQ(s.SetImage(block.data(), 0), -1);
    EXPECT_TRUE(s.CheckState());
    EXPECT_EQ(s.GetWidth() * 1000 + s.GetHeight(), unsigned(im.w * 1000 + im.h));
    const Reference ref(im);
    for (int y = 0; y < im.h; ++y)
        EXPECT_EQ(s.GetEntropyScore(0, y, im.w - 1, 0), ref.score(0, y, im.w - 1, 0));

    // release keeps the size but drops the scores; init forgets the size.
    s.release();
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.GetWidth(), unsigned(im.w));
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), -1.0f);
    EXPECT_EQ(s.allocate(), 0);
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), 0.0f);  // flags cleared: nothing counts
    EXPECT_EQ(s.fast_variance(), 0);
    EXPECT_EQ(s.Do(), -1);
    s.release();
    s.init();
    EXPECT_EQ(s.GetWidth() + s.GetHeight(), 0u);
}

}  // namespace
