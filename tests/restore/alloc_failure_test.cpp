// ImgRestoration under memory exhaustion: operator new is replaced so that
// the n-th allocation of a run fails, for every n until a run completes.
// Every run must return the documented value, release every lock and every
// allocation, and leave tagIMGAREA untouched or fully written.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "rkcorr/rkcorr.h"
#include "support/page_builder.h"

namespace {

std::atomic<long> g_live{0};        // allocations not yet freed
std::atomic<long> g_failIn{0};      // countdown to the failing allocation; 0 = off
std::atomic<long> g_count{0};       // allocations made while counting

void* allocate(std::size_t size) {
    if (g_failIn.load() > 0 && --g_failIn == 0) return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p) {
        ++g_live;
        ++g_count;
    }
    return p;
}
void release(void* p) {
    if (!p) return;
    --g_live;
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace {

// A small page with every stage busy: text, a table, a picture, an engine area.
rkpage::PageSpec small_page(rkpage::Format format) {
    using namespace rkpage;
    PageSpec spec(Canvas(240, 180));
    spec.format = format;
    spec.regions.push_back(text_region({text_line(20, 20, 8, 12, 2, 6), text_line(20, 40, 8, 12, 2, 4)}));
    spec.regions.push_back(table_region(20, 110, 40, 24, 2, 2, 2));
    draw_regions(spec.image, spec.regions);
    spec.image.fill(150, 30, 199, 79, Rgb{90, 40, 30});
    spec.image.fill(150, 100, 151, 160, kBlack);
    spec.areas.push_back(tagIMGAREAREC{160, 190, 40, 70});
    return spec;
}

TEST(AllocFailure, EveryAllocationFailingInTurn) {
    for (rkpage::Format f : {rkpage::Format::Bilevel, rkpage::Format::Grey8, rkpage::Format::Palette8,
                             rkpage::Format::Rgb24}) {
        const rkpage::PageSpec spec = small_page(f);
        std::vector<BYTE> full;
        long allocations;
        {
            rkpage::PageBlocks page(spec);
            g_count = 0;
            ASSERT_EQ(ImgRestoration(page.arg()), 0);
            allocations = g_count;
            full = page.area_bytes();
        }
        ASSERT_GT(allocations, 10);
        int failures = 0;
        for (long n = 1; n <= allocations + 1; ++n) {
            rkpage::PageBlocks page(spec);
            const std::vector<BYTE> before = page.area_bytes();
            const long live = g_live;
            g_failIn = n;
            const int r = ImgRestoration(page.arg());
            const bool hit = g_failIn == 0;
            g_failIn = 0;
            EXPECT_EQ(g_live.load(), live) << "allocation " << n;
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
            const std::vector<BYTE> after = page.area_bytes();
            if (!hit) {
                EXPECT_EQ(r, 0);
                EXPECT_EQ(after, full);
                continue;
            }
            // A failed allocation either reaches the entry (-1, areas
            // untouched), ends a stage that reports it as "no result" (0,
            // areas untouched) or is absorbed by a stage that finishes
            // without the memory (0, the full result).
            EXPECT_TRUE(r == -1 || r == 0) << "allocation " << n;
            if (r == -1) EXPECT_EQ(after, before) << "allocation " << n;
            else EXPECT_TRUE(after == before || after == full) << "allocation " << n;
            failures += r == -1;
        }
        EXPECT_GT(failures, 0);
    }
}

}  // namespace
