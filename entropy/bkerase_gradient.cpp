// BKErase: gradient maps.
#include "rkcorr/bkerase.h"

#include <stddef.h>
#include <stdint.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "bwimage/exact_fp.h"
#include "bwimage/large_array.h"

using rkfp::single;

namespace {

// min(1, (gx^2 + gy^2) / 32400) of one pixel; every step is exact but the
// division, which rounds once.
inline float gradient_of(int gx, int gy) {
    const float v = single(static_cast<float>(gx * gx + gy * gy) / 32400.0f);
    return v > 1.0f ? 1.0f : v;
}

// Pixels x to end - 1 of one gradient row. With SSE2, sixteen pixels a step
// into 16-byte-aligned stores that bypass the cache (the map is some 35 MB
// on an A4 page); the same one division per pixel, so the same floats.
void gradient_row(const unsigned char* row, const unsigned char* below, const unsigned char* above,
                  float* out, ptrdiff_t x, ptrdiff_t end) {
    auto plain = [&](ptrdiff_t at) {
        out[at] = gradient_of(int(row[at + 2]) - int(row[at - 2]), int(above[at]) - int(below[at]));
    };
#if defined(__SSE2__)
    for (; x < end && (reinterpret_cast<uintptr_t>(out + x) & 15) != 0; ++x) plain(x);
    const __m128i zero = _mm_setzero_si128();
    const __m128 scale = _mm_set1_ps(32400.0f), one = _mm_set1_ps(1.0f);
    auto words = [&](const unsigned char* p, bool high) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return high ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero);
    };
    auto store = [&](float* o, __m128i gx, __m128i gy) {
        // gx^2 + gy^2 of four pixels in 32-bit lanes.
        const __m128i lo = _mm_unpacklo_epi16(gx, gy), hi = _mm_unpackhi_epi16(gx, gy);
        _mm_stream_ps(o, _mm_min_ps(_mm_div_ps(_mm_cvtepi32_ps(_mm_madd_epi16(lo, lo)), scale), one));
        _mm_stream_ps(o + 4, _mm_min_ps(_mm_div_ps(_mm_cvtepi32_ps(_mm_madd_epi16(hi, hi)), scale), one));
    };
    for (; x + 16 <= end; x += 16) {
        for (int half = 0; half < 2; ++half) {
            const __m128i gx = _mm_sub_epi16(words(row + x + 2, half), words(row + x - 2, half));
            const __m128i gy = _mm_sub_epi16(words(above + x, half), words(below + x, half));
            store(out + x + 8 * half, gx, gy);
        }
    }
#endif
    for (; x < end; ++x) plain(x);
}

}  // namespace

int BKErase::fast_variance() {
    const int width = static_cast<int>(m_width);
    const int height = static_cast<int>(m_height);
    if (m_brightness == nullptr || m_gradient == nullptr) return 0;
    const ptrdiff_t w = width;
    for (int y = 2; y < height - 2; ++y) {
        const unsigned char* row = m_brightness + w * y;
        gradient_row(row, row - 2 * w, row + 2 * w, m_gradient + w * y, 2, w - 2);
    }
    rkbwimage::stream_fence();
    return 0;
}

int BKErase::variance() {
    const int width = static_cast<int>(m_width);
    const int height = static_cast<int>(m_height);
    if (m_brightness == nullptr || m_gradient == nullptr) return 0;
    const ptrdiff_t w = width;
    float top = 0.0f;
    for (int y = 0; y < height; ++y) {
        float* out = m_gradient + w * y;
        if (y < 3 || y + 3 >= height || width < 7) {
            for (int x = 0; x < width; ++x) out[x] = 0.0f;
            continue;
        }
        // Window sums slide along the row, one column of 7 in and one out.
        const unsigned char* first = m_brightness + w * (y - 3);
        unsigned int sum = 0, squares = 0;
        auto add_column = [&](int x, int sign) {
            for (int k = 0; k < 7; ++k) {
                const unsigned int b = first[w * k + x];
                if (sign > 0) {
                    sum += b;
                    squares += b * b;
                } else {
                    sum -= b;
                    squares -= b * b;
                }
            }
        };
        for (int x = 0; x < 7; ++x) add_column(x, 1);
        out[0] = out[1] = out[2] = 0.0f;
        for (int x = 3;; ++x) {
            // The sums are integers below 2^24, so they equal the float sums.
            const float mean = single(static_cast<float>(sum) / 49.0f);
            const float meanSquare = single(static_cast<float>(squares) / 49.0f);
            const float v = single(meanSquare - single(mean * mean));
            out[x] = v;
            if (v > top) top = v;
            if (x + 4 >= width) break;
            add_column(x - 3, -1);
            add_column(x + 4, 1);
        }
        for (int x = width - 3; x < width; ++x) out[x] = 0.0f;
    }
    // With every local variance 0 there is nothing to normalise by.
    if (top == 0.0f) return 0;
    const float half = single(top / 2.0f);
    const size_t n = size_t(m_width) * m_height;
    for (size_t i = 0; i < n; ++i) {
        const float v = single(m_gradient[i] / half);
        m_gradient[i] = v > 1.0f ? 1.0f : v;
    }
    return 0;
}
