// The one result each failure has: memory running out at every allocation of
// a page in turn, a lock refused at every GlobalLock in turn, the first array
// lock of the parser refused, a mask source the mask cannot take, and a host
// layer that keeps no block sizes.
//
// Failure values pinned per injected failure: an allocation inside the mask's
// own buffers gives a page without a mask (ImgRestoration 0, tagIMGAREA
// untouched); any other allocation is an exception caught at the entry (-1,
// tagIMGAREA untouched); a run in which nothing failed gives the full result.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "mask/mask_sources.h"
#include "restore/parse.h"
#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"
#include "pageblock/page_builder.h"

using rktest::g_count;
using rktest::g_failIn;
using rktest::g_live;

namespace {

rkpage::PageDesc small_page(rkpage::Format format) {
    using namespace rkpage;
    PageDesc desc(Canvas(240, 180));
    desc.format = format;
    desc.regions.push_back(text_region({text_line(20, 20, 8, 12, 2, 6), text_line(20, 40, 8, 12, 2, 4)}));
    desc.regions.push_back(table_region(20, 110, 40, 24, 2, 2, 2));
    draw_regions(desc.image, desc.regions);
    desc.image.fill(150, 30, 199, 79, Rgb{90, 40, 30});
    desc.image.fill(150, 100, 151, 160, kBlack);
    desc.areas.push_back(tagIMGAREAREC{160, 190, 40, 70});
    return desc;
}

ImgMask* mask_source(rkpage::Format f, tagIMGHEAD* head) {
    switch (f) {
        case rkpage::Format::Bilevel: return mask_from_bw(head);
        case rkpage::Format::Grey8: return mask_from_8bit_gray(head);
        case rkpage::Format::Palette8: return mask_from_8bit_palette(head);
        default: return mask_from_24bit(head);
    }
}

// Locked head and image header of a page, unlocked with the object.
struct Heads {
    explicit Heads(const rkpage::PageBlocks& page)
        : page(page),
          head(static_cast<tagOCRHEAD*>(GlobalLock(page.head()))),
          image(static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()))) {}
    ~Heads() {
        GlobalUnlock(page.imgHead());
        GlobalUnlock(page.head());
    }
    const rkpage::PageBlocks& page;
    tagOCRHEAD* head;
    tagIMGHEAD* image;
};

// Allocations of the parse that precede the mask source, and the positions
// (counted after them) of the mask source's allocations whose failure leaves
// no usable mask: null, or a mask without a bilevel image.
void mask_stage(const rkpage::PageDesc& desc, long& before, std::set<long>& noMask) {
    rkpage::PageBlocks page(desc);
    Heads h(page);
    g_count = 0;
    delete parse_ocrhead(h.head, h.image);
    before = g_count;
    for (long k = 1;; ++k) {
        ASSERT_LT(k, 100);
        g_failIn = k;
        std::unique_ptr<ImgMask> mask;
        bool threw = false;
        try {
            mask.reset(mask_source(desc.format, h.image));
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const bool hit = g_failIn == 0;
        g_failIn = 0;
        if (!hit) return;
        if (!threw && (!mask || !mask->GetCRkBWImage())) noMask.insert(k);
    }
}

TEST(FailureValues, EachAllocationFailureHasItsOneResult) {
    for (rkpage::Format f :
         {rkpage::Format::Bilevel, rkpage::Format::Grey8, rkpage::Format::Palette8, rkpage::Format::Rgb24}) {
        SCOPED_TRACE(int(f));
        const rkpage::PageDesc desc = small_page(f);
        long before = 0;
        std::set<long> noMask;
        mask_stage(desc, before, noMask);
        ASSERT_FALSE(noMask.empty());
        std::vector<BYTE> full;
        long allocations;
        {
            rkpage::PageBlocks page(desc);
            g_count = 0;
            ASSERT_EQ(ImgRestoration(page.arg()), 0);
            allocations = g_count;
            full = page.area_bytes();
        }
        for (long n = 1; n <= allocations + 1; ++n) {
            rkpage::PageBlocks page(desc);
            const std::vector<BYTE> untouched = page.area_bytes();
            const long live = g_live;
            g_failIn = n;
            const int r = ImgRestoration(page.arg());
            const bool hit = g_failIn == 0;
            g_failIn = 0;
            EXPECT_EQ(g_live.load(), live) << "allocation " << n;
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
            if (!hit) {
                EXPECT_EQ(r, 0);
                EXPECT_EQ(page.area_bytes(), full);
                continue;
            }
            EXPECT_EQ(r, noMask.count(n - before) ? 0 : -1) << "allocation " << n;
            EXPECT_EQ(page.area_bytes(), untouched) << "allocation " << n;
        }
    }
}

TEST(FailureValues, EachRefusedLockHasItsOneResult) {
    // The blocks in the order the page locks them: head, image header,
    // result array, detail array, bitmap (depth), page bits or bitmap (mask
    // source), picture areas. A refused head, image header, result or detail
    // array gives -1; a refused result array leaves the detail array
    // unlocked. A refused bitmap or picture-area lock ends the driver (0).
    // tagIMGAREA stays untouched either way.
    for (rkpage::Format f : {rkpage::Format::Bilevel, rkpage::Format::Grey8}) {
        const rkpage::PageDesc desc = small_page(f);
        unsigned long locks;
        {
            rkpage::PageBlocks page(desc);
            const unsigned long first = RkTestLockCalls();
            ASSERT_EQ(ImgRestoration(page.arg()), 0);
            locks = RkTestLockCalls() - first;
        }
        ASSERT_EQ(locks, 7u);
        for (unsigned n = 1; n <= locks; ++n) {
            rkpage::PageBlocks page(desc);
            const std::vector<BYTE> untouched = page.area_bytes();
            RkTestFailNthLock(n);
            const unsigned long first = RkTestLockCalls();
            const int r = ImgRestoration(page.arg());
            const unsigned long made = RkTestLockCalls() - first;
            RkTestFailNthLock(0);
            EXPECT_EQ(RkTestTotalLocks(), 0u) << n;
            EXPECT_EQ(page.area_bytes(), untouched) << n;
            EXPECT_EQ(r, n <= 4 ? -1 : 0) << int(f) << " lock " << n;
            if (n == 3) {
                EXPECT_EQ(made, 3u);
            }
            if (n == 4) {
                EXPECT_EQ(made, 4u);
            }
        }
    }
}

TEST(FailureValues, HostWithoutBlockSizesGetsItsPageProcessed) {
    for (rkpage::Format f :
         {rkpage::Format::Bilevel, rkpage::Format::Grey8, rkpage::Format::Palette8, rkpage::Format::Rgb24}) {
        const rkpage::PageDesc desc = small_page(f);
        rkpage::PageBlocks sized(desc), unsized(desc);
        ASSERT_EQ(ImgRestoration(sized.arg()), 0);
        RkTestSizeUnknown(1);
        const int r = ImgRestoration(unsized.arg());
        RkTestSizeUnknown(0);
        EXPECT_EQ(r, 0);
        EXPECT_GT(sized.count(), 0);
        EXPECT_EQ(unsized.area_bytes(), sized.area_bytes()) << int(f);
    }
}

TEST(FailureValues, CreateMaskRefusalsKeepThePreviousMask) {
    // A built mask, then sources it must refuse: wrong depth, no bits, a
    // line length of 0, and one whose reduced side exceeds 16 bits.
    std::vector<unsigned char> bits(64 * 8, 0x5A);
    BITMAPINFOHEADER h = {};
    h.biSize = 40, h.biWidth = 64, h.biHeight = 8, h.biPlanes = 1, h.biBitCount = 1;
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(&h, bits.data(), 8), 0);
    CRkBWImage* image = mask.GetCRkBWImage();
    ASSERT_NE(image, nullptr);
    const DWORD black = image->CountBlack(image->GetRkImgRect());
    BITMAPINFOHEADER wide = h, tall = h, deep = h;
    wide.biWidth = 2 * 65535 + 2;
    tall.biHeight = -(2 * 65535 + 2);
    deep.biBitCount = 24;
    EXPECT_EQ(mask.CreateMask(&wide, bits.data(), 8), -1);
    EXPECT_EQ(mask.CreateMask(&tall, bits.data(), 8), -1);
    EXPECT_EQ(mask.CreateMask(&deep, bits.data(), 8), -1);
    EXPECT_EQ(mask.CreateMask(&h, nullptr, 8), -1);
    EXPECT_EQ(mask.CreateMask(&h, bits.data(), 0), -1);
    EXPECT_EQ(mask.GetCRkBWImage(), image);
    EXPECT_EQ(mask.GetSrcWidth(), 64u);
    EXPECT_EQ(mask.GetSrcHeight(), 8u);
    EXPECT_EQ(image->CountBlack(image->GetRkImgRect()), black);
}

}  // namespace
