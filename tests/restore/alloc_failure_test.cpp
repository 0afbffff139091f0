// ImgRestoration under memory exhaustion: operator new is replaced so that
// the n-th allocation of a run fails, for every n until a run completes.
// Every run must return the documented value, release every lock and every
// allocation, and leave tagIMGAREA untouched or fully written.
#include <gtest/gtest.h>

#include <vector>

#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"
#include "pageblock/page_builder.h"

using rktest::g_failIn;

namespace {

// A small page with every stage busy: text, a table, a picture, an engine area.
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

TEST(AllocFailure, EveryAllocationFailingInTurn) {
    for (rkpage::Format f : {rkpage::Format::Bilevel, rkpage::Format::Grey8, rkpage::Format::Palette8,
                             rkpage::Format::Rgb24}) {
        const rkpage::PageDesc desc = small_page(f);
        std::vector<BYTE> full;
        {
            rkpage::PageBlocks page(desc);
            ASSERT_EQ(ImgRestoration(page.arg()), 0);
            full = page.area_bytes();
        }
        int entryFailures = 0;
        const long failed = rktest::SweepAllocations([&](long n) {
            rkpage::PageBlocks page(desc);
            const std::vector<BYTE> before = page.area_bytes();
            g_failIn = n;
            const int r = ImgRestoration(page.arg());
            const bool hit = g_failIn == 0;
            g_failIn = 0;
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
            const std::vector<BYTE> after = page.area_bytes();
            // A failed allocation either reaches the entry (-1, areas
            // untouched), ends a stage that reports it as "no result" (0,
            // areas untouched) or is absorbed by a stage that finishes
            // without the memory (0, the full result).
            if (!hit) EXPECT_TRUE(r == 0 && after == full);
            else if (r == -1) EXPECT_EQ(after, before) << "allocation " << n;
            else EXPECT_TRUE(r == 0 && (after == before || after == full)) << "allocation " << n;
            entryFailures += hit && r == -1;
            return hit;
        });
        EXPECT_GT(failed, 10);
        EXPECT_GT(entryFailures, 0);
    }
}

}  // namespace
