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
// on its counter, so they are counted plainly. On processors with AVX2, a
// stretch of blocks whose levels all lie in a window of eight levels (a
// page's noisy paper) is counted by comparing against each level of the
// window in byte lanes, summed at the stretch's end; after a block that does
// not fit, the next few varied blocks go straight to the other paths. Every path counts each pixel
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
#include "bwimage/cpu_features.h"

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
#if defined(RKCORR_X86_KERNELS)
        m_window = pixels >= kPairPixels && has_avx2();
#endif
    }

    void add_row(const uint8_t* p, unsigned n) {
        unsigned x = 0;
        for (; x + kRun <= n; x += kRun, p += kRun) {
            if (!uniform_block(p)) {
#if defined(RKCORR_X86_KERNELS)
                if (m_window && m_wait == 0) {
                    const unsigned blocks = add_window(p, (n - x) / kRun);
                    if (blocks) {  // the loop's step passes the last one
                        x += (blocks - 1) * kRun;
                        p += (blocks - 1) * kRun;
                        continue;
                    }
                    m_wait = kWait;
                } else if (m_wait) {
                    --m_wait;
                }
#endif
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
    static constexpr unsigned kWait = 16;  // varied blocks not tried against the window after a miss

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

#if defined(RKCORR_X86_KERNELS)
    __attribute__((target("avx2"))) static unsigned lowest_word(__m128i v) {
        return static_cast<unsigned>(_mm_cvtsi128_si32(_mm_minpos_epu16(v))) & 0xFFFFu;
    }

    // True when some level of the 64 bytes a, b (less the window's base)
    // lies outside the window.
    __attribute__((target("avx2"))) static bool outside(__m256i a, __m256i b) {
        return !_mm256_testz_si256(_mm256_or_si256(a, b), _mm256_set1_epi8(static_cast<char>(0xF8)));
    }

    // Counts the blocks from p on (at most `blocks`) while their levels lie in
    // the window of eight from m_windowBase; a first block outside it moves
    // the window to its lowest level when its levels span at most eight.
    // Returns how many blocks it counted (0: p's block is left to the caller).
    __attribute__((target("avx2"))) unsigned add_window(const uint8_t* p, unsigned blocks) {
        if (blocks > 127) blocks = 127;  // a byte lane takes at most two per block
        __m256i base = _mm256_set1_epi8(static_cast<char>(m_windowBase));
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        if (outside(_mm256_sub_epi8(a, base), _mm256_sub_epi8(b, base))) {
            const __m256i lo = _mm256_min_epu8(a, b), hi = _mm256_max_epu8(a, b);
            __m128i l = _mm_min_epu8(_mm256_castsi256_si128(lo), _mm256_extracti128_si256(lo, 1));
            __m128i h = _mm_max_epu8(_mm256_castsi256_si128(hi), _mm256_extracti128_si256(hi, 1));
            // Each 16-bit word's two bytes folded into its low byte, the
            // words' minimum then read by _mm_minpos_epu16 (the maximum as
            // the minimum of 255 - level).
            l = _mm_min_epu8(l, _mm_srli_epi16(l, 8));
            h = _mm_max_epu8(h, _mm_srli_epi16(h, 8));
            const __m128i byteMask = _mm_set1_epi16(0xFF);
            const unsigned least = lowest_word(_mm_and_si128(l, byteMask));
            const unsigned most = 255u - lowest_word(_mm_andnot_si128(h, byteMask));
            if (most - least >= 8) return 0;
            m_windowBase = least > 248 ? 248 : least;
            base = _mm256_set1_epi8(static_cast<char>(m_windowBase));
        }
        __m256i count[8];
        for (int v = 0; v < 8; ++v) count[v] = _mm256_setzero_si256();
        unsigned k = 0;
        for (;;) {
            a = _mm256_sub_epi8(a, base);
            b = _mm256_sub_epi8(b, base);
            for (int v = 0; v < 8; ++v) {
                const __m256i level = _mm256_set1_epi8(static_cast<char>(v));
                count[v] = _mm256_sub_epi8(count[v], _mm256_cmpeq_epi8(a, level));
                count[v] = _mm256_sub_epi8(count[v], _mm256_cmpeq_epi8(b, level));
            }
            if (++k == blocks) break;
            p += kRun;
            a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
            if (outside(_mm256_sub_epi8(a, base), _mm256_sub_epi8(b, base))) break;
        }
        for (int v = 0; v < 8; ++v) {
            const __m256i s = _mm256_sad_epu8(count[v], _mm256_setzero_si256());
            const __m128i t = _mm_add_epi64(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
            m_part[3][m_windowBase + v] += static_cast<uint32_t>(_mm_cvtsi128_si32(t)) +
                                           static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(t, 8)));
        }
        return k;
    }
#endif

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
    bool m_window = false;                // stretches of blocks tried against the window
    unsigned m_windowBase = 0;            // the window's lowest level (at most 248)
    unsigned m_wait = 0;                  // varied blocks still to pass before the next try
};

}  // namespace rkbwimage

#endif
