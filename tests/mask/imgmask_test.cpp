// ImgMask: the 2 x 2 reduction against the bit-by-bit reference on random
// sources (padding bits, stride slack, odd sizes), the reduced header,
// refused arguments, erasure of page rectangles against the covered page
// area, and the position conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "mask/mask_reference.h"
#include "rkcorr/rkcorr.h"

using masktest::StoredRow;
using rktest::TestDib;

namespace {

TEST(ImgMaskReduce, MatchesBitwiseReferenceOnRandomSources) {
    std::mt19937 rng(7);
    for (int i = 0; i < 400; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, 1, 140, 40);
        c.topDown = false;
        c.strideSlack = rng() % 5;
        TestDib s(c);
        if (i % 3 == 0) s.randomFill(rng, 0.02);  // sparse; padding bits stay random
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
        const auto expected = masktest::ReduceReference(s);
        CRkBWImage* image = mask.GetCRkBWImage();
        ASSERT_EQ(image->GetWidth(), (c.width + 1) / 2);
        ASSERT_EQ(image->GetHeight(), expected.size());
        ASSERT_EQ(image->GetLineByteSize(), expected[0].size());
        for (unsigned n = 0; n < expected.size(); ++n)
            ASSERT_TRUE(std::equal(expected[n].begin(), expected[n].end(), StoredRow(mask, n)))
                << c.name() << " row " << n;
    }
}

TEST(ImgMaskHeader, ReducedHeaderAndPalette) {
    TestDib s(301, 99, true, 1, 2, 2);  // the height's sign is dropped; rows keep their order
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
    EXPECT_EQ(mask.GetZoom(), 2u);
    EXPECT_EQ(mask.GetSrcWidth() * 1000 + mask.GetSrcHeight(), 301099u);
    CRkBWImage* image = mask.GetCRkBWImage();
    BYTE block[48 + 20 * 50];
    ASSERT_TRUE(image->AcquireImage(block, sizeof block, nullptr));
    BITMAPINFOHEADER bih;
    memcpy(&bih, block, sizeof bih);
    const BITMAPINFOHEADER want{40, 151,   50,   1, 1, 0,
                                0,  11811, 7874, 2, 2};  // resolution copied, not divided
    EXPECT_EQ(memcmp(&bih, &want, 16), 0);
    EXPECT_EQ(memcmp(&bih.biXPelsPerMeter, &want.biXPelsPerMeter, 16), 0);
    const BYTE palette[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(block + 40, palette, 8), 0);
    EXPECT_EQ(image->GetLineByteSize(), 20);  // 38 bytes -> 19 -> 20
    EXPECT_EQ(image->GetImageBufSize(), 20u * 50u);
}

TEST(ImgMaskLifecycle, RefusedArgumentsKeepTheMask) {
    TestDib s(40, 10);
    s.set(3, 6);  // stored row 3
    ImgMask mask;
    EXPECT_EQ(mask.GetCRkBWImage(), nullptr);
    ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
    CRkBWImage* image = mask.GetCRkBWImage();
    BITMAPINFOHEADER colour = *s.header();
    colour.biBitCount = 24;
    EXPECT_EQ(mask.CreateMask(&colour, s.bits.data(), s.stride), -1);
    EXPECT_EQ(mask.CreateMask(nullptr, s.bits.data(), s.stride), -1);
    EXPECT_EQ(mask.CreateMask(s.header(), nullptr, s.stride), -1);
    EXPECT_EQ(mask.CreateMask(s.header(), s.bits.data(), 0), -1);
    EXPECT_EQ(mask.GetCRkBWImage(), image);
    EXPECT_EQ(mask.GetSrcWidth(), 40u);
    EXPECT_EQ(StoredRow(mask, 1)[0], 0x40);
    TestDib t(8, 2);  // a rebuild replaces the content
    ASSERT_EQ(mask.CreateMask(t.header(), t.bits.data(), t.stride), 0);
    EXPECT_EQ(mask.GetSrcWidth(), 8u);
    EXPECT_EQ(StoredRow(mask, 0)[0], 0x00);
    mask.release();
    EXPECT_EQ(mask.GetCRkBWImage(), nullptr);
    EXPECT_EQ(mask.GetZoom(), 0u);
    mask.EraseRect(0, 0, 10, 10);  // no image: nothing happens
}

// An all-black mask of a w x h page.
struct ErasedMask {
    TestDib source;
    ImgMask mask;
    ErasedMask(unsigned w, unsigned h) : source(w, h) {
        source.fillRect(0, 0, w - 1, h - 1);
        EXPECT_EQ(mask.CreateMask(source.header(), source.bits.data(), source.stride), 0);
    }
    bool black(unsigned col, unsigned imageRow) const {
        return mask.GetCRkBWImage()->IsBlack(static_cast<WORD>(col), static_cast<WORD>(imageRow));
    }
};

// Page columns x - 2 to x + width + 3 and lines y - 1 to y + height + 4 are
// erased: a mask pixel partly covered goes on the left and lower sides, only
// a wholly covered one on the right and upper sides; the page clips.
TEST(ImgMaskErase, RandomRectanglesMatchPageArea) {
    std::mt19937 rng(99);
    for (int i = 0; i < 300; ++i) {
        const unsigned w = 2 + rng() % 300, h = 2 * (1 + rng() % 30);  // mask rows of 4 to 20 bytes
        ErasedMask m(w, h);
        const long x = rng() % (w + 8), y = rng() % (h + 8), rw = rng() % 30, rh = rng() % 30;
        m.mask.EraseRect(unsigned(x), unsigned(y), unsigned(rw), unsigned(rh));
        for (long r = 0; r < long(h) / 2; ++r) {
            const long upperLine = long(h) - 2 - 2 * r;  // image row r holds this line and the next
            const bool rowHit = upperLine >= y - 1 && upperLine <= y + rh + 4;
            for (long c = 0; c < long(w + 1) / 2; ++c) {
                const bool colHit = 2 * c + 1 >= x - 2 && 2 * c + 1 <= x + rw + 3 && 2 * c + 1 <= long(w) - 1;
                ASSERT_EQ(m.black(c, r), !(rowHit && colHit))
                    << "page " << w << "x" << h << " rect " << x << "," << y << "," << rw << "," << rh
                    << " at " << c << "," << r;
            }
        }
    }
}

TEST(ImgMaskErase, ClippingAndOddHeight) {
    ErasedMask n(30, 20);
    n.mask.EraseRect(26, 10, 40, 2);  // past the right edge: cut at the width
    n.mask.EraseRect(100, 5, 4, 4);   // wholly right of the page: nothing
    n.mask.EraseRect(5, 500, 4, 4);   // wholly below: nothing
    n.mask.EraseRect(0xFFFFFFF0u, 5, 4, 4);
    for (unsigned r = 0; r < 10; ++r)
        for (unsigned c = 0; c < 15; ++c)
            EXPECT_EQ(n.black(c, r), !(c >= 12 && r >= 1 && r <= 4)) << c << "," << r;
    ErasedMask m(20, 11);  // image row 0 holds the last source row alone
    m.mask.EraseRect(4, 0, 2, 1);
    // yF = 10: rows min(12, 11) / 2 - 1 = 4 down to max(10 - 1 - 4, 0) / 2 = 2.
    for (unsigned r = 0; r < 6; ++r) EXPECT_EQ(m.black(2, r), r < 2 || r > 4) << r;
}

TEST(ImgMaskPositions, OriginPositionsClampToTheSource) {
    TestDib s(17, 7);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
    for (unsigned v = 0; v < 12; ++v) {
        EXPECT_EQ(mask.GetOriginPosX(v), std::min(2 * v, 16u));
        EXPECT_EQ(mask.GetOriginPosY(v), std::min(2 * v, 6u));
    }
    EXPECT_EQ(SupportMMX(), 0);
}

}  // namespace
