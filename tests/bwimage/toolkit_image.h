// Test images: a DIB header with its palette and a separate pixel buffer of
// exactly the padded size, so that a sanitizer catches any stray access.
#ifndef TESTS_BWIMAGE_TOOLKIT_IMAGE_H
#define TESTS_BWIMAGE_TOOLKIT_IMAGE_H

#include <stdint.h>
#include <string.h>

#include <random>
#include <vector>

#include "rkcorr/bitmap_types.h"

struct TestDib {
    std::vector<uint32_t> headerStore;  // header + palette, 4-byte aligned
    std::vector<BYTE> bits;
    int width = 0;
    int height = 0;
    int bitCount = 1;
    bool topDown = false;
    int stride = 0;

    TestDib(int w, int h, bool topDownRows, int bpp = 1, int paletteEntries = -1)
        : width(w), height(h), bitCount(bpp), topDown(topDownRows) {
        if (paletteEntries < 0) paletteEntries = bpp <= 8 ? 1 << bpp : 0;
        headerStore.assign((40 + 4 * (paletteEntries > 2 ? paletteEntries : 2) + 3) / 4, 0);
        BITMAPINFOHEADER* hdr = header();
        hdr->biSize = 40;
        hdr->biWidth = w;
        hdr->biHeight = topDownRows ? -h : h;
        hdr->biPlanes = 1;
        hdr->biBitCount = static_cast<WORD>(bpp);
        hdr->biXPelsPerMeter = 11811;
        hdr->biYPelsPerMeter = 7874;
        hdr->biClrUsed = static_cast<DWORD>(paletteEntries);
        RGBQUAD* pal = palette();
        for (int i = 0; i < paletteEntries; ++i) {
            // 1-bit: entry 0 white, entry 1 black; 8-bit: a grey ramp.
            BYTE v = bpp == 1 ? static_cast<BYTE>(i == 0 ? 255 : 0)
                              : static_cast<BYTE>(i * 255 / (paletteEntries > 1 ? paletteEntries - 1 : 1));
            pal[i].rgbBlue = pal[i].rgbGreen = pal[i].rgbRed = v;
        }
        stride = ((bpp * w + 31) / 32) * 4;
        bits.assign(static_cast<size_t>(stride) * h, 0);
    }

    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(headerStore.data()); }
    RGBQUAD* palette() { return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(headerStore.data()) + 40); }
    const BITMAPINFOHEADER* header() const {
        return reinterpret_cast<const BITMAPINFOHEADER*>(headerStore.data());
    }
    const RGBQUAD* palette() const {
        return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(headerStore.data()) + 40);
    }

    // Row y from the top, by the storage order.
    BYTE* row(int y) { return bits.data() + static_cast<size_t>(stride) * (topDown ? y : height - 1 - y); }
    const BYTE* row(int y) const {
        return bits.data() + static_cast<size_t>(stride) * (topDown ? y : height - 1 - y);
    }

    bool get(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
    void set(int x, int y, bool v) {
        BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
        if (v) row(y)[x >> 3] |= m; else row(y)[x >> 3] &= static_cast<BYTE>(~m);
    }

    // Random pixels everywhere, padding bits included.
    void randomize(std::mt19937& rng) {
        for (BYTE& b : bits) b = static_cast<BYTE>(rng());
    }
};

#endif
