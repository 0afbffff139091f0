// Byte-parallel scanner of the black runs of one row of a bilevel image.
#ifndef RKCORR_HRANEXTRACT_H
#define RKCORR_HRANEXTRACT_H

#include "rkcorr/export.h"

// Finds the colour changes of the pixels start to end (inclusive) of a row
// (one bit per pixel, leftmost pixel in the most significant bit, 1 = black).
// transitions receives, for each black run in turn, its first pixel and the
// pixel after its last one; count is the number of entries written, always
// even (end + 1 closes a run that reaches end). The array needs room for
// (end + 1 - start) + 2 entries: one beyond the greatest count may be used
// as scratch.
RKCORR_API void HRanExtractFast(const unsigned char* row, int start, int end, int* transitions, int& count);

#endif
