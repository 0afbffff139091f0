// Row loops of the morphology: the horizontal step of the 3 x 3 square, the
// combination of rows, and the runs and target spans of the element operations.
#ifndef RKCORR_BWIMAGE_MORPH_KERNELS_H
#define RKCORR_BWIMAGE_MORPH_KERNELS_H

#include "rkcorr/platform_types.h"

namespace rkbw {

// Horizontal 3-pixel erosion of the pixels left..right of a row, in place:
// the first and last pixel of every black run of the range are cleared unless
// they lie in column left or right. Reads and writes bytes left / 8 to
// right / 8 only.
void erode_row_3(BYTE* row, int left, int right);
// The same with white and black exchanged: the first and last pixel of every
// white run are set unless they lie in column left or right.
void dilate_row_3(BYTE* row, int left, int right);

// dst[k] := a[k] AND (OR) b[k] for the bytes first..last.
void and_bytes(BYTE* dst, const BYTE* a, const BYTE* b, int first, int last);
void or_bytes(BYTE* dst, const BYTE* a, const BYTE* b, int first, int last);

// Runs of one colour of the pixels left..right of a row, as inclusive pairs
// (start, end) in runs; returns the number of runs. transitions is scratch as
// above; runs needs room for the pairs ((right + 1 - left) + 2 ints).
int black_runs(const BYTE* row, int left, int right, int* transitions, int* runs);
int white_runs(const BYTE* row, int left, int right, int* transitions, int* runs);

// Calls f(from, to) for the targets of the source span a..e moved by d: the
// positions p + d, taken modulo 65536 and read as a signed 16-bit value, that
// are above 0 and inside lo..hi. At most two spans (before and after the wrap).
template <class F>
void for_target_spans(int a, int e, int d, int lo, int hi, F f) {
    if (lo < 1) lo = 1;
    if (hi > 32767) hi = 32767;
    if (lo > hi) return;
    for (int wrap = 0; wrap <= 65536; wrap += 65536) {
        const int from = a + d > lo + wrap ? a + d : lo + wrap;
        const int to = e + d < hi + wrap ? e + d : hi + wrap;
        if (from <= to) f(from - wrap, to - wrap);
    }
}

}  // namespace rkbw

#endif
