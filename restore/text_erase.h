// The first two steps on the page mask: recognised characters are erased
// from it, and the ink that remains is labelled into candidate rectangles.
#ifndef RKCORR_RESTORE_TEXT_ERASE_H
#define RKCORR_RESTORE_TEXT_ERASE_H

#include <vector>

class ImgMask;
class OCRDocument;
class IMGRect;

// Erases the rectangle of every character of the document's text boxes and
// tables (with EraseRect's margin) from the mask. Picture regions are left
// alone. Neither pointer may be null.
void erase_text_region(ImgMask* mask, OCRDocument* document);

// Bounding rectangles, in page coordinates (top-down, border flag clear), of
// the 8-connected components of the mask that are larger than one pixel, in
// the order of the labeling's component table. Null when the mask is null or
// holds no bilevel image; an empty vector for a blank mask. The caller
// deletes the vector. Allocation failure throws std::bad_alloc.
std::vector<IMGRect>* labeling(ImgMask* mask);

#endif
