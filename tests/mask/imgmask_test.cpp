// ImgMask: the 2 x 2 reduction against Leptonica and against a bit-by-bit
// reference (padding bits, odd sizes, row order), the reduced header, refused
// arguments, erasure of page rectangles against the covered page area, and
// the position conversions.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <algorithm>
#include <random>

#include "mask/mask_source_image.h"
#include "rkcorr/rkcorr.h"

using masktest::BwSource;
using masktest::random_source;
using masktest::reference_reduce;
using masktest::stored_row;

namespace {

PIX* to_pix(const BwSource& s) {
    PIX* pix = pixCreate(static_cast<l_int32>(s.width), static_cast<l_int32>(s.height), 1);
    l_uint32* data = pixGetData(pix);
    const l_int32 wpl = pixGetWpl(pix);
    for (unsigned y = 0; y < s.height; ++y)
        for (unsigned x = 0; x < s.width; ++x)
            if (s.get(x, y)) data[y * wpl + x / 32] |= 0x80000000u >> (x % 32);
    return pix;
}

TEST(ImgMaskReduce, MatchesLeptonicaRankOneReduction) {
    std::mt19937 rng(20261205);
    for (int i = 0; i < 300; ++i) {
        const unsigned w = 2 + rng() % 300, h = 2 + rng() % 90;
        const double density = std::uniform_real_distribution<double>(0.0, 0.3)(rng);
        BwSource s = random_source(rng, w, h, rng() % 6, density);
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), 0);

        PIX* pix = to_pix(s);
        PIX* reduced = pixReduceRankBinary2(pix, 1, nullptr);
        ASSERT_NE(reduced, nullptr);
        // Leptonica drops a last odd column or row; the mask keeps it (checked
        // against the reference below).
        const unsigned lw = pixGetWidth(reduced), lh = pixGetHeight(reduced);
        ASSERT_EQ(lw, w / 2);
        ASSERT_EQ(lh, h / 2);
        for (unsigned n = 0; n < lh; ++n) {
            const uint8_t* row = stored_row(mask, n);
            for (unsigned x = 0; x < lw; ++x) {
                l_uint32 v = 0;
                pixGetPixel(reduced, x, n, &v);
                ASSERT_EQ((row[x / 8] >> (7 - x % 8)) & 1u, v) << w << "x" << h << " at " << x << "," << n;
            }
        }
        pixDestroy(&reduced);
        pixDestroy(&pix);
    }
}

TEST(ImgMaskReduce, MatchesBitwiseReferenceWithPaddingBits) {
    std::mt19937 rng(7);
    for (int i = 0; i < 400; ++i) {
        const unsigned w = 1 + rng() % 140, h = 1 + rng() % 40;
        BwSource s = random_source(rng, w, h, rng() % 5, i % 3 == 0 ? 0.02 : 0.4);
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), 0);
        const auto expected = reference_reduce(s);
        CRkBWImage* image = mask.GetCRkBWImage();
        ASSERT_EQ(image->GetHeight(), expected.size());
        ASSERT_EQ(image->GetLineByteSize(), expected[0].size());
        for (unsigned n = 0; n < expected.size(); ++n)
            ASSERT_TRUE(std::equal(expected[n].begin(), expected[n].end(), stored_row(mask, n)))
                << w << "x" << h << " stored row " << n;
    }
}

// Odd sizes: the last column and the last row alone still count; the image
// class sees the page upside down.
TEST(ImgMaskReduce, SeventeenByFiveRowOrder) {
    BwSource s(17, 5, 4);
    s.set(16, 0);
    s.set(0, 4);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), 0);
    CRkBWImage* image = mask.GetCRkBWImage();
    EXPECT_EQ(image->GetWidth(), 9);
    EXPECT_EQ(image->GetHeight(), 3);
    EXPECT_TRUE(image->IsBlack(static_cast<WORD>(0), static_cast<WORD>(0)));
    EXPECT_TRUE(image->IsBlack(static_cast<WORD>(8), static_cast<WORD>(2)));
    EXPECT_FALSE(image->IsBlack(static_cast<WORD>(0), static_cast<WORD>(2)));
}

TEST(ImgMaskHeader, ReducedHeaderAndPalette) {
    BwSource s(301, 99, 40);
    s.header.biHeight = -99;  // the sign is dropped; rows keep their order
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), 0);
    EXPECT_EQ(mask.GetZoom(), 2u);
    EXPECT_EQ(mask.GetSrcWidth(), 301u);
    EXPECT_EQ(mask.GetSrcHeight(), 99u);
    CRkBWImage* image = mask.GetCRkBWImage();
    ASSERT_NE(image, nullptr);
    BYTE block[48 + 20 * 50];
    ASSERT_TRUE(image->AcquireImage(block, sizeof block, nullptr));
    BITMAPINFOHEADER bih;
    memcpy(&bih, block, sizeof bih);
    EXPECT_EQ(bih.biSize, 40u);
    EXPECT_EQ(bih.biWidth, 151);
    EXPECT_EQ(bih.biHeight, 50);
    EXPECT_EQ(bih.biBitCount, 1);
    EXPECT_EQ(bih.biXPelsPerMeter, 3937);  // copied, not divided by the zoom
    EXPECT_EQ(bih.biYPelsPerMeter, 7874);
    EXPECT_EQ(bih.biClrUsed, 2u);
    EXPECT_EQ(bih.biClrImportant, 2u);
    const BYTE palette[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(block + 40, palette, 8), 0);
    EXPECT_EQ(image->GetLineByteSize(), 20);  // 38 bytes -> 19 -> 20
    EXPECT_EQ(image->GetImageBufSize(), 20u * 50u);
}

TEST(ImgMaskLifecycle, RefusedArgumentsKeepTheMask) {
    BwSource s(40, 10, 5);
    s.set(3, 3);
    ImgMask mask;
    EXPECT_EQ(mask.GetCRkBWImage(), nullptr);
    ASSERT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), 0);
    CRkBWImage* image = mask.GetCRkBWImage();

    BITMAPINFOHEADER colour = s.header;
    colour.biBitCount = 24;
    EXPECT_EQ(mask.CreateMask(&colour, s.bits.data(), s.stride), -1);
    EXPECT_EQ(mask.CreateMask(nullptr, s.bits.data(), s.stride), -1);
    EXPECT_EQ(mask.CreateMask(&s.header, nullptr, s.stride), -1);
    EXPECT_EQ(mask.CreateMask(&s.header, s.bits.data(), 0), -1);
    EXPECT_EQ(mask.GetCRkBWImage(), image);
    EXPECT_EQ(mask.GetSrcWidth(), 40u);
    EXPECT_EQ(stored_row(mask, 1)[0], 0x40);  // source pixel (3, 3)

    // A rebuild replaces the content.
    BwSource t(8, 2, 1);
    ASSERT_EQ(mask.CreateMask(&t.header, t.bits.data(), t.stride), 0);
    EXPECT_EQ(mask.GetSrcWidth(), 8u);
    EXPECT_EQ(stored_row(mask, 0)[0], 0x00);
    mask.release();
    EXPECT_EQ(mask.GetCRkBWImage(), nullptr);
    EXPECT_EQ(mask.GetZoom(), 0u);
    mask.EraseRect(0, 0, 10, 10);  // no image: nothing happens
}

// An even-height all-black mask, erased with one page rectangle.
struct ErasedMask {
    BwSource source;
    ImgMask mask;
    ErasedMask(unsigned w, unsigned h) : source(w, h, (w + 7) / 8) {
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) source.set(x, y);
        EXPECT_EQ(mask.CreateMask(&source.header, source.bits.data(), source.stride), 0);
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
        const unsigned w = 2 + rng() % 70, h = 2 * (1 + rng() % 30);
        ErasedMask m(w, h);
        const long x = rng() % (w + 8), y = rng() % (h + 8);
        const long rw = rng() % 30, rh = rng() % 30;
        m.mask.EraseRect(static_cast<unsigned>(x), static_cast<unsigned>(y), static_cast<unsigned>(rw),
                         static_cast<unsigned>(rh));
        const long mw = (w + 1) / 2, mh = h / 2;
        for (long r = 0; r < mh; ++r) {
            const long upperLine = static_cast<long>(h) - 2 - 2 * r;  // image row r holds this line and the next
            const bool rowHit = upperLine >= y - 1 && upperLine <= y + rh + 4;
            for (long c = 0; c < mw; ++c) {
                const bool colHit = 2 * c + 1 >= x - 2 && 2 * c + 1 <= x + rw + 3 && 2 * c + 1 <= long(w) - 1;
                ASSERT_EQ(m.black(c, r), !(rowHit && colHit))
                    << "page " << w << "x" << h << " rect " << x << "," << y << "," << rw << "," << rh << " at " << c
                    << "," << r;
            }
        }
    }
}

TEST(ImgMaskErase, ClippingFarOutside) {
    ErasedMask n(30, 20);
    n.mask.EraseRect(26, 10, 40, 2);  // past the right edge: cut at the width
    EXPECT_FALSE(n.black(14, 4));
    EXPECT_TRUE(n.black(11, 4));
    n.mask.EraseRect(100, 5, 4, 4);  // wholly right of the page: nothing
    n.mask.EraseRect(5, 500, 4, 4);  // wholly below: nothing
    n.mask.EraseRect(0xFFFFFFF0u, 5, 4, 4);
    unsigned black = 0;
    for (unsigned r = 0; r < 10; ++r)
        for (unsigned c = 0; c < 15; ++c) black += n.black(c, r);
    EXPECT_EQ(black, 150u - 3u * 4u);  // columns 12 to 14 of rows 1 to 4 only
}

TEST(ImgMaskErase, OddHeightIsOneLineOff) {
    ErasedMask m(20, 11);  // mask rows 0..5; image row 0 holds the last source row alone
    m.mask.EraseRect(4, 0, 2, 1);
    // yF = 10: rows min(12, 11) / 2 - 1 = 4 down to max(10 - 1 - 4, 0) / 2 = 2.
    for (unsigned r = 0; r < 6; ++r) EXPECT_EQ(m.black(2, r), r < 2 || r > 4) << r;
}

TEST(ImgMaskPositions, OriginPositionsAndMmx) {
    BwSource s(17, 7, 3);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), 0);
    EXPECT_EQ(mask.GetOriginPosX(0), 0u);
    EXPECT_EQ(mask.GetOriginPosX(8), 16u);
    EXPECT_EQ(mask.GetOriginPosX(9), 16u);
    EXPECT_EQ(mask.GetOriginPosY(3), 6u);
    EXPECT_EQ(mask.GetOriginPosY(4), 6u);
    EXPECT_EQ(SupportMMX(), 0);
}

}  // namespace
