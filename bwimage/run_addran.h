// Branch-free append of the colour changes of one byte of a row.
#ifndef RKCORR_BWIMAGE_RUN_ADDRAN_H
#define RKCORR_BWIMAGE_RUN_ADDRAN_H

namespace rkrun {

// For every set bit of t, from the most significant down, appends x + i
// (i = 0 for bit 7) at runs[index], runs[index + 1], ... and returns how many
// it appended. Each of the eight candidates is stored unconditionally and the
// write position advances by the bit, so the slot after the last kept value
// may receive a scratch value: callers leave room for one int beyond.
inline int AddRanBits(int* runs, int index, int x, unsigned int t) {
    int* w = runs + index;
    int* const first = w;
    *w = x;
    w += (t >> 7) & 1;
    *w = x + 1;
    w += (t >> 6) & 1;
    *w = x + 2;
    w += (t >> 5) & 1;
    *w = x + 3;
    w += (t >> 4) & 1;
    *w = x + 4;
    w += (t >> 3) & 1;
    *w = x + 5;
    w += (t >> 2) & 1;
    *w = x + 6;
    w += (t >> 1) & 1;
    *w = x + 7;
    w += t & 1;
    return static_cast<int>(w - first);
}

}  // namespace rkrun

#endif
