// The page mask of an 8-bit grey page: light grey levels that are frequent
// enough (share of the pixels above e^-H, H the histogram's entropy) are paper
// background, together with a band of 20 levels below and 19 above them;
// every other pixel becomes black.
#ifndef RKCORR_MASK_ENTROPY_MASK_H
#define RKCORR_MASK_ENTROPY_MASK_H

class ImgMask;

// grey: one byte per pixel (0 black, 255 white), rows rowLength bytes apart,
// the page's bottom line first. resolution (dots per metre) goes to both
// resolutions of the mask. Returns a new mask (which may hold no bilevel
// image if its reduction ran out of memory), or null for an empty page or
// when a working buffer cannot be allocated.
ImgMask* create_entropy_mask(unsigned int width, unsigned int height, unsigned int rowLength,
                             unsigned int resolution, unsigned char* grey);

// The same for a caller that has already counted the grey levels while
// making the grey image: histogram[i] is the number of pixels of level i.
ImgMask* create_entropy_mask_counted(unsigned int width, unsigned int height, unsigned int rowLength,
                                     unsigned int resolution, const unsigned char* grey,
                                     const unsigned int histogram[256]);

// The background decision alone: flags[i] becomes 1 where pixels of level i
// turn black and 0 where they are background. False, writing nothing, when
// the histogram counts no pixel.
bool entropy_foreground_levels(const unsigned int histogram[256], unsigned char flags[256]);

#endif
