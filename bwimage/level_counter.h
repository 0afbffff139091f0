// LevelCounter: the grey-level histogram of rows fed one at a time.
//
// Plain counting adds one to a counter per pixel, into four partial tables so
// that equal neighbours do not wait on one counter; sixteen equal pixels add
// sixteen at once. A block of 64 equal bytes, the bulk of a page's paper,
// goes to a running count kept in a register instead. A counter made for a
// large image counts varied blocks (most pixels differ from the one two
// places on) by pairs of neighbouring pixels into a 65536-entry table, one
// increment per two pixels, and splits the pairs into levels at the end;
// blocks of long stretches would meet the same pair again and again and wait
// on its counter, so they are counted plainly. Every path counts each pixel
// exactly once (modulo 2^32, like the plain counters), so the histogram
// equals the plain one (count_levels_plain).
#ifndef RKCORR_BWIMAGE_LEVEL_COUNTER_H
#define RKCORR_BWIMAGE_LEVEL_COUNTER_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rkbwimage {

class LevelCounter {
public:
    // Images of at least this many pixels repay clearing and splitting the
    // pair table.
    static constexpr size_t kPairPixels = size_t{1} << 18;

    explicit LevelCounter(size_t pixels = 0) {
        memset(m_part, 0, sizeof m_part);
        // Without memory for the pair table the plain counters do the work.
        if (pixels >= kPairPixels) m_pairs.reset(new (std::nothrow) uint32_t[65536]());
    }

    void add_row(const uint8_t* p, unsigned n) {
        unsigned x = 0;
        for (; x + kRun <= n; x += kRun, p += kRun) {
            if (!uniform_block(p)) {
                if (m_pairs && x + kRun + 2 <= n && varied_block(p))
                    add_pairs(p);
                else
                    add_stretches(p);
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
        if (m_pairs) {
            // Pair (a, b) sits at a + 256 b: row b of the table holds the
            // pairs whose second pixel is b, column a those whose first is a.
            const uint32_t* row = m_pairs.get();
            for (int b = 0; b < 256; ++b, row += 256) {
                uint32_t second = 0;
                for (int a = 0; a < 256; ++a) {
                    m_part[1][a] += row[a];
                    second += row[a];
                }
                m_part[2][b] += second;
            }
            m_pairs.reset();  // later rows are counted plainly
        }
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

    // True when fewer than half of the block's pixels equal the pixel two
    // places on (reads two bytes past the block).
    static bool varied_block(const uint8_t* p) {
#if defined(__SSE2__)
        __m128i same = _mm_setzero_si128();
        for (unsigned k = 0; k < kRun; k += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k + 2));
            same = _mm_sub_epi8(same, _mm_cmpeq_epi8(a, b));  // 0 to 4 per lane
        }
        const __m128i sums = _mm_sad_epu8(same, _mm_setzero_si128());
        const int n = _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
        return n < static_cast<int>(kRun / 2);
#else
        unsigned n = 0;
        for (unsigned k = 0; k < kRun; ++k) n += p[k] == p[k + 2];
        return n < kRun / 2;
#endif
    }

    // One block of kRun pixels by pairs; a 32-bit little-endian load holds
    // two pairs, each in its low and high half as first + 256 second.
    void add_pairs(const uint8_t* p) {
        uint32_t* t = m_pairs.get();
        for (unsigned k = 0; k < kRun; k += 8) {
            uint32_t a, b;
            memcpy(&a, p + k, 4);
            memcpy(&b, p + k + 4, 4);
            ++t[a & 0xFFFF];
            ++t[a >> 16];
            ++t[b & 0xFFFF];
            ++t[b >> 16];
        }
    }

    // A block of stretches: sixteen equal pixels at once, others plainly.
    void add_stretches(const uint8_t* p) {
#if defined(__SSE2__)
        for (unsigned k = 0; k < kRun; k += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
            const __m128i flat =
                _mm_or_si128(_mm_cmpeq_epi8(v, _mm_slli_si128(v, 1)), _mm_cvtsi32_si128(0xFF));
            if (_mm_movemask_epi8(flat) == 0xFFFF)
                m_part[k / 16][p[k]] += 16;
            else
                add_plain(p + k, 16);
        }
#else
        add_plain(p, kRun);
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
    std::unique_ptr<uint32_t[]> m_pairs;  // null: plain counting only
};

}  // namespace rkbwimage

#endif
