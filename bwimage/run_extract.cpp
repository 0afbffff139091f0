// Run extraction of CRkBWImage: black and white runs of rows and columns,
// gap closing and the rewriting of one line from runs.
#include <vector>

#include "rkcorr/bwimage.h"
#include "rkcorr/hranextract.h"

namespace {

// Transition array of HRanExtractFast: on the stack for the usual row widths.
class Transitions {
public:
    explicit Transitions(int range) {
        const int need = range + 2;
        if (need <= kLocal) {
            data_ = local_;
        } else {
            heap_.resize(static_cast<size_t>(need));
            data_ = heap_.data();
        }
    }
    int* data() { return data_; }

private:
    static const int kLocal = 4096;
    int local_[kLocal];
    std::vector<int> heap_;
    int* data_;
};

// The transitions of a row's black runs between start and end (each run's
// first pixel and the pixel after it), handed to emit(transitions, count).
template <class Emit>
void ScanRow(const BYTE* row, WORD start, WORD end, Emit emit) {
    Transitions t(end + 1 - start);
    int count = 0;
    HRanExtractFast(row, start, end, t.data(), count);
    emit(t.data(), count);
}

// Runs separated by at most gap pixels (the signed distance next.start -
// run.end - 1) become one run, compacting the vector in place.
template <class Run>
void CloseGaps(std::vector<Run>& runs, WORD gap) {
    if (runs.empty()) return;
    size_t kept = 0;
    for (size_t i = 1; i < runs.size(); ++i) {
        const int distance = static_cast<int>(runs[i].start) - static_cast<int>(runs[kept].end) - 1;
        if (distance <= static_cast<int>(gap))
            runs[kept].end = runs[i].end;
        else if (++kept != i)
            runs[kept] = runs[i];
    }
    runs.resize(kept + 1, runs[0]);
}

// The white runs between start and end of a row or column whose pixel at
// position p is black when black(p), one pixel test (a virtual call) each.
template <class Black>
void WhiteRuns(std::vector<TRkImgRan<unsigned short>>& runs, WORD start, WORD end, Black black) {
    runs.clear();
    bool open = false;
    unsigned int first = 0;
    for (unsigned int p = start; p <= end; ++p) {
        if (!black(p)) {
            if (!open) {
                open = true;
                first = p;
            }
        } else if (open) {
            runs.emplace_back(static_cast<unsigned short>(first), static_cast<unsigned short>(p - 1));
            open = false;
        }
    }
    if (open) runs.emplace_back(static_cast<unsigned short>(first), end);
}

}  // namespace

void CRkBWImage::HRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end) {
    ScanRow(GetLineData(line), start, end, [&](const int* d, int count) {
        runs.clear();
        runs.reserve(static_cast<size_t>(count / 2));
        for (int i = 0; i < count; i += 2)
            runs.emplace_back(static_cast<unsigned short>(d[i]), static_cast<unsigned short>(d[i + 1] - 1));
    });
}

void CRkBWImage::HRanExtract(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end) {
    ScanRow(GetLineData(line), start, end, [&](const int* d, int count) {
        runs->clear();
        runs->reserve(static_cast<size_t>(count / 2));
        for (int i = 0; i < count; i += 2)
            runs->emplace_back(static_cast<unsigned short>(d[i]), static_cast<unsigned short>(d[i + 1] - 1),
                               line);
    });
}

void CRkBWImage::HRanExtract(std::vector<TRkImgRan2Plus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end) {
    ScanRow(GetLineData(line), start, end, [&](const int* d, int count) {
        runs->resize(static_cast<size_t>(count / 2));  // every element is written below
        TRkImgRan2Plus<unsigned short>* out = runs->data();
        for (int i = 0; i < count; i += 2, ++out)
            *out = TRkImgRan2Plus<unsigned short>(static_cast<unsigned short>(d[i]),
                                                  static_cast<unsigned short>(d[i + 1] - 1), line, nullptr);
    });
}

void CRkBWImage::VRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end) {
    std::vector<TRkImgRan2Plus<unsigned short>> full;
    VRanExtract(&full, line, start, end);
    runs.clear();
    runs.reserve(full.size());
    for (const TRkImgRan2Plus<unsigned short>& r : full) runs.emplace_back(r.start, r.end);
}

void CRkBWImage::VRanExtract(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end) {
    std::vector<TRkImgRan2Plus<unsigned short>> full;
    VRanExtract(&full, line, start, end);
    runs->clear();
    runs->reserve(full.size());
    for (const TRkImgRan2Plus<unsigned short>& r : full) runs->emplace_back(r.start, r.end, r.line);
}

// Walks the column one byte test per row. The line field holds the column.
void CRkBWImage::VRanExtract(std::vector<TRkImgRan2Plus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end) {
    runs->clear();
    const unsigned int byte = line / 8u;
    const BYTE mask = static_cast<BYTE>(0x80u >> (line % 8u));
    unsigned int y = start;
    while (y <= end) {
        if (!(GetLineData(y)[byte] & mask)) {
            ++y;
            continue;
        }
        unsigned int y2 = y;
        while (y2 < end && (GetLineData(y2 + 1)[byte] & mask)) ++y2;
        runs->emplace_back(static_cast<unsigned short>(y), static_cast<unsigned short>(y2), line, nullptr);
        y = y2 + 2;
    }
}

void CRkBWImage::HWhiteRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start,
                                  WORD end) {
    WhiteRuns(runs, start, end, [&](unsigned int x) { return IsBlack(static_cast<WORD>(x), line); });
}

void CRkBWImage::VWhiteRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start,
                                  WORD end) {
    WhiteRuns(runs, start, end, [&](unsigned int y) { return IsBlack(line, static_cast<WORD>(y)); });
}

int CRkBWImage::RanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end,
                           int horizontal, int black, WORD gap) {
    if (black == 1 && horizontal == 1)
        HRanExtract(runs, line, start, end);
    else if (black == 1)
        VRanExtract(runs, line, start, end);
    else if (horizontal == 1)
        HWhiteRanExtract(runs, line, start, end);
    else
        VWhiteRanExtract(runs, line, start, end);
    if (gap != 0) CloseGaps(runs, gap);
    return 1;
}

int CRkBWImage::ConnectRan(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD gap) {
    CloseGaps(*runs, gap);
    return 0;
}

// A run that covers the whole window fills it.
int CRkBWImage::ReDraw(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal,
                       TRkImgRan<unsigned short>* window) {
    TRkImgRan<unsigned short> w;
    if (window)
        w = *window;
    else
        w = TRkImgRan<unsigned short>(
            0, static_cast<unsigned short>((horizontal == 1 ? GetWidth() : GetHeight()) - 1));
    std::vector<TRkImgRan<unsigned short>> cut;
    cut.reserve(runs.size());
    for (const TRkImgRan<unsigned short>& r : runs) {
        if (w.start <= r.start && r.end <= w.end)
            cut.push_back(r);
        else if (w.start <= r.start && r.start <= w.end)
            cut.emplace_back(r.start, w.end);
        else if (w.start <= r.end && r.end <= w.end)
            cut.emplace_back(w.start, r.end);
        else if (r.start < w.start && r.end > w.end)
            cut.push_back(w);
    }
    Erase(line, w.start, w.end, horizontal);
    Draw(line, cut, horizontal);
    return 1;
}
