// The one test-image generator: a DIB of depth 1, 8 or 24, bottom-up or
// top-down, with stride slack, described by a DibCase that names itself in
// failures. The header (with its palette) and the pixel rows live in separate
// buffers of exactly their size, so a sanitizer catches any stray access;
// packed() and global() give the contiguous form. Pixels are addressed from
// the top row. Index: DibCase, RandomCase, TestDib, RandomBilevel, GlobalBlock,
// GreyOf.
#ifndef RKCORR_TESTS_SUPPORT_TEST_DIB_H
#define RKCORR_TESTS_SUPPORT_TEST_DIB_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/bwimage.h"
#include "rkcorr/platform_memory.h"

namespace rktest {

struct DibCase {
    int width = 8, height = 8, bpp = 1;
    bool topDown = false;
    int strideSlack = 0;  // bytes past the 4-byte-padded row
    unsigned seed = 0;    // content: random bytes, padding included
    std::string name() const {
        return std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bpp) +
               (topDown ? " top-down" : " bottom-up") + " slack " + std::to_string(strideSlack) + " seed " +
               std::to_string(seed);
    }
};

// Widths often under 17 (a partial byte or word), both row orders.
inline DibCase RandomCase(std::mt19937& rng, int bpp, int maxW = 150, int maxH = 24) {
    DibCase c;
    c.width = rng() % 4 == 0 ? 1 + rng() % 16 : 1 + rng() % maxW;
    c.height = 1 + rng() % maxH;
    c.bpp = bpp;
    c.topDown = rng() % 2;
    c.seed = rng();
    return c;
}

struct TestDib {
    std::vector<uint32_t> headerStore;  // header + palette, 4-byte aligned
    std::vector<BYTE> bits;
    int w, h, bpp, stride;
    bool topDown;

    // colors < 0: 2 for 1-bit (white, black), a 256-level grey ramp for 8-bit.
    TestDib(int width, int height, bool topDownRows = false, int bitCount = 1, int colors = -1, int slack = 0)
        : w(width),
          h(height),
          bpp(bitCount),
          stride(((bitCount * width + 31) / 32) * 4 + slack),
          topDown(topDownRows) {
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
            const BYTE v = bpp == 1 ? static_cast<BYTE>(i ? 0 : 255)
                                    : static_cast<BYTE>(i * 255 / (colors > 1 ? colors - 1 : 1));
            palette()[i] = RGBQUAD{v, v, v, 0};
        }
        bits.assign(static_cast<size_t>(stride) * h, 0);
    }
    explicit TestDib(const DibCase& c) : TestDib(c.width, c.height, c.topDown, c.bpp, -1, c.strideSlack) {
        std::mt19937 rng(c.seed);
        randomize(rng);
    }

    int colors() const { return static_cast<int>(header()->biClrUsed); }
    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(headerStore.data()); }
    const BITMAPINFOHEADER* header() const {
        return reinterpret_cast<const BITMAPINFOHEADER*>(headerStore.data());
    }
    RGBQUAD* palette() {
        return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(headerStore.data()) + 40);
    }
    const RGBQUAD* palette() const { return const_cast<TestDib*>(this)->palette(); }
    // A fresh image object viewing this buffer (1-bit, no slack).
    CRkBWImage image() { return CRkBWImage(header(), bits.data(), 0); }

    // Row y from the top, and the n-th row in storage.
    BYTE* row(int y) { return bits.data() + static_cast<size_t>(stride) * (topDown ? y : h - 1 - y); }
    const BYTE* row(int y) const { return const_cast<TestDib*>(this)->row(y); }
    BYTE* stored(int n) { return bits.data() + static_cast<size_t>(stride) * n; }
    const BYTE* stored(int n) const { return const_cast<TestDib*>(this)->stored(n); }
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
    // Every padding bit of a 1-bit image set: nothing may read them as pixels.
    void dirtyPadding() {
        for (int y = 0; y < h; ++y)
            for (int x = w; x < stride * 8; ++x) set(x, y);
    }
    // Random bytes everywhere, padding bits included.
    void randomize(std::mt19937& rng) {
        for (BYTE& b : bits) b = static_cast<BYTE>(rng());
    }
    // Rows drawn from strings: 'X' or '#' black, anything else white.
    static TestDib FromRows(const std::vector<const char*>& rows, bool topDown = false) {
        TestDib b(static_cast<int>(std::strlen(rows[0])), static_cast<int>(rows.size()), topDown);
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x) b.set(x, y, rows[y][x] == 'X' || rows[y][x] == '#');
        return b;
    }
    // 1-bit: independent pixels black with probability density.
    void randomFill(std::mt19937& rng, double density) {
        std::bernoulli_distribution d(density);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) set(x, y, d(rng));
    }
    // 1-bit: random rectangles and pixels, components of many sizes.
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
    // 8 and 24-bit: stretches of paper, of noise near a level or anywhere (by channel), and of levels
    // around the paper's; values modulo `values` (a palette's size).
    void pageFill(std::mt19937& rng, unsigned values = 256) {
        const int n = bpp / 8;
        const unsigned paper = 150 + rng() % 106, mix = rng();
        unsigned kind = 0, left = 0, base = 0, run = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x, --left) {
                if (left == 0) {
                    kind = (mix >> 2 * (rng() % 4)) % 4, left = 1 + rng() % 600, base = rng() % 249;
                    run = rng() % 3 ? paper : rng() % 256;
                }
                const unsigned v[4] = {run, base + unsigned(rng() % 8), unsigned(rng()),
                                       std::min(255u, paper - 22 + unsigned(rng() % 45))};
                for (int b = 0; b < n; ++b)
                    row(y)[n * x + b] = static_cast<BYTE>((kind == 2 && b ? rng() : v[kind]) % values);
            }
    }
    // Header, palette and rows in one block.
    std::vector<BYTE> packed() const {
        const size_t head = 40 + 4 * static_cast<size_t>(colors());
        std::vector<BYTE> out(head + bits.size());
        std::memcpy(out.data(), headerStore.data(), head);
        if (!bits.empty()) std::memcpy(out.data() + head, bits.data(), bits.size());
        return out;
    }
    // The packed form in a movable block; the caller frees it.
    HGLOBAL global() const;
};

// A random 1-bit image: pixels of one of five densities, or blobs.
inline TestDib RandomBilevel(std::mt19937& rng, int maxW = 140, int maxH = 40) {
    TestDib b(1 + rng() % maxW, 1 + rng() % maxH, rng() % 2);
    static const double densities[] = {0.05, 0.3, 0.5, 0.7, 0.95};
    const unsigned kind = rng() % 7;
    if (kind < 5)
        b.randomFill(rng, densities[kind]);
    else
        b.blobFill(rng, b.w * b.h / int(8 + rng() % 33) + 1);
    if (rng() % 2) b.dirtyPadding();
    return b;
}

// A movable block holding a copy of the bytes; the caller frees it.
inline HGLOBAL GlobalBlock(const std::vector<BYTE>& bytes) {
    HGLOBAL g = GlobalAlloc(GHND, bytes.size());
    std::memcpy(GlobalLock(g), bytes.data(), bytes.size());
    GlobalUnlock(g);
    return g;
}
inline HGLOBAL TestDib::global() const { return GlobalBlock(packed()); }

// The grey level of (x, y): palette entry (or index), or mean of b, g, r.
inline int GreyOf(const TestDib& d, int x, int y, bool indexIsGrey = false) {
    const BYTE* p = d.row(y);
    if (d.bpp == 24) return (p[3 * x] + p[3 * x + 1] + p[3 * x + 2]) / 3;
    if (indexIsGrey) return p[x];
    const RGBQUAD& q = d.palette()[p[x]];
    return (q.rgbRed + q.rgbGreen + q.rgbBlue) / 3;
}

}  // namespace rktest

#endif
