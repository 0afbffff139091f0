// 3 x 3 erosion and dilation, the clockwise quarter turn and thinning of a
// rendered A4 text page at 300 dpi (2480 x 3508, 1 bit), each beside
// Leptonica's counterpart on the same pixels. Our operations work in place,
// so the page is restored before each iteration, outside the timing.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <string.h>

#include <vector>

#include "support/lept_bridge.h"
#include "text_page.h"
#include "rkcorr/bwimage.h"

using rktest::ToPix;

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

struct Page {
    BWBuffer page;
    std::vector<BYTE> original;
    std::vector<uint32_t> originalHeader;
    PIX* pix;
    Page() : page(MakeTextPage(kWidth, kHeight, 2026)), originalHeader(page.headerStore), pix(ToPix(page)) {
        // Room for the turned page: 3508 rows need 440 bytes per line.
        page.bits.resize(static_cast<size_t>((kHeight + 31) / 32 * 4) * kWidth, 0);
        original = page.bits;
    }
    ~Page() { pixDestroy(&pix); }
    CRkBWImage restored() {
        memcpy(page.bits.data(), original.data(), original.size());
        page.headerStore = originalHeader;
        return CRkBWImage(page.header(), page.bits.data(), static_cast<DWORD>(page.bits.size()));
    }
};

Page& ThePage() {
    static Page page;
    return page;
}

template <class Op>
void RunOurs(benchmark::State& state, Op op) {
    Page& p = ThePage();
    for (auto _ : state) {
        state.PauseTiming();
        CRkBWImage img = p.restored();
        state.ResumeTiming();
        op(img);
        benchmark::ClobberMemory();
    }
}

void BM_Erosion3x3_rkcorr(benchmark::State& s) {
    RunOurs(s, [](CRkBWImage& i) { i.LocalErosion(nullptr); });
}
void BM_Dilation3x3_rkcorr(benchmark::State& s) {
    RunOurs(s, [](CRkBWImage& i) { i.LocalDilation(nullptr); });
}
void BM_Clockwise_rkcorr(benchmark::State& s) {
    RunOurs(s, [](CRkBWImage& i) {
        if (!i.Clockwise()) abort();
    });
}
void BM_Thinning_rkcorr(benchmark::State& s) {
    RunOurs(s, [](CRkBWImage& i) { i.ConvertThinningImage(nullptr); });
}

// Leptonica writes into a second image, reused across iterations where it can.
void BM_Erosion3x3_leptonica(benchmark::State& s) {
    PIX* d = pixCreateTemplate(ThePage().pix);
    for (auto _ : s) pixErodeBrick(d, ThePage().pix, 3, 3);
    pixDestroy(&d);
}
void BM_Dilation3x3_leptonica(benchmark::State& s) {
    PIX* d = pixCreateTemplate(ThePage().pix);
    for (auto _ : s) pixDilateBrick(d, ThePage().pix, 3, 3);
    pixDestroy(&d);
}
void BM_Erosion3x3_leptonica_dwa(benchmark::State& s) {
    PIX* d = pixCreateTemplate(ThePage().pix);
    for (auto _ : s) pixErodeBrickDwa(d, ThePage().pix, 3, 3);
    pixDestroy(&d);
}
void BM_Dilation3x3_leptonica_dwa(benchmark::State& s) {
    PIX* d = pixCreateTemplate(ThePage().pix);
    for (auto _ : s) pixDilateBrickDwa(d, ThePage().pix, 3, 3);
    pixDestroy(&d);
}
void BM_Clockwise_leptonica(benchmark::State& s) {
    for (auto _ : s) {
        PIX* d = pixRotate90(ThePage().pix, 1);
        pixDestroy(&d);
    }
}
void BM_Thinning_leptonica(benchmark::State& s) {
    for (auto _ : s) {
        PIX* d = pixThinConnected(ThePage().pix, L_THIN_FG, 8, 0);
        pixDestroy(&d);
    }
}

BENCHMARK(BM_Erosion3x3_rkcorr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Erosion3x3_leptonica)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Erosion3x3_leptonica_dwa)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dilation3x3_rkcorr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dilation3x3_leptonica)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dilation3x3_leptonica_dwa)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clockwise_rkcorr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clockwise_leptonica)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Thinning_rkcorr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Thinning_leptonica)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
