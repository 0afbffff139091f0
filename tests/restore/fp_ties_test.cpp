// Decisions on ties, where 80-bit intermediates or another logarithm would answer otherwise: the
// entropy mask's background, the merge's band edges and area shares, the scorer's flags. The digests,
// taken on the 64-bit build, hold on the 32-bit one.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <list>
#include <random>
#include <vector>

#include <rkcorr/bkerase.h>

#include "entropy/entropy_reference.h"
#include "mask/entropy_mask.h"
#include "restore/merge.h"

namespace {

// One step of FNV-1a.
void mix(uint64_t& h, uint64_t v) { h = (h ^ v) * 1099511628211ull; }

// Equal-count light levels (ties of H and each level's information), the same with one dark level,
// and random histograms. Two equal light levels: no background, every pixel stays black.
TEST(FpTies, EntropyMaskDecisionsAreTheSameOnEveryBuild) {
    unsigned int pair[256] = {};
    unsigned char flags[256];
    pair[140] = pair[149] = 5;
    ASSERT_TRUE(entropy_foreground_levels(pair, flags));
    EXPECT_EQ(std::count(flags, flags + 256, 1), 256);
    std::mt19937 rng(20261206);
    uint64_t h = 1469598103934665603ull;
    auto run = [&](const unsigned int* histogram) {
        ASSERT_TRUE(entropy_foreground_levels(histogram, flags));
        for (unsigned char f : flags) mix(h, f);
    };
    for (unsigned k = 2; k <= 24; ++k)
        for (unsigned count = 1; count <= 80; ++count)
            for (int dark = 0; dark < 2; ++dark) {
                unsigned int histogram[256] = {};
                for (unsigned j = 0; j < k; ++j) histogram[128 + rng() % 128] = count;
                if (dark) histogram[rng() % 128] = 1 + rng() % (4 * count);
                run(histogram);
            }
    for (int round = 0; round < 4000; ++round) {
        unsigned int histogram[256] = {};
        const unsigned levels = 1 + rng() % 12, scale = 1u << (rng() % 20);
        for (unsigned j = 0; j < levels; ++j) histogram[rng() % 256] += 1 + rng() % scale;
        run(histogram);
    }
    EXPECT_EQ(h, 0xccd0b4e1a4cf4703ull);
}

// Whether one candidate survives the pass.
template <class Pass>
bool survives(IMGRect c, Pass pass) {
    std::list<IMGRect*> list{&c};
    pass(&list);
    return list.front() != nullptr;
}

// The top band ends at floor(3n / 100), the bottom one starts at n - ceil(3n / 100); a thin-line ratio
// of exactly one tenth is no line.
TEST(FpTies, MarginBandEdgesAndThinLineRatio) {
    for (unsigned n = 200; n <= 4000; ++n) {
        const unsigned mid = n / 2, top = 3 * n / 100, bottom = n - (3 * n + 99) / 100;
        const unsigned cases[][3] = {{mid, top, 0},        {mid, top + 1, 1}, {mid, bottom, 0},
                                     {mid, bottom - 1, 1}, {top, mid, 0},     {top + 1, mid, 1}};
        auto margin = [n](std::list<IMGRect*>* l) { merge_step_margin(l, n, n); };
        for (const auto& c : cases) {
            const auto x = static_cast<unsigned short>(c[0]), y = static_cast<unsigned short>(c[1]);
            ASSERT_EQ(survives(IMGRect(x, y, x, y), margin), c[2] == 1) << n << ": " << x << ", " << y;
        }
    }
    for (unsigned short lo = 0; lo < 300; ++lo)
        for (unsigned short hi = lo * 9; hi <= lo * 11 + 1; ++hi) {
            IMGRect c(1000, 1000, 1000 + hi, 1000 + lo);
            std::list<IMGRect*> list{&c};
            set_rect_attribute(&list);
            ASSERT_EQ(c.IsBorder(), hi != 0 && 10u * lo < hi) << lo << " / " << hi;
        }
}

// A box covering exactly 3 or 7 tenths of the candidate: 0.3 x area rounds to the share (kept); 0.7 x
// area rounds below v = 7 area / 10 (dropped) exactly when v's significand exceeds 1.75.
TEST(FpTies, InboxShareOnTheThresholdKeepsTheCandidate) {
    for (unsigned tenths : {3u, 7u})
        for (unsigned m = 1; m <= 300; ++m)
            for (unsigned h : {1u, 2u, 3u, 5u, 7u, 13u}) {
                const unsigned w = 10 * m, v = 7 * w * h / 10;
                const bool border = h * 10 < w;
                if ((tenths == 3) != border) continue;
                unsigned p = 1;
                while (p * 2 <= v) p *= 2;
                std::vector<IMGRect> boxes{
                    IMGRect(0, 0, static_cast<unsigned short>(100 + tenths * m - 1), 2000)};
                IMGRect c(100, 100, static_cast<unsigned short>(100 + w - 1),
                          static_cast<unsigned short>(100 + h - 1));
                c.SetBorder(border);
                const bool kept =
                    survives(c, [&](std::list<IMGRect*>* l) { merge_step_mark_inbox(l, &boxes); });
                ASSERT_EQ(kept, tenths == 3 || 4ull * v <= 7ull * p) << tenths << " " << w << "x" << h;
            }
}

// k brightness levels of the same count (information and H tie), then random bitmaps.
TEST(FpTies, ScorerFlagsOfEqualSharesMatchTheReference) {
    using namespace entropy_test;
    std::mt19937 rng(61206);
    uint64_t h = 1469598103934665603ull;
    auto score = [&](const TestDib& im) {
        std::vector<BYTE> block = im.packed();
        BKErase s;
        EXPECT_EQ(s.SetImage(block.data(), unsigned(block.size())), 0);
        EXPECT_EQ(s.Do(), 0);
        const float score = s.GetEntropyScore(0, 0, im.w - 1, im.h - 1);
        uint32_t bits;
        memcpy(&bits, &score, sizeof bits);
        mix(h, bits);
        return score;
    };
    for (unsigned k = 2; k <= 9; ++k)
        for (unsigned count = 3; count <= 60; count += 1 + count / 8) {
            std::vector<uint8_t> levels;
            for (unsigned j = 0; j < k; ++j)
                levels.insert(levels.end(), count, static_cast<uint8_t>(j * 255 / (k - 1)));
            std::shuffle(levels.begin(), levels.end(), rng);
            unsigned width = 5;
            while (levels.size() % width) ++width;
            const unsigned height = static_cast<unsigned>(levels.size() / width);
            if (height < 5) continue;
            const TestDib im = grey24(width, height, levels);
            ASSERT_EQ(score(im), Reference(im).score(0, 0, width - 1, height - 1))
                << k << " levels of " << count;
        }
    for (int round = 0; round < 300; ++round) score(random_image(rng, round % 2 ? 24 : 8, 60));
    EXPECT_EQ(h, 0x7e622c5bb9f202b8ull);
}

}  // namespace
