// Grey rows to 1-bit rows: each pixel whose level is foreground sets its bit
// (bit 7 - x % 8 of byte x / 8, the leftmost pixel highest).
//
// levels_to_bits        through a table of 256 foreground flags (plain loop)
// outside_band_bits     foreground = every level outside one band of levels,
//                       32 pixels at a time on processors with AVX2, else
//                       through outside_band_bits_baseline (sixteen at a time
//                       where SSE2 is available)
#ifndef RKCORR_MASK_LEVEL_BITS_H
#define RKCORR_MASK_LEVEL_BITS_H

#include <stdint.h>

namespace rkmask {

// Writes all (width + 7) / 8 bytes of out; the bits past the width are 0.
void levels_to_bits(const uint8_t* grey, unsigned width, const uint8_t fg[256], uint8_t* out);

// The same for fg[i] = 0 exactly when first <= i < first + count (count 0 to
// 256, first + count at most 256).
void outside_band_bits(const uint8_t* grey, unsigned width, unsigned first, unsigned count, uint8_t* out);
void outside_band_bits_baseline(const uint8_t* grey, unsigned width, unsigned first, unsigned count,
                                uint8_t* out);

// Finds the band of a flag table: true, with first and count set, when the
// levels whose flag is 0 form one stretch (possibly empty, then count 0).
bool background_band(const uint8_t fg[256], unsigned& first, unsigned& count);

}  // namespace rkmask

#endif
