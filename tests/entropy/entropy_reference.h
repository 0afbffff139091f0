// Test support: packed bitmaps built in memory, movable blocks holding them,
// and a plain, pixel-by-pixel reference of the background-erase score.
#ifndef RKCORR_TESTS_ENTROPY_REFERENCE_H
#define RKCORR_TESTS_ENTROPY_REFERENCE_H

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <random>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/platform_memory.h"

namespace entropy_test {

// Rounds to single precision through memory (x87 builds keep more otherwise).
inline float f32(float v) {
    volatile float t = v;
    return t;
}

// Single-precision natural logarithm, correctly rounded: the C library's
// double log rounded once to float (its logf is off by one unit now and then).
inline float ln_single(float v) { return f32(float(log(double(v)))); }

// Pixels of a test image, row 0 being the first row stored (the bottom row).
struct Image {
    unsigned width = 0, height = 0;
    int bitCount = 24;
    std::vector<uint8_t> bgr;      // 24-bit: 3 bytes a pixel
    std::vector<uint8_t> values;   // 8-bit: one byte a pixel
    std::vector<RGBQUAD> palette;  // 8-bit: biClrUsed entries
};

// The packed bitmap: header, palette and padded rows, and not one byte more.
inline std::vector<uint8_t> pack(const Image& im) {
    const size_t rowBytes = im.bitCount == 24 ? im.width * 3 : im.width;
    const size_t stride = (rowBytes + 3) / 4 * 4;
    const size_t paletteBytes = im.bitCount == 8 ? 4 * im.palette.size() : 0;
    std::vector<uint8_t> block(40 + paletteBytes + stride * im.height, 0);
    BITMAPINFOHEADER h;
    memset(&h, 0, sizeof h);
    h.biSize = 40;
    h.biWidth = int(im.width);
    h.biHeight = int(im.height);
    h.biPlanes = 1;
    h.biBitCount = WORD(im.bitCount);
    h.biClrUsed = unsigned(paletteBytes / 4);
    memcpy(block.data(), &h, 40);
    if (paletteBytes) memcpy(block.data() + 40, im.palette.data(), paletteBytes);
    const uint8_t* src = im.bitCount == 24 ? im.bgr.data() : im.values.data();
    for (size_t y = 0; y < im.height; ++y)
        memcpy(block.data() + 40 + paletteBytes + y * stride, src + y * rowBytes, rowBytes);
    return block;
}

// The packed bitmap of `im` with header edit `k` of kRefusedEdits, each of
// which makes the bitmap unacceptable.
constexpr int kRefusedEdits = 12;
inline std::vector<uint8_t> refused_bitmap(const Image& im, int k) {
    std::vector<uint8_t> block = pack(im);
    BITMAPINFOHEADER h;
    memcpy(&h, block.data(), 40);
    switch (k) {
        case 0: h.biHeight = -h.biHeight; break;
        case 1: h.biHeight = 0; break;
        case 2: h.biWidth = 0; break;
        case 3: h.biWidth = -5; break;
        case 4: h.biCompression = 1; break;
        case 5: h.biCompression = 3; break;
        case 6: h.biBitCount = 16; break;
        case 7: h.biBitCount = 32; break;
        case 8: h.biBitCount = 1; break;
        case 9: h.biSize = 12; break;
        case 10: h.biSize = 108; break;
        default: h.biSize = 124; break;
    }
    memcpy(block.data(), &h, 40);
    return block;
}

// A packed bitmap in a movable block, freed with the object.
struct Block {
    HGLOBAL handle = 0;
    explicit Block(const std::vector<uint8_t>& bytes) : handle(GlobalAlloc(GHND, bytes.size())) {
        memcpy(GlobalLock(handle), bytes.data(), bytes.size());
        GlobalUnlock(handle);
    }
    ~Block() { GlobalFree(handle); }
    void* arg() const { return reinterpret_cast<void*>(uintptr_t(handle)); }
};

// A grey 24-bit image from brightness levels (each pixel b = g = r).
inline Image grey24(unsigned width, unsigned height, const std::vector<uint8_t>& levels) {
    Image im;
    im.width = width;
    im.height = height;
    for (uint8_t l : levels) im.bgr.insert(im.bgr.end(), 3, l);
    return im;
}

// The score, step by step as the scorer is defined, without any shortcut.
struct Reference {
    unsigned width = 0, height = 0;
    std::vector<uint8_t> level;
    std::vector<float> gradient;
    unsigned count[256];
    float information[256];
    uint8_t flag[256];
    float entropy = 0;

    explicit Reference(const Image& im) : width(im.width), height(im.height) {
        level.resize(size_t(width) * height);
        for (size_t i = 0; i < level.size(); ++i) {
            if (im.bitCount == 24) {
                level[i] = uint8_t((im.bgr[3 * i] + im.bgr[3 * i + 1] + im.bgr[3 * i + 2]) / 3);
            } else {
                const unsigned v = im.values[i];
                level[i] = v < im.palette.size() && v < 256
                               ? uint8_t((im.palette[v].rgbRed + im.palette[v].rgbGreen +
                                          im.palette[v].rgbBlue) / 3)
                               : uint8_t(v);
            }
        }
        find_background();
        gradient.assign(level.size(), 0.0f);
        for (int y = 2; y < int(height) - 2; ++y)
            for (int x = 2; x < int(width) - 2; ++x) {
                const int gx = at(x + 2, y) - at(x - 2, y);
                const int gy = at(x, y + 2) - at(x, y - 2);
                float v = f32(float(gx * gx + gy * gy) / 32400.0f);
                gradient[size_t(y) * width + x] = v > 1.0f ? 1.0f : v;
            }
    }

    int at(int x, int y) const { return level[size_t(y) * width + x]; }

    void find_background() {
        memset(count, 0, sizeof count);
        for (uint8_t b : level) ++count[b];
        unsigned total = 0;
        for (int i = 0; i < 256; ++i) total += count[i];
        for (int i = 0; i < 256; ++i)
            information[i] = count[i] == 0 ? 0.0f : f32(-ln_single(f32(f32(float(count[i])) / f32(float(total)))));
        float sum = 0;
        for (int i = 0; i < 256; ++i)
            if (count[i] != 0) sum = f32(sum + f32(information[i] * f32(float(count[i]))));
        entropy = f32(sum / f32(float(total)));
        for (int i = 0; i < 256; ++i) flag[i] = (count[i] != 0 && entropy > information[i]) ? 0 : 1;
        int lo = 256, hi = 0;
        for (int i = 255; i >= 128; --i)
            if (flag[i] == 0) lo = i;
        for (int i = 1; i <= 255; ++i)
            if (flag[i] == 0) hi = i;
        for (int i = 0; i < 256; ++i)
            if (i >= lo - 15 && i < hi + 15) flag[i] = 0;
    }

    // The gradient from the 7 x 7 local variance, summing all 49 samples.
    void use_variance() {
        std::vector<float> v(level.size(), 0.0f);
        float top = 0;
        for (int y = 3; y + 3 < int(height); ++y)
            for (int x = 3; x + 3 < int(width); ++x) {
                float s = 0, q = 0;
                for (int j = -3; j <= 3; ++j)
                    for (int i = -3; i <= 3; ++i) {
                        const float b = float(at(x + i, y + j));
                        s = f32(s + b);
                        q = f32(q + f32(b * b));
                    }
                const float m = f32(s / 49.0f), mq = f32(q / 49.0f);
                const float value = f32(mq - f32(m * m));
                v[size_t(y) * width + x] = value;
                if (value > top) top = value;
            }
        if (top != 0.0f) {
            const float half = f32(top / 2.0f);
            for (float& e : v) {
                e = f32(e / half);
                if (e > 1.0f) e = 1.0f;
            }
        }
        gradient = v;
    }

    float score(unsigned x, unsigned y, unsigned dx, unsigned dy) const {
        const unsigned right = x + dx, bottom = y + dy;
        if (right >= width || bottom >= height) return -1.0f;
        float sum = 0;
        unsigned n = 0;
        for (uint64_t r = y; r <= bottom; ++r)
            for (uint64_t c = x; c <= right; ++c) {
                const size_t i = size_t(width) * (height - r - 1) + c;
                if (!flag[level[i]]) continue;
                sum = f32(sum + f32(f32(information[level[i]] * gradient[i]) * gradient[i]));
                ++n;
            }
        return n == 0 ? 0.0f : f32(sum / f32(float(n)));
    }
};

// A random page-like image: a few frequent colours, blobs of others and noise;
// 8-bit ones get palettes of every size, some smaller than the values used.
inline Image random_image(std::mt19937& rng, int bitCount, unsigned maxSide) {
    auto uniform = [&](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };
    auto byte = [&] { return uint8_t(uniform(0, 255)); };
    Image im;
    im.bitCount = bitCount;
    im.width = uniform(1, maxSide);
    im.height = uniform(1, maxSide);
    const size_t n = size_t(im.width) * im.height;
    const unsigned frequent = uniform(1, 3);
    std::vector<uint8_t> colours(3 * 8);
    for (uint8_t& c : colours) c = byte();
    if (uniform(0, 1)) colours[0] = colours[1] = colours[2] = uint8_t(uniform(200, 255));
    for (size_t i = 0; i < n; ++i) {
        const unsigned r = uniform(0, 99);
        const unsigned pick = r < 70 ? uniform(0, frequent - 1) : r < 95 ? uniform(0, 7) : 8 + uniform(0, 255);
        if (bitCount == 24)
            for (int k = 0; k < 3; ++k) im.bgr.push_back(pick < 8 ? colours[3 * pick + k] : byte());
        else
            im.values.push_back(pick < 8 ? uint8_t(pick * 31 + 3) : uint8_t(pick - 8));
    }
    if (bitCount == 8) {
        im.palette.resize(uniform(0, 3) == 0 ? uniform(0, 12) : uniform(200, 300));
        for (RGBQUAD& q : im.palette) q = RGBQUAD{byte(), byte(), byte(), byte()};
    }
    return im;
}

// A grey image whose only foreground level is 0 and whose level-0 pixel at
// stored (10, 10) has a full gradient, so that its one-pixel score is exactly
// -logf(zeros / (width * height)). Finds a size and a count of level-0 pixels
// for which that value is `target`; false if none is found.
inline bool image_scoring(float target, Image& out) {
    for (unsigned height = 20; height < 2000; ++height) {
        for (unsigned width = 20; width <= 40; ++width) {
            const unsigned total = width * height;
            const unsigned centre = unsigned(total * exp(-double(target)));
            for (unsigned zeros = centre - 1; zeros <= centre + 2; ++zeros) {
                const float info = f32(-ln_single(f32(f32(float(zeros)) / f32(float(total)))));
                if (info != target) continue;
                std::vector<uint8_t> levels(total, 200);
                const size_t target_pixel = 10 * width + 10, right = target_pixel + 2;
                levels[target_pixel] = 0;
                levels[target_pixel - 2] = 0;
                unsigned placed = 2;
                for (size_t i = 0; i < total && placed < zeros; ++i) {
                    if (i == right || levels[i] == 0) continue;
                    levels[i] = 0;
                    ++placed;
                }
                out = grey24(width, height, levels);
                return true;
            }
        }
    }
    return false;
}

}  // namespace entropy_test

#endif
