// merge_rects and the passes that only disable candidates: margin bands, thin
// lines, areas inside text boxes and tables, tiny areas, and the sweep that
// removes disabled entries.
#include "restore/merge.h"

#include <memory>

#include "bwimage/exact_fp.h"
#include "restore/merge_geometry.h"
#include "rkcorr/imgmask.h"

using merge_geom::Rect;

// The thresholds below are defined on double-precision values: the functions
// that compute in double are RKCORR_EXACT_FP, so that results that lie on a
// threshold (1000 x 0.03 is 30, 0.7 x 100 is not above 70) are the same on
// every build.

std::list<IMGRect*>* merge_rects(std::vector<IMGRect>* labels, std::vector<IMGRect>* chars,
                                 std::vector<IMGRect>* boxes, OCRDocument* /*document*/, ImgMask* mask) {
    if (!labels) return nullptr;
    std::unique_ptr<std::list<IMGRect*>> list(new std::list<IMGRect*>());
    for (IMGRect& r : *labels) list->push_back(&r);
    const unsigned int width = mask ? mask->GetSrcWidth() : 0;
    const unsigned int height = mask ? mask->GetSrcHeight() : 0;

    merge_step1(chars, list.get());
    merge_step_margin(list.get(), width, height);
    merge_step2(chars, list.get());
    set_rect_attribute(list.get());
    merge_step_mark_inbox(list.get(), boxes);
    merge_step_erase_disablerc(list.get());
    return list.release();
}

namespace {

// A page dimension or band edge computed in double, truncated toward zero to
// an unsigned integer, then cut to 16 bits.
RKCORR_EXACT_FP unsigned short band_edge(double v) {
    return static_cast<unsigned short>(static_cast<unsigned int>(v));
}

// True when `band` holds the candidate, or holds more than `ratio` of its
// area (overlap greater than ratio x area).
RKCORR_EXACT_FP bool mostly_inside(const Rect& band, const Rect& c, uint32_t cArea, double ratio) {
    if (merge_geom::contains(band, c)) return true;
    if (merge_geom::crosses(band, c) || merge_geom::crosses(c, band))
        return static_cast<double>(merge_geom::overlap_area(c, band)) > ratio * static_cast<double>(cArea);
    return false;
}

}  // namespace

RKCORR_EXACT_FP void merge_step_margin(std::list<IMGRect*>* candidates, unsigned int width,
                                       unsigned int height) {
    if (!candidates || width == 0 || height == 0) return;
    const double w = width, h = height;
    const unsigned short wEdge = static_cast<unsigned short>(width);
    const unsigned short hEdge = static_cast<unsigned short>(height);
    const Rect bands[4] = {
        Rect(0, 0, wEdge, band_edge(h * 0.03)),          // top
        Rect(0, 0, band_edge(w * 0.03), hEdge),          // left
        Rect(0, band_edge(h - h * 0.03), wEdge, hEdge),  // bottom
        Rect(band_edge(w - w * 0.03), 0, wEdge, hEdge),  // right
    };
    for (IMGRect*& c : *candidates) {
        if (!c) continue;
        const uint32_t a = merge_geom::area(*c);
        for (const Rect& band : bands) {
            if (mostly_inside(band, *c, a, 0.9)) {
                c = nullptr;
                break;
            }
        }
    }
}

RKCORR_EXACT_FP void set_rect_attribute(std::list<IMGRect*>* candidates) {
    if (!candidates) return;
    for (IMGRect* c : *candidates) {
        if (!c) continue;
        const uint32_t h = merge_geom::span(c->bottom, c->top);
        const uint32_t w = merge_geom::span(c->right, c->left);
        const uint32_t lo = w < h ? w : h, hi = w < h ? h : w;
        // A single pixel (0 / 0) gives no ratio and is not a line.
        if (hi == 0) continue;
        if (static_cast<double>(lo) / static_cast<double>(hi) < 0.1) c->SetBorder(true);
    }
}

RKCORR_EXACT_FP void merge_step_mark_inbox(std::list<IMGRect*>* candidates, std::vector<IMGRect>* boxes) {
    if (!candidates || !boxes || boxes->empty()) return;
    for (IMGRect*& c : *candidates) {
        if (!c) continue;
        const double ratio = c->IsBorder() ? 0.3 : 0.7;
        const uint32_t a = merge_geom::area(*c);
        for (const IMGRect& box : *boxes) {
            if (mostly_inside(box, *c, a, ratio)) {
                c = nullptr;
                break;
            }
        }
    }
}

void merge_step_mark_tinyrc(std::list<IMGRect*>* candidates, unsigned int min_area) {
    if (!candidates || min_area == 0) return;
    for (IMGRect*& c : *candidates)
        if (c && merge_geom::area(*c) < min_area) c = nullptr;
}

void merge_step_erase_disablerc(std::list<IMGRect*>* candidates) {
    if (candidates) candidates->remove(nullptr);
}
