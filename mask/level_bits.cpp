// Grey rows to 1-bit rows, by flag table and by band of background levels.
#include "mask/level_bits.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bwimage/cpu_features.h"

namespace rkmask {
namespace {

#if defined(__SSE2__)
// Reverses the bytes of each 8-byte half: the byte mask then holds pixel 0
// of each group of eight in bit 7, as the 1-bit row wants it.
inline __m128i reverse_halves(__m128i v) {
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B);
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}
#endif

#if defined(RKCORR_X86_KERNELS)
// Thirty-two pixels a step, from x (a multiple of 8) while whole steps fit;
// returns where it stopped.
__attribute__((target("avx2"))) unsigned band_avx2(const uint8_t* grey, unsigned x, unsigned width,
                                                   unsigned first, unsigned count, uint8_t* out) {
    const __m256i shift = _mm256_set1_epi8(static_cast<char>(first));
    const __m256i limit = _mm256_set1_epi8(static_cast<char>(count));
    // Each group of eight bytes reversed: pixel 0 of a group lands in bit 7.
    const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4,
                                             3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    for (; x + 32 <= width; x += 32) {
        const __m256i d =
            _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(grey + x)), shift);
        const __m256i outside = _mm256_cmpeq_epi8(_mm256_max_epu8(d, limit), d);
        const uint32_t m = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_shuffle_epi8(outside, reverse)));
        memcpy(out + x / 8, &m, 4);  // little-endian: the first group's byte first
    }
    return x;
}
#endif

// Pixels x from `from` to width - 1 (from a multiple of 8) by the band test.
void band_tail(const uint8_t* grey, unsigned from, unsigned width, unsigned first, unsigned count,
               uint8_t* out) {
    for (unsigned x = from; x < width; x += 8) {
        unsigned b = 0;
        for (unsigned k = 0; k < 8 && x + k < width; ++k)
            if (static_cast<unsigned>(grey[x + k]) - first >= count) b |= 0x80u >> k;
        out[x / 8] = static_cast<uint8_t>(b);
    }
}

}  // namespace

void levels_to_bits(const uint8_t* grey, unsigned width, const uint8_t fg[256], uint8_t* out) {
    unsigned x = 0;
    for (; x + 8 <= width; x += 8, grey += 8)
        *out++ =
            static_cast<uint8_t>(fg[grey[0]] << 7 | fg[grey[1]] << 6 | fg[grey[2]] << 5 | fg[grey[3]] << 4 |
                                 fg[grey[4]] << 3 | fg[grey[5]] << 2 | fg[grey[6]] << 1 | fg[grey[7]]);
    if (x < width) {
        unsigned b = 0;
        for (unsigned k = 0; x < width; ++x, ++k) b |= static_cast<unsigned>(fg[*grey++]) << (7 - k);
        *out = static_cast<uint8_t>(b);
    }
}

void outside_band_bits(const uint8_t* grey, unsigned width, unsigned first, unsigned count, uint8_t* out) {
#if defined(RKCORR_X86_KERNELS)
    if (count < 256 && width >= 32 && rkbwimage::has_avx2()) {
        const unsigned x = band_avx2(grey, 0, width, first, count, out);
        band_tail(grey, x, width, first, count, out);
        return;
    }
#endif
    outside_band_bits_baseline(grey, width, first, count, out);
}

void outside_band_bits_baseline(const uint8_t* grey, unsigned width, unsigned first, unsigned count,
                                uint8_t* out) {
    if (count >= 256) {  // every level is background
        memset(out, 0, (width + 7) / 8);
        return;
    }
    unsigned x = 0;
#if defined(__SSE2__)
    // Level - first, wrapping, is at least count exactly outside the band.
    const __m128i shift = _mm_set1_epi8(static_cast<char>(first));
    const __m128i limit = _mm_set1_epi8(static_cast<char>(count));
    for (; x + 16 <= width; x += 16) {
        const __m128i d = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + x)), shift);
        const uint16_t m = static_cast<uint16_t>(
            _mm_movemask_epi8(reverse_halves(_mm_cmpeq_epi8(_mm_max_epu8(d, limit), d))));
        memcpy(out + x / 8, &m, 2);  // little-endian: the first group's byte first
    }
#endif
    band_tail(grey, x, width, first, count, out);
}

bool background_band(const uint8_t fg[256], unsigned& first, unsigned& count) {
    unsigned lo = 0;
    while (lo < 256 && fg[lo]) ++lo;
    unsigned hi = lo;
    while (hi < 256 && !fg[hi]) ++hi;
    for (unsigned i = hi; i < 256; ++i)
        if (!fg[i]) return false;
    first = lo == 256 ? 0 : lo;
    count = hi - lo;
    return true;
}

}  // namespace rkmask
