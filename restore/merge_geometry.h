// Field-level rectangle tests of the merge passes. They give exactly the
// results of TRkImgRect's CheckCross, CheckContain, MergeRect and GetSize
// (16-bit widths and heights, 32-bit product) without virtual calls, so the
// passes' inner loops stay tight.
#ifndef RKCORR_RESTORE_MERGE_GEOMETRY_H
#define RKCORR_RESTORE_MERGE_GEOMETRY_H

#include <stdint.h>

#include "rkcorr/geometry.h"

namespace merge_geom {

typedef TRkImgRect<unsigned short> Rect;

// The rectangles share at least one pixel (touching counts).
inline bool crosses(const Rect& a, const Rect& b) {
    return b.right >= a.left && a.right >= b.left && b.bottom >= a.top && a.bottom >= b.top;
}

// `inner` lies wholly inside `outer`, edges included.
inline bool contains(const Rect& outer, const Rect& inner) {
    return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
           inner.bottom <= outer.bottom;
}

// Width times height, each taken modulo 2^16, multiplied in 32 bits.
inline uint32_t area(const Rect& r) {
    return static_cast<uint32_t>(static_cast<unsigned short>(r.right - r.left + 1)) *
           static_cast<uint32_t>(static_cast<unsigned short>(r.bottom - r.top + 1));
}

// Area of the overlap of two crossing rectangles (larger left and top,
// smaller right and bottom).
inline uint32_t overlap_area(const Rect& a, const Rect& b) {
    const unsigned short l = a.left > b.left ? a.left : b.left;
    const unsigned short t = a.top > b.top ? a.top : b.top;
    const unsigned short r = a.right < b.right ? a.right : b.right;
    const unsigned short bt = a.bottom < b.bottom ? a.bottom : b.bottom;
    return static_cast<uint32_t>(static_cast<unsigned short>(r - l + 1)) *
           static_cast<uint32_t>(static_cast<unsigned short>(bt - t + 1));
}

// Grows `into` to the bounding box of both.
inline void grow(Rect& into, const Rect& other) {
    if (other.left < into.left) into.left = other.left;
    if (other.top < into.top) into.top = other.top;
    if (other.right > into.right) into.right = other.right;
    if (other.bottom > into.bottom) into.bottom = other.bottom;
}

// |a - b| of two 16-bit values.
inline uint32_t span(unsigned short a, unsigned short b) {
    return a > b ? static_cast<uint32_t>(a - b) : static_cast<uint32_t>(b - a);
}

}  // namespace merge_geom

#endif
