// The main entry: picture-area restoration of one recognised page.
#ifndef RKCORR_IMG_RESTORATION_H
#define RKCORR_IMG_RESTORATION_H

#include "rkcorr/export.h"

// `head` carries the 32-bit movable-memory handle of the page's tagOCRHEAD
// block (rkcorr/ocr_records.h), converted to a pointer:
//     ImgRestoration(reinterpret_cast<void*>(static_cast<uintptr_t>(handle)))
// Finds the ink that is neither recognised text nor background, merges it
// with the engine's picture areas and writes at most 100 areas back into
// tagIMGAREA. Returns 0 when the page model could be built (the areas are then
// rewritten, or left untouched when the page could not be processed) and -1
// otherwise. Never throws; every lock it takes is released before it returns.
RKCORR_API int ImgRestoration(void* head);

#endif
