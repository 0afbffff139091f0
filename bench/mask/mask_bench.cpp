// The page mask on an A4 page at 300 dpi (2480 x 3508): ImgMask::CreateMask
// beside Leptonica's pixReduceRankBinary2(pix, 1, NULL), and the grey and
// colour mask sources beside a Leptonica chain doing the same work
// (grey conversion, histogram, threshold, 2 x 2 OR reduction).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <string.h>

#include <memory>
#include <random>
#include <vector>

#include "mask/mask_sources.h"
#include "rkcorr/rkcorr.h"

namespace {

constexpr unsigned kW = 2480, kH = 3508;

// Grey page: light paper with noise, dark text-like strokes, a photo.
std::vector<uint8_t> make_grey_page() {
    std::mt19937 rng(1);
    std::vector<uint8_t> g(static_cast<size_t>(kW) * kH);
    for (auto& v : g) v = static_cast<uint8_t>(236 + rng() % 8);
    for (unsigned line = 0; line < 80; ++line) {
        const unsigned y0 = 150 + line * 40;
        for (unsigned x0 = 150; x0 + 20 < kW - 150; x0 += 22) {
            if (rng() % 7 == 0) continue;
            for (unsigned y = y0; y < y0 + 24; ++y)
                for (unsigned x = x0; x < x0 + 18; ++x)
                    if (rng() % 3 == 0)
                        g[static_cast<size_t>(y) * kW + x] = static_cast<uint8_t>(20 + rng() % 40);
        }
    }
    for (unsigned y = 2000; y < 2800; ++y)
        for (unsigned x = 600; x < 1800; ++x)
            g[static_cast<size_t>(y) * kW + x] = static_cast<uint8_t>((x + y) & 0xFF);
    return g;
}

// The same page, 1 bit per pixel, top line first: everything darker than 200.
struct BwPage {
    unsigned stride = (kW + 31) / 32 * 4;
    std::vector<uint8_t> bits;
    BITMAPINFOHEADER header{};
    BwPage() {
        const std::vector<uint8_t> g = make_grey_page();
        bits.assign(static_cast<size_t>(stride) * kH, 0);
        for (unsigned y = 0; y < kH; ++y)
            for (unsigned x = 0; x < kW; ++x)
                if (g[static_cast<size_t>(y) * kW + x] < 200) bits[y * stride + x / 8] |= 0x80 >> (x % 8);
        header.biSize = 40;
        header.biWidth = kW;
        header.biHeight = kH;
        header.biPlanes = 1;
        header.biBitCount = 1;
    }
    PIX* to_pix() const {
        PIX* pix = pixCreate(kW, kH, 1);
        l_uint32* data = pixGetData(pix);
        const l_int32 wpl = pixGetWpl(pix);
        for (unsigned y = 0; y < kH; ++y) memcpy(data + y * wpl, bits.data() + y * stride, stride);
        pixEndianByteSwap(pix);
        return pix;
    }
};

const BwPage& bw_page() {
    static const BwPage page;
    return page;
}

void BM_CreateMask(benchmark::State& state) {
    const BwPage& page = bw_page();
    BITMAPINFOHEADER header = page.header;
    for (auto _ : state) {
        ImgMask mask;
        benchmark::DoNotOptimize(
            mask.CreateMask(&header, const_cast<uint8_t*>(page.bits.data()), page.stride));
        benchmark::DoNotOptimize(mask.GetCRkBWImage());
    }
}
BENCHMARK(BM_CreateMask)->Unit(benchmark::kMillisecond);

void BM_LeptonicaReduceRankBinary2(benchmark::State& state) {
    PIX* pix = bw_page().to_pix();
    for (auto _ : state) {
        PIX* reduced = pixReduceRankBinary2(pix, 1, nullptr);
        benchmark::DoNotOptimize(reduced);
        pixDestroy(&reduced);
    }
    pixDestroy(&pix);
}
BENCHMARK(BM_LeptonicaReduceRankBinary2)->Unit(benchmark::kMillisecond);

// Engine blocks of the page as a DIB of the given depth (bottom row first).
struct DibPage {
    tagIMGHEAD head{};
    explicit DibPage(unsigned bitCount) {
        const std::vector<uint8_t> g = make_grey_page();
        const unsigned palette = bitCount == 8 ? 256 : 0;
        const unsigned stride = (kW * bitCount / 8 + 3) & ~3u;
        head.hDIB = GlobalAlloc(GHND, 40 + 4 * palette + static_cast<size_t>(stride) * kH);
        uint8_t* p = static_cast<uint8_t*>(GlobalLock(head.hDIB));
        BITMAPINFOHEADER bih{};
        bih.biSize = 40;
        bih.biWidth = kW;
        bih.biHeight = kH;
        bih.biPlanes = 1;
        bih.biBitCount = static_cast<WORD>(bitCount);
        bih.biXPelsPerMeter = bih.biYPelsPerMeter = 11811;
        bih.biClrUsed = palette;
        memcpy(p, &bih, 40);
        for (unsigned i = 0; i < palette; ++i) {
            const RGBQUAD q = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i / 2), static_cast<BYTE>(i), 0};
            memcpy(p + 40 + 4 * i, &q, 4);
        }
        uint8_t* rows = p + 40 + 4 * palette;
        for (unsigned y = 0; y < kH; ++y)
            for (unsigned x = 0; x < kW; ++x) {
                const uint8_t v = g[static_cast<size_t>(kH - 1 - y) * kW + x];
                if (bitCount == 8) {
                    rows[static_cast<size_t>(y) * stride + x] = v;
                } else {
                    uint8_t* px = rows + static_cast<size_t>(y) * stride + 3 * x;
                    px[0] = v, px[1] = static_cast<uint8_t>(v ^ 3), px[2] = static_cast<uint8_t>(v | 1);
                }
            }
        GlobalUnlock(head.hDIB);
    }
    ~DibPage() { GlobalFree(head.hDIB); }
};

template <ImgMask* (*Source)(tagIMGHEAD*), unsigned Bits>
void BM_MaskSource(benchmark::State& state) {
    DibPage page(Bits);
    for (auto _ : state) {
        std::unique_ptr<ImgMask> mask(Source(&page.head));
        benchmark::DoNotOptimize(mask.get());
    }
}
BENCHMARK_TEMPLATE(BM_MaskSource, mask_from_8bit_gray, 8)
    ->Name("BM_MaskFrom8bitGrey")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_MaskSource, mask_from_8bit_palette, 8)
    ->Name("BM_MaskFrom8bitPalette")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_MaskSource, mask_from_24bit, 24)
    ->Name("BM_MaskFrom24bit")
    ->Unit(benchmark::kMillisecond);

// Leptonica doing the same steps on a grey or colour page: (conversion to
// grey,) histogram, threshold, 2 x 2 OR reduction.
void leptonica_chain(PIX* grey) {
    NUMA* hist = pixGetGrayHistogram(grey, 1);
    PIX* bw = pixThresholdToBinary(grey, 200);
    PIX* reduced = pixReduceRankBinary2(bw, 1, nullptr);
    benchmark::DoNotOptimize(reduced);
    pixDestroy(&reduced);
    pixDestroy(&bw);
    numaDestroy(&hist);
}

void BM_LeptonicaGreyChain(benchmark::State& state) {
    const std::vector<uint8_t> g = make_grey_page();
    PIX* grey = pixCreate(kW, kH, 8);
    for (unsigned y = 0; y < kH; ++y)
        for (unsigned x = 0; x < kW; ++x) pixSetPixel(grey, x, y, g[static_cast<size_t>(y) * kW + x]);
    for (auto _ : state) leptonica_chain(grey);
    pixDestroy(&grey);
}
BENCHMARK(BM_LeptonicaGreyChain)->Unit(benchmark::kMillisecond);

void BM_LeptonicaColourChain(benchmark::State& state) {
    const std::vector<uint8_t> g = make_grey_page();
    PIX* rgb = pixCreate(kW, kH, 32);
    for (unsigned y = 0; y < kH; ++y)
        for (unsigned x = 0; x < kW; ++x) {
            const l_int32 v = g[static_cast<size_t>(y) * kW + x];
            l_uint32 px;
            composeRGBPixel(v | 1, v ^ 3, v, &px);
            pixSetPixel(rgb, x, y, px);
        }
    for (auto _ : state) {
        PIX* grey = pixConvertRGBToGray(rgb, 0.3333f, 0.3333f, 0.3334f);
        leptonica_chain(grey);
        pixDestroy(&grey);
    }
    pixDestroy(&rgb);
}
BENCHMARK(BM_LeptonicaColourChain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
