// Single-code conversions beside the C library's converters: Shift_JIS to
// UCS-2 beside glibc's iconv CP932, one code per call, and the case tables
// beside towupper in a UTF-8 locale.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <clocale>
#include <cwctype>
#include <vector>

#include "rkcorr/charcode.h"
#include "rkcorr/charconvert.h"

namespace {

std::vector<unsigned short> mapped_sjis() {
    std::vector<unsigned short> out;
    for (unsigned c = 1; c <= 0xFFFF; ++c)
        if (RKTC::sjistoucs2(static_cast<unsigned short>(c))) out.push_back(static_cast<unsigned short>(c));
    return out;
}

void BM_SjisToUcs2Table(benchmark::State& state) {
    const auto codes = mapped_sjis();
    for (auto _ : state)
        for (unsigned short c : codes) benchmark::DoNotOptimize(RKTC::sjistoucs2(c));
    state.SetItemsProcessed(state.iterations() * codes.size());
}
BENCHMARK(BM_SjisToUcs2Table);

void BM_SjisToUcs2Iconv(benchmark::State& state) {
    const auto codes = mapped_sjis();
    iconv_t cd = iconv_open("UCS-2LE", "CP932");
    for (auto _ : state)
        for (unsigned short c : codes) {
            char in[2] = {static_cast<char>(c >> 8), static_cast<char>(c)}, out[4];
            char *src = c < 0x100 ? in + 1 : in, *dst = out;
            size_t src_left = c < 0x100 ? 1 : 2, dst_left = sizeof out;
            iconv(cd, &src, &src_left, &dst, &dst_left);
            benchmark::DoNotOptimize(out[0]);
        }
    iconv_close(cd);
    state.SetItemsProcessed(state.iterations() * codes.size());
}
BENCHMARK(BM_SjisToUcs2Iconv);

void BM_SmallToCapitalTable(benchmark::State& state) {
    CSmallToCapital up;
    ICharConvert* conv = &up;
    for (auto _ : state)
        for (unsigned c = 0x40; c < 0x2B0; ++c)
            benchmark::DoNotOptimize(conv->Convert(static_cast<unsigned short>(c)));
    state.SetItemsProcessed(state.iterations() * (0x2B0 - 0x40));
}
BENCHMARK(BM_SmallToCapitalTable);

void BM_SmallToCapitalTowupper(benchmark::State& state) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    for (auto _ : state)
        for (unsigned c = 0x40; c < 0x2B0; ++c)
            benchmark::DoNotOptimize(std::towupper(static_cast<wint_t>(c)));
    state.SetItemsProcessed(state.iterations() * (0x2B0 - 0x40));
}
BENCHMARK(BM_SmallToCapitalTowupper);

}  // namespace

BENCHMARK_MAIN();
