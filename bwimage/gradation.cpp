// CRkBWImage::Gradation: the pyramid-weighted neighbourhood smoothing.
#include <stdint.h>

#include <vector>

#include "rkcorr/bwimage.h"

namespace {

// The decision threshold for reach r, in 16-bit arithmetic: both halves of
// every row but the middle one, then one half of the middle row and its centre.
WORD GradationThreshold(int r) {
    WORD total = 0;
    for (int i = 0; i < r; ++i) {
        WORD t = static_cast<WORD>(i), s = 0;
        for (int n = 0; n < r; ++n) {
            s = static_cast<WORD>(s + 2 * t);
            t = static_cast<WORD>(t + 1);
        }
        total = static_cast<WORD>(total + 2 * (s + t));
    }
    WORD t = static_cast<WORD>(r);
    for (int n = 0; n < r; ++n) {
        total = static_cast<WORD>(total + t);
        t = static_cast<WORD>(t + 1);
    }
    return static_cast<WORD>(total + t);
}

// One weighted position of the window: a black input pixel at x adds weight
// to counter x + shift of accumulator row j.
struct Tap {
    int row;
    int shift;
    WORD weight;
};

}  // namespace

// A black input pixel at (x, y) adds the kernel weight of offset (dx, dy) to
// output pixel (x - dx, y - dy); the 2k - 1 accumulator rows in the ring stand
// for output rows y - r to y + r, so output row y - r is final once input row
// y has been read, and is written back at once: the rows it changes are never
// read again. Counter c of a row stands for column c - r.
int CRkBWImage::Gradation(WORD k) {
    if (k < 2 || k > 10) return 1;
    const int r = k - 1, rows = 2 * k - 1;
    const int threshold = GradationThreshold(r);
    const size_t counters = 2 * static_cast<size_t>(r) + 8 * static_cast<size_t>(GetLineByteSize());
    const UINT w = GetWidth(), h = GetHeight();
    std::vector<WORD> acc;
    std::vector<WORD*> ring;
    std::vector<Tap> taps;
    try {
        acc.assign(counters * rows, 0);
        ring.resize(static_cast<size_t>(rows));
        for (int j = 0; j < rows; ++j) {
            ring[static_cast<size_t>(j)] = acc.data() + counters * j;
            const int dy = r - j;
            for (int dx = -r; dx <= r; ++dx) {
                if (dx != 0 && dy != 0 && (dx > 0) != (dy > 0)) continue;  // unweighted quadrants
                const int weight = 2 * r - (dx < 0 ? -dx : dx) - (dy < 0 ? -dy : dy);
                if (weight > 0) taps.push_back(Tap{j, r - dx, static_cast<WORD>(weight)});
            }
        }
    } catch (...) {
        return 1;
    }

    auto decide = [&](const WORD* counts, UINT y) {
        for (UINT x = 0; x < w; ++x) {
            if (2 * static_cast<int>(counts[x + r]) > threshold)
                Draw(static_cast<WORD>(x), static_cast<WORD>(y));
            else
                Erase(static_cast<WORD>(x), static_cast<WORD>(y));
        }
    };
    for (UINT y = 0; y < h; ++y) {
        const BYTE* line = GetLineData(y);
        for (UINT x = 0; x < w; ++x) {
            if (!IsBlack(line, static_cast<WORD>(x))) continue;
            for (const Tap& t : taps) ring[static_cast<size_t>(t.row)][x + t.shift] += t.weight;
        }
        if (y >= static_cast<UINT>(r)) decide(ring[0], y - r);
        WORD* done = ring[0];
        for (size_t c = 0; c < counters; ++c) done[c] = 0;
        for (int j = 1; j < rows; ++j) ring[static_cast<size_t>(j - 1)] = ring[static_cast<size_t>(j)];
        ring[static_cast<size_t>(rows - 1)] = done;
    }
    for (int j = 0; j < r; ++j) {
        const long y = static_cast<long>(h) - r + j;
        if (y >= 0 && y < static_cast<long>(h)) decide(ring[static_cast<size_t>(j)], static_cast<UINT>(y));
    }
    return 1;
}
