// BKErase: the score of a rectangle.
#include "rkcorr/bkerase.h"

#include <stddef.h>

#include "bwimage/exact_fp.h"

using rkfp::single;

float BKErase::GetEntropyScore(unsigned int x, unsigned int y, unsigned int dx, unsigned int dy) const {
    const unsigned int right = x + dx;
    const unsigned int bottom = y + dy;
    if (right >= m_width || bottom >= m_height) return -1.0f;
    // Without an image (or after memory ran out) every rectangle is outside.
    if (m_brightness == nullptr || m_gradient == nullptr || m_flags == nullptr || m_information == nullptr)
        return -1.0f;

    const unsigned char* flags = m_flags;
    const float* information = m_information;
    float sum = 0.0f;
    unsigned int count = 0;
    // Rows from the top of the image; the arrays keep the bitmap's bottom-up order.
    for (unsigned int r = y; r <= bottom; ++r) {
        const size_t base = size_t(m_width) * (m_height - r - 1);
        const unsigned char* level = m_brightness + base;
        const float* gradient = m_gradient + base;
        for (unsigned int c = x; c <= right; ++c) {
            const unsigned int b = level[c];
            if (flags[b] == 0) continue;
            const float g = gradient[c];
            sum = single(sum + single(single(information[b] * g) * g));
            ++count;
        }
    }
    if (count == 0) return 0.0f;
    return single(sum / single(static_cast<float>(count)));
}
