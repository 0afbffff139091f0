// Rectangle clearing for bilevel images known to be plain CRkBWImage objects
// (made by the library itself, so no derived class can have replaced a
// pixel operation): the rows are reached without the virtual slots.
#ifndef RKCORR_BWIMAGE_BW_FILL_H
#define RKCORR_BWIMAGE_BW_FILL_H

#include "rkcorr/bwimage.h"
#include "rkcorr/geometry.h"

namespace rkbwimage {

// What CRkBWImage::Erase(rect) does: every pixel inside rect, edges
// included, becomes white (nothing for an empty rectangle).
void erase_rect_plain(CRkBWImage& image, TRkImgRect<unsigned short> rect);

}  // namespace rkbwimage

#endif
