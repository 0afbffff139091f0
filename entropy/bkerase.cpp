// BKErase: life cycle, loading of the bitmap and the background levels.
#include "rkcorr/bkerase.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <new>

#include "entropy/brightness.h"
#include "bwimage/exact_fp.h"
#include "rkcorr/bitmap_types.h"

using rkfp::single;

namespace {

const size_t kInfoHeaderSize = 40;
const int kBandBelow = 15;  // background band: 15 levels below lo ...
const int kBandAbove = 15;  // ... up to 14 above hi

// Number of pixels, or 0 when the largest array, one float per pixel, could
// not be sized on this platform (memory that cannot be had).
size_t pixel_count(unsigned int width, unsigned int height) {
    const uint64_t n = uint64_t(width) * height;
    if (n > uint64_t(SIZE_MAX) / sizeof(float)) return 0;
    return static_cast<size_t>(n);
}

}  // namespace

BKErase::BKErase() { init(); }

BKErase::~BKErase() { release(); }

void BKErase::init() {
    m_width = 0;
    m_height = 0;
    m_bitCount = 24;
    m_colour = nullptr;
    m_brightness = nullptr;
    m_histogram = nullptr;
    m_information = nullptr;
    m_flags = nullptr;
    m_gradient = nullptr;
    m_state = 0;
}

void BKErase::release() {
    delete[] m_colour;
    delete[] m_brightness;
    delete[] m_histogram;
    delete[] m_information;
    delete[] m_flags;
    delete[] m_gradient;
    m_colour = nullptr;
    m_brightness = nullptr;
    m_histogram = nullptr;
    m_information = nullptr;
    m_flags = nullptr;
    m_gradient = nullptr;
    m_state = 0;
}

int BKErase::allocate() {
    release();
    if (m_width == 0 || m_height == 0) return -1;
    const size_t n = pixel_count(m_width, m_height);
    if (n == 0) return -1;
    // Memory that cannot be had: -1, and the arrays obtained so far stay
    // until the next release().
    try {
        m_colour = new unsigned char[n * 3];
        m_brightness = new unsigned char[n]();
        m_histogram = new unsigned int[256]();
        m_information = new float[256];
        m_flags = new unsigned char[256]();
        m_gradient = new float[n]();
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return 0;
}

int BKErase::SetImage(void* bitmap, unsigned int size) {
    if (bitmap == nullptr || size == 0) return -1;
    BITMAPINFOHEADER header;
    memcpy(&header, bitmap, sizeof header);
    if (header.biSize != kInfoHeaderSize || header.biHeight <= 0 || header.biWidth <= 0 ||
        header.biCompression != 0 || (header.biBitCount != 8 && header.biBitCount != 24))
        return -1;

    m_width = static_cast<unsigned int>(header.biWidth);
    m_height = static_cast<unsigned int>(header.biHeight);
    m_bitCount = header.biBitCount;
    const int result = allocate();
    if (result != 0) return result;

    const unsigned char* block = static_cast<const unsigned char*>(bitmap);
    const size_t width = m_width;
    if (m_bitCount == 24) {
        const size_t stride = (width * 3 + 3) & ~size_t(3);
        const unsigned char* src = block + kInfoHeaderSize;
        for (size_t y = 0; y < m_height; ++y, src += stride) {
            memcpy(m_colour + y * width * 3, src, width * 3);
            unsigned char* dst = m_brightness + y * width;
            for (size_t x = 0; x < width; ++x)
                dst[x] = get_brightness(src[3 * x], src[3 * x + 1], src[3 * x + 2]);
        }
    } else {
        // Brightness of every possible pixel value: through the palette for
        // the values it covers, the value itself for the others.
        unsigned char level[256];
        const size_t entries = header.biClrUsed < 256 ? header.biClrUsed : 256;
        const unsigned char* palette = block + kInfoHeaderSize;
        for (size_t v = 0; v < 256; ++v) {
            const unsigned char* e = palette + 4 * v;
            level[v] = v < entries ? palette_brightness(e[0], e[1], e[2])
                                   : static_cast<unsigned char>(v);
        }
        const size_t stride = (width + 3) & ~size_t(3);
        const unsigned char* src = block + kInfoHeaderSize + size_t(4) * header.biClrUsed;
        for (size_t y = 0; y < m_height; ++y, src += stride) {
            unsigned char* dst = m_brightness + y * width;
            for (size_t x = 0; x < width; ++x) dst[x] = level[src[x]];
            memcpy(m_colour + y * width, dst, width);
        }
    }
    m_state = 1;
    return 0;
}

int BKErase::Do() {
    const int result = histogram();
    if (result != 0) return result;
    return fast_variance();
}

int BKErase::histogram() {
    if (m_state != 1) return -1;

    // Four partial tables keep consecutive equal bytes from waiting on each other.
    unsigned int part[4][256];
    memset(part, 0, sizeof part);
    const size_t n = size_t(m_width) * m_height;
    const unsigned char* b = m_brightness;
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        ++part[0][b[i]];
        ++part[1][b[i + 1]];
        ++part[2][b[i + 2]];
        ++part[3][b[i + 3]];
    }
    for (; i < n; ++i) ++part[0][b[i]];
    unsigned int total = 0;
    for (int v = 0; v < 256; ++v) {
        m_histogram[v] += part[0][v] + part[1][v] + part[2][v] + part[3][v];
        total += m_histogram[v];
    }

    const float totalF = single(static_cast<float>(total));
    for (int v = 0; v < 256; ++v) {
        const unsigned int count = m_histogram[v];
        if (count == 0) {
            m_information[v] = 0.0f;
            continue;
        }
        const float share = single(single(static_cast<float>(count)) / totalF);
        m_information[v] = single(-rkfp::lnf(share));
    }

    float weighted = 0.0f;
    for (int v = 0; v < 256; ++v) {
        const unsigned int count = m_histogram[v];
        if (count == 0) continue;
        const float term = single(m_information[v] * single(static_cast<float>(count)));
        weighted = single(weighted + term);
    }
    const float entropy = single(weighted / totalF);

    for (int v = 0; v < 256; ++v)
        m_flags[v] = (m_histogram[v] != 0 && entropy > m_information[v]) ? 0 : 1;

    int lo = 256;
    for (int v = 128; v < 256; ++v) {
        if (m_flags[v] == 0) {
            lo = v;
            break;
        }
    }
    int hi = 0;
    for (int v = 255; v >= 1; --v) {
        if (m_flags[v] == 0) {
            hi = v;
            break;
        }
    }
    const int from = lo - kBandBelow > 0 ? lo - kBandBelow : 0;
    const int to = hi + kBandAbove < 256 ? hi + kBandAbove : 256;
    for (int v = from; v < to; ++v) m_flags[v] = 0;

    m_state = 2;
    return 0;
}

bool BKErase::CheckState() const { return m_state == 2; }

unsigned int BKErase::GetWidth() const { return m_width; }

unsigned int BKErase::GetHeight() const { return m_height; }

// The scorer's record is part of the exported interface.
static_assert(sizeof(unsigned int) == 4 && sizeof(float) == 4, "32-bit fields");
static_assert(sizeof(BKErase) == (sizeof(void*) == 4 ? 40 : 72), "BKErase record size");
