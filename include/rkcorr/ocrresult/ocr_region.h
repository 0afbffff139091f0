// Abstract base of a page's regions.
#ifndef RKCORR_OCRRESULT_OCR_REGION_H
#define RKCORR_OCRRESULT_OCR_REGION_H

#include "rkcorr/export.h"

// Region kinds returned by GetType().
#define RKCORR_OCR_REGION_BOX 0u
#define RKCORR_OCR_REGION_TABLE 1u
#define RKCORR_OCR_REGION_IMAGE 2u

// One virtual slot, GetType(). Regions are destroyed through their own class
// (OCRDocument dispatches on GetType()), never through this base.
class RKCORR_API OCRRegion {
public:
    virtual unsigned int GetType() const = 0;

protected:
    OCRRegion() = default;
    OCRRegion(OCRRegion const&) = default;
    OCRRegion& operator=(OCRRegion const&) = default;
    ~OCRRegion() = default;
};

#endif
