// A text box: a region of lines.
#ifndef RKCORR_OCRRESULT_OCR_BOX_H
#define RKCORR_OCRRESULT_OCR_BOX_H

#include <vector>

#include "rkcorr/export.h"
#include "rkcorr/ocrresult/ocr_char.h"
#include "rkcorr/ocrresult/ocr_rect.h"
#include "rkcorr/ocrresult/ocr_region.h"

class RKCORR_API OCRBox final : public OCRRect, public OCRRegion, public OCRReject {
public:
    OCRBox();
    OCRBox(unsigned int x, unsigned int y, unsigned int width, unsigned int height);
    OCRBox(OCRBox const& other);
    OCRBox& operator=(OCRBox const& other) = default;
    ~OCRBox();

    unsigned int GetType() const override;  // 0

    // Appends a copy.
    void Add(OCRLine& line);
    unsigned int GetSize() const;
    // Throws std::out_of_range when index is not below GetSize().
    const OCRLine& At(unsigned int index) const;

private:
    std::vector<OCRLine> m_lines;
};

#endif
