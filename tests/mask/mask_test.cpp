// The mask and its sources against plain references on random pages, and every failure path.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>

#include "mask/entropy_mask.h"
#include "mask/level_bits.h"
#include "mask/mask_reference.h"
#include "mask/mask_sources.h"
#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"

using masktest::Rows;
using masktest::StoredRow;
using rktest::TestDib;

namespace {

// True when the mask's stored rows are the expected 1-bit rows.
bool SameRows(const ImgMask& mask, const Rows& expected) {
    for (unsigned n = 0; n < expected.size(); ++n)
        if (!std::equal(expected[n].begin(), expected[n].end(), StoredRow(mask, n))) return false;
    return mask.GetCRkBWImage()->GetHeight() == expected.size();
}

TEST(ImgMask, ReductionHeaderAndRefusedArguments) {
    std::mt19937 rng(7);
    for (int i = 0; i < 400; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, 1, 140, 40);
        c.topDown = false, c.strideSlack = rng() % 5;
        TestDib s(c);
        if (i % 3 == 0) s.randomFill(rng, 0.02);  // sparse; padding bits stay random
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
        const Rows expected = masktest::ReduceReference(s);
        ASSERT_EQ(mask.GetCRkBWImage()->GetWidth(), (c.width + 1) / 2);
        ASSERT_EQ(mask.GetCRkBWImage()->GetLineByteSize(), expected[0].size());
        ASSERT_TRUE(SameRows(mask, expected)) << c.name();
    }
    // The height's sign is dropped, the resolution copied; rows padded to 4 bytes.
    TestDib s(301, 99, true, 1, 2, 2);
    s.set(3, 1);  // stored row 1
    ImgMask mask;
    EXPECT_EQ(mask.GetCRkBWImage(), nullptr);
    ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
    EXPECT_EQ(mask.GetZoom() * 1000000 + mask.GetSrcWidth() * 1000 + mask.GetSrcHeight(), 2301099u);
    CRkBWImage* image = mask.GetCRkBWImage();
    BYTE block[48 + 20 * 50];
    ASSERT_TRUE(image->AcquireImage(block, sizeof block, nullptr));
    const BITMAPINFOHEADER want{40, 151, 50, 1, 1, 0, 0, 11811, 7874, 2, 2};
    const BYTE palette[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(block, &want, 40), 0);
    EXPECT_EQ(memcmp(block + 40, palette, 8), 0);
    EXPECT_EQ(image->GetLineByteSize() * 10000 + image->GetImageBufSize(), 20u * 10000 + 20 * 50);
    BITMAPINFOHEADER colour = *s.header();
    colour.biBitCount = 24;
    EXPECT_EQ(mask.CreateMask(&colour, s.bits.data(), s.stride), -1);
    EXPECT_EQ(mask.CreateMask(nullptr, s.bits.data(), s.stride), -1);
    EXPECT_EQ(mask.CreateMask(s.header(), nullptr, s.stride), -1);
    EXPECT_EQ(mask.CreateMask(s.header(), s.bits.data(), 0), -1);
    EXPECT_TRUE(mask.GetCRkBWImage() == image && mask.GetSrcWidth() == 301);  // refusals keep the mask
    EXPECT_EQ(StoredRow(mask, 0)[0], 0x40);
    TestDib t(8, 2);  // a rebuild replaces the content
    ASSERT_EQ(mask.CreateMask(t.header(), t.bits.data(), t.stride), 0);
    EXPECT_EQ(mask.GetSrcWidth() * 1000 + StoredRow(mask, 0)[0], 8000u);
    for (unsigned v = 0; v < 12; ++v)
        EXPECT_EQ(mask.GetOriginPosX(v) * 1000 + mask.GetOriginPosY(v),
                  std::min(2 * v, 7u) * 1000 + std::min(2 * v, 1u));
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
    bool black(unsigned col, unsigned row) const {
        return mask.GetCRkBWImage()->IsBlack(WORD(col), WORD(row));
    }
};

// EraseRect covers page columns x-2..x+w+3 and lines y-1..y+h+4, clipped to the page.
TEST(ImgMask, ErasedRectanglesMatchThePageArea) {
    std::mt19937 rng(99);
    for (int i = 0; i < 300; ++i) {
        const unsigned w = 2 + rng() % 300, h = 2 * (1 + rng() % 30);  // mask rows of 4 to 20 bytes
        ErasedMask m(w, h);
        const int64_t x = i % 50 ? rng() % (w + 8) : 0xFFFFFFF0u, y = rng() % (h + 8),
                      rw = i % 50 ? rng() % 30 : 4, rh = rng() % 30;
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
    ErasedMask m(20, 11);  // image row 0 holds the last source row alone
    m.mask.EraseRect(4, 0, 2, 1);
    // yF = 10: rows min(12, 11) / 2 - 1 = 4 down to max(10 - 1 - 4, 0) / 2 = 2.
    for (unsigned r = 0; r < 6; ++r) EXPECT_EQ(m.black(2, r), r < 2 || r > 4) << r;
}

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

TEST(MaskSources, BilevelPagesReducedOrShortBlocksRefused) {
    std::mt19937 rng(3);
    for (int i = 0; i < 40; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, 1, 200, 60);
        c.topDown = false, c.strideSlack = rng() % 4;
        const TestDib s(c);
        Page page = Page::Bilevel(s);
        std::unique_ptr<ImgMask> mask(mask_from_bw(&page.head));
        ASSERT_TRUE(mask && mask->GetCRkBWImage());
        EXPECT_EQ(mask->GetSrcWidth() * 1000 + mask->GetSrcHeight(), unsigned(c.width * 1000 + c.height));
        ASSERT_TRUE(SameRows(*mask, masktest::ReduceReference(s))) << c.name();
        const CRkBWImage* image = mask->GetCRkBWImage();
        EXPECT_EQ(image->GetXResolution() * 1000 + image->GetYResolution(), 300200);
        // No line length, or a block shorter than the rows it claims: a mask without image.
        for (WORD lineBytes : {WORD(0), WORD(c.height > 1 ? s.bits.size() : 0)}) {
            page.head.wLineByte = lineBytes;
            mask.reset(mask_from_bw(&page.head));
            ASSERT_TRUE(mask && mask->GetCRkBWImage() == nullptr);
        }
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
}

// Grey, palette and 24-bit pages against the reference, levels around the paper's.
TEST(MaskSources, EveryDepthMatchesTheReference) {
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
        } else {
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
        ASSERT_TRUE(mask && mask->GetCRkBWImage()) << c.name();
        const auto expected = masktest::GreyMaskReference(grey, d.w);
        CRkBWImage* image = mask->GetCRkBWImage();
        ASSERT_EQ(image->GetHeight() * 1000 + image->GetWidth(), expected.size() * 1000 + expected[0].size());
        for (unsigned n = 0; n < expected.size(); ++n)
            for (unsigned x = 0; x < image->GetLineByteSize() * 8u; ++x)
                ASSERT_EQ((StoredRow(*mask, n)[x / 8] >> (7 - x % 8)) & 1,
                          x < expected[n].size() && expected[n][x])
                    << c.name() << " kind " << kind << " row " << n << " x " << x;
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        // Both resolutions of the mask come from biXPelsPerMeter.
        EXPECT_EQ(image->GetXResolution() * 1000 + image->GetYResolution(), 300300);
    }
}

// Background choice, band kernel vs flag table, bottom rows first, empty pages.
TEST(MaskSources, BackgroundChoiceBandKernelAndRowOrder) {
    std::mt19937 rng(5);
    for (int i = 0; i < 3000; ++i) {
        unsigned hist[256] = {};
        for (int k = 0, n = 1 + rng() % 6; k < n; ++k) {
            const int level = i % 7 == 0 ? std::vector<int>{0, 127, 128, 255}[rng() % 4] : rng() % 256;
            hist[level] += 1 + rng() % (k == 0 ? 1000 : 100);
        }
        unsigned char fg[256];
        ASSERT_TRUE(entropy_foreground_levels(hist, fg));
        const std::vector<uint8_t> want =
            masktest::ForegroundReference(std::vector<double>(hist, hist + 256));
        ASSERT_TRUE(std::equal(want.begin(), want.end(), fg)) << i;
    }
    for (int i = 0; i < 400; ++i) {
        const unsigned w = 1 + rng() % 200, first = rng() % 257;
        const unsigned count = i % 10 == 0 ? 256 - first : rng() % (257 - first);
        uint8_t fg[256];
        for (unsigned v = 0; v < 256; ++v) fg[v] = v < first || v >= first + count;
        unsigned f = 99, n = 99;
        ASSERT_TRUE(rkmask::background_band(fg, f, n));
        ASSERT_TRUE(n == count && (!count || f == first));
        std::vector<uint8_t> grey(w), band((w + 7) / 8 + 1, 0xAA), table(band), baseline(band);
        for (auto& v : grey) v = uint8_t(rng() % 3 ? first + rng() % 5 - 2 : rng());
        rkmask::outside_band_bits(grey.data(), w, f, n, band.data());
        rkmask::outside_band_bits_baseline(grey.data(), w, f, n, baseline.data());
        rkmask::levels_to_bits(grey.data(), w, fg, table.data());
        ASSERT_EQ(band, table) << "width " << w << " band " << first << "+" << count;
        ASSERT_EQ(baseline, table) << "width " << w << " band " << first << "+" << count;
    }
    uint8_t two[256];  // two stretches of background are no band
    for (unsigned v = 0; v < 256; ++v) two[v] = v != 10 && v != 12;
    unsigned f, n;
    EXPECT_FALSE(rkmask::background_band(two, f, n));
    unsigned none[256] = {};
    unsigned char fg[256];
    EXPECT_FALSE(entropy_foreground_levels(none, fg));
    std::vector<uint8_t> grey(3 * 4, 250);  // grey row 0 (the bottom line) all ink, the rest paper
    std::fill(grey.begin(), grey.begin() + 3, 0);
    std::unique_ptr<ImgMask> mask(create_entropy_mask(3, 3, 4, 2834, grey.data()));
    ASSERT_TRUE(mask && mask->GetCRkBWImage());
    EXPECT_EQ(StoredRow(*mask, 0)[0] * 1000 + StoredRow(*mask, 1)[0], 0xC0);
    EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution(), 72);
    EXPECT_TRUE(create_entropy_mask(0, 3, 4, 0, grey.data()) == nullptr &&
                create_entropy_mask(3, 0, 4, 0, grey.data()) == nullptr);
}

TEST(MaskSources, LocksDepthsPaletteIndicesAndShortBlocks) {
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

// Each allocation failing in turn: no mask, a mask without image, or bad_alloc.
TEST(MaskSources, EveryAllocationFailingInTurn) {
    std::mt19937 rng(5);
    TestDib g(37, 11, false, 8), rgb(37, 11, false, 24), bits(rktest::DibCase{37, 11, 1, false, 1, 9});
    g.pageFill(rng);
    rgb.pageFill(rng);
    Page grey(g), pal(g), col(rgb), bw = Page::Bilevel(bits);
    const std::pair<ImgMask* (*)(tagIMGHEAD*), tagIMGHEAD*> sources[] = {{mask_from_bw, &bw.head},
                                                                         {mask_from_8bit_gray, &grey.head},
                                                                         {mask_from_8bit_palette, &pal.head},
                                                                         {mask_from_24bit, &col.head}};
    for (const auto& [fn, head] : sources) {
        const long failed = rktest::SweepAllocations([&](long n) {
            rktest::g_failIn = n;
            bool hit = true;
            try {
                std::unique_ptr<ImgMask> mask(fn(head));
                hit = rktest::g_failIn == 0;
                if (mask && hit) {
                    EXPECT_EQ(mask->GetCRkBWImage(), nullptr) << n;
                }
            } catch (const std::bad_alloc&) {}
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
            return hit;
        });
        EXPECT_GE(failed, 4);
    }
    rktest::SweepAllocations([&](long n) {
        ImgMask mask;
        rktest::g_failIn = n;
        const int r = mask.CreateMask(bits.header(), bits.bits.data(), bits.stride);
        const bool hit = rktest::g_failIn == 0;
        rktest::g_failIn = 0;
        if (hit) {
            EXPECT_TRUE(r == -1 && !mask.GetCRkBWImage()) << n;
        }
        return hit;
    });
}

}  // namespace
