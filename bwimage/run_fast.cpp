// Byte-parallel scanner of the black runs of one row.
#include "rkcorr/hranextract.h"

#include <cstdint>
#include <cstring>

#include "bwimage/run_addran.h"

namespace {

// Eight bytes of the row starting at p, in memory order (any alignment).
inline uint64_t Load8(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

// Transition byte of byte c preceded by pixel p: bit i (from the most
// significant) is set where pixel i differs from the pixel before it.
//   t = c ^ ((p << 7) | (c >> 1))
// Between the first and the last byte the row is read eight bytes at a time:
// a word without a change (most of a text page's white) costs one test.
void HRanExtractFast(const unsigned char* row, int start, int end, int* transitions, int& count) {
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
        // pixel in the top bit), their changes, and the changes' positions
        // from the top bit down. A word of one colour costs one compare.
        for (; k + 8 <= e; k += 8) {
            const uint64_t w = __builtin_bswap64(Load8(row + k));
            uint64_t t64 = w ^ ((w >> 1) | (uint64_t(p) << 63));
            p = static_cast<unsigned int>(w & 1u);
            while (t64) {
                const int i = __builtin_clzll(t64);
                transitions[n++] = 8 * k + i;
                t64 ^= (uint64_t(1) << 63) >> i;
            }
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
