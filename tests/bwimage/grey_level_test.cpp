// The grey-level kernels against their plain twins on random rows, widths and strides (the palette
// table is met through the mask and scorer tests' palette pages).
#include <gtest/gtest.h>
#include <stdint.h>

#include <array>
#include <random>
#include <vector>

#include "bwimage/grey_level.h"

namespace {

using namespace rkbwimage;
typedef std::array<uint32_t, 256> Hist;

// Long stretches of one value (paper) between noise within eight levels, near white, or of any level.
std::vector<uint8_t> random_rows(std::mt19937& rng, size_t bytes) {
    std::vector<uint8_t> v(bytes);
    const unsigned band = rng() % 256;
    for (size_t i = 0; i < bytes;) {
        const unsigned part = i / 4096 % 3;
        const size_t run = rng() % 3 || part == 2 ? 1 : rng() % 400;
        const unsigned noise = part == 0 ? band + rng() % 8 : part == 1 ? 250 + rng() % 2 : rng();
        const uint8_t level = static_cast<uint8_t>(rng() % 4 ? noise : rng());
        for (size_t k = 0; k < run && i < bytes; ++k) v[i++] = level;
    }
    return v;
}

TEST(GreyLevel, KernelsMatchPlainTwins) {
    std::mt19937 rng(7);
    for (int i = 0; i < 60; ++i) {
        // The first page is large: long runs across rows, enough pixels for pair counting.
        const unsigned w = i == 0 ? 2000 : 1 + rng() % 300, h = i == 0 ? 140 : 1 + rng() % 9;
        const size_t srcStep = 3 * w + rng() % 5, dstStep = w + rng() % 5;
        const std::vector<uint8_t> src = random_rows(rng, srcStep * h);
        std::vector<uint8_t> fast(dstStep * h, 0xAA), plain(dstStep * h, 0xAA);
        Hist fastHist{1}, plainHist{1}, countHist{}, countPlain{};  // histograms are added to
        grey_from_bgr(src.data(), srcStep, fast.data(), dstStep, w, h, fastHist.data());
        grey_from_bgr_plain(src.data(), srcStep, plain.data(), dstStep, w, h, plainHist.data());
        ASSERT_EQ(std::tie(fast, fastHist), std::tie(plain, plainHist)) << w << "x" << h;
        count_levels(src.data(), srcStep, 3 * w, h, countHist.data());
        count_levels_plain(src.data(), srcStep, 3 * w, h, countPlain.data());
        ASSERT_EQ(countHist, countPlain);
    }
}

}  // namespace
