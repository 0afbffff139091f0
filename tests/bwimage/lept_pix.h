// Conversion of a test image to a Leptonica 1-bit image.
#ifndef RKCORR_TESTS_LEPT_PIX_H
#define RKCORR_TESTS_LEPT_PIX_H

#include <leptonica/allheaders.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "bw_fixture.h"

// Leptonica keeps each row as 32-bit words whose most significant byte is
// the leftmost eight pixels.
inline PIX* ToPix(const BWBuffer& b) {
    PIX* pix = pixCreate(b.width(), b.height(), 1);
    l_uint32* data = pixGetData(pix);
    const int wpl = pixGetWpl(pix);
    const int bytes = (b.width() + 7) / 8;
    for (int y = 0; y < b.height(); ++y) {
        const BYTE* row = b.row(y);
        l_uint32* line = data + static_cast<size_t>(y) * wpl;
        for (int j = 0; j < wpl; ++j) {
            l_uint32 word = 0;
            for (int k = 0; k < 4; ++k) {
                const int i = 4 * j + k;
                word = (word << 8) | (i < bytes ? row[i] : 0u);
            }
            line[j] = word;
        }
    }
    // Clear the padding bits of the last word of each row.
    pixSetPadBits(pix, 0);
    return pix;
}

// Bounding boxes of Leptonica's components as (left, top, right, bottom),
// offset by (dx, dy); 1 x 1 boxes left out when dropDots.
inline std::vector<std::tuple<int, int, int, int>> LeptBoxes(PIX* pix, int connectivity, bool dropDots,
                                                             int dx = 0, int dy = 0) {
    std::vector<std::tuple<int, int, int, int>> out;
    BOXA* boxa = pixConnCompBB(pix, connectivity);
    const int n = boxaGetCount(boxa);
    for (int i = 0; i < n; ++i) {
        l_int32 x, y, w, h;
        boxaGetBoxGeometry(boxa, i, &x, &y, &w, &h);
        if (dropDots && w == 1 && h == 1) continue;
        out.emplace_back(x + dx, y + dy, x + dx + w - 1, y + dy + h - 1);
    }
    boxaDestroy(&boxa);
    std::sort(out.begin(), out.end());
    return out;
}

#endif
