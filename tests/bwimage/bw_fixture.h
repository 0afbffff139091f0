// Test images: a DIB header with its palette (1-bit: white, black; 8-bit: a
// grey ramp) and a separate pixel buffer of exactly the padded rows, bottom-up
// or top-down, so that a sanitizer catches any stray access. Pixels are
// addressed from the top row.
#ifndef RKCORR_TESTS_BW_FIXTURE_H
#define RKCORR_TESTS_BW_FIXTURE_H

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/bwimage.h"

struct BWBuffer {
    std::vector<uint32_t> headerStore;  // header + palette, 4-byte aligned
    std::vector<BYTE> bits;
    int w, h, bpp, stride;
    bool topDown;

    BWBuffer(int width, int height, bool topDownRows = false, int bitCount = 1, int colors = -1)
        : w(width), h(height), bpp(bitCount), stride(((bitCount * width + 31) / 32) * 4), topDown(topDownRows) {
        if (colors < 0) colors = bpp <= 8 ? 1 << bpp : 0;
        headerStore.assign((40 + 4 * (colors > 2 ? colors : 2) + 3) / 4, 0);
        BITMAPINFOHEADER* hd = header();
        hd->biSize = 40;
        hd->biWidth = w;
        hd->biHeight = topDown ? -h : h;
        hd->biPlanes = 1;
        hd->biBitCount = static_cast<WORD>(bpp);
        hd->biXPelsPerMeter = 11811;
        hd->biYPelsPerMeter = 7874;
        hd->biClrUsed = static_cast<DWORD>(colors);
        for (int i = 0; i < colors; ++i) {
            const BYTE v = bpp == 1 ? static_cast<BYTE>(i ? 0 : 255) : static_cast<BYTE>(i * 255 / (colors > 1 ? colors - 1 : 1));
            palette()[i].rgbBlue = palette()[i].rgbGreen = palette()[i].rgbRed = v;
        }
        bits.assign(static_cast<size_t>(stride) * h, 0);
    }

    int width() const { return w; }
    int height() const { return h; }
    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(headerStore.data()); }
    RGBQUAD* palette() { return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(headerStore.data()) + 40); }
    const RGBQUAD* palette() const {
        return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(headerStore.data()) + 40);
    }
    // A fresh image object viewing this buffer.
    CRkBWImage image() { return CRkBWImage(header(), bits.data(), 0); }

    BYTE* row(int y) { return bits.data() + static_cast<size_t>(stride) * (topDown ? y : h - 1 - y); }
    const BYTE* row(int y) const { return const_cast<BWBuffer*>(this)->row(y); }
    bool get(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
    void set(int x, int y, bool v = true) {
        const BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
        row(y)[x >> 3] = v ? static_cast<BYTE>(row(y)[x >> 3] | m) : static_cast<BYTE>(row(y)[x >> 3] & ~m);
    }
    void fillRect(int l, int t, int r, int b) {
        for (int y = t; y <= b; ++y)
            for (int x = l; x <= r; ++x)
                if (x >= 0 && y >= 0 && x < w && y < h) set(x, y);
    }
    // Every padding bit set: nothing may read them as pixels.
    void dirtyPadding() {
        for (int y = 0; y < h; ++y)
            for (int x = w; x < stride * 8; ++x) set(x, y);
    }
    // Random bytes everywhere, padding bits included.
    void randomize(std::mt19937& rng) {
        for (BYTE& b : bits) b = static_cast<BYTE>(rng());
    }
    // Rows drawn from strings: 'X' or '#' black, anything else white.
    static BWBuffer FromRows(const std::vector<const char*>& rows, bool topDown = false) {
        BWBuffer b(static_cast<int>(std::strlen(rows[0])), static_cast<int>(rows.size()), topDown);
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) b.set(x, y, rows[y][x] == 'X' || rows[y][x] == '#');
        return b;
    }
    // Independent pixels black with probability density.
    void randomFill(std::mt19937& rng, double density) {
        std::bernoulli_distribution d(density);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, d(rng));
    }
    // Random rectangles and pixels: components of many sizes.
    void blobFill(std::mt19937& rng, int count) {
        for (int i = 0; i < count; ++i) {
            const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
            const int bw = static_cast<int>(rng() % 6), bh = static_cast<int>(rng() % 6);
            if (rng() % 3 == 0)
                set(x, y);
            else
                fillRect(x, y, x + bw, y + bh);
        }
    }
    // Reduction by 2: a pixel is black when any of its four source pixels is.
    BWBuffer reduce2() const {
        BWBuffer r((w + 1) / 2, (h + 1) / 2, topDown);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (get(x, y)) r.set(x / 2, y / 2);
        return r;
    }
};

#endif
