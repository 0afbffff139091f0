// The mask sources and the entropy mask against the plain references on
// random pages of every depth: grey levels, histogram, background choice, row
// reversal and 2 x 2 reduction; resolutions; every failure path (locks,
// depths, palette indices, allocation failures) leaves nothing locked or
// allocated.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <new>
#include <random>
#include <stdexcept>
#include <vector>

#include "mask/entropy_mask.h"
#include "mask/mask_reference.h"
#include "mask/mask_sources.h"
#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"

using masktest::Rows;
using masktest::StoredRow;
using rktest::TestDib;

namespace {

struct Page {
    tagIMGHEAD head{};
    Page() = default;
    explicit Page(const TestDib& d) { head.hDIB = d.global(); }
    // The 1-bit page bits of d (bottom-up, its stride) as the page's bilevel image.
    static Page Bilevel(const TestDib& d) {
        Page p;
        p.head.hBWImage = rktest::GlobalBlock(d.bits);
        p.head.wLineByte = WORD(d.stride), p.head.wWidth = WORD(d.w), p.head.wHeight = WORD(d.h);
        p.head.wXResolution = 300, p.head.wYResolution = 200;
        return p;
    }
    ~Page() {
        if (head.hDIB) GlobalFree(head.hDIB);
        if (head.hBWImage) GlobalFree(head.hBWImage);
    }
};

void ExpectMask(const ImgMask* mask, const Rows& grey, unsigned w, const std::string& what) {
    ASSERT_TRUE(mask && mask->GetCRkBWImage()) << what;
    const auto expected = masktest::GreyMaskReference(grey, w);
    CRkBWImage* image = mask->GetCRkBWImage();
    ASSERT_EQ(image->GetHeight(), expected.size()) << what;
    ASSERT_EQ(image->GetWidth(), expected[0].size()) << what;
    for (unsigned n = 0; n < expected.size(); ++n)
        for (unsigned x = 0; x < image->GetLineByteSize() * 8u; ++x)
            ASSERT_EQ(((StoredRow(*mask, n)[x / 8] >> (7 - x % 8)) & 1) != 0,
                      x < expected[n].size() && expected[n][x])
                << what << " row " << n << " x " << x;
}

TEST(MaskFromBw, ReducesThePageBitsOrRefusesShortBlocks) {
    std::mt19937 rng(3);
    for (int i = 0; i < 40; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, 1, 200, 60);
        c.topDown = false, c.strideSlack = rng() % 4;
        const TestDib s(c);
        Page page = Page::Bilevel(s);
        std::unique_ptr<ImgMask> mask(mask_from_bw(&page.head));
        ASSERT_TRUE(mask && mask->GetCRkBWImage());
        EXPECT_EQ(mask->GetSrcWidth() * 1000 + mask->GetSrcHeight(), unsigned(c.width * 1000 + c.height));
        const Rows expected = masktest::ReduceReference(s);
        for (unsigned n = 0; n < expected.size(); ++n)
            ASSERT_TRUE(std::equal(expected[n].begin(), expected[n].end(), StoredRow(*mask, n))) << c.name();
        EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution() * 1000 + mask->GetCRkBWImage()->GetYResolution(),
                  300200);
        // No line length, or a block shorter than the rows it claims: a mask without image.
        for (WORD lineBytes : {WORD(0), WORD(c.height > 1 ? s.bits.size() : 0)}) {
            page.head.wLineByte = lineBytes;
            mask.reset(mask_from_bw(&page.head));
            ASSERT_TRUE(mask);
            EXPECT_EQ(mask->GetCRkBWImage(), nullptr);
        }
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
}

// Grey, palette and 24-bit pages in turn against the reference; the grey
// levels are worked out from the stored rows.
TEST(MaskFromGrey, EveryDepthMatchesReference) {
    std::mt19937 rng(11);
    for (int i = 0; i < 120; ++i) {
        const int kind = i % 3;
        rktest::DibCase c = rktest::RandomCase(rng, kind == 2 ? 24 : 8, 120, 50);
        c.topDown = kind == 0 && i % 5 == 0;  // the grey path takes the rows as stored
        const int colors = kind == 0 ? (i % 4 == 0 ? 3 : 0) : 1 + rng() % 256;
        TestDib d(c.width, c.height, c.topDown, c.bpp, kind == 2 ? 0 : colors);
        d.randomize(rng);  // padding bytes random: they must never count
        d.pageFill(rng);
        if (kind == 1) {
            for (int k = 0; k < colors; ++k)
                d.palette()[k] = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
            const unsigned common = rng() % colors;
            for (int y = 0; y < d.h; ++y)
                for (int x = 0; x < d.w; ++x) d.row(y)[x] = BYTE(rng() % 3 ? common : rng() % colors);
        }
        if (kind != 1) {  // levels all round the paper's, so the band's edges and the 24-bit rounding are hit
            std::vector<int> count(256);
            for (int k = 0; k < d.w * d.h; ++k) ++count[rktest::GreyOf(d, k % d.w, k / d.w, kind == 0)];
            const int paper = int(std::max_element(count.begin(), count.end()) - count.begin());
            for (int k = 0; k < std::min(40, d.w * d.h / 4); ++k) {
                BYTE* p = d.row(rng() % d.h) + (rng() % d.w) * (c.bpp / 8);
                const int v = std::min(255, std::max(0, paper - 22 + int(rng() % 45)));
                for (int b = 0; b < c.bpp / 8; ++b)
                    p[b] = BYTE(std::min(255, v + (b == 2 ? int(rng() % 3) : 0)));
            }
        }
        Rows grey(d.h, std::vector<uint8_t>(d.w));
        for (int n = 0; n < d.h; ++n)
            for (int x = 0; x < d.w; ++x)
                grey[n][x] = uint8_t(rktest::GreyOf(d, x, d.topDown ? n : d.h - 1 - n, kind == 0));
        Page page(d);
        std::unique_ptr<ImgMask> mask(kind == 0   ? mask_from_8bit_gray(&page.head)
                                      : kind == 1 ? mask_from_8bit_palette(&page.head)
                                                  : mask_from_24bit(&page.head));
        ExpectMask(mask.get(), grey, d.w, c.name() + (kind == 1 ? " palette" : ""));
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        // Both resolutions of the mask come from biXPelsPerMeter.
        EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution() * 1000 + mask->GetCRkBWImage()->GetYResolution(),
                  300300);
    }
}

TEST(EntropyMask, BackgroundChoiceMatchesReferenceOnRandomHistograms) {
    std::mt19937 rng(5);
    for (int i = 0; i < 3000; ++i) {
        unsigned hist[256] = {};
        std::vector<double> count(256, 0);
        for (int k = 0, n = 1 + rng() % 6; k < n; ++k) {
            const int level = i % 7 == 0 ? std::vector<int>{0, 127, 128, 255}[rng() % 4] : rng() % 256;
            hist[level] += 1 + rng() % (k == 0 ? 1000 : 100);
        }
        for (int k = 0; k < 256; ++k) count[k] = hist[k];
        unsigned char fg[256];
        ASSERT_TRUE(entropy_foreground_levels(hist, fg));
        const std::vector<uint8_t> want = masktest::ForegroundReference(count);
        ASSERT_TRUE(std::equal(want.begin(), want.end(), fg)) << i;
    }
    unsigned none[256] = {};
    unsigned char fg[256];
    EXPECT_FALSE(entropy_foreground_levels(none, fg));
}

TEST(EntropyMask, RowsReversedAndEmptyPages) {
    // Three rows: grey row 0 (bottom line) is all ink, the rest paper.
    std::vector<uint8_t> grey(3 * 4, 250);
    grey[0] = grey[1] = grey[2] = 0;
    std::unique_ptr<ImgMask> mask(create_entropy_mask(3, 3, 4, 2834, grey.data()));
    ASSERT_TRUE(mask && mask->GetCRkBWImage());
    EXPECT_EQ(StoredRow(*mask, 0)[0], 0x00);
    EXPECT_EQ(StoredRow(*mask, 1)[0], 0xC0);
    EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution(), 72);
    EXPECT_EQ(create_entropy_mask(0, 3, 4, 0, grey.data()), nullptr);
    EXPECT_EQ(create_entropy_mask(3, 0, 4, 0, grey.data()), nullptr);
    EXPECT_EQ(dpi2dpm(300), 11811);
}

TEST(MaskSourceFailures, LocksDepthsPaletteIndicesAndShortBlocks) {
    TestDib g(12, 4, false, 8, 0), p(12, 4, false, 8, 2), c(4, 4, false, 24), b(16, 4);
    Page grey(g), pal(p), rgb(c), bw = Page::Bilevel(b);
    p.row(0)[11] = 2;  // one pixel past a palette of 2 entries; with no palette every pixel is
    Page bad(p), cut;
    std::vector<BYTE> shortDib = g.packed();  // a block shorter than its header says
    shortDib.resize(50);
    cut.head.hDIB = rktest::GlobalBlock(shortDib);
    const long live = rktest::g_live;
    RkTestFailNthLock(1);
    EXPECT_EQ(mask_from_bw(&bw.head), nullptr);
    for (auto* source : {mask_from_8bit_gray, mask_from_8bit_palette, mask_from_24bit}) {
        RkTestFailNthLock(1);
        EXPECT_EQ(source(&grey.head), nullptr);
    }
    EXPECT_EQ(mask_from_24bit(&grey.head), nullptr);  // wrong depths
    EXPECT_EQ(mask_from_8bit_gray(&rgb.head), nullptr);
    EXPECT_EQ(mask_from_8bit_palette(&rgb.head), nullptr);
    EXPECT_THROW(mask_from_8bit_palette(&bad.head), std::out_of_range);
    EXPECT_THROW(mask_from_8bit_palette(&grey.head), std::out_of_range);
    EXPECT_EQ(mask_from_8bit_gray(&cut.head), nullptr);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(rktest::g_live.load(), live);
}

TEST(MaskSourceFailures, EveryAllocationFailingInTurn) {
    std::mt19937 rng(5);
    TestDib g(37, 11, false, 8), rgb(37, 11, false, 24), bits(rktest::DibCase{37, 11, 1, false, 1, 9});
    g.pageFill(rng);
    rgb.pageFill(rng);
    Page grey(g), pal(g), col(rgb), bw = Page::Bilevel(bits);
    const struct {
        ImgMask* (*fn)(tagIMGHEAD*);
        tagIMGHEAD* head;
    } sources[] = {{mask_from_bw, &bw.head},
                   {mask_from_8bit_gray, &grey.head},
                   {mask_from_8bit_palette, &pal.head},
                   {mask_from_24bit, &col.head}};
    for (const auto& src : sources) {
        const long failed = rktest::SweepAllocations([&](long n) {
            rktest::g_failIn = n;
            bool hit = true;
            try {
                std::unique_ptr<ImgMask> mask(src.fn(src.head));
                hit = rktest::g_failIn == 0;
                // A mask that exists but whose reduction failed has no image.
                if (mask && rktest::g_failIn == 0) EXPECT_EQ(mask->GetCRkBWImage(), nullptr) << n;
            } catch (const std::bad_alloc&) {}
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
            return hit;
        });
        EXPECT_GE(failed, 4);
    }
    // CreateMask itself: -1 and no image.
    rktest::SweepAllocations([&](long n) {
        ImgMask mask;
        rktest::g_failIn = n;
        const int r = mask.CreateMask(bits.header(), bits.bits.data(), bits.stride);
        const bool hit = rktest::g_failIn == 0;
        rktest::g_failIn = 0;
        if (hit) EXPECT_TRUE(r == -1 && !mask.GetCRkBWImage()) << n;
        return hit;
    });
}

}  // namespace
