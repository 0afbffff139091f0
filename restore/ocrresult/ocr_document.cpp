// OCRDocument: the page model, which owns its regions.
#include "rkcorr/ocrresult/ocr_document.h"

#include "rkcorr/ocrresult/ocr_box.h"
#include "rkcorr/ocrresult/ocr_image.h"
#include "rkcorr/ocrresult/ocr_table.h"

OCRDocument::OCRDocument() = default;

OCRDocument::OCRDocument(OCRRect& page) : m_page(page) {}

OCRDocument::~OCRDocument() { release(); }

void OCRDocument::Add(OCRRegion* region) { m_regions.push_back(region); }

unsigned int OCRDocument::GetSize() const { return static_cast<unsigned int>(m_regions.size()); }

OCRRegion* OCRDocument::At(unsigned int index) const { return m_regions.at(index); }

const OCRRect& OCRDocument::GetPageRect() const { return m_page; }

void OCRDocument::release() {
    for (OCRRegion*& region : m_regions) {
        if (!region) continue;
        // Each kind is destroyed through its own class, with its lines,
        // cells and characters. OCRImage derives privately from OCRRegion,
        // hence the explicit-conversion cast.
        switch (region->GetType()) {
            case RKCORR_OCR_REGION_BOX: delete static_cast<OCRBox*>(region); break;
            case RKCORR_OCR_REGION_TABLE: delete static_cast<OCRTable*>(region); break;
            case RKCORR_OCR_REGION_IMAGE: delete (OCRImage*)region; break;
            default: break;  // a foreign kind: its owner's business
        }
        region = nullptr;
    }
}
