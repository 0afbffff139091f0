// The Leptonica bridge: a 1-bit test image as a PIX and its components' boxes.
#ifndef RKCORR_TESTS_SUPPORT_LEPT_BRIDGE_H
#define RKCORR_TESTS_SUPPORT_LEPT_BRIDGE_H

#include <leptonica/allheaders.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "support/test_dib.h"

namespace rktest {

inline PIX* ToPix(const TestDib& b) {
    PIX* pix = pixCreate(b.w, b.h, 1);
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x)
            if (b.get(x, y)) pixSetPixel(pix, x, y, 1);
    return pix;
}

// Sorted boxes offset by (dx, dy); 1 x 1 boxes left out when dropDots.
inline std::vector<std::tuple<int, int, int, int>> LeptBoxes(PIX* pix, int connectivity, bool dropDots,
                                                             int dx = 0, int dy = 0) {
    std::vector<std::tuple<int, int, int, int>> out;
    BOXA* boxa = pixConnCompBB(pix, connectivity);
    for (int i = 0; i < boxaGetCount(boxa); ++i) {
        l_int32 x, y, w, h;
        boxaGetBoxGeometry(boxa, i, &x, &y, &w, &h);
        if (!(dropDots && w == 1 && h == 1)) out.emplace_back(x + dx, y + dy, x + dx + w - 1, y + dy + h - 1);
    }
    boxaDestroy(&boxa);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace rktest

#endif
