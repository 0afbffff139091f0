// The 48-byte header block of a 1-bit image as the page mask takes it: the
// info header followed by two palette entries, white (0) and black (1).
#ifndef RKCORR_MASK_BW_HEADER_H
#define RKCORR_MASK_BW_HEADER_H

#include <string.h>

#include "rkcorr/bitmap_types.h"

namespace rkmask {

struct BwHeaderBlock {
    BITMAPINFOHEADER bih;
    RGBQUAD palette[2];
};
static_assert(sizeof(BwHeaderBlock) == 48, "info header and two palette entries");

// A bottom-up (positive height), uncompressed 1-bit header.
inline BwHeaderBlock make_bw_header(LONG width, LONG height, LONG xPelsPerMeter, LONG yPelsPerMeter) {
    BwHeaderBlock h;
    memset(&h, 0, sizeof h);
    h.bih.biSize = sizeof(BITMAPINFOHEADER);
    h.bih.biWidth = width;
    h.bih.biHeight = height;
    h.bih.biPlanes = 1;
    h.bih.biBitCount = 1;
    h.bih.biXPelsPerMeter = xPelsPerMeter;
    h.bih.biYPelsPerMeter = yPelsPerMeter;
    h.bih.biClrUsed = 2;
    h.bih.biClrImportant = 2;
    h.palette[0] = RGBQUAD{255, 255, 255, 0};
    h.palette[1] = RGBQUAD{0, 0, 0, 0};
    return h;
}

}  // namespace rkmask

#endif
