// Row loops of the morphology (see morph_kernels.h).
#include "bwimage/morph_kernels.h"

#include <stdint.h>
#include <string.h>

#include "rkcorr/hranextract.h"

namespace rkbw {

namespace {

inline uint64_t load_be(const BYTE* p) {
    uint64_t v;
    memcpy(&v, p, sizeof v);
    return __builtin_bswap64(v);
}

inline void store_be(BYTE* p, uint64_t v) {
    v = __builtin_bswap64(v);
    memcpy(p, &v, sizeof v);
}

// One byte of the step: c with its left neighbours (c >> 1, and the last
// pixel of the byte before) and right neighbours (c << 1, and the first pixel
// of the byte after); the pixels under keep do not change.
template <bool Dilate>
inline BYTE step_byte(unsigned c, unsigned prevBit, unsigned nextBit, unsigned keep) {
    const unsigned l = (c >> 1) | (prevBit << 7);
    const unsigned r = ((c << 1) | nextBit) & 0xFFu;
    return static_cast<BYTE>(Dilate ? c | (~keep & (l | r)) : c & (keep | (l & r)));
}

// The first and last pixel of a black run are exactly the black pixels with
// a white neighbour in the row, so clearing them is the AND of the row with
// its two one-pixel shifts (setting the ends of white runs, the OR); done 64
// pixels at a time, with the row's original pixel at each word's edges kept
// in a register since the words before are already rewritten. Columns left
// and right, and everything outside them, keep their pixels.
template <bool Dilate>
void step_row_3(BYTE* row, int left, int right) {
    const int s = left >> 3, e = right >> 3;
    const unsigned keepHead = (0xFF00u >> ((left & 7) + 1)) & 0xFFu;  // pixels 8s..left
    const unsigned keepTail = 0xFFu >> (right & 7);                   // pixels right..8e+7
    if (s == e) {
        row[s] = step_byte<Dilate>(row[s], 0, 0, keepHead | keepTail);
        return;
    }
    unsigned prev = row[s] & 1u;
    row[s] = step_byte<Dilate>(row[s], 0, row[s + 1] >> 7, keepHead);
    int k = s + 1;
    for (; k + 8 <= e; k += 8) {
        const uint64_t w = load_be(row + k);
        const uint64_t l = (w >> 1) | (static_cast<uint64_t>(prev) << 63);
        const uint64_t r = (w << 1) | (row[k + 8] >> 7);
        prev = static_cast<unsigned>(w & 1u);
        store_be(row + k, Dilate ? (w | l | r) : (w & l & r));
    }
    for (; k < e; ++k) {
        const unsigned c = row[k];
        row[k] = step_byte<Dilate>(c, prev, row[k + 1] >> 7, 0);
        prev = c & 1u;
    }
    row[e] = step_byte<Dilate>(row[e], prev, 0, keepTail);
}

}  // namespace

void erode_row_3(BYTE* row, int left, int right) { step_row_3<false>(row, left, right); }

void dilate_row_3(BYTE* row, int left, int right) { step_row_3<true>(row, left, right); }

void and_bytes(BYTE* __restrict dst, const BYTE* __restrict a, const BYTE* __restrict b, int first,
               int last) {
    for (int k = first; k <= last; ++k) dst[k] = a[k] & b[k];
}

void or_bytes(BYTE* __restrict dst, const BYTE* __restrict a, const BYTE* __restrict b, int first, int last) {
    for (int k = first; k <= last; ++k) dst[k] = a[k] | b[k];
}

int black_runs(const BYTE* row, int left, int right, int* t, int* runs) {
    int n = 0;
    HRanExtractFast(row, left, right, t, n);
    for (int i = 0; i < n; i += 2) {
        runs[i] = t[i];
        runs[i + 1] = t[i + 1] - 1;
    }
    return n / 2;
}

int white_runs(const BYTE* row, int left, int right, int* t, int* runs) {
    int n = 0;
    HRanExtractFast(row, left, right, t, n);
    int count = 0, next = left;
    for (int i = 0; i < n; i += 2) {
        if (t[i] > next) {
            runs[2 * count] = next;
            runs[2 * count + 1] = t[i] - 1;
            ++count;
        }
        next = t[i + 1];
    }
    if (next <= right) {
        runs[2 * count] = next;
        runs[2 * count + 1] = right;
        ++count;
    }
    return count;
}

}  // namespace rkbw
