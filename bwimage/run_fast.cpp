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
// Stretches of whole bytes that equal the colour of the pixel before them
// hold no change; they are skipped eight bytes at a time, which matters on
// text pages where most of every row is white.
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
        while (k < e) {
            c = row[k];
            t = (c ^ ((p << 7) | (c >> 1))) & 0xFFu;
            if (t) {
                n += rkrun::AddRanBits(transitions, n, 8 * k, t);
                p = c & 1u;
                ++k;
                continue;
            }
            // No change in this byte: it is all of colour p, and so may be
            // the bytes that follow.
            ++k;
            const uint64_t same = p ? ~uint64_t(0) : uint64_t(0);
            while (k + 8 <= e && Load8(row + k) == same) k += 8;
        }
        c = row[e] & maskEnd;
        t = (c ^ ((p << 7) | (c >> 1))) & 0xFFu;
        if (t) n += rkrun::AddRanBits(transitions, n, 8 * e, t);
    }
    if (n & 1) transitions[n++] = end + 1;
    count = n;
}
