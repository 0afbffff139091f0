// The mask's plain references: the 2 x 2 reduction, the background grey levels, a grey page's mask.
#ifndef RKCORR_TESTS_MASK_MASK_REFERENCE_H
#define RKCORR_TESTS_MASK_MASK_REFERENCE_H

#include <math.h>

#include <algorithm>
#include <vector>

#include "rkcorr/imgmask.h"
#include "support/test_dib.h"

namespace masktest {

using Rows = std::vector<std::vector<uint8_t>>;

// The mask's n-th stored row (the image class counts rows from the top).
inline const uint8_t* StoredRow(const ImgMask& mask, unsigned n) {
    CRkBWImage* image = mask.GetCRkBWImage();
    return image->GetLineData(image->GetHeight() - 1 - n);
}

// Stored-row 2 x 2 OR reduction, padding bits of the last byte included; rows padded to 4 bytes.
inline Rows ReduceReference(const rktest::TestDib& s) {
    const unsigned lineBytes = (s.w + 7) / 8, dstLine = ((((lineBytes + 1) & ~1u) / 2) + 3) & ~3u;
    Rows rows((s.h + 1) / 2, std::vector<uint8_t>(dstLine, 0));
    for (int y = 0; y < s.h; ++y)
        for (unsigned m = 0; m < 8 * lineBytes; ++m)
            if (s.stored(y)[m / 8] & (0x80 >> m % 8)) rows[y / 2][m / 16] |= uint8_t(0x80 >> (m / 2) % 8);
    return rows;
}

// Foreground flags: levels >= 128 below the entropy, and the band around them, are background.
inline std::vector<uint8_t> ForegroundReference(const std::vector<double>& count) {
    double total = 0, entropy = 0;
    for (double c : count) total += c;
    for (int i = 0; i < 256; ++i)
        if (count[i] > 0) entropy += -log(count[i] / total) * count[i];
    entropy /= total;
    int lo = -1, hi = -1;
    for (int i = 128; i < 256; ++i)
        if (count[i] > 0 && entropy > -log(count[i] / total)) hi = i, lo = lo < 0 ? i : lo;
    std::vector<uint8_t> fg(256, 1);
    for (int i = std::max(0, lo - 20); lo >= 0 && i <= std::min(255, hi + 19); ++i) fg[i] = 0;
    return fg;
}

// A grey, palette or 24-bit page's foreground as a 1-bit page stored top line first, reduced.
inline Rows GreyMaskReference(const rktest::TestDib& d, bool indexIsGrey) {
    auto level = [&](int x, int n) { return rktest::GreyOf(d, x, d.topDown ? n : d.h - 1 - n, indexIsGrey); };
    std::vector<double> count(256, 0.0);
    for (int n = 0; n < d.h; ++n)
        for (int x = 0; x < d.w; ++x) count[level(x, n)] += 1;
    const std::vector<uint8_t> fg = ForegroundReference(count);
    rktest::TestDib page(d.w, d.h);  // bottom-up: row n is stored row h - 1 - n
    for (int n = 0; n < d.h; ++n)
        for (int x = 0; x < d.w; ++x) page.set(x, n, fg[level(x, n)]);
    return ReduceReference(page);
}

}  // namespace masktest

#endif
