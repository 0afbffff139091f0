// CRkBWImage::ConvertOutlineImage: filled shapes reduced to their outlines.
#include <memory>

#include "rkcorr/bwimage.h"
#include "rkcorr/bwimagetool.h"
#include "rkcorr/hranextract.h"

namespace {

void FillRow(const CRkBWImage& img, CRunList& list, UINT y, int left, int right) {
    list.clear();
    HRanExtractFast(img.GetLineData(y), left, right, list.runs, list.count);
    list.ConvertData();
}

}  // namespace

// The black runs of the rows above, at and below row y are intersected; the
// inside of every common run (all but its two ends) is cleared from row y.
// Row y + 1 is read before row y changes and row y - 1 was read before it
// changed, so every pixel is decided on the image as it was. A list made for
// width + 2 holds every intersection (its runs are at least two pixels long
// and apart), so nothing is allocated once the loop starts.
void CRkBWImage::ConvertOutlineImage(TRkImgRect<unsigned short> rect) {
    if (rect.GetHeight() < 3 || rect.GetWidth() < 3) return;
    const int left = rect.left, right = rect.right;
    const int n = rect.GetWidth() + 2;
    std::unique_ptr<CRunList> above, current, below, pair, common;
    try {
        above.reset(new CRunList(n));
        current.reset(new CRunList(n));
        below.reset(new CRunList(n));
        pair.reset(new CRunList(n));
        common.reset(new CRunList(n));
    } catch (...) {
        return;
    }
    FillRow(*this, *above, rect.top, left, right);
    FillRow(*this, *current, rect.top + 1u, left, right);
    for (UINT y = rect.top + 1u; y < rect.bottom; ++y) {
        FillRow(*this, *below, y + 1, left, right);
        CRkBWImageTool::RanAnd(*above, *current, *pair);
        CRkBWImageTool::RanAnd(*pair, *below, *common);
        for (int i = 0; i < common->count; i += 2) {
            const int a = common->runs[i], b = common->runs[i + 1];
            if (b - a > 1) Erase(static_cast<WORD>(y), static_cast<WORD>(a + 1), static_cast<WORD>(b - 1), 1);
        }
        above.swap(current);  // above := current
        current.swap(below);  // current := below; below := the old above, reused
    }
}
