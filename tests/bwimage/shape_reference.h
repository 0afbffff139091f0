// Per-pixel references of the shape transforms: outline, thinning (Zhang and
// Suen in the usual P2..P9 notation), bounding box and projection.
#ifndef RKCORR_TESTS_SHAPE_REFERENCE_H
#define RKCORR_TESTS_SHAPE_REFERENCE_H

#include <vector>

#include "toolkit_case.h"

// Clears each pixel strictly inside the rectangle whose 3 x 3 block is black.
inline void RefOutline(BWBuffer& b, const Rect& r) {
    const BWBuffer src = b;
    for (int y = r.top + 1; y < r.bottom; ++y)
        for (int x = r.left + 1; x < r.right; ++x) {
            bool all = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) all = all && src.get(x + dx, y + dy);
            if (all) b.set(x, y, false);
        }
}

// Sub-passes alternate, first the one that spares a pixel with P2 P4 P6 or P4
// P6 P8 all black; each decides on a snapshot; stops after a sub-pass that
// deletes nothing.
inline void RefThin(BWBuffer& b, const Rect& r) {
    if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
    for (bool first = true;; first = !first) {
        const BWBuffer s = b;
        bool changed = false;
        for (int y = r.top + 1; y < r.bottom; ++y)
            for (int x = r.left + 1; x < r.right; ++x) {
                if (!s.get(x, y)) continue;
                // P2 (north) clockwise to P9 (north-west).
                const int P[8] = {s.get(x, y - 1), s.get(x + 1, y - 1), s.get(x + 1, y), s.get(x + 1, y + 1),
                                  s.get(x, y + 1), s.get(x - 1, y + 1), s.get(x - 1, y), s.get(x - 1, y - 1)};
                int B = 0, A = 0;
                for (int i = 0; i < 8; ++i) {
                    B += P[i];
                    A += !P[i] && P[(i + 1) % 8];
                }
                const int p2 = P[0], p4 = P[2], p6 = P[4], p8 = P[6];
                const bool spare =
                    first ? (p2 && p4 && p6) || (p4 && p6 && p8) : (p2 && p4 && p8) || (p2 && p6 && p8);
                if (B >= 2 && B <= 6 && A == 1 && !spare) {
                    b.set(x, y, false);
                    changed = true;
                }
            }
        if (!changed) return;
    }
}

// Bounding box of the black pixels of the rectangle; false when none.
inline bool RefBox(const BWBuffer& b, const Rect& r, Rect& box) {
    int l = 1 << 30, t = 1 << 30, rr = -1, bo = -1;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x)
            if (b.get(x, y)) {
                l = std::min(l, x), rr = std::max(rr, x), t = std::min(t, y), bo = std::max(bo, y);
            }
    if (rr < 0) return false;
    box = Rect(static_cast<unsigned short>(l), static_cast<unsigned short>(t),
               static_cast<unsigned short>(rr), static_cast<unsigned short>(bo));
    return true;
}

// Per row (rows) or column, the summed length of the runs of `colour` of at
// least minLength pixels.
inline std::vector<unsigned short> RefProjection(const BWBuffer& b, const Rect& r, bool rows, int minLength,
                                                 bool colour) {
    std::vector<unsigned short> out;
    const int lines = rows ? r.bottom - r.top + 1 : r.right - r.left + 1;
    const int length = rows ? r.right - r.left + 1 : r.bottom - r.top + 1;
    for (int i = 0; i < lines; ++i) {
        int total = 0, run = 0;
        for (int p = 0; p <= length; ++p) {
            const bool on =
                p < length && (rows ? b.get(r.left + p, r.top + i) : b.get(r.left + i, r.top + p)) == colour;
            if (on) {
                ++run;
                continue;
            }
            if (run >= minLength) total += run;
            run = 0;
        }
        out.push_back(static_cast<unsigned short>(total));
    }
    return out;
}

#endif
