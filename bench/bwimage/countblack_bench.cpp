// CountBlack over a whole A4 page at 300 dpi (2480 x 3508, 1 bit) beside
// Leptonica's pixCountPixels on the same pixels.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <vector>

#include "rkcorr/bwimage.h"

namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

struct Page {
    std::vector<uint32_t> header;  // header + two palette entries
    std::vector<BYTE> bits;
    PIX* pix = nullptr;
    l_int32* table = nullptr;
    DWORD expected = 0;

    Page() : header(12, 0) {
        BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
        h->biSize = 40;
        h->biWidth = kWidth;
        h->biHeight = kHeight;
        h->biPlanes = 1;
        h->biBitCount = 1;
        const int stride = ((kWidth + 31) / 32) * 4;
        bits.assign(static_cast<size_t>(stride) * kHeight, 0);
        std::mt19937 rng(17);
        // About one pixel in eight black, in short horizontal strokes.
        for (size_t i = 0; i < bits.size(); ++i) bits[i] = rng() % 6 == 0 ? static_cast<BYTE>(rng()) : 0;
        for (int y = 0; y < kHeight; ++y)  // clean padding
            memset(bits.data() + static_cast<size_t>(y) * stride + kWidth / 8, 0, stride - kWidth / 8);

        pix = pixCreate(kWidth, kHeight, 1);
        l_uint32* data = pixGetData(pix);
        const int wpl = pixGetWpl(pix);
        for (int y = 0; y < kHeight; ++y) {
            // Leptonica keeps each 32-bit word's first pixel in its most
            // significant bit: load the row bytes big-endian.
            const BYTE* row = bits.data() + static_cast<size_t>(kHeight - 1 - y) * stride;
            for (int w = 0; w < wpl; ++w) {
                data[y * wpl + w] = (static_cast<l_uint32>(row[4 * w]) << 24) | (row[4 * w + 1] << 16) |
                                    (row[4 * w + 2] << 8) | row[4 * w + 3];
            }
        }
        table = makePixelSumTab8();
        for (BYTE b : bits) expected += static_cast<DWORD>(__builtin_popcount(b));
    }
    ~Page() {
        pixDestroy(&pix);
        free(table);
    }
};

Page& ThePage() {
    static Page page;
    return page;
}

void BM_CountBlack_rkcorr(benchmark::State& state) {
    Page& page = ThePage();
    CRkBWImage img(reinterpret_cast<BITMAPINFOHEADER*>(page.header.data()), page.bits.data());
    const TRkImgRect<unsigned short> whole = img.GetRkImgRect();
    for (auto _ : state) {
        DWORD n = img.CountBlack(whole);
        if (n != page.expected) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.bits.size()));
}
BENCHMARK(BM_CountBlack_rkcorr)->Unit(benchmark::kMicrosecond);

void BM_CountBlack_leptonica(benchmark::State& state) {
    Page& page = ThePage();
    for (auto _ : state) {
        l_int32 n = 0;
        pixCountPixels(page.pix, &n, page.table);
        if (static_cast<DWORD>(n) != page.expected) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.bits.size()));
}
BENCHMARK(BM_CountBlack_leptonica)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
