// ImgMask's 2 x 2 reduction against Leptonica's rank-1 reduction (which drops a last odd column or row).
#include <gtest/gtest.h>

#include <random>

#include "mask/mask_reference.h"
#include "support/lept_bridge.h"

TEST(ImgMaskReduceOracle, MatchesLeptonicaRankOneReduction) {
    std::mt19937 rng(20261205);
    for (int i = 0; i < 300; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, 1, 300, 90);
        c.topDown = true;  // the mask keeps the stored order: Leptonica's row n is stored row n
        c.width += 1, c.height += 1, c.strideSlack = rng() % 6;
        rktest::TestDib s(c);
        s.randomFill(rng, std::uniform_real_distribution<double>(0.0, 0.3)(rng));
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
        PIX* pix = rktest::ToPix(s);
        PIX* reduced = pixReduceRankBinary2(pix, 1, nullptr);
        ASSERT_EQ(pixGetWidth(reduced), c.width / 2);
        ASSERT_EQ(pixGetHeight(reduced), c.height / 2);
        for (int n = 0; n < c.height / 2; ++n)
            for (int x = 0; x < c.width / 2; ++x) {
                l_uint32 v = 0;
                pixGetPixel(reduced, x, n, &v);
                ASSERT_EQ((masktest::StoredRow(mask, n)[x / 8] >> (7 - x % 8)) & 1u, v)
                    << c.name() << " at " << x << "," << n;
            }
        pixDestroy(&reduced);
        pixDestroy(&pix);
    }
}
