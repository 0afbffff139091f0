// ImgRestoration end to end on built pages: the mask source, a realistic page at every depth, and the
// one result of each failing allocation and lock, with tagIMGAREA untouched or exactly the full result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "mask/mask_sources.h"
#include "pageblock/page_builder.h"
#include "restore/parse.h"
#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"
#include "support/test_dib.h"

// Found by lookup from the record's own (global) namespace.
bool operator==(const tagIMGAREAREC& a, const tagIMGAREAREC& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

namespace {

using namespace rkpage;
using rktest::g_failIn;
using Areas = std::vector<tagIMGAREAREC>;
const Format kFormats[] = {Format::Bilevel, Format::Grey8, Format::Palette8, Format::Rgb24};
ImgMask* (*const kSources[])(tagIMGHEAD*) = {mask_from_bw, mask_from_8bit_gray, mask_from_8bit_palette,
                                             mask_from_24bit};

// Area record from left, top, right, bottom.
tagIMGAREAREC area(WORD l, WORD t, WORD r, WORD b) { return tagIMGAREAREC{l, r, t, b}; }

// Picture P in the bitmap, another picture Q alone in the page bits: the areas tell the mask's source.
PageDesc source_page(Format format, WORD bwFlag) {
    PageDesc desc(Canvas(400, 300));
    desc.format = format;
    desc.bwFlag = bwFlag;
    desc.regions.push_back(text_region({text_line(40, 200, 12, 20, 3, 12)}));
    draw_regions(desc.image, desc.regions);
    desc.image.fill(40, 40, 119, 119, Rgb{200, 10, 10});  // grey 73
    desc.pageLineBytes = 50;
    desc.pageBits.assign(50 * 300, 0);
    for (unsigned y = 140; y <= 219; ++y) std::fill_n(&desc.pageBits[50 * y + 30], 10, 0xFF);
    return desc;
}

// Only wCount and the records written change (`unsized`: a host that keeps no block sizes).
void expect_areas(const PageDesc& desc, const Areas& want, int unsized = 0) {
    PageBlocks page(desc);
    std::vector<BYTE> before = page.area_bytes();
    RkTestSizeUnknown(unsized);
    EXPECT_EQ(GlobalSize(page.head()) == 0, unsized != 0);  // the host as said
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    RkTestSizeUnknown(0);
    EXPECT_EQ(page.areas(), want);
    const std::vector<BYTE> after = page.area_bytes();
    std::copy(after.begin() + 8, after.begin() + 10 + 8 * want.size(), before.begin() + 8);
    EXPECT_EQ(after, before);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

// 1-bit bitmaps and wBWFlag 1 read the page bits (Q), other depths the bitmap (P), the palette page's
// indices not taken for grey levels; an unsupported depth gives 0 and writes nothing.
TEST(Pipeline, MaskSourceFollowsDepthAndBWFlag) {
    const tagIMGAREAREC p = area(40, 41, 118, 119), q = area(240, 141, 318, 219);
    for (Format f : kFormats)
        for (WORD bwFlag : {0, 1, 2})
            expect_areas(source_page(f, bwFlag), Areas{f == Format::Bilevel || bwFlag == 1 ? q : p});
    PageDesc desc = source_page(Format::Other, 0);
    desc.areas = {area(1, 2, 3, 4)};
    expect_areas(desc, desc.areas);
    EXPECT_EQ(ImgRestoration(nullptr), -1);
}

// The same ink at every depth: text, a ruled table, a picture absorbing the engine's area, a rule.
PageDesc realistic_page(Format format) {
    PageDesc desc(Canvas(1000, 1400));
    desc.format = format;
    std::vector<Line> first, second;
    for (unsigned i = 0; i < 5; ++i) first.push_back(text_line(100, 100 + 45 * i, 20, 30, 4, 18));
    for (unsigned i = 0; i < 6; ++i) second.push_back(text_line(100, 480 + 45 * i, 20, 30, 4, 33));
    desc.regions = {text_region(first), text_region(second), table_region(100, 820, 200, 40, 4, 3, 5)};
    draw_regions(desc.image, desc.regions, Rgb{20, 20, 80});
    for (unsigned y = 120; y <= 419; ++y)
        for (unsigned x = 600; x <= 899; ++x)
            desc.image.set(x, y, Rgb{BYTE(60 + (x * 7 + y) % 120), BYTE(20 + (y % 50)), BYTE(90 - (x % 60))});
    desc.image.fill(100, 770, 899, 771, kBlack);
    desc.image.frame(490, 1365, 499, 1380, 2, kBlack);
    desc.image.fill(505, 1365, 507, 1380, kBlack);
    desc.areas.push_back(tagIMGAREAREC{610, 880, 130, 400});
    desc.areaFill = 0xC3;
    return desc;
}
const Areas kRealistic{area(600, 121, 898, 419), area(100, 771, 898, 771)};

TEST(Pipeline, RealisticPageAtEveryDepthAndWriteBack) {
    for (int unsized : {0, 1})
        for (Format f : kFormats) expect_areas(realistic_page(f), kRealistic, unsized);
    // At 2480 x 3508 an isolated engine area of 209 pixels is tiny, one of 210 not.
    PageDesc big(Canvas(2480, 3508));
    big.areas = {area(1000, 1000, 1018, 1010), area(1500, 2000, 1520, 2009)};
    expect_areas(big, Areas{area(1500, 2000, 1520, 2009)});
}

PageDesc small_page(Format format) {
    PageDesc desc(Canvas(240, 180));
    desc.format = format;
    desc.regions = {text_region({text_line(20, 20, 8, 12, 2, 6), text_line(20, 40, 8, 12, 2, 4)}),
                    table_region(20, 110, 40, 24, 2, 2, 2)};
    draw_regions(desc.image, desc.regions);
    desc.image.fill(150, 30, 199, 79, Rgb{90, 40, 30});
    desc.image.fill(150, 100, 151, 160, kBlack);
    desc.areas.push_back(tagIMGAREAREC{160, 190, 40, 70});
    desc.areaFill = 0x3C;
    return desc;
}

// A failing allocation of the mask's own buffers (found by failing the mask source's alone) gives a
// page without a mask (0), any other -1; a refused head, image header, result or detail array -1, the
// other locks 0. The library allocates no engine block.
TEST(FailureValues, EachAllocationAndLockFailureHasItsOneResult) {
    for (Format f : kFormats) {
        SCOPED_TRACE(int(f));
        const PageDesc desc = small_page(f);
        std::set<long> noMask;
        {
            PageBlocks page(desc);
            auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
            auto* image = static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()));
            rktest::g_count = 0;
            delete parse_ocrhead(head, image);
            const long parse = rktest::g_count;
            for (long k = 1, came = 1; came; ++k) {
                g_failIn = k;
                try {
                    std::unique_ptr<ImgMask> mask(kSources[int(f)](image));
                    if (g_failIn == 0 && (!mask || !mask->GetCRkBWImage())) noMask.insert(parse + k);
                } catch (const std::bad_alloc&) {}
                came = g_failIn == 0;
                g_failIn = 0;
            }
            GlobalUnlock(page.imgHead());
            GlobalUnlock(page.head());
        }
        ASSERT_FALSE(noMask.empty());
        PageBlocks fullPage(desc);
        rktest::g_count = 0;
        const unsigned long firstLock = RkTestLockCalls();
        RkTestFailNthAlloc(1);  // would fail the library's first GlobalAlloc
        ASSERT_EQ(ImgRestoration(fullPage.arg()), 0);
        const long allocations = rktest::g_count;
        ASSERT_EQ(RkTestLockCalls() - firstLock, 7u);
        EXPECT_EQ(GlobalAlloc(GHND, 16), 0u);  // still pending: the library made none
        // Every allocation, one past the last (which fails none), every lock.
        for (long n = 1; n <= allocations + 8; ++n) {
            const unsigned lock = n > allocations + 1 ? unsigned(n - allocations - 1) : 0;
            PageBlocks page(desc);
            const std::vector<BYTE> untouched = page.area_bytes();
            const long live = rktest::g_live;
            RkTestFailNthLock(lock);
            g_failIn = lock ? 0 : n;
            const unsigned long first = RkTestLockCalls();
            const int r = ImgRestoration(page.arg());
            const unsigned long made = RkTestLockCalls() - first;
            const bool came = lock || g_failIn == 0;
            g_failIn = 0;
            RkTestFailNthLock(0);
            EXPECT_EQ(rktest::g_live.load(), live) << n;
            EXPECT_EQ(RkTestTotalLocks(), 0u) << n;
            EXPECT_EQ(page.area_bytes(), came ? untouched : fullPage.area_bytes()) << n;
            EXPECT_EQ(r, !came || (lock ? lock > 4 : noMask.count(n)) ? 0 : -1) << n;
            EXPECT_TRUE((lock != 3 && lock != 4) || made == lock) << made;
        }
    }
}

}  // namespace
