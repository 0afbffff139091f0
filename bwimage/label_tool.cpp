// Static helpers of run labeling.
#include "rkcorr/bwimagetool.h"

#include "bwimage/run_addran.h"

void CRkBWImageTool::SaveRan(Frame* frame, unsigned short line, int* run) {
    frame->runs.emplace_back(static_cast<unsigned short>(run[0]), static_cast<unsigned short>(run[1]), line);
}

void CRkBWImageTool::SaveRan(Frame* frame, unsigned short line, const TRkImgRan2Plus<unsigned short>& run) {
    frame->runs.emplace_back(run.start, run.end, line);
}

void CRkBWImageTool::UpdateRect(Frame* frame, int* run, unsigned short line) {
    const unsigned short s = static_cast<unsigned short>(run[0]);
    const unsigned short e = static_cast<unsigned short>(run[1]);
    if (s < frame->GetLeft()) frame->SetLeft(s);
    if (e > frame->GetRight()) frame->SetRight(e);
    if (line > frame->GetBottom()) frame->SetBottom(line);
}

void CRkBWImageTool::UpdateRect(Frame* frame, TRkImgRan2Plus<unsigned short>& run, unsigned short line) {
    if (run.start < frame->GetLeft()) frame->SetLeft(run.start);
    if (run.end > frame->GetRight()) frame->SetRight(run.end);
    if (line > frame->GetBottom()) frame->SetBottom(line);
}

void CRkBWImageTool::ChangeID(CRunList& list, void* from, void* to) {
    const int n = list.count / 2;
    Frame* const f = static_cast<Frame*>(from);
    Frame* const t = static_cast<Frame*>(to);
    for (int i = 0; i < n; ++i)
        if (list.owners[i] == f) list.owners[i] = t;
}

void CRkBWImageTool::ChangeID(RunVector* list, void* from, void* to) {
    for (TRkImgRan2Plus<unsigned short>& r : *list)
        if (r.owner == from) r.owner = to;
}

int CRkBWImageTool::AddRan(int* runs, int index, int x, unsigned char t) {
    return rkrun::AddRanBits(runs, index, x, t);
}

// The output keeps the arrays it was made with: n + 2 ints, which is never
// less than 2 x owner capacity - 1. The intersection of two rows' runs always
// fits; pairs beyond that room (lists that are not a row's runs) are dropped.
void CRkBWImageTool::RanAnd(CRunList& a, CRunList& b, CRunList& out) {
    out.clear();
    const int room = 2 * out.ownerCapacity - 1;
    int i = 0, j = 0;
    while (i < a.count && j < b.count) {
        const int as = a.runs[i], ae = a.runs[i + 1];
        const int bs = b.runs[j], be = b.runs[j + 1];
        const int s = as > bs ? as : bs;
        const int e = ae < be ? ae : be;
        if (s < e) {
            if (out.count + 2 > room) break;
            out.runs[out.count] = s;
            out.runs[out.count + 1] = e;
            out.count += 2;
        }
        if (ae >= be)
            j += 2;
        else
            i += 2;
    }
}
