// Test images for run extraction and labeling: a packed 1-bit DIB in memory
// (bottom-up or top-down), with pixel access addressed from the top row.
#ifndef RKCORR_TESTS_BW_FIXTURE_H
#define RKCORR_TESTS_BW_FIXTURE_H

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/bwimage.h"

class BWBuffer {
public:
    BWBuffer(int w, int h, bool topDown = false)
        : w_(w), h_(h), stride_(((w + 31) / 32) * 4), topDown_(topDown),
          mem_(48, 0), pix_(static_cast<size_t>(stride_) * h, 0) {
        BITMAPINFOHEADER hd{};
        hd.biSize = 40;
        hd.biWidth = w;
        hd.biHeight = topDown ? -h : h;
        hd.biPlanes = 1;
        hd.biBitCount = 1;
        hd.biClrUsed = 2;
        std::memcpy(mem_.data(), &hd, sizeof hd);
        mem_[44] = mem_[45] = mem_[46] = 0xFF;  // entry 1 white-on-screen black ink
    }
    BWBuffer(const BWBuffer& o)
        : w_(o.w_), h_(o.h_), stride_(o.stride_), topDown_(o.topDown_), mem_(o.mem_), pix_(o.pix_) {}
    BWBuffer& operator=(const BWBuffer&) = delete;

    int width() const { return w_; }
    int height() const { return h_; }
    int stride() const { return stride_; }
    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(mem_.data()); }
    // Exactly the padded rows, so that a sanitizer catches any stray access.
    BYTE* bits() { return pix_.data(); }
    // A fresh image object viewing this buffer.
    CRkBWImage image() { return CRkBWImage(header(), bits(), 0); }

    BYTE* row(int y) { return bits() + static_cast<size_t>(stride_) * (topDown_ ? y : h_ - 1 - y); }
    const BYTE* row(int y) const {
        return pix_.data() + static_cast<size_t>(stride_) * (topDown_ ? y : h_ - 1 - y);
    }
    bool get(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
    void set(int x, int y, bool v = true) {
        BYTE& b = row(y)[x >> 3];
        const BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
        b = v ? static_cast<BYTE>(b | m) : static_cast<BYTE>(b & ~m);
    }
    void fillRect(int l, int t, int r, int b) {
        for (int y = t; y <= b; ++y)
            for (int x = l; x <= r; ++x)
                if (x >= 0 && y >= 0 && x < w_ && y < h_) set(x, y);
    }
    // Every padding bit and byte beyond the width set to 1: nothing may read them as pixels.
    void dirtyPadding() {
        for (int y = 0; y < h_; ++y)
            for (int x = w_; x < stride_ * 8; ++x) set(x, y);
    }
    // Rows drawn from strings: 'X' or '#' black, anything else white.
    static BWBuffer FromRows(const std::vector<const char*>& rows, bool topDown = false) {
        const int h = static_cast<int>(rows.size());
        const int w = static_cast<int>(std::strlen(rows[0]));
        BWBuffer b(w, h, topDown);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (rows[y][x] == 'X' || rows[y][x] == '#') b.set(x, y);
        return b;
    }
    // Independent pixels black with probability density.
    void randomFill(std::mt19937& rng, double density) {
        std::bernoulli_distribution d(density);
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) set(x, y, d(rng));
    }
    // Blobs: random rectangles and pixels, giving components of many sizes.
    void blobFill(std::mt19937& rng, int count) {
        for (int i = 0; i < count; ++i) {
            const int x = static_cast<int>(rng() % w_), y = static_cast<int>(rng() % h_);
            const int bw = static_cast<int>(rng() % 6), bh = static_cast<int>(rng() % 6);
            if (rng() % 3 == 0)
                set(x, y);
            else
                fillRect(x, y, x + bw, y + bh);
        }
    }
    // Reduction by 2 in each direction: a pixel is black when any of its four
    // source pixels is.
    BWBuffer reduce2() const {
        BWBuffer r((w_ + 1) / 2, (h_ + 1) / 2, topDown_);
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (get(x, y)) r.set(x / 2, y / 2);
        return r;
    }

private:
    int w_, h_, stride_;
    bool topDown_;
    std::vector<BYTE> mem_;
    std::vector<BYTE> pix_;
};

#endif
