// A picture region.
#ifndef RKCORR_OCRRESULT_OCR_IMAGE_H
#define RKCORR_OCRRESULT_OCR_IMAGE_H

#include "rkcorr/export.h"
#include "rkcorr/ocrresult/ocr_rect.h"
#include "rkcorr/ocrresult/ocr_region.h"

class RKCORR_API OCRImage final : public OCRRect, private OCRRegion, private OCRReject {
public:
    OCRImage();
    ~OCRImage();

    unsigned int GetType() const override;  // 2

    void init();
    void release();
};

#endif
