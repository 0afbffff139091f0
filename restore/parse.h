// Result parsing: the engine's tagRESULT/tagDETAIL chains into the page model.
#ifndef RKCORR_RESTORE_PARSE_H
#define RKCORR_RESTORE_PARSE_H

#include "rkcorr/ocr_records.h"
#include "rkcorr/ocrresult.h"

// Locks hResult and hDetail, walks the top chain and builds a new document
// (the caller owns it) with the page rectangle (0, 0, wWidth, wHeight).
// Null when `head` is null or an array cannot be locked. Allocation failure
// throws, with both arrays unlocked.
OCRDocument* parse_ocrhead(tagOCRHEAD* head, tagIMGHEAD* image);

// Adds the region whose head record is `index`: 0 when a region was added,
// -1 when the head is excluded or neither a text nor a table head.
int parse_region_head(OCRDocument* doc, unsigned short index, tagRESULT* result, tagDETAIL* detail);
// An OCRBox of lines; always 0.
int parse_text_region(OCRDocument* doc, unsigned short index, tagRESULT* result, tagDETAIL* detail);
// An OCRTable of cells of lines; always 0.
int parse_table_region(OCRDocument* doc, unsigned short index, tagRESULT* result, tagDETAIL* detail);

#endif
