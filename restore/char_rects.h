// Rectangles of the page model that the merge passes test candidates against.
#ifndef RKCORR_RESTORE_CHAR_RECTS_H
#define RKCORR_RESTORE_CHAR_RECTS_H

#include <vector>

#include "restore/candidate.h"

class ImgMask;
class OCRDocument;

// One rectangle per recognised character of the document's text boxes and
// tables (document, box/cell, line and character order), skipping characters
// of width or height 0. Each is (x, y, x + width, y + height), every side cut
// to 16 bits, border flag clear: one pixel wider and taller than the
// character. Null when `mask` or `document` is null; the caller deletes the
// vector. Allocation failure throws std::bad_alloc.
std::vector<IMGRect>* create_char_rect(ImgMask* mask, OCRDocument* document);

// One rectangle per text box and per table, in document order, made from the
// region's own rectangle as above (no size test). Null as above.
std::vector<IMGRect>* create_box_rect(ImgMask* mask, OCRDocument* document);

#endif
