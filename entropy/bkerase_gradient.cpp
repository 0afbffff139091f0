// BKErase: gradient maps.
#include "rkcorr/bkerase.h"

#include <stddef.h>

#include "bwimage/exact_fp.h"

using rkfp::single;

int BKErase::fast_variance() {
    const int width = static_cast<int>(m_width);
    const int height = static_cast<int>(m_height);
    if (m_brightness == nullptr || m_gradient == nullptr) return 0;
    const ptrdiff_t w = width;
    for (int y = 2; y < height - 2; ++y) {
        const unsigned char* row = m_brightness + w * y;
        const unsigned char* below = row - 2 * w;
        const unsigned char* above = row + 2 * w;
        float* out = m_gradient + w * y;
        for (int x = 2; x < width - 2; ++x) {
            const int gx = int(row[x + 2]) - int(row[x - 2]);
            const int gy = int(above[x]) - int(below[x]);
            const float v = single(static_cast<float>(gx * gx + gy * gy) / 32400.0f);
            out[x] = v > 1.0f ? 1.0f : v;
        }
    }
    return 0;
}

int BKErase::variance() {
    const int width = static_cast<int>(m_width);
    const int height = static_cast<int>(m_height);
    if (m_brightness == nullptr || m_gradient == nullptr) return 0;
    const ptrdiff_t w = width;
    float top = 0.0f;
    for (int y = 0; y < height; ++y) {
        float* out = m_gradient + w * y;
        if (y < 3 || y + 3 >= height || width < 7) {
            for (int x = 0; x < width; ++x) out[x] = 0.0f;
            continue;
        }
        // Window sums slide along the row, one column of 7 in and one out.
        const unsigned char* first = m_brightness + w * (y - 3);
        unsigned int sum = 0, squares = 0;
        auto add_column = [&](int x, int sign) {
            for (int k = 0; k < 7; ++k) {
                const unsigned int b = first[w * k + x];
                if (sign > 0) {
                    sum += b;
                    squares += b * b;
                } else {
                    sum -= b;
                    squares -= b * b;
                }
            }
        };
        for (int x = 0; x < 7; ++x) add_column(x, 1);
        out[0] = out[1] = out[2] = 0.0f;
        for (int x = 3;; ++x) {
            // The sums are integers below 2^24, so they equal the float sums.
            const float mean = single(static_cast<float>(sum) / 49.0f);
            const float meanSquare = single(static_cast<float>(squares) / 49.0f);
            const float v = single(meanSquare - single(mean * mean));
            out[x] = v;
            if (v > top) top = v;
            if (x + 4 >= width) break;
            add_column(x - 3, -1);
            add_column(x + 4, 1);
        }
        for (int x = width - 3; x < width; ++x) out[x] = 0.0f;
    }
    // With every local variance 0 there is nothing to normalise by.
    if (top == 0.0f) return 0;
    const float half = single(top / 2.0f);
    const size_t n = size_t(m_width) * m_height;
    for (size_t i = 0; i < n; ++i) {
        const float v = single(m_gradient[i] / half);
        m_gradient[i] = v > 1.0f ? 1.0f : v;
    }
    return 0;
}
