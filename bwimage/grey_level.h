// Grey levels of colour and palette pixels, and the grey-level histogram: the
// one place where both are computed, for the page mask and the scorer alike.
//
// grey_of               floor((blue + green + red) / 3) of one pixel
// grey_palette_table    grey level of each palette entry, and of the values past it
// grey_from_bgr         24-bit rows to grey rows, counted into a histogram
// grey_from_table       8-bit rows to grey rows through a table, counted likewise
// count_levels          histogram of grey rows
// *_plain               the same with plain per-pixel loops (reference twins)
//
// Kernels take rows and strides only; they neither lock nor allocate (beyond
// their own counting table). Every histogram is added to: the caller clears
// it first. A kernel given a GreyRowSink hands it each grey row as soon as
// the row is made and counted.
#ifndef RKCORR_BWIMAGE_GREY_LEVEL_H
#define RKCORR_BWIMAGE_GREY_LEVEL_H

#include <stddef.h>
#include <stdint.h>

namespace rkbwimage {

// floor(sum / 3) for every sum of three bytes (0 to 765), without a division.
inline uint8_t grey_of(unsigned blue, unsigned green, unsigned red) {
    return static_cast<uint8_t>(((blue + green + red) * 349525u + 1024u) >> 20);
}

// Receives grey rows while they are still in the cache: y counts the rows
// handed to the kernel, from 0, in their stored order.
class GreyRowSink {
public:
    virtual void row(unsigned y, const uint8_t* grey) = 0;

protected:
    ~GreyRowSink() = default;
};

// Marks a table entry whose pixel value has no palette entry.
constexpr uint16_t kNoLevel = 0x100;

// table[v] = grey level of the v-th 4-byte palette entry (blue, green, red,
// reserved) for v below entries; for the other values kNoLevel, or v itself
// when keepValue is set.
void grey_palette_table(const uint8_t* palette, unsigned entries, bool keepValue, uint16_t table[256]);

// dst row y, pixel x = grey_of of the three bytes at 3x of src row y; every
// written level is counted into hist.
void grey_from_bgr(const uint8_t* src, size_t srcStep, uint8_t* dst, size_t dstStep, unsigned w, unsigned h,
                   uint32_t hist[256], GreyRowSink* sink = nullptr);
void grey_from_bgr_plain(const uint8_t* src, size_t srcStep, uint8_t* dst, size_t dstStep, unsigned w,
                         unsigned h, uint32_t hist[256]);

// dst = low byte of table[src], counted into hist. False when some pixel
// met an entry above 255 (kNoLevel); its level is then 0.
bool grey_from_table(const uint8_t* src, size_t srcStep, uint8_t* dst, size_t dstStep, unsigned w, unsigned h,
                     const uint16_t table[256], uint32_t hist[256], GreyRowSink* sink = nullptr);

// Adds the levels of w x h grey pixels to hist.
void count_levels(const uint8_t* src, size_t srcStep, unsigned w, unsigned h, uint32_t hist[256],
                  GreyRowSink* sink = nullptr);
void count_levels_plain(const uint8_t* src, size_t srcStep, unsigned w, unsigned h, uint32_t hist[256]);

}  // namespace rkbwimage

#endif
