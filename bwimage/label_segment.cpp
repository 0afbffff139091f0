// Labeling wrappers: label an area (or the whole image) into a frame table of
// their own and report the live frames in the table's order.
#include <utility>

#include "rkcorr/bwimage.h"

namespace {

typedef CRkFramePack::Frame Frame;

// In vertical scanning the frames are transposed; this turns one back.
inline void Untranspose(Frame& f) {
    std::swap(f.left, f.top);
    std::swap(f.right, f.bottom);
}

// The live frames of the table, in its order, as rectangles; frames of a
// vertical scan are turned back, and rectangles that carry runs take them.
inline void take_runs(TRkImgRect<unsigned short>&, Frame&) {}
inline void take_runs(TRkImgRectPlus<unsigned short>& r, Frame& f) { r.runs = std::move(f.runs); }

template <class Rect>
void report_live(CRkFramePack& frames, std::vector<Rect>& rects, bool transposed) {
    rects.clear();
    rects.reserve(frames.frames.size());
    for (Frame& f : frames.frames) {
        if (!CRkFramePack::IsLive(f)) continue;
        if (transposed) Untranspose(f);
        rects.emplace_back(f.left, f.top, f.right, f.bottom);
        take_runs(rects.back(), f);
    }
}

// Line labeling of an area (the whole image when null) reported as live
// rectangles, with or without their runs.
template <class Rect>
int label_lines(CRkBWImage& image, std::vector<Rect>& rects, WORD minLength, int horizontal,
                TRkImgRect<unsigned short>* area, int connect8, int keepRuns) {
    CRkFramePack frames;
    image.LocalLabelingLineRect(frames, minLength, horizontal, area ? *area : image.GetRkImgRect(), connect8,
                                keepRuns);
    report_live(frames, rects, !horizontal);
    return 1;
}

}  // namespace

int CRkBWImage::SegmentInit(std::vector<TRkImgRect<unsigned short>>& rects, TRkImgRect<unsigned short>* area,
                            int dropDots, int connect8, int eraseDots, CRkBWImage* dotImage) {
    CRkFramePack frames;
    LocalLabelingRan(frames, area ? *area : GetRkImgRect(), dropDots, connect8, 0, eraseDots, dotImage);
    report_live(frames, rects, false);
    return 1;
}

int CRkBWImage::LabelingRan(std::vector<TRkImgRectPlus<unsigned short>>& rects,
                            TRkImgRect<unsigned short>* area, int dropDots, int connect8, int eraseDots,
                            CRkBWImage* dotImage) {
    CRkFramePack frames;
    LocalLabelingRan(frames, area ? *area : GetRkImgRect(), dropDots, connect8, 1, eraseDots, dotImage);
    report_live(frames, rects, false);
    return 1;
}

int CRkBWImage::SegmentLineRect(std::vector<TRkImgRect<unsigned short>>& rects, WORD minLength,
                                int horizontal, TRkImgRect<unsigned short>* area, int connect8) {
    return label_lines(*this, rects, minLength, horizontal, area, connect8, 0);
}

int CRkBWImage::LabelingLineRect(std::vector<TRkImgRectPlus<unsigned short>>& rects, WORD minLength,
                                 int horizontal, TRkImgRect<unsigned short>* area, int connect8) {
    return label_lines(*this, rects, minLength, horizontal, area, connect8, 1);
}
