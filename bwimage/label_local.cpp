// Labeling of an area into a caller's frame table: by runs of rows (with dot
// dropping) and by runs of rows or columns of a minimum length.
#include <cstring>
#include <typeinfo>
#include <utility>

#include "rkcorr/bwimage.h"

namespace {

typedef CRkFramePack::Frame Frame;

}  // namespace

int CRkBWImage::LocalLabelingRan(CRkFramePack& frames, TRkImgRect<unsigned short> area, int dropDots,
                                 int connect8, int keepRuns, int eraseDots, CRkBWImage* dotImage) {
    if (dropDots && dotImage) {
        if (!dotImage->GetRkImgRect().CheckContain(GetRkImgRect())) return 0;
        const unsigned int rows = dotImage->GetHeight();
        const size_t bytes = dotImage->GetLineByteSize();
        for (unsigned int y = 0; y < rows; ++y) std::memset(dotImage->GetLineData(y), 0, bytes);
    }
    frames.clear();
    const int w = area.right + 1 - area.left;
    CRunList listA(w + 2);
    CRunList listB(w + 2);
    CRunList* prev = &listA;
    CRunList* cur = &listB;
    const unsigned int top = area.top;
    const unsigned int bottom = area.bottom;
    const int left = area.left;
    const int right = area.right;

    // Removes every component of exactly one pixel met in row y: a one-pixel
    // run whose frame never reached the next row.
    auto dropRow = [&](CRunList& list, unsigned int y) {
        const int n = list.count / 2;
        for (int i = 0; i < n; ++i) {
            const int s = list.runs[2 * i];
            if (s != list.runs[2 * i + 1]) continue;
            Frame* f = list.owners[i];
            if (f->top != f->bottom) continue;
            if (eraseDots) Erase(static_cast<WORD>(y), static_cast<WORD>(s), static_cast<WORD>(s), 1);
            if (dotImage) dotImage->Draw(static_cast<WORD>(y), static_cast<WORD>(s), static_cast<WORD>(s), 1);
            frames.del_Frame(f);
        }
    };

    // What ConvertData does (inclusive ends, no owners), noting on the way
    // whether the row holds a one-pixel run: rows without one have no dot
    // to drop, unless a derived class's joiner may have changed the runs.
    auto convert = [](CRunList& list) {
        const int n = list.count / 2;
        int* r = list.runs;
        bool dots = false;
        for (int i = 0; i < n; ++i, r += 2) {
            r[1] -= 1;
            dots |= r[0] == r[1];
            list.owners[i] = nullptr;
        }
        return dots;
    };

    const bool ownJoiner = typeid(*this) == typeid(CRkBWImage);
    bool prevDots = false;
    m_pProgress->BeginProcessing(bottom - top + 1);
    for (unsigned int y = top; y <= bottom; ++y) {
        if (!m_pProgress->SendProgress(y - top)) return 0;
        cur->clear();
        HRanExtractFast(GetLineData(y), left, right, cur->runs, cur->count);
        const bool curDots = convert(*cur) || !ownJoiner;
        const int joined = connect8
                               ? RanToFrame2(frames, *prev, *cur, static_cast<WORD>(y), keepRuns)
                               : RanToFrame_4Connect2(frames, *prev, *cur, static_cast<WORD>(y), keepRuns);
        if (!joined) return 0;
        if (dropDots == 1 && prevDots) dropRow(*prev, y - 1);
        std::swap(prev, cur);
        prevDots = curDots;
    }
    if (dropDots == 1 && prevDots) dropRow(*prev, bottom);
    m_pProgress->EndProcessing();
    return 1;
}

int CRkBWImage::LocalLabelingLineRect(CRkFramePack& frames, WORD minLength, int horizontal,
                                      TRkImgRect<unsigned short> area, int connect8, int keepRuns) {
    if (!horizontal) {
        std::swap(area.left, area.top);
        std::swap(area.right, area.bottom);
    }
    frames.clear();
    std::vector<TRkImgRan2Plus<unsigned short>> lineA, lineB, raw;
    std::vector<TRkImgRan2Plus<unsigned short>>* prev = &lineA;
    std::vector<TRkImgRan2Plus<unsigned short>>* cur = &lineB;
    const unsigned int first = area.top;
    const unsigned int last = area.bottom;

    m_pProgress->BeginProcessing(last - first + 1);
    for (unsigned int l = first; l <= last; ++l) {
        if (!m_pProgress->SendProgress(l - first)) return 0;
        raw.clear();
        if (horizontal)
            HRanExtract(&raw, static_cast<WORD>(l), area.left, area.right);
        else
            VRanExtract(&raw, static_cast<WORD>(l), area.left, area.right);
        cur->clear();
        for (const TRkImgRan2Plus<unsigned short>& r : raw)
            if (static_cast<int>(r.end) - static_cast<int>(r.start) + 1 >= static_cast<int>(minLength))
                cur->push_back(r);
        const int joined = connect8 ? RanToFrame(frames, prev, cur, static_cast<WORD>(l), keepRuns)
                                    : RanToFrame_4Connect(frames, prev, cur, static_cast<WORD>(l), keepRuns);
        if (!joined) return 0;
        std::swap(prev, cur);
    }
    m_pProgress->EndProcessing();
    return 1;
}
