// Recognised characters leave the page mask; what ink remains is labelled
// into candidate rectangles in page coordinates.
#include "restore/text_erase.h"

#include <memory>

#include "restore/candidate.h"
#include "rkcorr/bwimage.h"
#include "rkcorr/geometry.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/ocrresult.h"

namespace {

void erase_line(ImgMask* mask, const OCRLine& line) {
    for (unsigned int k = 0; k < line.GetSize(); ++k) {
        const OCRChar& c = line.At(k);
        mask->EraseRect(c.GetPosX(), c.GetPosY(), c.GetWidth(), c.GetHeight());
    }
}

}  // namespace

void erase_text_region(ImgMask* mask, OCRDocument* document) {
    for (unsigned int r = 0; r < document->GetSize(); ++r) {
        OCRRegion* region = document->At(r);
        if (!region) continue;
        switch (region->GetType()) {
            case RKCORR_OCR_REGION_BOX: {
                const OCRBox& box = static_cast<const OCRBox&>(*region);
                for (unsigned int l = 0; l < box.GetSize(); ++l) erase_line(mask, box.At(l));
                break;
            }
            case RKCORR_OCR_REGION_TABLE: {
                const OCRTable& table = static_cast<const OCRTable&>(*region);
                for (unsigned int c = 0; c < table.GetSize(); ++c) {
                    const OCRCell& cell = table.At(c);
                    for (unsigned int l = 0; l < cell.GetSize(); ++l) erase_line(mask, cell.At(l));
                }
                break;
            }
            default:  // picture regions keep their ink
                break;
        }
    }
}

std::vector<IMGRect>* labeling(ImgMask* mask) {
    if (!mask) return nullptr;
    CRkBWImage* image = mask->GetCRkBWImage();
    if (!image) return nullptr;

    std::vector<TRkImgRect<unsigned short>> components;
    std::unique_ptr<std::vector<IMGRect>> areas(new std::vector<IMGRect>());
    // A mask of no pixels has no whole-image rectangle to label.
    if (image->GetWidth() == 0 || image->GetHeight() == 0) return areas.release();
    // 8-connectivity, single pixels dropped from the component table only.
    image->SegmentInit(components, nullptr, 1, 1, 0, nullptr);

    // Mask rows count up from the page's bottom line: flip back to page rows,
    // each mask coordinate going to the first page pixel of its cell.
    const unsigned short z = static_cast<unsigned short>(mask->GetZoom());
    const unsigned short h = static_cast<unsigned short>(mask->GetSrcHeight());
    areas->reserve(components.size());
    for (const TRkImgRect<unsigned short>& c : components) {
        const unsigned short left = static_cast<unsigned short>(z * c.GetLeft());
        const unsigned short right = static_cast<unsigned short>(z * c.GetRight());
        const unsigned short top = static_cast<unsigned short>(h - z * c.GetBottom() - 1);
        const unsigned short bottom = static_cast<unsigned short>(h - z * c.GetTop() - 1);
        areas->push_back(IMGRect(left, top, right, bottom));
    }
    return areas.release();
}
