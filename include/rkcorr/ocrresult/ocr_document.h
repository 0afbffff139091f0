// The page model: the page rectangle and its regions.
#ifndef RKCORR_OCRRESULT_OCR_DOCUMENT_H
#define RKCORR_OCRRESULT_OCR_DOCUMENT_H

#include <vector>

#include "rkcorr/export.h"
#include "rkcorr/ocrresult/ocr_rect.h"
#include "rkcorr/ocrresult/ocr_region.h"

// Owns its regions, which must have been created with new: an OCRBox, an
// OCRTable or an OCRImage, told apart by GetType().
class RKCORR_API OCRDocument {
public:
    OCRDocument();
    explicit OCRDocument(OCRRect& page);
    ~OCRDocument();
    OCRDocument(OCRDocument const&) = delete;
    OCRDocument& operator=(OCRDocument const&) = delete;

    // Appends the pointer and takes ownership of the region.
    void Add(OCRRegion* region);
    unsigned int GetSize() const;
    // The region in a slot (null once released); throws std::out_of_range
    // when index is not below GetSize().
    OCRRegion* At(unsigned int index) const;
    const OCRRect& GetPageRect() const;

    // Destroys every region and leaves a null pointer in its slot.
    void release();

private:
    OCRRect m_page;
    std::vector<OCRRegion*> m_regions;
};

#endif
