// The mask's plain references: the 2 x 2 reduction of stored 1-bit rows bit
// by bit, the entropy choice of background grey levels, and the mask of a
// grey page. Index: StoredRow, ReduceReference, ForegroundReference,
// GreyMaskReference.
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
        for (unsigned b = 0; b < lineBytes; ++b)
            for (unsigned k = 0; k < 8; ++k)
                if (s.stored(y)[b] & (0x80 >> k)) {
                    const unsigned m = (8 * b + k) / 2;
                    rows[y / 2][m / 8] |= static_cast<uint8_t>(1u << (7 - m % 8));
                }
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
        if (count[i] > 0 && entropy > -log(count[i] / total)) {
            if (lo < 0) lo = i;
            hi = i;
        }
    std::vector<uint8_t> fg(256, 1);
    if (lo >= 0)
        for (int i = std::max(0, lo - 20); i <= std::min(255, hi + 19); ++i) fg[i] = 0;
    return fg;
}

// Expected stored rows of the mask of grey rows given bottom line first.
inline std::vector<std::vector<bool>> GreyMaskReference(const Rows& grey, unsigned w) {
    std::vector<double> count(256, 0.0);
    for (const auto& row : grey)
        for (unsigned x = 0; x < w; ++x) count[row[x]] += 1;
    const std::vector<uint8_t> fg = ForegroundReference(count);
    const unsigned h = static_cast<unsigned>(grey.size());
    std::vector<std::vector<bool>> mask((h + 1) / 2, std::vector<bool>((w + 1) / 2, false));
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            if (fg[grey[y][x]]) mask[(h - 1 - y) / 2][x / 2] = true;
    return mask;
}

}  // namespace masktest

#endif
