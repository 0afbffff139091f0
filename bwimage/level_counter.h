// LevelCounter: the grey-level histogram of rows fed one at a time.
//
// Plain counting adds one to a counter per pixel, into four partial tables so
// that equal neighbours do not wait on one counter. A block of 64 equal
// bytes, the bulk of a page's paper, goes to a running count kept in a
// register instead. Both paths count every pixel exactly once, so the
// histogram equals the plain one (count_levels_plain).
#ifndef RKCORR_BWIMAGE_LEVEL_COUNTER_H
#define RKCORR_BWIMAGE_LEVEL_COUNTER_H

#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rkbwimage {

class LevelCounter {
public:
    LevelCounter() { memset(m_part, 0, sizeof m_part); }

    void add_row(const uint8_t* p, unsigned n) {
        unsigned x = 0;
        for (; x + kRun <= n; x += kRun, p += kRun) {
            if (!uniform_block(p)) {
                add_plain(p, kRun);
            } else if (p[0] == m_runLevel) {
                m_runCount += kRun;
            } else {
                m_part[0][m_runLevel] += m_runCount;
                m_runLevel = p[0];
                m_runCount = kRun;
            }
        }
        add_plain(p, n - x);
    }

    // Adds the counts to hist and starts again from zero.
    void add_to(uint32_t hist[256]) {
        m_part[0][m_runLevel] += m_runCount;
        m_runCount = 0;
        for (int v = 0; v < 256; ++v) hist[v] += m_part[0][v] + m_part[1][v] + m_part[2][v] + m_part[3][v];
        memset(m_part, 0, sizeof m_part);
    }

private:
    static constexpr unsigned kRun = 64;

    static bool uniform_block(const uint8_t* p) {
#if defined(__SSE2__)
        // The four vectors equal to the first, and its bytes equal to their
        // left neighbours (lane 0 compares with the zero shifted in).
        const __m128i* q = reinterpret_cast<const __m128i*>(p);
        const __m128i v0 = _mm_loadu_si128(q);
        const __m128i d = _mm_or_si128(_mm_or_si128(_mm_xor_si128(v0, _mm_loadu_si128(q + 1)),
                                                    _mm_xor_si128(v0, _mm_loadu_si128(q + 2))),
                                       _mm_xor_si128(v0, _mm_loadu_si128(q + 3)));
        const __m128i same = _mm_cmpeq_epi8(d, _mm_setzero_si128());
        const __m128i flat = _mm_or_si128(_mm_cmpeq_epi8(v0, _mm_slli_si128(v0, 1)), _mm_cvtsi32_si128(0xFF));
        return _mm_movemask_epi8(_mm_and_si128(same, flat)) == 0xFFFF;
#else
        uint32_t w[kRun / 4];
        memcpy(w, p, sizeof w);
        const uint32_t s = p[0] * 0x01010101u;
        uint32_t d = 0;
        for (unsigned k = 0; k < kRun / 4; ++k) d |= w[k] ^ s;
        return d == 0;
#endif
    }

    void add_plain(const uint8_t* p, unsigned n) {
        unsigned k = 0;
        for (; k + 4 <= n; k += 4) {
            ++m_part[0][p[k]];
            ++m_part[1][p[k + 1]];
            ++m_part[2][p[k + 2]];
            ++m_part[3][p[k + 3]];
        }
        for (; k < n; ++k) ++m_part[0][p[k]];
    }

    uint32_t m_part[4][256];
    uint32_t m_runLevel = 0;
    uint32_t m_runCount = 0;
};

}  // namespace rkbwimage

#endif
