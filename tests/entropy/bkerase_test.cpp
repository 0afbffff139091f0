// BKErase against the plain reference on random bitmaps, and the cases that
// decide its answers: rectangle borders, the gradient frame, the background
// band, single-precision comparisons, states and refused bitmaps.
#include <gtest/gtest.h>

#include <rkcorr/bkerase.h>

#include "entropy/entropy_reference.h"

using namespace entropy_test;

namespace {

// Loads and scores an image; the block is kept alive by the caller.
int load(BKErase& s, std::vector<uint8_t>& block) {
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
        ASSERT_EQ(s.GetEntropyScore(x, y, dx, dy), ref.score(x, y, dx, dy))
            << w << "x" << h << " rect " << x << "," << y << " +" << dx << "," << dy;
    }
}

TEST(BKErase, ScoresMatchReferenceOnRandomBitmaps) {
    std::mt19937 rng(20261205);
    for (int round = 0; round < 400; ++round) {
        const Image im = random_image(rng, round % 2 ? 24 : 8, round % 5 == 0 ? 9 : 70);
        std::vector<uint8_t> block = pack(im);
        BKErase s;
        ASSERT_EQ(load(s, block), 0);
        ASSERT_TRUE(s.CheckState());
        ASSERT_EQ(s.GetWidth(), im.width);
        ASSERT_EQ(s.GetHeight(), im.height);
        expect_same_scores(s, Reference(im), rng, 60);
    }
}

TEST(BKErase, VarianceGradientMatchesReference) {
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        const Image im = random_image(rng, 24, 40);
        std::vector<uint8_t> block = pack(im);
        BKErase s;
        ASSERT_EQ(load(s, block), 0);
        EXPECT_EQ(s.variance(), 0);
        Reference ref(im);
        ref.use_variance();
        expect_same_scores(s, ref, rng, 40);
    }
}

TEST(BKErase, RectangleBordersGradientFrameAndFlatImages) {
    std::mt19937 rng(11);
    std::vector<uint8_t> levels(100 * 50);
    for (uint8_t& l : levels) l = rng() % 10 ? 250 : 0;
    const Image im = grey24(100, 50, levels);
    std::vector<uint8_t> block = pack(im);
    BKErase s;
    ASSERT_EQ(load(s, block), 0);
    const Reference ref(im);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 99, 49), ref.score(0, 0, 99, 49));
    EXPECT_GT(s.GetEntropyScore(0, 0, 99, 49), 0.0f);
    EXPECT_EQ(s.GetEntropyScore(99, 49, 0, 0), ref.score(99, 49, 0, 0));
    EXPECT_EQ(s.GetEntropyScore(0, 0, 100, 0), -1.0f);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 50), -1.0f);
    EXPECT_EQ(s.GetEntropyScore(100, 0, 0, 0), -1.0f);
    EXPECT_EQ(s.GetEntropyScore(1, 1, 0xFFFFFFFFu, 0), 0.0f);  // right below left: no pixel

    // Five wide: gradients in column 2 only; four wide or high: none at all.
    for (auto [w, h] : {std::pair<unsigned, unsigned>{5, 30}, {4, 30}, {30, 4}, {1, 1}}) {
        std::vector<uint8_t> lv(w * h);
        for (uint8_t& l : lv) l = rng() % 10 < 7 ? 255 : 0;
        const Image small = grey24(w, h, lv);
        std::vector<uint8_t> b = pack(small);
        ASSERT_EQ(load(s, b), 0);
        const Reference sref(small);
        int inColumn2 = 0;
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                const float v = s.GetEntropyScore(x, y, 0, 0);
                EXPECT_EQ(v, sref.score(x, y, 0, 0));
                if (w < 5 || h < 5 || x != 2) {
                    EXPECT_EQ(v, 0.0f);
                }
                inColumn2 += v > 0.0f;
            }
        EXPECT_EQ(inColumn2 > 0, w == 5);
    }

    // One brightness only: no background and no gradient; no variance to
    // normalise by either (the map stays 0, no NaN).
    std::vector<uint8_t> flat = pack(grey24(30, 30, std::vector<uint8_t>(900, 128)));
    ASSERT_EQ(load(s, flat), 0);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 29, 29), 0.0f);
    EXPECT_EQ(s.variance(), 0);
    for (unsigned y = 0; y < 30; y += 3) EXPECT_EQ(s.GetEntropyScore(0, y, 29, 2), 0.0f);
}

// A grey image with paper at `paper` and a probe pixel with a full gradient:
// its one-pixel score is positive exactly when the probe level counts.
bool counts(unsigned paper, unsigned probe) {
    const unsigned w = 64, h = 64;
    std::vector<uint8_t> levels(w * h, uint8_t(paper));
    levels[40 * w + 10] = uint8_t(probe);
    levels[40 * w + 12] = uint8_t(probe < 128 ? 255 : 0);
    const Image im = grey24(w, h, levels);
    std::vector<uint8_t> block = pack(im);
    BKErase s;
    EXPECT_EQ(load(s, block), 0);
    const float v = s.GetEntropyScore(10, h - 1 - 40, 0, 0);
    EXPECT_EQ(v, Reference(im).score(10, h - 1 - 40, 0, 0));
    return v > 0.0f;
}

TEST(BKErase, BackgroundBandRunsFifteenBelowToFourteenAbove) {
    // Paper 200: 185 to 214 are background; paper 250: 235 to 255. Frequent
    // dark paper (below 128) alone makes no band.
    const struct { unsigned paper, probe; bool counts; } cases[] = {
        {200, 184, true}, {200, 185, false}, {200, 214, false}, {200, 215, true}, {250, 234, true},
        {250, 235, false}, {250, 255, false}, {30, 30, false}, {30, 40, true}, {30, 20, true}};
    for (const auto& c : cases) EXPECT_EQ(counts(c.paper, c.probe), c.counts) << c.paper << " " << c.probe;

    // Ninety percent paper: the information and entropy by hand, ink counting.
    std::vector<uint8_t> levels(100 * 100, 250);
    for (size_t i = 0; i < levels.size(); i += 10) levels[i] = 0;
    const Image im = grey24(100, 100, levels);
    const Reference ref(im);
    EXPECT_NEAR(ref.information[250], 0.1054f, 1e-4f);
    EXPECT_NEAR(ref.entropy, 0.3251f, 1e-4f);
    EXPECT_EQ(ref.flag[0], 1);
    EXPECT_EQ(ref.flag[234], 1);
    std::vector<uint8_t> block = pack(im);
    BKErase s;
    ASSERT_EQ(load(s, block), 0);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 99, 99), ref.score(0, 0, 99, 99));
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
        const Image im = grey24(w, h, levels);
        const Reference ref(im);
        const double info = -log(double(n / 2) / double(n));
        const bool doubleBackground = (info * (n / 2) + info * (n / 2)) / n > info;
        const bool singleBackground = ref.flag[40] == 0;
        singleSaysBackground += singleBackground;
        disagree += singleBackground != doubleBackground;
        std::vector<uint8_t> block = pack(im);
        BKErase s;
        ASSERT_EQ(load(s, block), 0);
        const float v = s.GetEntropyScore(0, 0, w - 1, h - 1);
        ASSERT_EQ(v, ref.score(0, 0, w - 1, h - 1)) << h;
        EXPECT_EQ(v > 0.0f, !singleBackground) << h;
    }
    EXPECT_GT(singleSaysBackground, 0);
    EXPECT_GT(disagree, 0);

    // A score of exactly the float nearest 0.8, and of the next float down.
    for (float target : {0.8f, nextafterf(0.8f, 0.0f)}) {
        Image im;
        ASSERT_TRUE(image_scoring(target, im));
        std::vector<uint8_t> block = pack(im);
        BKErase s;
        ASSERT_EQ(load(s, block), 0);
        EXPECT_EQ(s.GetEntropyScore(10, im.height - 11, 0, 0), target);
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
    const Image im = random_image(rng, 24, 40);
    std::vector<uint8_t> block = pack(im);
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
    EXPECT_EQ(s.GetWidth(), im.width);
    EXPECT_EQ(s.GetHeight(), im.height);
    const Reference ref(im);
    for (unsigned y = 0; y < im.height; ++y)
        EXPECT_EQ(s.GetEntropyScore(0, y, im.width - 1, 0), ref.score(0, y, im.width - 1, 0));

    // release keeps the size but drops the scores; init forgets the size.
    s.release();
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.GetWidth(), im.width);
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), -1.0f);
    EXPECT_EQ(s.allocate(), 0);
    EXPECT_FALSE(s.CheckState());
    EXPECT_EQ(s.GetEntropyScore(0, 0, 0, 0), 0.0f);  // flags cleared: nothing counts
    EXPECT_EQ(s.fast_variance(), 0);
    EXPECT_EQ(s.Do(), -1);
    s.release();
    s.init();
    EXPECT_EQ(s.GetWidth(), 0u);
    EXPECT_EQ(s.GetHeight(), 0u);
}

}  // namespace
