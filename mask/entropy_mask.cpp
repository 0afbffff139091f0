// The entropy mask: the grey-level histogram decides which light levels are
// paper background, every other pixel becomes black in a full-size 1-bit
// image (rows reversed into top-first order), and ImgMask reduces it.
#include "mask/entropy_mask.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>

#include "bwimage/exact_fp.h"
#include "bwimage/grey_level.h"
#include "mask/bw_header.h"
#include "mask/level_bits.h"
#include "rkcorr/bitmap_types.h"
#include "rkcorr/imgmask.h"

namespace {

constexpr int kBand = 20;  // levels added below the lightest background band and above it

// The 1-bit image's 48-byte header block: info header and two palette entries.
std::unique_ptr<unsigned char[]> make_bw_header(unsigned int width, unsigned int height,
                                                unsigned int resolution) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[sizeof(rkmask::BwHeaderBlock)]);
    const rkmask::BwHeaderBlock h =
        rkmask::make_bw_header(static_cast<LONG>(width), static_cast<LONG>(height),
                               static_cast<LONG>(resolution), static_cast<LONG>(resolution));
    memcpy(block.get(), &h, sizeof h);
    return block;
}

// The decision of entropy_foreground_levels with the logarithm Ln.
template <double (*Ln)(double)>
RKCORR_EXACT_FP bool foreground_levels(const unsigned int histogram[256], unsigned char flags[256]) {
    uint32_t total = 0;
    for (int i = 0; i < 256; ++i) total += histogram[i];
    if (total == 0) return false;

    // Self-information of each level and the histogram's entropy, in nats.
    double info[256];
    double sum = 0.0;
    for (int i = 0; i < 256; ++i) {
        info[i] =
            histogram[i] == 0 ? 0.0 : -Ln(static_cast<double>(histogram[i]) / static_cast<double>(total));
        if (histogram[i] != 0) sum += info[i] * static_cast<double>(histogram[i]);
    }
    const double entropy = sum / static_cast<double>(total);

    // A light level is background when its share exceeds e^-H.
    memset(flags, 1, 256);
    for (int i = 128; i < 256; ++i) flags[i] = (histogram[i] != 0 && entropy > info[i]) ? 0 : 1;
    int lo = 256, hi = 0;
    for (int i = 128; i < 256; ++i)
        if (flags[i] == 0) {
            lo = i;
            break;
        }
    for (int i = 255; i >= 1; --i)
        if (flags[i] == 0) {
            hi = i;
            break;
        }
    // The band around the background, every level between included.
    for (int i = std::max(0, lo - kBand); i < std::min(256, hi + kBand); ++i) flags[i] = 0;
    return true;
}

RKCORR_EXACT_FP double exact_ln(double x) { return rkfp::ln(x); }
// A guess may come out otherwise on a tie: the C library's logarithm is quick.
double quick_ln(double x) { return log(x); }

}  // namespace

// Every double operation of the decision is rounded once (RKCORR_EXACT_FP)
// and the logarithm is the library's own, so 32-bit and 64-bit builds agree
// on levels whose share lies on e^-H.
bool entropy_foreground_levels(const unsigned int histogram[256], unsigned char flags[256]) {
    return foreground_levels<exact_ln>(histogram, flags);
}

EntropyMaskBuilder::EntropyMaskBuilder(unsigned int width, unsigned int height, unsigned int resolution)
    : m_width(width), m_height(height) {
    const uint64_t bwRowBytes = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
    const uint64_t bwBytes = bwRowBytes * height;
    if (bwRowBytes > UINT32_MAX || bwBytes > SIZE_MAX) return;
    // Working buffers that cannot be had give no mask (ready() false).
    try {
        m_header = make_bw_header(width, height, resolution);
        // Every byte that the reduction reads is written; the row padding is
        // never read.
        m_bw.reset(new unsigned char[static_cast<size_t>(bwBytes)]);
        m_bwRowBytes = static_cast<size_t>(bwRowBytes);
    } catch (const std::bad_alloc&) {
        m_header.reset();
        m_bw.reset();
    }
}

EntropyMaskBuilder::~EntropyMaskBuilder() = default;

unsigned int EntropyMaskBuilder::sample_rows() const {
    return m_height > kSampleFirst ? (m_height - kSampleFirst - 1) / kSampleStep + 1 : 0;
}

void EntropyMaskBuilder::guess(const unsigned int sample[256]) {
    m_guessed = foreground_levels<quick_ln>(sample, m_fg) && rkmask::background_band(m_fg, m_first, m_count);
}

// The grey image's first row is the page's bottom line; the 1-bit image
// stores the top line first.
void EntropyMaskBuilder::row(unsigned y, const uint8_t* grey) {
    uint8_t* out = m_bw.get() + (m_height - 1 - y) * m_bwRowBytes;
    if (m_band)
        rkmask::outside_band_bits(grey, m_width, m_first, m_count, out);
    else
        rkmask::levels_to_bits(grey, m_width, m_fg, out);
}

bool EntropyMaskBuilder::decide(const unsigned int histogram[256]) {
    if (!entropy_foreground_levels(histogram, m_fg)) return false;
    // The background levels always form one band; the table of flags would
    // serve any other set.
    unsigned first = 0, count = 0;
    m_band = rkmask::background_band(m_fg, first, count);
    m_rewrite = !(m_guessed && m_band && first == m_first && count == m_count);
    m_first = first, m_count = count;
    return true;
}

ImgMask* EntropyMaskBuilder::make_mask() {
    ImgMask* mask = new ImgMask();
    // A mask whose reduction failed is still returned: it holds no image.
    mask->CreateMask(reinterpret_cast<BITMAPINFOHEADER*>(m_header.get()), m_bw.get(),
                     static_cast<unsigned int>(m_bwRowBytes));
    return mask;
}

ImgMask* create_entropy_mask(unsigned int width, unsigned int height, unsigned int rowLength,
                             unsigned int resolution, unsigned char* grey) {
    return make_entropy_mask(width, height, resolution,
                             [&](unsigned first, unsigned step, unsigned count, unsigned int* histogram,
                                 rkbwimage::GreyRowSink* sink) {
                                 rkbwimage::count_levels(grey + size_t{first} * rowLength,
                                                         size_t{step} * rowLength, width, count, histogram,
                                                         sink);
                             });
}
