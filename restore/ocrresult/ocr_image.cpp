// OCRImage: a picture region of the page model.
#include "rkcorr/ocrresult/ocr_image.h"

OCRImage::OCRImage() { init(); }

OCRImage::~OCRImage() { release(); }

unsigned int OCRImage::GetType() const { return RKCORR_OCR_REGION_IMAGE; }

void OCRImage::init() {}

void OCRImage::release() {}
