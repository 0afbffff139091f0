// The page model: the library's own picture of what the engine recognised on a
// page. An OCRDocument holds text boxes (OCRBox: lines of characters), tables
// (OCRTable: cells of lines) and picture regions (OCRImage).
#ifndef RKCORR_OCRRESULT_H
#define RKCORR_OCRRESULT_H

#include "rkcorr/ocrresult/ocr_rect.h"
#include "rkcorr/ocrresult/ocr_char.h"
#include "rkcorr/ocrresult/ocr_region.h"
#include "rkcorr/ocrresult/ocr_box.h"
#include "rkcorr/ocrresult/ocr_table.h"
#include "rkcorr/ocrresult/ocr_image.h"
#include "rkcorr/ocrresult/ocr_document.h"

#endif
