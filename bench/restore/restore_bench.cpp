// ImgRestoration on A4 pages at 300 dpi (2480 x 3508) with about 4000
// recognised characters, a ruled table, pictures and rules, at 1 bit, 8-bit
// grey and 24-bit colour. Beside it, the same page through Leptonica's
// nearest equivalent of the mask and labeling work: grey conversion and
// threshold where needed, 2x OR-reduction (pixReduceRankBinary2, rank 1) and
// 8-connected bounding boxes (pixConnCompBB).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstring>
#include <memory>
#include <vector>

#include "rkcorr/rkcorr.h"
#include "pageblock/page_builder.h"

namespace {

using rkpage::Format;

rkpage::PageDesc a4_page(Format format) {
    using namespace rkpage;
    PageDesc desc(Canvas(2480, 3508));
    desc.format = format;
    // Two columns of text: 2 x 45 lines of 45 characters (4050), lines 300-2221.
    for (unsigned col = 0; col < 2; ++col) {
        std::vector<Line> lines;
        for (unsigned i = 0; i < 45; ++i)
            lines.push_back(text_line(200 + col * 1100, 300 + 42 * i, 20, 32, 4, 45));
        desc.regions.push_back(text_region(lines));
    }
    desc.regions.push_back(table_region(200, 2650, 300, 60, 6, 6, 8));
    draw_regions(desc.image, desc.regions, Rgb{30, 30, 60});
    for (unsigned y = 2240; y < 2560; ++y)  // a photograph between the text and the table
        for (unsigned x = 300; x < 2100; ++x)
            desc.image.set(x, y, Rgb{BYTE((x * 3 + y) % 200), BYTE((y * 5) % 180), BYTE(40 + (x % 90))});
    desc.image.fill(200, 2590, 2280, 2592, kBlack);
    desc.image.frame(1180, 3420, 1230, 3450, 3, kBlack);
    desc.areas.push_back(tagIMGAREAREC{320, 2000, 2240, 2500});
    return desc;
}

void BM_ImgRestoration(benchmark::State& state) {
    const Format format = static_cast<Format>(state.range(0));
    const rkpage::PageDesc desc = a4_page(format);
    rkpage::PageBlocks page(desc);
    const std::vector<BYTE> areas = page.area_bytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(GlobalLock(page.imgArea()), areas.data(), areas.size());
        GlobalUnlock(page.imgArea());
        state.ResumeTiming();
        benchmark::DoNotOptimize(ImgRestoration(page.arg()));
    }
    state.counters["areas"] = page.count();
}

// The page as Leptonica images: 1 bpp (the engine's page bits), 8 bpp grey
// or 32 bpp colour.
Pix* lept_page(const rkpage::Canvas& c, Format format) {
    const unsigned w = c.width(), h = c.height();
    Pix* pix = pixCreate(w, h, format == Format::Bilevel ? 1 : format == Format::Grey8 ? 8 : 32);
    l_uint32* data = pixGetData(pix);
    const int wpl = pixGetWpl(pix);
    for (unsigned y = 0; y < h; ++y) {
        l_uint32* line = data + y * wpl;
        for (unsigned x = 0; x < w; ++x) {
            if (format == Format::Bilevel) {
                if (c.grey(x, y) < 128) SET_DATA_BIT(line, x);
            } else if (format == Format::Grey8) {
                SET_DATA_BYTE(line, x, c.grey(x, y));
            } else {
                const rkpage::Rgb p = c.at(x, y);
                composeRGBPixel(p.r, p.g, p.b, line + x);
            }
        }
    }
    return pix;
}

void BM_Leptonica(benchmark::State& state) {
    const Format format = static_cast<Format>(state.range(0));
    Pix* source = lept_page(a4_page(format).image, format);
    l_int32 boxes = 0;
    for (auto _ : state) {
        Pix* grey =
            format == Format::Rgb24 ? pixConvertRGBToGray(source, 0.333f, 0.333f, 0.334f) : pixClone(source);
        Pix* bits = format == Format::Bilevel ? pixClone(grey) : pixThresholdToBinary(grey, 235);
        Pix* reduced = pixReduceRankBinary2(bits, 1, nullptr);
        Boxa* boxa = pixConnCompBB(reduced, 8);
        boxes = boxaGetCount(boxa);
        boxaDestroy(&boxa);
        pixDestroy(&reduced);
        pixDestroy(&bits);
        pixDestroy(&grey);
    }
    state.counters["components"] = boxes;
    pixDestroy(&source);
}

}  // namespace

BENCHMARK(BM_ImgRestoration)
    ->ArgName("format")
    ->Arg(int(Format::Bilevel))
    ->Arg(int(Format::Grey8))
    ->Arg(int(Format::Rgb24))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Leptonica)
    ->ArgName("format")
    ->Arg(int(Format::Bilevel))
    ->Arg(int(Format::Grey8))
    ->Arg(int(Format::Rgb24))
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
