// Test helpers: 1-bit source images for ImgMask::CreateMask and a plain,
// bit-by-bit reference of the 2 x 2 reduction.
#ifndef RKCORR_TESTS_MASK_SOURCE_IMAGE_H
#define RKCORR_TESTS_MASK_SOURCE_IMAGE_H

#include <stdint.h>
#include <string.h>

#include <random>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/bwimage.h"
#include "rkcorr/imgmask.h"

namespace masktest {

// A 1-bit source: rows stride bytes apart, stored in the order given.
struct BwSource {
    unsigned width = 0, height = 0, stride = 0;
    std::vector<uint8_t> bits;
    BITMAPINFOHEADER header{};

    BwSource(unsigned w, unsigned h, unsigned strideBytes) : width(w), height(h), stride(strideBytes) {
        // Exactly the rows: a read past the last one is a heap overflow.
        bits.assign(static_cast<size_t>(stride) * h, 0);
        header.biSize = 40;
        header.biWidth = static_cast<LONG>(w);
        header.biHeight = static_cast<LONG>(h);
        header.biPlanes = 1;
        header.biBitCount = 1;
        header.biXPelsPerMeter = 3937;
        header.biYPelsPerMeter = 7874;
        header.biClrUsed = 2;
    }
    unsigned line_bytes() const { return (width + 7) / 8; }
    bool get(unsigned x, unsigned row) const { return bits[row * stride + x / 8] & (0x80 >> (x % 8)); }
    void set(unsigned x, unsigned row) { bits[row * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); }
};

// Random pixels at the given density; padding bits of each line's last byte
// random too, and the bytes past the line (never read) all set.
inline BwSource random_source(std::mt19937& rng, unsigned w, unsigned h, unsigned extraStride, double density) {
    BwSource s(w, h, (w + 7) / 8 + extraStride);
    std::bernoulli_distribution black(density), pad(0.5);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < s.line_bytes() * 8; ++x)
            if (x < w ? black(rng) : pad(rng)) s.set(x, y);
        for (unsigned k = s.line_bytes(); k < s.stride; ++k) s.bits[y * s.stride + k] = 0xFF;
    }
    return s;
}

// Stored rows of the reduction, bit by bit: every set bit k of byte b of
// source row s blackens pixel (8b + k) / 2 of row s / 2.
inline std::vector<std::vector<uint8_t>> reference_reduce(const BwSource& s) {
    const unsigned dstLine = ((((s.line_bytes() + 1) & ~1u) / 2) + 3) & ~3u;
    std::vector<std::vector<uint8_t>> rows((s.height + 1) / 2, std::vector<uint8_t>(dstLine, 0));
    for (unsigned y = 0; y < s.height; ++y)
        for (unsigned b = 0; b < s.line_bytes(); ++b)
            for (unsigned k = 0; k < 8; ++k)
                if (s.bits[y * s.stride + b] & (0x80 >> k)) {
                    const unsigned m = (8 * b + k) / 2;
                    rows[y / 2][m / 8] |= static_cast<uint8_t>(1u << (7 - m % 8));
                }
    return rows;
}

// The mask's n-th stored row. The image class counts rows from the top of a
// bottom-up bitmap, so stored row n is its row height - 1 - n.
inline const uint8_t* stored_row(const ImgMask& mask, unsigned n) {
    CRkBWImage* image = mask.GetCRkBWImage();
    return image->GetLineData(image->GetHeight() - 1 - n);
}

}  // namespace masktest

#endif
