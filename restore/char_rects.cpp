// Rectangles of recognised characters and of text boxes and tables, read from
// the page model. Each is (x, y, x + width, y + height) cut to 16 bits: one
// pixel wider and taller than the object, since IMGRect is inclusive.
#include "restore/char_rects.h"

#include <memory>

#include "rkcorr/ocrresult.h"

namespace {

IMGRect rect_of(const OCRRect& r) {
    const unsigned int x = r.GetPosX(), y = r.GetPosY();
    return IMGRect(static_cast<unsigned short>(x), static_cast<unsigned short>(y),
                   static_cast<unsigned short>(x + r.GetWidth()),
                   static_cast<unsigned short>(y + r.GetHeight()));
}

template <class Visit>
void visit_line(const OCRLine& line, Visit& visit) {
    for (unsigned int c = 0, n = line.GetSize(); c < n; ++c) {
        const OCRChar& ch = line.At(c);
        if (ch.GetWidth() != 0 && ch.GetHeight() != 0) visit(ch);
    }
}

// Calls visit(character) for every character of a non-empty size, in
// document, box or cell, line and character order.
template <class Visit>
void for_each_char(const OCRDocument& doc, Visit& visit) {
    for (unsigned int i = 0, n = doc.GetSize(); i < n; ++i) {
        const OCRRegion* region = doc.At(i);
        if (!region) continue;
        switch (region->GetType()) {
            case 0: {
                const OCRBox& box = static_cast<const OCRBox&>(*region);
                for (unsigned int l = 0, nl = box.GetSize(); l < nl; ++l) visit_line(box.At(l), visit);
                break;
            }
            case 1: {
                const OCRTable& table = static_cast<const OCRTable&>(*region);
                for (unsigned int c = 0, nc = table.GetSize(); c < nc; ++c) {
                    const OCRCell& cell = table.At(c);
                    for (unsigned int l = 0, nl = cell.GetSize(); l < nl; ++l) visit_line(cell.At(l), visit);
                }
                break;
            }
            default: break;
        }
    }
}

// The own rectangle of a text box or table; null for other regions.
const OCRRect* box_rect_of(const OCRRegion* region) {
    if (!region) return nullptr;
    switch (region->GetType()) {
        case 0: return static_cast<const OCRBox*>(region);
        case 1: return static_cast<const OCRTable*>(region);
        default: return nullptr;
    }
}

}  // namespace

std::vector<IMGRect>* create_char_rect(ImgMask* mask, OCRDocument* document) {
    if (!mask || !document) return nullptr;
    size_t count = 0;
    auto counter = [&count](const OCRChar&) { ++count; };
    for_each_char(*document, counter);

    std::unique_ptr<std::vector<IMGRect>> out(new std::vector<IMGRect>(count, IMGRect(0, 0, 0, 0)));
    std::vector<IMGRect>& v = *out;
    size_t k = 0;
    auto filler = [&v, &k](const OCRChar& ch) { v[k++] = rect_of(ch); };
    for_each_char(*document, filler);
    return out.release();
}

std::vector<IMGRect>* create_box_rect(ImgMask* mask, OCRDocument* document) {
    if (!mask || !document) return nullptr;
    const unsigned int n = document->GetSize();
    size_t count = 0;
    for (unsigned int i = 0; i < n; ++i)
        if (box_rect_of(document->At(i))) ++count;

    std::unique_ptr<std::vector<IMGRect>> out(new std::vector<IMGRect>(count, IMGRect(0, 0, 0, 0)));
    size_t k = 0;
    for (unsigned int i = 0; i < n; ++i)
        if (const OCRRect* r = box_rect_of(document->At(i))) (*out)[k++] = rect_of(*r);
    return out.release();
}
