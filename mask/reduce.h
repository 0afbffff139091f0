// The 2 x 2 OR reduction of 1-bit rows behind ImgMask::CreateMask.
#ifndef RKCORR_MASK_REDUCE_H
#define RKCORR_MASK_REDUCE_H

#include <stddef.h>
#include <stdint.h>

namespace rkmask {

// Reduces srcHeight rows of srcLineBytes bytes each (srcStride bytes apart)
// into rows dstStride bytes apart, in the same row order: destination row n
// is the OR of source rows 2n and 2n + 1 (2n alone for the last row of an odd
// height), and destination pixel m of a row is black when source pixel 2m or
// 2m + 1 is. All eight bits of every source byte count, padding bits
// included. Reads exactly srcLineBytes bytes of each source row; writes the
// first (srcLineBytes + 1) / 2 bytes of each destination row.
void reduce_rows(const uint8_t* src, size_t srcStride, size_t srcLineBytes, size_t srcHeight, uint8_t* dst,
                 size_t dstStride);

}  // namespace rkmask

#endif
