// ImgRestoration end to end on built pages: choice of the mask source, the
// realistic page, write-back limits and the release of every lock.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rkcorr/rkcorr.h"
#include "pageblock/page_builder.h"

// Found by lookup from the record's own (global) namespace.
bool operator==(const tagIMGAREAREC& a, const tagIMGAREAREC& b) {
    return a.wLeft == b.wLeft && a.wRight == b.wRight && a.wTop == b.wTop && a.wBottom == b.wBottom;
}
std::ostream& operator<<(std::ostream& os, const tagIMGAREAREC& a) {
    return os << "(l " << a.wLeft << ", t " << a.wTop << ", r " << a.wRight << ", b " << a.wBottom << ")";
}

namespace {

using rkpage::Format;
using rkpage::PageBlocks;
using rkpage::PageDesc;
using Areas = std::vector<tagIMGAREAREC>;

// Area record from left, top, right, bottom.
tagIMGAREAREC area(WORD l, WORD t, WORD r, WORD b) { return tagIMGAREAREC{l, r, t, b}; }

void* handle_arg(HGLOBAL h) { return reinterpret_cast<void*>(static_cast<uintptr_t>(h)); }

// Replaces the bilevel page bits by a single black block.
void draw_bits(const PageBlocks& page, unsigned width, unsigned height, unsigned l, unsigned t, unsigned r,
               unsigned b) {
    auto* image = static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()));
    auto* bits = static_cast<BYTE*>(GlobalLock(image->hBWImage));
    std::memset(bits, 0, size_t(image->wLineByte) * height);
    for (unsigned y = t; y <= b && y < height; ++y)
        for (unsigned x = l; x <= r && x < width; ++x)
            bits[y * image->wLineByte + x / 8] |= BYTE(0x80 >> (x % 8));
    GlobalUnlock(image->hBWImage);
    GlobalUnlock(page.imgHead());
}

// A 400 x 300 page with a recognised line of text and a dark picture P
// (columns 40-119, lines 40-119) in its bitmap. The bilevel page bits are
// replaced by a different picture Q (columns 240-319, lines 140-219), so the
// areas tell which image the mask came from. Pages under 200 lines keep
// every area however small.
PageDesc source_page(Format format, WORD bwFlag) {
    PageDesc desc(rkpage::Canvas(400, 300));
    desc.format = format;
    desc.bwFlag = bwFlag;
    desc.regions.push_back(rkpage::text_region({rkpage::text_line(40, 200, 12, 20, 3, 12)}));
    rkpage::draw_regions(desc.image, desc.regions);
    desc.image.fill(40, 40, 119, 119, rkpage::Rgb{200, 10, 10});  // grey 73
    return desc;
}
// Mask pixels are 2 x 2: columns map back to even page columns, and on this
// even-height page an even first line moves down by one.
const tagIMGAREAREC kP = area(40, 41, 118, 119);
const tagIMGAREAREC kQ = area(240, 141, 318, 219);

Areas run_source(const PageDesc& desc, int expected = 0) {
    PageBlocks page(desc);
    draw_bits(page, 400, 300, 240, 140, 319, 219);
    EXPECT_EQ(ImgRestoration(page.arg()), expected);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    return page.areas();
}

TEST(Pipeline, MaskSourceFollowsDepthAndBWFlag) {
    // 1-bit bitmaps and wBWFlag 1 read the bilevel page bits (Q), otherwise
    // the bitmap (P). The palette page stores indices 0 (white), 1 (red,
    // grey 73) and 2 (black): read as grey levels they would all be ink.
    const struct {
        Format format;
        WORD bwFlag;
        tagIMGAREAREC want;
    } cases[] = {{Format::Bilevel, 0, kQ},  {Format::Grey8, 1, kQ},   {Format::Rgb24, 1, kQ},
                 {Format::Palette8, 1, kQ}, {Format::Grey8, 0, kP},   {Format::Grey8, 2, kP},
                 {Format::Rgb24, 0, kP},    {Format::Palette8, 0, kP}};
    for (const auto& c : cases)
        EXPECT_EQ(run_source(source_page(c.format, c.bwFlag)), Areas{c.want})
            << int(c.format) << " " << c.bwFlag;
}

// An unsupported depth gives 0, a palette index past the palette -1; the
// areas stay untouched either way.
TEST(Pipeline, UnsupportedDepthAndBadPaletteIndexLeaveAreasUntouched) {
    for (int result : {0, -1}) {
        PageDesc desc = source_page(result ? Format::Palette8 : Format::Other, 0);
        desc.otherBitCount = 4;
        desc.areas = {area(1, 2, 3, 4), area(5, 6, 7, 8)};
        desc.areaFill = 0x5A;
        PageBlocks page(desc);
        if (result) {
            auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(page.dib()));
            ASSERT_EQ(bih->biClrUsed, 3u);                              // white, red, black
            reinterpret_cast<BYTE*>(bih + 1)[4 * 3 + 7 * 400 + 9] = 3;  // a pixel not below biClrUsed
            GlobalUnlock(page.dib());
        }
        const std::vector<BYTE> before = page.area_bytes();
        EXPECT_EQ(ImgRestoration(page.arg()), result);
        EXPECT_EQ(page.area_bytes(), before);
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
}

TEST(Pipeline, MissingBlocks) {
    EXPECT_EQ(ImgRestoration(nullptr), -1);
    EXPECT_EQ(ImgRestoration(handle_arg(0x7FFFFFF0u)), -1);  // never allocated
    PageDesc desc = source_page(Format::Bilevel, 0);
    PageBlocks page(desc);
    // A head whose image header, result or detail handle is dead.
    for (size_t field :
         {offsetof(tagOCRHEAD, hImgHead), offsetof(tagOCRHEAD, hResult), offsetof(tagOCRHEAD, hDetail)}) {
        PageBlocks copy(desc);
        auto* bytes = static_cast<BYTE*>(GlobalLock(copy.head()));
        const HGLOBAL dead = 0x7FFFFFF1u;
        std::memcpy(bytes + field, &dead, sizeof dead);
        GlobalUnlock(copy.head());
        EXPECT_EQ(ImgRestoration(copy.arg()), -1) << field;
        EXPECT_EQ(copy.count(), 0u);
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
    // A dead picture-area handle: the page model exists, so 0.
    auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
    head->hImgArea = 0x7FFFFFF2u;
    GlobalUnlock(page.head());
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

TEST(Pipeline, EmptyPages) {
    // No region at all: nothing is erased, every ink area is found.
    PageDesc desc(rkpage::Canvas(400, 300));
    desc.image.fill(100, 100, 159, 159, rkpage::kBlack);
    PageBlocks page(desc);
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    EXPECT_EQ(page.areas(), Areas{area(100, 101, 158, 159)});
    // A blank page with no engine areas: wCount 0 on return.
    PageDesc blank(rkpage::Canvas(64, 48));
    blank.areaFill = 0xEE;
    blank.areas.clear();
    PageBlocks empty(blank);
    EXPECT_EQ(ImgRestoration(empty.arg()), 0);
    EXPECT_EQ(empty.count(), 0u);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

// 1000 x 1400 pixels at 300 dpi:
// - a paragraph of 5 lines of 18 characters (20 x 30, 4 apart) from (100, 100);
// - a picture filling columns 600-899, lines 120-419 with dark colours
//   (every grey level below 128), which the engine also lists as the
//   picture area (610, 130)-(880, 400);
// - a paragraph of 6 lines of 33 characters from (100, 480);
// - a rule across columns 100-899 on lines 770-771;
// - a ruled table of 4 x 3 cells of 200 x 40 from (100, 820), five
//   characters per cell;
// - an unrecognised page number (two digits) on lines 1365-1380 near the
//   bottom margin.
// Text is drawn in dark blue. Only white and levels below 128 occur, so the
// 1-bit page bits and every bitmap depth show the same ink.
PageDesc realistic_page(Format format) {
    using namespace rkpage;
    PageDesc desc(Canvas(1000, 1400));
    desc.format = format;
    std::vector<Line> first, second;
    for (unsigned i = 0; i < 5; ++i) first.push_back(text_line(100, 100 + 45 * i, 20, 30, 4, 18));
    for (unsigned i = 0; i < 6; ++i) second.push_back(text_line(100, 480 + 45 * i, 20, 30, 4, 33));
    desc.regions.push_back(text_region(first));
    desc.regions.push_back(text_region(second));
    desc.regions.push_back(table_region(100, 820, 200, 40, 4, 3, 5));
    draw_regions(desc.image, desc.regions, Rgb{20, 20, 80});
    for (unsigned y = 120; y <= 419; ++y)
        for (unsigned x = 600; x <= 899; ++x)
            desc.image.set(x, y, Rgb{BYTE(60 + (x * 7 + y) % 120), BYTE(20 + (y % 50)), BYTE(90 - (x % 60))});
    desc.image.fill(100, 770, 899, 771, Rgb{0, 0, 0});
    desc.image.frame(490, 1365, 499, 1380, 2, Rgb{0, 0, 0});
    desc.image.fill(505, 1365, 507, 1380, Rgb{0, 0, 0});
    desc.areas.push_back(tagIMGAREAREC{610, 880, 130, 400});
    return desc;
}

// Expected areas of the realistic page, derived from the rules:
// - every recognised character is erased with its margin; the table's grid
//   stays in the mask but holds 60 characters and is dropped as text;
// - the page number lies inside the bottom band (lines 1358 on) and goes;
// - the picture becomes (600, 121)-(898, 419) (2 x 2 mask pixels: right
//   column 899 -> 898, first line 120 -> 121) and joins the engine's area
//   (610, 130)-(880, 400) inside it;
// - the rule becomes the one-line area (100, 771)-(898, 771), more than 100
//   away from the picture in city-block distance, so it stays apart.
// Both survive the tiny-area threshold ((1400 / 200) * 1000) / 200 = 35.
const Areas kRealistic{area(600, 121, 898, 419), area(100, 771, 898, 771)};

TEST(Pipeline, RealisticPageAtEveryDepth) {
    for (Format f : {Format::Bilevel, Format::Rgb24, Format::Grey8, Format::Palette8}) {
        PageDesc desc = realistic_page(f);
        desc.areaFill = 0xC3;
        PageBlocks page(desc);
        const std::vector<BYTE> before = page.area_bytes();
        EXPECT_EQ(ImgRestoration(page.arg()), 0);
        EXPECT_EQ(page.areas(), kRealistic) << "format " << int(f);
        const std::vector<BYTE> after = page.area_bytes();
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8, after.begin()));  // bytes 0-7
        EXPECT_TRUE(std::equal(before.begin() + 10 + 8 * 2, before.end(), after.begin() + 10 + 8 * 2));
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
}

// (commit_test covers the limit of 100 records.)
TEST(Pipeline, WriteBackLimits) {
    // Fewer survivors than the engine listed: the records past the new count
    // are left as they were.
    PageDesc few(rkpage::Canvas(200, 100));
    for (WORD i = 0; i < 40; ++i)
        few.areas.push_back(area(WORD(20 + i), 20, WORD(60 + i), 60));  // overlapping
    PageBlocks fewPage(few);
    const std::vector<BYTE> fewBefore = fewPage.area_bytes();
    EXPECT_EQ(ImgRestoration(fewPage.arg()), 0);
    EXPECT_EQ(fewPage.areas(), Areas{area(20, 20, 99, 60)});
    const std::vector<BYTE> fewAfter = fewPage.area_bytes();
    EXPECT_TRUE(std::equal(fewBefore.begin() + 18, fewBefore.end(), fewAfter.begin() + 18));
}

TEST(Pipeline, EngineAreasPassTheSameMerge) {
    // 2480 x 3508 gives the threshold 210: an isolated 209-pixel engine area
    // goes, a 210-pixel one stays.
    PageDesc desc(rkpage::Canvas(2480, 3508));
    desc.areas = {area(1000, 1000, 1018, 1010), area(1500, 2000, 1520, 2009)};  // 19 x 11, 21 x 10
    PageBlocks page(desc);
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    EXPECT_EQ(page.areas(), Areas{area(1500, 2000, 1520, 2009)});
}

// Each GlobalLock of a run failing in turn: the documented result, no lock
// left, and tagIMGAREA either untouched or exactly the full result.
TEST(Pipeline, EveryLockFailureReleasesEverything) {
    for (Format f : {Format::Bilevel, Format::Grey8, Format::Palette8, Format::Rgb24}) {
        PageDesc desc = realistic_page(f);
        desc.areaFill = 0x3C;
        Areas full;
        unsigned long calls;
        {
            PageBlocks page(desc);
            const unsigned long start = RkTestLockCalls();
            ASSERT_EQ(ImgRestoration(page.arg()), 0);
            calls = RkTestLockCalls() - start;
            full = page.areas();
        }
        ASSERT_GE(calls, 7u);
        for (unsigned n = 1; n <= calls + 1; ++n) {
            PageBlocks page(desc);
            const std::vector<BYTE> before = page.area_bytes();
            RkTestFailNthLock(n);
            const int r = ImgRestoration(page.arg());
            RkTestFailNthLock(0);
            // Head, image header, result and detail arrays: no page model.
            EXPECT_EQ(r, n <= 4 ? -1 : 0) << "lock " << n;
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "lock " << n;
            const std::vector<BYTE> after = page.area_bytes();
            if (n <= calls)
                EXPECT_EQ(after, before) << "lock " << n;
            else
                EXPECT_EQ(page.areas(), full);
        }
    }
}

TEST(Pipeline, LibraryAllocatesNoEngineBlock) {
    PageDesc desc = realistic_page(Format::Rgb24);
    PageBlocks page(desc);
    const unsigned live = RkTestLiveBlocks();
    RkTestFailNthAlloc(1);  // would fail the library's first GlobalAlloc
    EXPECT_EQ(ImgRestoration(page.arg()), 0);
    EXPECT_EQ(GlobalAlloc(GHND, 16), 0u);  // still pending: the library made none
    EXPECT_EQ(RkTestLiveBlocks(), live);
    EXPECT_EQ(page.areas(), kRealistic);
}

}  // namespace
