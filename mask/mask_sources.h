// The page mask made from the engine's page image, one source per pixel
// format. Each locks the block it reads (hBWImage or hDIB of the image header)
// and unlocks it before returning, on every path; the caller owns and deletes
// the returned mask.
#ifndef RKCORR_MASK_MASK_SOURCES_H
#define RKCORR_MASK_MASK_SOURCES_H

struct tagIMGHEAD;
class ImgMask;

// Dots per inch to dots per metre: dpi * 10000 / 254, truncated.
int dpi2dpm(unsigned int dpi);

// From the bilevel page bits (top row first). Null when hBWImage cannot be
// locked; a mask without a bilevel image when CreateMask refuses the input.
ImgMask* mask_from_bw(tagIMGHEAD* head);

// From an 8-bit bitmap whose pixel values are grey levels. Null when hDIB
// cannot be locked, the depth is not 8 or the page is empty.
ImgMask* mask_from_8bit_gray(tagIMGHEAD* head);

// From an 8-bit bitmap with a palette of biClrUsed entries, each turned into
// floor((r + g + b) / 3). A pixel value not below biClrUsed throws
// std::out_of_range after the bitmap is unlocked and the buffers freed.
ImgMask* mask_from_8bit_palette(tagIMGHEAD* head);

// From a 24-bit bitmap, grey = floor((b + g + r) / 3).
ImgMask* mask_from_24bit(tagIMGHEAD* head);

#endif
