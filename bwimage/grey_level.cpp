// Grey-level kernels: colour and palette rows to grey rows, and the level
// histogram. Each row is converted first and counted while it is still in
// the cache.
#include "bwimage/grey_level.h"

#include <string.h>

#include "bwimage/cpu_features.h"
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

#if defined(RKCORR_X86_KERNELS)
// The sums of pixels 4k to 4k + 3 (low lane) and 16 + 4k to 19 + 4k (high
// lane) of the 32 from src, in 32-bit slots.
__attribute__((target("avx2"))) inline __m256i bgr_sums(const uint8_t* src, int k) {
    const __m256i slots = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1,
                                           3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12 * k));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 48 + 12 * k));
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    return _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_shuffle_epi8(v, slots), _mm256_set1_epi8(1)),
                             _mm256_set1_epi16(1));
}

// Thirty-two pixels a step: each 128-bit lane takes four pixels (twelve
// bytes) spread into 4-byte slots, whose byte pairs and then word pairs are
// summed; the sums of the four lanes' loads fall into pixel order when packed.
// floor(sum / 3) is (sum * 43691) >> 17, the high half of the 32-bit product
// shifted once more. Returns the number of pixels done; it reads at most
// 100 bytes from each step's first pixel, so it stops two pixels early.
__attribute__((target("avx2"))) size_t bgr_row_avx2(const uint8_t* src, uint8_t* dst, size_t w) {
    const __m256i third = _mm256_set1_epi16(static_cast<short>(43691));
    size_t x = 0;
    for (; x + 34 <= w; x += 32, src += 96) {
        const __m256i first = _mm256_packs_epi32(bgr_sums(src, 0), bgr_sums(src, 1));
        const __m256i second = _mm256_packs_epi32(bgr_sums(src, 2), bgr_sums(src, 3));
        const __m256i a = _mm256_srli_epi16(_mm256_mulhi_epu16(first, third), 1);
        const __m256i b = _mm256_srli_epi16(_mm256_mulhi_epu16(second, third), 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_packus_epi16(a, b));
    }
    return x;
}
#endif

// One row of 24-bit pixels to grey, by the fastest kernel the processor has.
void bgr_to_grey(const uint8_t* src, uint8_t* dst, size_t w) {
#if defined(RKCORR_X86_KERNELS)
    if (has_avx2()) {
        const size_t done = bgr_row_avx2(src, dst, w);
        src += 3 * done, dst += done, w -= done;
    }
#endif
    bgr_row(src, dst, w);
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
        bgr_to_grey(src, dst, w);
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
