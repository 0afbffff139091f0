// The background-erase score step by step in single precision, and the test images.
#ifndef RKCORR_TESTS_ENTROPY_REFERENCE_H
#define RKCORR_TESTS_ENTROPY_REFERENCE_H

#include <gtest/gtest.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <vector>

#include "rkcorr/edge_entropy.h"
#include "support/test_dib.h"

namespace entropy_test {

using rktest::TestDib;

// Rounds to single precision through memory (x87 builds keep more otherwise).
inline float f32(float v) {
    volatile float t = v;
    return t;
}

// A packed bitmap in a movable block, freed with the object.
struct Block {
    HGLOBAL handle;
    explicit Block(const std::vector<uint8_t>& bytes) : handle(rktest::GlobalBlock(bytes)) {}
    explicit Block(const TestDib& d) : Block(d.packed()) {}
    ~Block() { GlobalFree(handle); }
    void* arg() const { return reinterpret_cast<void*>(uintptr_t(handle)); }
};

// A new edge-entropy interface, initialised.
inline IEdgeEntropy* Make() {
    void* out = nullptr;
    EXPECT_EQ(QueryEdgeEntropyInterface(&out), 1);
    IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
    EXPECT_EQ(e->Initialize(), 0);
    return e;
}

// A grey 24-bit bottom-up image from levels in stored order (each pixel b = g = r).
inline TestDib grey24(int width, int height, const std::vector<uint8_t>& levels) {
    TestDib d(width, height, false, 24);
    for (size_t i = 0; i < levels.size(); ++i)
        memset(d.stored(int(i / width)) + 3 * (i % width), levels[i], 3);
    return d;
}

// A random page-like bottom-up image; 8-bit palettes of every size.
inline TestDib random_image(std::mt19937& rng, int bitCount, int maxSide) {
    const int w = 1 + rng() % maxSide, h = 1 + rng() % maxSide;
    const int colors = bitCount == 24 ? 0 : rng() % 4 == 0 ? rng() % 13 : 200 + rng() % 101;
    TestDib d(w, h, false, bitCount, colors);
    d.pageFill(rng);
    for (int i = 0; i < colors; ++i)
        d.palette()[i] = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), BYTE(rng())};
    return d;
}

struct Reference {
    unsigned width, height;
    std::vector<uint8_t> level;  // stored order: the bottom row first
    std::vector<float> gradient;
    float information[256];
    uint8_t flag[256];  // 1: the level counts in scores

    explicit Reference(const TestDib& d) : width(d.w), height(d.h), gradient(size_t(d.w) * d.h, 0.0f) {
        unsigned count[256] = {};
        for (unsigned n = 0; n < height; ++n)
            for (unsigned x = 0; x < width; ++x) {
                const unsigned v = d.stored(n)[x];
                level.push_back(d.bpp == 24 || v < unsigned(d.colors()) ? rktest::GreyOf(d, x, d.h - 1 - n)
                                                                        : v);
                ++count[level.back()];
            }
        float sum = 0;
        for (int i = 0; i < 256; ++i) {
            const float share = f32(f32(float(count[i])) / f32(float(level.size())));
            information[i] = count[i] ? f32(-f32(float(log(double(share))))) : 0.0f;  // log correctly rounded
            if (count[i]) sum = f32(sum + f32(information[i] * f32(float(count[i]))));
        }
        const float entropy = f32(sum / f32(float(level.size())));
        int lo = 256, hi = 0;
        for (int i = 0; i < 256; ++i) {
            flag[i] = !(count[i] && entropy > information[i]);
            if (!flag[i]) lo = std::min(lo, i >= 128 ? i : 256), hi = std::max(hi, i);
        }
        for (int i = std::max(0, lo - 15); i < std::min(256, hi + 15); ++i) flag[i] = 0;
        for (int y = 2; y + 2 < int(height); ++y)
            for (int x = 2; x + 2 < int(width); ++x) {
                const int gx = at(x + 2, y) - at(x - 2, y), gy = at(x, y + 2) - at(x, y - 2);
                gradient[size_t(y) * width + x] = std::min(f32(float(gx * gx + gy * gy) / 32400.0f), 1.0f);
            }
    }

    int at(int x, int y) const { return level[size_t(y) * width + x]; }

    // The gradient from the 7 x 7 local variance, summing all 49 samples.
    void use_variance() {
        std::vector<float> v(level.size(), 0.0f);
        float top = 0;
        for (int y = 3; y + 3 < int(height); ++y)
            for (int x = 3; x + 3 < int(width); ++x) {
                float s = 0, q = 0;
                for (int j = -3; j <= 3; ++j)
                    for (int i = -3; i <= 3; ++i)
                        s = f32(s + at(x + i, y + j)),
                        q = f32(q + f32(float(at(x + i, y + j) * at(x + i, y + j))));
                const float m = f32(s / 49.0f), value = f32(f32(q / 49.0f) - f32(m * m));
                top = std::max(top, v[size_t(y) * width + x] = value);
            }
        for (float& e : v) e = top == 0.0f ? e : std::min(f32(e / f32(top / 2.0f)), 1.0f);
        gradient = v;
    }

    float score(unsigned x, unsigned y, unsigned dx, unsigned dy) const {
        if (x + dx >= width || y + dy >= height) return -1.0f;
        float sum = 0;
        unsigned n = 0;
        for (uint64_t r = y; r <= y + dy; ++r)
            for (uint64_t c = x; c <= x + dx; ++c) {
                const size_t i = size_t(width) * (height - r - 1) + c;
                if (flag[level[i]])
                    sum = f32(sum + f32(f32(information[level[i]] * gradient[i]) * gradient[i])), ++n;
            }
        return n == 0 ? 0.0f : f32(sum / f32(float(n)));
    }
};

}  // namespace entropy_test

#endif
