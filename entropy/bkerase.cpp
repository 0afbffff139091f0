// BKErase: life cycle, loading of the bitmap and the background levels.
#include "rkcorr/bkerase.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <new>

#include "bwimage/exact_fp.h"
#include "bwimage/grey_level.h"
#include "bwimage/large_array.h"
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
    // init clears the arrays and the state; the image's size and depth stay.
    const auto width = m_width, height = m_height, bitCount = m_bitCount;
    init();
    m_width = width;
    m_height = height;
    m_bitCount = bitCount;
}

int BKErase::allocate() {
    release();
    if (m_width == 0 || m_height == 0) return -1;
    const size_t n = pixel_count(m_width, m_height);
    if (n == 0) return -1;
    // Memory that cannot be had: -1, and the arrays obtained so far stay
    // until the next release().
    try {
        m_colour = rkbwimage::new_page_array<unsigned char>(n * 3, false);
        m_brightness = rkbwimage::new_page_array<unsigned char>(n, true);
        m_histogram = new unsigned int[256]();
        m_information = new float[256];
        m_flags = new unsigned char[256]();
        m_gradient = rkbwimage::new_page_array<float>(n, true);
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

    const unsigned int newWidth = static_cast<unsigned int>(header.biWidth);
    const unsigned int newHeight = static_cast<unsigned int>(header.biHeight);
    m_bitCount = header.biBitCount;
    if (m_gradient != nullptr && newWidth == m_width && newHeight == m_height) {
        // The arrays of the previous image have the new one's size: they serve
        // again, without the page faults of fresh memory (a page's arrays are
        // some 70 MB). The brightness array is rewritten whole below, the
        // histogram counts from zero again, histogram() rewrites every flag,
        // and no step writes anything but 0 in the gradient map's two-pixel
        // frame, which Do leaves as it is and rewrites everywhere inside.
        m_state = 0;
        memset(m_histogram, 0, 256 * sizeof *m_histogram);
    } else {
        m_width = newWidth;
        m_height = newHeight;
        const int result = allocate();
        if (result != 0) return result;
    }

    // The brightness histogram is counted as the brightness is made; the
    // histogram step then only reads it.
    const unsigned char* block = static_cast<const unsigned char*>(bitmap);
    const size_t width = m_width;
    if (m_bitCount == 24) {
        // One pass over the page: each colour row is copied while the
        // conversion has just brought it into the cache, and the histogram
        // counter sees the whole page at once.
        struct ColourCopy final : rkbwimage::GreyRowSink {
            const unsigned char* src;
            size_t stride;
            unsigned char* dst;
            size_t rowBytes;
            void row(unsigned y, const uint8_t*) override {
                rkbwimage::stream_copy(dst + y * rowBytes, src + y * stride, rowBytes);
            }
        } copy;
        copy.src = block + kInfoHeaderSize;
        copy.stride = (width * 3 + 3) & ~size_t(3);
        copy.dst = m_colour;
        copy.rowBytes = width * 3;
        rkbwimage::grey_from_bgr(copy.src, copy.stride, m_brightness, width, m_width, m_height, m_histogram,
                                 &copy);
        rkbwimage::stream_fence();
    } else {
        // Brightness of every possible pixel value: through the palette for
        // the values it covers, the value itself for the others.
        uint16_t level[256];
        rkbwimage::grey_palette_table(block + kInfoHeaderSize, header.biClrUsed, true, level);
        const size_t stride = (width + 3) & ~size_t(3);
        const unsigned char* src = block + kInfoHeaderSize + size_t(4) * header.biClrUsed;
        rkbwimage::grey_from_table(src, stride, m_brightness, width, m_width, m_height, level, m_histogram);
        rkbwimage::stream_copy(m_colour, m_brightness, width * m_height);
        rkbwimage::stream_fence();
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

    // SetImage counted the brightness of every pixel into the histogram.
    unsigned int total = 0;
    for (int v = 0; v < 256; ++v) total += m_histogram[v];

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

    for (int v = 0; v < 256; ++v) m_flags[v] = (m_histogram[v] != 0 && entropy > m_information[v]) ? 0 : 1;

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
