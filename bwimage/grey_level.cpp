// Grey-level kernels: colour and palette rows to grey rows, and the level
// histogram. Each row is converted first and counted while it is still in
// the cache.
#include "bwimage/grey_level.h"

#include <string.h>

#include "bwimage/level_counter.h"

// The AVX2 clone is picked by a resolver that runs while the library is
// relocated; ThreadSanitizer's runtime is not ready then, so its builds keep
// the one plain version.
#if defined(__SANITIZE_THREAD__)
#define RKCORR_ROW_CLONES
#else
#define RKCORR_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#endif

namespace rkbwimage {
namespace {

// One row of 24-bit pixels to grey. Plain code that the compiler vectorizes;
// built once per instruction set and picked at load time.
RKCORR_ROW_CLONES void bgr_row(const uint8_t* __restrict src, uint8_t* __restrict dst, size_t w) {
    // (sum * 43691) >> 17 is floor(sum / 3) for every sum below 2^17.
    for (size_t x = 0; x < w; ++x, src += 3)
        dst[x] = static_cast<uint8_t>(((unsigned{src[0]} + src[1] + src[2]) * 43691u) >> 17);
}

}  // namespace

void grey_palette_table(const uint8_t* palette, unsigned entries, bool keepValue, uint16_t table[256]) {
    for (unsigned v = 0; v < 256; ++v) {
        const uint8_t* e = palette + 4 * v;
        table[v] = v < entries ? grey_of(e[0], e[1], e[2]) : keepValue ? static_cast<uint16_t>(v) : kNoLevel;
    }
}

void grey_from_bgr(const uint8_t* src, size_t srcStep, uint8_t* dst, size_t dstStep, unsigned w, unsigned h,
                   uint32_t hist[256], GreyRowSink* sink) {
    LevelCounter counter(size_t{w} * h);
    for (unsigned y = 0; y < h; ++y, src += srcStep, dst += dstStep) {
        bgr_row(src, dst, w);
        counter.add_row(dst, w);
        if (sink) sink->row(y, dst);
    }
    counter.add_to(hist);
}

void grey_from_bgr_plain(const uint8_t* src, size_t srcStep, uint8_t* dst, size_t dstStep, unsigned w,
                         unsigned h, uint32_t hist[256]) {
    for (unsigned y = 0; y < h; ++y, src += srcStep, dst += dstStep)
        for (unsigned x = 0; x < w; ++x) {
            dst[x] = static_cast<uint8_t>((unsigned{src[3 * x]} + src[3 * x + 1] + src[3 * x + 2]) / 3u);
            ++hist[dst[x]];
        }
}

bool grey_from_table(const uint8_t* src, size_t srcStep, uint8_t* dst, size_t dstStep, unsigned w, unsigned h,
                     const uint16_t table[256], uint32_t hist[256], GreyRowSink* sink) {
    LevelCounter counter(size_t{w} * h);
    uint16_t seen = 0;
    for (unsigned y = 0; y < h; ++y, src += srcStep, dst += dstStep) {
        for (unsigned x = 0; x < w; ++x) {
            const uint16_t g = table[src[x]];
            seen |= g;
            dst[x] = static_cast<uint8_t>(g);
        }
        counter.add_row(dst, w);
        if (sink) sink->row(y, dst);
    }
    counter.add_to(hist);
    return (seen & ~uint16_t{0xFF}) == 0;
}

void count_levels(const uint8_t* src, size_t srcStep, unsigned w, unsigned h, uint32_t hist[256],
                  GreyRowSink* sink) {
    LevelCounter counter(size_t{w} * h);
    for (unsigned y = 0; y < h; ++y, src += srcStep) {
        counter.add_row(src, w);
        if (sink) sink->row(y, src);
    }
    counter.add_to(hist);
}

void count_levels_plain(const uint8_t* src, size_t srcStep, unsigned w, unsigned h, uint32_t hist[256]) {
    for (unsigned y = 0; y < h; ++y, src += srcStep)
        for (unsigned x = 0; x < w; ++x) ++hist[src[x]];
}

}  // namespace rkbwimage
