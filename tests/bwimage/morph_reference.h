// Per-pixel references of the morphology: the 3 x 3 square with its border
// rules, and a structuring element.
#ifndef RKCORR_TESTS_MORPH_REFERENCE_H
#define RKCORR_TESTS_MORPH_REFERENCE_H

#include <vector>

#include "toolkit_case.h"

// Each row of the rectangle is first eroded (dilated) horizontally with
// columns left and right kept; a pixel then becomes the AND (OR) of that
// result in the rows above, at and below it that lie in the rectangle.
inline void RefSquare(BWBuffer& b, const Rect& r, bool dilate) {
    const BWBuffer src = b;
    auto h = [&](int x, int y) {
        if (x == r.left || x == r.right) return src.get(x, y);
        const bool a = src.get(x - 1, y), c = src.get(x, y), d = src.get(x + 1, y);
        return dilate ? (a || c || d) : (a && c && d);
    };
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) {
            bool v = h(x, y);
            for (int yy = y - 1; yy <= y + 1; yy += 2)
                if (yy >= r.top && yy <= r.bottom) v = dilate ? (v || h(x, yy)) : (v && h(x, yy));
            b.set(x, y, v);
        }
}

// Literally: every black (dilation) or white (erosion) pixel of the rectangle
// draws or erases the points at each element offset whose 16-bit coordinates,
// read as signed, are above 0 and lie in the rectangle.
inline void RefElement(BWBuffer& b, const Rect& r, const BWBuffer& element, int ox, int oy, bool dilate) {
    const BWBuffer src = b;
    std::vector<std::pair<short, short>> offsets;
    for (int y = 0; y < element.h; ++y)
        for (int x = 0; x < element.w; ++x)
            if (element.get(x, y))
                offsets.emplace_back(static_cast<short>(x - ox), static_cast<short>(y - oy));
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) {
            if (src.get(x, y) != dilate) continue;
            for (const auto& d : offsets) {
                const short tx = static_cast<short>(static_cast<unsigned short>(x + d.first));
                const short ty = static_cast<short>(static_cast<unsigned short>(y + d.second));
                if (tx > 0 && ty > 0 && tx >= r.left && tx <= r.right && ty >= r.top && ty <= r.bottom)
                    b.set(tx, ty, dilate);
            }
        }
}

#endif
