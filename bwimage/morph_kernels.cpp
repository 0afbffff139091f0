// Row loops of the morphology (see morph_kernels.h).
#include "bwimage/morph_kernels.h"

#include "rkcorr/hranextract.h"

namespace rkbw {

namespace {

inline void clear_pixel(BYTE* row, int x) { row[x >> 3] &= static_cast<BYTE>(~(0x80u >> (x & 7))); }
inline void set_pixel(BYTE* row, int x) { row[x >> 3] |= static_cast<BYTE>(0x80u >> (x & 7)); }

}  // namespace

// Every change is decided from the transitions, all found before the row is
// touched, so the step reads the row as it was.
void erode_row_3(BYTE* row, int left, int right, int* t) {
    int n = 0;
    HRanExtractFast(row, left, right, t, n);
    for (int i = 0; i < n; i += 2) {
        const int first = t[i], last = t[i + 1] - 1;
        if (first != left && first != right) clear_pixel(row, first);
        if (last != left && last != right) clear_pixel(row, last);
    }
}

void dilate_row_3(BYTE* row, int left, int right, int* t) {
    int n = 0;
    HRanExtractFast(row, left, right, t, n);
    for (int i = 0; i < n; i += 2) {
        const int before = t[i] - 1, after = t[i + 1];
        if (before > left) set_pixel(row, before);
        if (after < right) set_pixel(row, after);
    }
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
