// The background-erase score step by step, random page-like images and refused header edits.
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

// Single-precision log, correctly rounded (double log rounded once).
inline float ln_single(float v) { return f32(float(log(double(v)))); }

// A packed bitmap in a movable block, freed with the object.
struct Block {
    HGLOBAL handle;
    explicit Block(const TestDib& d) : handle(d.global()) {}
    explicit Block(const std::vector<uint8_t>& bytes) : handle(rktest::GlobalBlock(bytes)) {}
    ~Block() { GlobalFree(handle); }
    void* arg() const { return reinterpret_cast<void*>(uintptr_t(handle)); }
};

// A new edge-entropy interface, initialised unless told otherwise.
inline IEdgeEntropy* Make(bool initialize = true) {
    void* out = nullptr;
    EXPECT_EQ(QueryEdgeEntropyInterface(&out), 1);
    IEdgeEntropy* e = static_cast<IEdgeEntropy*>(out);
    if (initialize) {
        EXPECT_EQ(e->Initialize(), 0);
    }
    return e;
}

// The packed bitmap of `d` with refusing header edit `k` of kRefusedEdits.
constexpr int kRefusedEdits = 12;
inline std::vector<uint8_t> refused_bitmap(const TestDib& d, int k) {
    std::vector<uint8_t> block = d.packed();
    BITMAPINFOHEADER h;
    memcpy(&h, block.data(), 40);
    const int32_t edits[][2] = {{8, -h.biHeight}, {8, 0},   {4, 0},  {4, -5}, {16, 1},  {16, 3},
                                {14, 16},         {14, 32}, {14, 1}, {0, 12}, {0, 108}, {0, 124}};
    memcpy(block.data() + edits[k][0], &edits[k][1], edits[k][0] == 14 ? 2 : 4);
    return block;
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
    unsigned width = 0, height = 0;
    std::vector<uint8_t> level;  // stored order: the bottom row first
    std::vector<float> gradient;
    unsigned count[256];
    float information[256];
    uint8_t flag[256];
    float entropy = 0;

    explicit Reference(const TestDib& d) : width(d.w), height(d.h) {
        for (unsigned n = 0; n < height; ++n)
            for (unsigned x = 0; x < width; ++x) {
                const unsigned v = d.stored(n)[x];
                level.push_back(d.bpp == 24 || v < unsigned(d.colors())
                                    ? uint8_t(rktest::GreyOf(d, x, d.h - 1 - n))
                                    : uint8_t(v));
            }
        find_background();
        gradient.assign(level.size(), 0.0f);
        for (int y = 2; y < int(height) - 2; ++y)
            for (int x = 2; x < int(width) - 2; ++x) {
                const int gx = at(x + 2, y) - at(x - 2, y), gy = at(x, y + 2) - at(x, y - 2);
                const float v = f32(float(gx * gx + gy * gy) / 32400.0f);
                gradient[size_t(y) * width + x] = v > 1.0f ? 1.0f : v;
            }
    }

    int at(int x, int y) const { return level[size_t(y) * width + x]; }

    void find_background() {
        memset(count, 0, sizeof count);
        for (uint8_t b : level) ++count[b];
        const unsigned total = unsigned(level.size());
        float sum = 0;
        for (int i = 0; i < 256; ++i) {
            information[i] =
                count[i] == 0 ? 0.0f : f32(-ln_single(f32(f32(float(count[i])) / f32(float(total)))));
            if (count[i] != 0) sum = f32(sum + f32(information[i] * f32(float(count[i]))));
        }
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
                const float m = f32(s / 49.0f), value = f32(f32(q / 49.0f) - f32(m * m));
                v[size_t(y) * width + x] = value;
                if (value > top) top = value;
            }
        if (top != 0.0f)
            for (float& e : v) e = std::min(f32(e / f32(top / 2.0f)), 1.0f);
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

// A grey image whose one-pixel score at stored (10, 10) is exactly `target`.
inline TestDib image_scoring(float target) {
    for (unsigned height = 20; height < 2000; ++height)
        for (unsigned width = 20; width <= 40; ++width) {
            const unsigned total = width * height, centre = unsigned(total * exp(-double(target)));
            for (unsigned zeros = centre - 1; zeros <= centre + 2; ++zeros) {
                if (f32(-ln_single(f32(f32(float(zeros)) / f32(float(total))))) != target) continue;
                std::vector<uint8_t> levels(total, 200);
                const size_t probe = 10 * width + 10;
                levels[probe] = levels[probe - 2] = 0;
                for (size_t i = 0, placed = 2; i < total && placed < zeros; ++i)
                    if (i != probe + 2 && levels[i] != 0) levels[i] = 0, ++placed;
                return grey24(int(width), int(height), levels);
            }
        }
    ADD_FAILURE() << "no image scores " << target;
    return TestDib(1, 1, false, 24);
}

}  // namespace entropy_test

#endif
