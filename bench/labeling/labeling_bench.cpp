// SegmentInit (8-connectivity, dots dropped), as the page pipeline calls it,
// beside Leptonica's pixConnCompBB(pix, 8) on the same text-like page at
// 2480 x 3508 (A4 at 300 dots per inch) and on its 2x reduction.
#include <benchmark/benchmark.h>

#include "support/lept_bridge.h"
#include "text_page.h"

using rktest::ToPix;

namespace {

BWBuffer& Page(int reduced) {
    static BWBuffer full = MakeTextPage(2480, 3508, 2024);
    static BWBuffer half = Reduce2(full);
    return reduced ? half : full;
}

void BM_SegmentInit(benchmark::State& state) {
    BWBuffer& page = Page(static_cast<int>(state.range(0)));
    CRkBWImage img = page.image();
    std::vector<TRkImgRect<unsigned short>> out;
    for (auto _ : state) {
        img.SegmentInit(out, nullptr, 1, 1, 0, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["components"] = static_cast<double>(out.size());
}

void BM_LeptonicaConnCompBB(benchmark::State& state) {
    PIX* pix = ToPix(Page(static_cast<int>(state.range(0))));
    int n = 0;
    for (auto _ : state) {
        BOXA* boxa = pixConnCompBB(pix, 8);
        n = boxaGetCount(boxa);
        boxaDestroy(&boxa);
    }
    state.counters["components"] = n;
    pixDestroy(&pix);
}

}  // namespace

// Argument 0: the full page; 1: the page reduced by 2.
BENCHMARK(BM_SegmentInit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LeptonicaConnCompBB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
