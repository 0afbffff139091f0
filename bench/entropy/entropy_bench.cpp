// The background-erase scorer on an A4 page at 300 dpi (2480 x 3508, 24-bit),
// beside a plain one-pass read of the same bytes as the floor.
#include <benchmark/benchmark.h>

#include <rkcorr/bkerase.h>

#include <stdint.h>
#include <string.h>

#include <random>
#include <vector>

#include "rkcorr/bitmap_types.h"

namespace {

const int kWidth = 2480, kHeight = 3508;
const size_t kStride = (size_t(kWidth) * 3 + 3) & ~size_t(3);

// Paper with a little noise, lines of text-like strokes and a photograph.
const std::vector<uint8_t>& page() {
    static const std::vector<uint8_t> block = [] {
        std::vector<uint8_t> b(40 + kStride * kHeight);
        BITMAPINFOHEADER h;
        memset(&h, 0, sizeof h);
        h.biSize = 40;
        h.biWidth = kWidth;
        h.biHeight = kHeight;
        h.biPlanes = 1;
        h.biBitCount = 24;
        memcpy(b.data(), &h, 40);
        std::mt19937 rng(1);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = b.data() + 40 + kStride * y;
            const int top = kHeight - 1 - y;
            const bool textLine = top >= 300 && top < 2200 && top % 60 < 34;
            const bool photoRow = top >= 2400 && top < 3200;
            for (int x = 0; x < kWidth; ++x) {
                uint8_t v = uint8_t(243 + rng() % 8);
                if (textLine && x >= 250 && x < 2230 && (x / 3 + top / 5) % 7 == 0 && rng() % 4)
                    v = uint8_t(20 + rng() % 40);
                if (photoRow && x >= 400 && x < 2000) v = uint8_t((x * 7 + top * 3) / 16 % 200 + rng() % 30);
                row[3 * x] = v;
                row[3 * x + 1] = uint8_t(v + 3);
                row[3 * x + 2] = uint8_t(v > 3 ? v - 3 : v);
            }
        }
        return b;
    }();
    return block;
}

// The floor: every byte of the bitmap read once.
void BM_PlainReadPage(benchmark::State& state) {
    const std::vector<uint8_t>& b = page();
    for (auto _ : state) {
        uint64_t sum = 0;
        for (size_t i = 0; i < b.size(); ++i) sum += b[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_PlainReadPage)->Unit(benchmark::kMillisecond);

void BM_SetImage(benchmark::State& state) {
    std::vector<uint8_t> b = page();
    BKErase s;
    for (auto _ : state) benchmark::DoNotOptimize(s.SetImage(b.data(), unsigned(b.size())));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_SetImage)->Unit(benchmark::kMillisecond);

void BM_SetImageDo(benchmark::State& state) {
    std::vector<uint8_t> b = page();
    BKErase s;
    for (auto _ : state) {
        s.SetImage(b.data(), unsigned(b.size()));
        benchmark::DoNotOptimize(s.Do());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.size()));
}
BENCHMARK(BM_SetImageDo)->Unit(benchmark::kMillisecond);

// The parts of SetImage + Do: fresh arrays (allocated and cleared) and the
// four-sample gradient on its own.
void BM_Allocate(benchmark::State& state) {
    std::vector<uint8_t> b = page();
    BKErase s;
    s.SetImage(b.data(), unsigned(b.size()));
    for (auto _ : state) benchmark::DoNotOptimize(s.allocate());
}
BENCHMARK(BM_Allocate)->Unit(benchmark::kMillisecond);

void BM_FastVariance(benchmark::State& state) {
    std::vector<uint8_t> b = page();
    BKErase s;
    s.SetImage(b.data(), unsigned(b.size()));
    for (auto _ : state) benchmark::DoNotOptimize(s.fast_variance());
}
BENCHMARK(BM_FastVariance)->Unit(benchmark::kMillisecond);

// Region sizes: a word, a text line, a column block, a photograph, most of the page.
const int kRegions[][4] = {{300, 320, 120, 34},
                           {250, 320, 1980, 34},
                           {250, 300, 900, 1200},
                           {400, 2400, 1600, 800},
                           {100, 100, 2280, 3300}};

void BM_PlainReadRegion(benchmark::State& state) {
    const std::vector<uint8_t>& b = page();
    const int* r = kRegions[state.range(0)];
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int y = r[1]; y < r[1] + r[3]; ++y) {
            const uint8_t* row = b.data() + 40 + kStride * (kHeight - 1 - y) + 3 * r[0];
            for (int i = 0; i < 3 * r[2]; ++i) sum += row[i];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::to_string(r[2]) + "x" + std::to_string(r[3]));
    state.SetItemsProcessed(int64_t(state.iterations()) * r[2] * r[3]);
}
BENCHMARK(BM_PlainReadRegion)->DenseRange(0, 4);

void BM_GetEntropyScore(benchmark::State& state) {
    std::vector<uint8_t> b = page();
    static BKErase* s = nullptr;
    if (s == nullptr) {
        s = new BKErase;
        s->SetImage(b.data(), unsigned(b.size()));
        s->Do();
    }
    const int* r = kRegions[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(s->GetEntropyScore(r[0], r[1], r[2] - 1, r[3] - 1));
    state.SetLabel(std::to_string(r[2]) + "x" + std::to_string(r[3]) + " score " +
                   std::to_string(s->GetEntropyScore(r[0], r[1], r[2] - 1, r[3] - 1)));
    state.SetItemsProcessed(int64_t(state.iterations()) * r[2] * r[3]);
}
BENCHMARK(BM_GetEntropyScore)->DenseRange(0, 4);

}  // namespace

BENCHMARK_MAIN();
