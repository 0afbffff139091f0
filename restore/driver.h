// The processing driver behind ImgRestoration.
#ifndef RKCORR_RESTORE_DRIVER_H
#define RKCORR_RESTORE_DRIVER_H

#include "rkcorr/ocr_records.h"
#include "rkcorr/ocrresult.h"

// Builds the page mask for the page's pixel format, erases the recognised
// text, labels what remains, merges and commits. 0 when the commit was
// reached, -1 otherwise (tagIMGAREA then untouched). Owns and destroys every
// intermediate object; exceptions pass through to the caller.
int img_processing(tagOCRHEAD* head, tagIMGHEAD* image, OCRDocument* doc);

#endif
