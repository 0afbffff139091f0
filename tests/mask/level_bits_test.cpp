// The band kernels of the 1-bit rows (the one chosen for the processor and
// the baseline) against the table kernel on random grey rows and bands, and
// the band found from flag tables.
#include <gtest/gtest.h>
#include <stdint.h>

#include <random>
#include <vector>

#include "mask/level_bits.h"

namespace {

TEST(LevelBits, BandMatchesFlagTable) {
    std::mt19937 rng(9);
    for (int i = 0; i < 400; ++i) {
        const unsigned w = 1 + rng() % 200;
        const unsigned first = rng() % 257, count = i % 10 == 0 ? 256 - first : rng() % (257 - first);
        uint8_t fg[256];
        for (unsigned v = 0; v < 256; ++v) fg[v] = v >= first && v < first + count ? 0 : 1;
        unsigned f = 99, c = 99;
        ASSERT_TRUE(rkmask::background_band(fg, f, c));
        ASSERT_EQ(c, count);
        if (count) {
            ASSERT_EQ(f, first);
        }

        std::vector<uint8_t> grey(w);
        for (auto& v : grey) v = static_cast<uint8_t>(rng() % 3 ? first + rng() % 5 - 2 : rng());
        std::vector<uint8_t> band((w + 7) / 8 + 1, 0xAA), table = band, baseline = band;
        rkmask::outside_band_bits(grey.data(), w, f, c, band.data());
        rkmask::outside_band_bits_baseline(grey.data(), w, f, c, baseline.data());
        rkmask::levels_to_bits(grey.data(), w, fg, table.data());
        ASSERT_EQ(band, table) << "width " << w << " band " << first << "+" << count;
        ASSERT_EQ(baseline, table) << "width " << w << " band " << first << "+" << count;
    }
    // Two stretches of background are no band.
    uint8_t fg[256];
    for (unsigned v = 0; v < 256; ++v) fg[v] = v == 10 || v == 12 ? 0 : 1;
    unsigned f, c;
    EXPECT_FALSE(rkmask::background_band(fg, f, c));
}

}  // namespace
