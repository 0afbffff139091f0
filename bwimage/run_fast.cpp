// Byte-parallel scanner of the black runs of one row, with a twin built for
// processors that count bits in one instruction (chosen at run time).
#include "rkcorr/hranextract.h"

#include <cstdint>
#include <cstring>

#include "bwimage/cpu_features.h"
#include "bwimage/run_addran.h"
#include "bwimage/run_fast.h"

namespace {

// Eight bytes of the row starting at p, in memory order (any alignment).
inline uint64_t Load8(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Number of set bits: by the instruction in the twin that may use it, else
// without relying on one.
template <bool Instruction>
inline int Ones(uint64_t x) {
    if (Instruction) return __builtin_popcountll(x);
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
}

// Transition byte of byte c preceded by pixel p: bit i (from the most
// significant) is set where pixel i differs from the pixel before it.
//   t = c ^ ((p << 7) | (c >> 1))
// Between the first and the last byte the row is read eight bytes at a time:
// a word without a change (most of a text page's white) costs one test.
template <bool Instruction>
__attribute__((always_inline)) inline void Scan(const unsigned char* row, int start, int end,
                                                int* transitions, int& count) {
    int n = 0;
    const int s = start / 8;
    const int e = end / 8;
    const unsigned int maskStart = 0xFFu >> (start % 8);
    const unsigned int maskEnd = (0xFFu << (7 - end % 8)) & 0xFFu;

    if (s == e) {
        const unsigned int c = row[s] & maskStart & maskEnd;
        const unsigned int t = c ^ (c >> 1);
        if (t) n += rkrun::AddRanBits(transitions, n, 8 * s, t);
    } else {
        unsigned int c = row[s] & maskStart;
        unsigned int t = c ^ (c >> 1);
        if (t) n += rkrun::AddRanBits(transitions, n, 8 * s, t);
        unsigned int p = c & 1u;
        int k = s + 1;
        // Eight bytes at a time: the 64 pixels in reading order (the first
        // pixel in the top bit) and their changes. A word of one colour costs
        // one compare. The changes are taken from the lowest bit up (clearing
        // the lowest set bit is quick) and so stored from the last slot of
        // the word's share back to its first.
        for (; k + 8 <= e; k += 8) {
            const uint64_t w = __builtin_bswap64(Load8(row + k));
            uint64_t t64 = w ^ ((w >> 1) | (uint64_t(p) << 63));
            p = static_cast<unsigned int>(w & 1u);
            if (!t64) continue;
            n += Ones<Instruction>(t64);
            int* slot = transitions + n;
            const int last = 8 * k + 63;  // the position of the word's lowest bit
            do {
                *--slot = last - __builtin_ctzll(t64);
                t64 &= t64 - 1;
            } while (t64);
        }
        for (; k < e; ++k) {
            c = row[k];
            t = (c ^ ((p << 7) | (c >> 1))) & 0xFFu;
            if (t) n += rkrun::AddRanBits(transitions, n, 8 * k, t);
            p = c & 1u;
        }
        c = row[e] & maskEnd;
        t = (c ^ ((p << 7) | (c >> 1))) & 0xFFu;
        if (t) n += rkrun::AddRanBits(transitions, n, 8 * e, t);
    }
    if (n & 1) transitions[n++] = end + 1;
    count = n;
}

#if defined(RKCORR_X86_KERNELS) && !defined(__POPCNT__)
__attribute__((target("popcnt"))) void ScanPopcnt(const unsigned char* row, int start, int end,
                                                  int* transitions, int& count) {
    Scan<true>(row, start, end, transitions, count);
}
#define RKCORR_SCAN_POPCNT 1
#endif

}  // namespace

void HRanExtractFast(const unsigned char* row, int start, int end, int* transitions, int& count) {
#if defined(RKCORR_SCAN_POPCNT)
    if (rkbwimage::has_popcnt()) return ScanPopcnt(row, start, end, transitions, count);
#endif
    Scan<false>(row, start, end, transitions, count);
}

void rkrun::ScanPlain(const unsigned char* row, int start, int end, int* transitions, int& count) {
    Scan<false>(row, start, end, transitions, count);
}
