// ImgRestoration end to end on built pages: the choice of the mask source, a
// realistic page at every depth, write-back limits, missing blocks, and the one
// result of each failure: memory running out at every allocation in turn, a
// lock refused at every GlobalLock in turn, a host that keeps no block sizes,
// mask sources the mask refuses. No lock stays taken, nothing leaks, and
// tagIMGAREA is either untouched or exactly the full result.
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
std::ostream& operator<<(std::ostream& os, const tagIMGAREAREC& a) {
    return os << "(l " << a.wLeft << ", t " << a.wTop << ", r " << a.wRight << ", b " << a.wBottom << ")";
}

namespace {

using namespace rkpage;
using rktest::g_failIn;
using Areas = std::vector<tagIMGAREAREC>;
const Format kFormats[] = {Format::Bilevel, Format::Grey8, Format::Palette8, Format::Rgb24};

// Area record from left, top, right, bottom.
tagIMGAREAREC area(WORD l, WORD t, WORD r, WORD b) { return tagIMGAREAREC{l, r, t, b}; }

// A 400 x 300 page with a recognised line of text and a dark picture P
// (columns 40-119, lines 40-119) in its bitmap; the page bits hold only a
// different picture Q (columns 240-319, lines 140-219), so the areas tell
// which image the mask came from. Pages under 200 lines keep every area.
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

// Runs a page (with a host that keeps no block sizes when `unsized`): only
// wCount and the records written change in tagIMGAREA.
void expect_areas(const PageDesc& desc, const Areas& want, int unsized = 0) {
    PageBlocks page(desc);
    std::vector<BYTE> before = page.area_bytes();
    RkTestSizeUnknown(unsized);
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    RkTestSizeUnknown(0);
    EXPECT_EQ(page.areas(), want);
    const std::vector<BYTE> after = page.area_bytes();
    std::copy(after.begin() + 8, after.begin() + 10 + 8 * want.size(), before.begin() + 8);
    EXPECT_EQ(after, before);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

// 1-bit bitmaps and wBWFlag 1 read the page bits (Q), otherwise the bitmap
// (P); mask pixels are 2 x 2, so right columns and first lines move by one.
// The palette page stores indices 0 (white), 1 (red, grey 73) and 2 (black):
// read as grey levels they would all be ink.
TEST(Pipeline, MaskSourceFollowsDepthAndBWFlag) {
    const tagIMGAREAREC p = area(40, 41, 118, 119), q = area(240, 141, 318, 219);
    const struct {
        Format format;
        WORD bwFlag;
        tagIMGAREAREC want;
    } cases[] = {{Format::Bilevel, 0, q},  {Format::Grey8, 1, q},   {Format::Rgb24, 1, q},
                 {Format::Palette8, 1, q}, {Format::Grey8, 0, p},   {Format::Grey8, 2, p},
                 {Format::Rgb24, 0, p},    {Format::Palette8, 0, p}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.format) * 10 + c.bwFlag);
        expect_areas(source_page(c.format, c.bwFlag), Areas{c.want});
    }
}

// An unsupported depth gives 0, a palette index past the palette -1; dead
// handles of the head, image header, result or detail array -1, of the
// picture areas 0. The areas stay untouched every time.
TEST(Pipeline, BadPagesAndMissingBlocksLeaveAreasUntouched) {
    EXPECT_EQ(ImgRestoration(nullptr), -1);
    EXPECT_EQ(ImgRestoration(reinterpret_cast<void*>(uintptr_t(0x7FFFFFF0u))), -1);  // never allocated
    const size_t fields[] = {offsetof(tagOCRHEAD, hImgHead), offsetof(tagOCRHEAD, hResult),
                             offsetof(tagOCRHEAD, hDetail), offsetof(tagOCRHEAD, hImgArea)};
    for (int k = 0; k < 6; ++k) {
        PageDesc desc = source_page(k == 1 ? Format::Palette8 : k ? Format::Bilevel : Format::Other, 0);
        desc.areas = {area(1, 2, 3, 4), area(5, 6, 7, 8)};
        desc.areaFill = 0x5A;
        PageBlocks page(desc);
        if (k == 1) {
            auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(page.dib()));
            ASSERT_EQ(bih->biClrUsed, 3u);                              // white, red, black
            reinterpret_cast<BYTE*>(bih + 1)[4 * 3 + 7 * 400 + 9] = 3;  // a pixel not below biClrUsed
        }
        const HGLOBAL dead = 0x7FFFFFF1u;
        if (k >= 2)
            std::memcpy(static_cast<BYTE*>(GlobalLock(page.head())) + fields[k - 2], &dead, sizeof dead);
        if (k >= 1) GlobalUnlock(k == 1 ? page.dib() : page.head());
        const std::vector<BYTE> before = page.area_bytes();
        EXPECT_EQ(ImgRestoration(page.arg()), k == 0 || k == 5 ? 0 : -1) << k;
        EXPECT_EQ(page.area_bytes(), before) << k;
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
}

// 1000 x 1400 pixels at 300 dpi, only white and levels below 128 (every
// depth shows the same ink): two paragraphs and a ruled table of 4 x 3 cells
// of five characters, erased and passed over as text; a dark picture
// (600-899, 120-419) that absorbs the engine's area (610, 130)-(880, 400);
// a rule on lines 770-771, more than 100 from it in city-block distance;
// an unrecognised page number in the bottom band. Tiny threshold 35.
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
    // No region: every ink area found, an engine area inside one (corners
    // too far apart for the closeness join) absorbed; a blank page: wCount 0.
    PageDesc ink(Canvas(400, 300)), blank(Canvas(64, 48)), few(Canvas(200, 100)), big(Canvas(2480, 3508));
    ink.image.fill(100, 100, 259, 259, kBlack);
    ink.areas = {area(200, 110, 210, 120)};
    expect_areas(ink, Areas{area(100, 101, 258, 259)});
    blank.areaFill = 0xEE;
    expect_areas(blank, Areas{});
    // Fewer survivors than the engine listed (40 overlapping areas).
    few.areaFill = 0x77;
    for (WORD i = 0; i < 40; ++i) few.areas.push_back(area(WORD(20 + i), 20, WORD(60 + i), 60));
    expect_areas(few, Areas{area(20, 20, 99, 60)});
    // 2480 x 3508 gives the tiny threshold 210: an isolated engine area of
    // 209 pixels goes, one of 210 stays.
    big.areas = {area(1000, 1000, 1018, 1010), area(1500, 2000, 1520, 2009)};
    expect_areas(big, Areas{area(1500, 2000, 1520, 2009)});
    // The library allocates no engine block.
    PageBlocks page(realistic_page(Format::Rgb24));
    const unsigned live = RkTestLiveBlocks();
    RkTestFailNthAlloc(1);  // would fail the library's first GlobalAlloc
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    EXPECT_EQ(GlobalAlloc(GHND, 16), 0u);  // still pending: the library made none
    EXPECT_EQ(RkTestLiveBlocks(), live);
    EXPECT_EQ(page.areas(), kRealistic);
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

// An allocation inside the mask's own buffers gives a page without a mask
// (0); any other is an exception caught at the entry (-1). The mask's are
// found by failing the mask source's allocations in turn after the parse's:
// those that leave no usable mask (null, or a mask without a bilevel image)
// rather than an exception. The seven locks in page order: head, image
// header, result array, detail array (refused: -1; a refused result array
// leaves the detail array unlocked), bitmap, page bits or bitmap, picture
// areas (refused: 0).
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
                    std::unique_ptr<ImgMask> mask(f == Format::Bilevel ? mask_from_bw(image)
                                                  : f == Format::Grey8 ? mask_from_8bit_gray(image)
                                                  : f == Format::Rgb24 ? mask_from_24bit(image)
                                                                       : mask_from_8bit_palette(image));
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
        ASSERT_EQ(ImgRestoration(fullPage.arg()), 0);
        const long allocations = rktest::g_count;
        ASSERT_EQ(RkTestLockCalls() - firstLock, 7u);
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
            EXPECT_EQ(r, !came || (lock ? lock > 4 : noMask.count(n)) ? 0 : -1)
                << "lock " << lock << ", allocation " << n;
            EXPECT_TRUE((lock != 3 && lock != 4) || made == lock) << made;
        }
    }
}

}  // namespace
