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

// An engine page holding a DIB, or the 1-bit rows of d (bottom-up, its stride) at 300 x 200 dpi.
struct Page {
    tagIMGHEAD head{};
    explicit Page(HGLOBAL dib) { head.hDIB = dib; }
    explicit Page(const TestDib& d) : Page(HGLOBAL{}) {
        head.hBWImage = rktest::GlobalBlock(d.bits);
        head.wLineByte = WORD(d.stride), head.wWidth = WORD(d.w), head.wHeight = WORD(d.h);
        head.wXResolution = 300, head.wYResolution = 200;
    }
    ~Page() { GlobalFree(head.hDIB), GlobalFree(head.hBWImage); }
};

// Random 1-bit sources, directly and as a page's bits, against the reference and with the mask's
// header; refusals keep the mask.
TEST(ImgMask, ReductionHeaderAndRefusedArguments) {
    std::mt19937 rng(7);
    for (int i = 0; i < 400; ++i) {
        rktest::DibCase c = rktest::RandomCase(rng, 1, 600, 60);
        c.strideSlack = rng() % 5;
        TestDib s(c);
        if (i % 3 == 0) s.randomFill(rng, 0.02);  // sparse; padding bits stay random
        const Rows expected = masktest::ReduceReference(s);
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
        Page page(s);  // the same rows at 300 x 200 dpi: the same header
        std::unique_ptr<ImgMask> bw(mask_from_bw(&page.head));
        for (const ImgMask* m : {&mask, bw.get()}) {
            ASSERT_TRUE(m && m->GetCRkBWImage() && SameRows(*m, expected)) << c.name();
            std::vector<BYTE> block(48 + m->GetCRkBWImage()->GetImageBufSize());
            ASSERT_TRUE(m->GetCRkBWImage()->AcquireImage(block.data(), DWORD(block.size()), nullptr));
            const BITMAPINFOHEADER want{
                40, (c.width + 1) / 2, LONG(expected.size()), 1, 1, 0, 0, 11811, 7874, 2, 2};
            const BYTE palette[8] = {255, 255, 255, 0, 0, 0, 0, 0};
            EXPECT_TRUE(!memcmp(block.data(), &want, 40) && !memcmp(block.data() + 40, palette, 8))
                << c.name();
        }
        // No line length, or a block shorter than the rows it claims: a mask without image.
        for (WORD lineBytes : {WORD(0), WORD(c.height > 1 ? s.bits.size() : 0)}) {
            page.head.wLineByte = lineBytes;
            bw.reset(mask_from_bw(&page.head));
            ASSERT_TRUE(bw && bw->GetCRkBWImage() == nullptr);
        }
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
    TestDib s(301, 99), colour(8, 2, false, 24), wide(131070, 1);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(wide.header(), wide.bits.data(), wide.stride), 0);  // the widest mask
    ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
    CRkBWImage* image = mask.GetCRkBWImage();
    for (LONG w : {131071, 1}) {  // a mask side past 65535
        wide.header()->biWidth = w, wide.header()->biHeight = 132072 - w;
        EXPECT_EQ(mask.CreateMask(wide.header(), wide.bits.data(), wide.stride), -1);
    }
    EXPECT_TRUE(mask.CreateMask(colour.header(), s.bits.data(), s.stride) == -1 &&
                mask.CreateMask(nullptr, s.bits.data(), s.stride) == -1 &&
                mask.CreateMask(s.header(), nullptr, s.stride) == -1 &&
                mask.CreateMask(s.header(), s.bits.data(), 0) == -1);
    EXPECT_TRUE(mask.GetCRkBWImage() == image && mask.GetSrcWidth() == 301);
    mask.release();
    EXPECT_TRUE(mask.GetCRkBWImage() == nullptr && mask.GetZoom() == 0u);
    mask.EraseRect(0, 0, 10, 10);  // no image: nothing happens
}

// EraseRect(x, y, w, h) clears the mask pixels whose second source column lies in x-2..x+w+3 and whose
// second stored row is a page line of y-1..y+h+4, both on the page (a last odd row is never cleared).
TEST(ImgMask, ErasedRectanglesMatchThePageArea) {
    std::mt19937 rng(99);
    for (int i = 0; i < 400; ++i) {
        const unsigned w = 2 + rng() % 300, h = 2 + rng() % 60;
        TestDib s(w, h);
        s.fillRect(0, 0, w - 1, h - 1);
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(s.header(), s.bits.data(), s.stride), 0);
        const int64_t x = i % 50 ? rng() % (w + 8) : 0xFFFFFFF0u, y = rng() % (h + 8),
                      rw = i % 50 ? rng() % 30 : 4, rh = rng() % 30;
        mask.EraseRect(unsigned(x), unsigned(y), unsigned(rw), unsigned(rh));
        for (int64_t k = 0; k < (h + 1) / 2; ++k)
            for (int64_t c = 0; c < (w + 1) / 2; ++c) {
                const int64_t line = h - 2 - 2 * k;  // the page line of stored row 2k + 1
                const bool erased = line >= std::max<int64_t>(0, y - 1) && line <= y + rh + 4 &&
                                    2 * c + 1 >= x - 2 && 2 * c + 1 <= std::min<int64_t>(x + rw + 3, w - 1);
                ASSERT_EQ(mask.GetCRkBWImage()->IsBlack(WORD(c), WORD(k)) != 0, !erased)
                    << w << "x" << h << " rect " << x << "," << y << "," << rw << "," << rh;
            }
    }
}

// Grey, palette and 24-bit pages against the reference, large ones reaching the pair-counting histogram.
TEST(MaskSources, EveryDepthMatchesTheReference) {
    std::mt19937 rng(11);
    ImgMask* (*const sources[])(tagIMGHEAD*) = {mask_from_8bit_gray, mask_from_8bit_palette, mask_from_24bit};
    for (int i = 0; i < 150; ++i) {
        const int kind = i % 3;
        rktest::DibCase c = rktest::RandomCase(rng, kind == 2 ? 24 : 8, 120, 50);
        if (i < 9) c.width = 600 + rng() % 64, c.height = 440 + rng() % 8;
        const int colors = kind == 0 ? (i % 4 == 0 ? 3 : 0) : 1 + rng() % 256;
        TestDib d(c.width, c.height, c.topDown, c.bpp, kind == 2 ? 0 : colors);
        d.randomize(rng);  // padding bytes random: they must never count
        d.pageFill(rng, kind == 1 ? colors : 256);
        for (int k = 0; kind == 1 && i % 2 && k < colors; ++k)
            d.palette()[k] = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
        Page page(d.global());
        std::unique_ptr<ImgMask> mask(sources[kind](&page.head));
        ASSERT_TRUE(mask && mask->GetCRkBWImage()) << c.name();
        ASSERT_TRUE(SameRows(*mask, masktest::GreyMaskReference(d, !kind))) << c.name() << " kind " << kind;
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        const CRkBWImage* image = mask->GetCRkBWImage();  // both resolutions from biXPelsPerMeter
        EXPECT_EQ(image->GetXResolution() * 1000 + image->GetYResolution(), 300300);
    }
    EXPECT_TRUE(create_entropy_mask(0, 3, 4, 0, nullptr) == nullptr &&
                create_entropy_mask(3, 0, 4, 0, nullptr) == nullptr);
}

// The background choice on random histograms, and the band kernels against the flag table.
TEST(MaskSources, BackgroundChoiceAndBandKernels) {
    std::mt19937 rng(5);
    for (int i = 0; i < 3000; ++i) {
        unsigned hist[256] = {};
        for (int k = 0, n = 1 + rng() % 6; k < n; ++k)
            hist[i % 7 ? rng() % 256 : std::vector<int>{0, 127, 128, 255}[rng() % 4]] +=
                1 + rng() % (k ? 100 : 1000);
        unsigned char fg[256];
        ASSERT_TRUE(entropy_foreground_levels(hist, fg));
        const std::vector<uint8_t> want =
            masktest::ForegroundReference(std::vector<double>(hist, hist + 256));
        ASSERT_TRUE(std::equal(want.begin(), want.end(), fg)) << i;
    }
    for (int i = 0; i < 400; ++i) {
        const unsigned w = 1 + rng() % 200,
                       first = i % 20 == 0 ? 0 : rng() % 257;  // every level background too
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
        ASSERT_TRUE(band == table && baseline == table) << "width " << w << " band " << first << "+" << count;
    }
    uint8_t two[256];  // two stretches of background are no band
    for (unsigned v = 0; v < 256; ++v) two[v] = v != 10 && v != 12;
    unsigned f, n, none[256] = {};
    EXPECT_FALSE(rkmask::background_band(two, f, n));
    EXPECT_FALSE(entropy_foreground_levels(none, two));
}

// Failing locks and allocations, wrong depths, bad pixels, short blocks: documented results, no leak.
TEST(MaskSources, FailurePaths) {
    std::mt19937 rng(5);
    TestDib g(37, 11, false, 8, 0), pal(37, 11, false, 8), rgb(37, 11, false, 24), p(12, 4, false, 8, 2),
        bits(rktest::DibCase{37, 11, 1, false, 1, 9});
    g.pageFill(rng), pal.pageFill(rng), rgb.pageFill(rng);
    p.row(0)[11] = 2;  // one pixel past a palette of 2 entries
    std::vector<BYTE> cut = g.packed();
    cut.resize(50);  // shorter than its header says
    Page grey(g.global()), palette(pal.global()), col(rgb.global()), bw(bits), bad(p.global()),
        shortDib(rktest::GlobalBlock(cut));
    const long live = rktest::g_live;
    using Source = std::pair<ImgMask* (*)(tagIMGHEAD*), tagIMGHEAD*>;
    for (const auto& [fn, head] :
         {Source{mask_from_bw, &bw.head}, Source{mask_from_8bit_gray, &grey.head},
          Source{mask_from_8bit_palette, &palette.head}, Source{mask_from_24bit, &col.head}}) {
        RkTestFailNthLock(1);
        EXPECT_EQ(fn(head), nullptr);
        const long failed = rktest::SweepAllocations([&](long n) {
            rktest::g_failIn = n;
            bool hit = true;
            try {
                std::unique_ptr<ImgMask> mask(fn(head));
                hit = rktest::g_failIn == 0;
                EXPECT_TRUE(hit ? !mask || !mask->GetCRkBWImage() : mask && mask->GetCRkBWImage()) << n;
            } catch (const std::bad_alloc&) {}
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
            return hit;
        });
        EXPECT_GE(failed, 4);
    }
    // Wrong depths and short blocks: no mask.
    for (const auto& [fn, head] :
         {Source{mask_from_24bit, &grey.head}, Source{mask_from_8bit_gray, &col.head},
          Source{mask_from_8bit_palette, &col.head}, Source{mask_from_8bit_gray, &shortDib.head},
          Source{mask_from_8bit_palette, &shortDib.head}})
        EXPECT_EQ(fn(head), nullptr);
    EXPECT_THROW(mask_from_8bit_palette(&bad.head), std::out_of_range);
    EXPECT_THROW(mask_from_8bit_palette(&grey.head), std::out_of_range);  // no palette: no pixel has an entry
    EXPECT_TRUE(RkTestTotalLocks() == 0u && rktest::g_live == live);
    rktest::SweepAllocations([&](long n) {  // CreateMask itself: -1 and no image
        ImgMask mask;
        rktest::g_failIn = n;
        const bool refused = mask.CreateMask(bits.header(), bits.bits.data(), bits.stride) == -1;
        const bool hit = rktest::g_failIn == 0;
        EXPECT_EQ(refused && !mask.GetCRkBWImage(), hit) << n;
        return hit;
    });
}

}  // namespace
