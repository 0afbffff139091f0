// Joiners of run labeling: the runs of one line are attached to the frames of
// the runs of the line before, merging frames that a run connects.
//
// For each current run, left to right, the previous runs are scanned left to
// right. The first previous run that touches it gives it its frame; every
// further touching run of another frame has that frame absorbed into the
// current run's frame (runs appended, rectangle grown), released, and its
// runs in both lines handed over. The survivor of a merge is therefore the
// frame of the leftmost previous run touching the current run.
#include "rkcorr/bwimage.h"
#include "rkcorr/bwimagetool.h"

namespace {

typedef CRkFramePack::Frame Frame;
typedef std::vector<TRkImgRan2Plus<unsigned short>> RunVector;

inline void Absorb(CRkFramePack& pack, Frame* survivor, Frame* gone) {
    survivor->MergeRect(*static_cast<TRkImgRectPlus<unsigned short>*>(gone));
    pack.del_Frame(gone);
}

inline void Hand(CRunList& list, Frame* from, Frame* to) {
    Frame** o = list.owners;
    const int n = list.count / 2;
    for (int i = 0; i < n; ++i)
        if (o[i] == from) o[i] = to;
}

// The rare steps of the list joiner, out of line so that its scan keeps its
// values in registers: a merge, and a new frame for a run that touches none.
__attribute__((noinline)) void MergeLists(CRkFramePack& pack, CRunList& prev, CRunList& cur, Frame* own,
                                          Frame* gone) {
    Absorb(pack, own, gone);
    Hand(prev, gone, own);
    Hand(cur, gone, own);
}

__attribute__((noinline)) Frame* NewFrame(CRkFramePack& pack, int cs, int ce, unsigned short row,
                                          bool keepRuns) {
    Frame f(static_cast<unsigned short>(cs), row, static_cast<unsigned short>(ce), row, nullptr);
    Frame* own = pack.add_Frame(&f);
    if (own && keepRuns)
        own->runs.emplace_back(static_cast<unsigned short>(cs), static_cast<unsigned short>(ce), row);
    return own;
}

// Rows held in run lists. Connect8 selects the touching rule and the scan;
// KeepRuns whether runs are appended to their frames.
//
// Both rules resume where the last current run left off: a previous run that
// ends before this run starts cannot touch any later one, so the runs met
// (and the merges made) are those of a scan from the first, without its cost
// on rows of many runs. The scan walks pointers and keeps the current frame
// in a register; the reach of a corner touch is folded into the current
// run's bounds once.
template <bool Connect8, bool KeepRuns>
int JoinLists(CRkFramePack& pack, CRunList& prev, CRunList& cur, unsigned short row) {
    const int reach = Connect8 ? 1 : 0;  // a corner touch counts with 8-connectivity
    const int* p = prev.runs;            // first previous run not yet passed
    const int* const pend = p + 2 * (prev.count / 2);
    Frame* const* po = prev.owners;
    const int* cr = cur.runs;
    const int* const cend = cr + 2 * (cur.count / 2);
    Frame** co = cur.owners;
    for (; cr != cend; cr += 2, ++co) {
        const int cs = cr[0];
        const int ce = cr[1];
        const int lo = cs - reach;  // touching: ends at lo or later,
        const int hi = ce + reach;  // starts at hi or earlier
        while (p != pend && p[1] < lo) p += 2, ++po;
        Frame* own = *co;
        const int* q = p;
        Frame* const* qo = po;
        for (; q != pend && q[0] <= hi; q += 2, ++qo) {
            Frame* const pf = *qo;
            if (!own) {
                own = pf;
                *co = pf;
                const unsigned short s = static_cast<unsigned short>(cs);
                const unsigned short e = static_cast<unsigned short>(ce);
                const unsigned short l = pf->left, r = pf->right, b = pf->bottom;
                pf->left = s < l ? s : l;
                pf->right = e > r ? e : r;
                pf->bottom = row > b ? row : b;
                if (KeepRuns) pf->runs.emplace_back(s, e, row);
            } else if (pf != own) {
                MergeLists(pack, prev, cur, own, pf);
            }
            if (q[1] > ce) break;
        }
        if (!own) {
            own = NewFrame(pack, cs, ce, row, KeepRuns);
            if (!own) return 0;
            *co = own;
        }
    }
    return 1;
}

// Lines held in run vectors: the same joining on 16-bit runs.
template <bool Connect8>
int JoinVectors(CRkFramePack& pack, RunVector* prev, RunVector* cur, unsigned short line, int keepRuns) {
    const size_t np = prev->size();
    const size_t nc = cur->size();
    const int reach = Connect8 ? 1 : 0;
    size_t resume = 0;
    for (size_t j = 0; j < nc; ++j) {
        TRkImgRan2Plus<unsigned short>& c = (*cur)[j];
        const int cs = c.start;
        const int ce = c.end;
        for (size_t k = resume; k < np; ++k) {  // resumes as the list form does
            const TRkImgRan2Plus<unsigned short>& p = (*prev)[k];
            if (p.start > ce + reach) break;
            if (p.end + reach < cs) {
                resume = k + 1;
                continue;
            }
            Frame* pf = static_cast<Frame*>(p.owner);
            if (!c.owner) {
                CRkBWImageTool::UpdateRect(pf, c, line);
                c.owner = pf;
                if (keepRuns) CRkBWImageTool::SaveRan(pf, line, c);
            } else if (pf != c.owner) {
                Frame* own = static_cast<Frame*>(c.owner);
                Absorb(pack, own, pf);
                CRkBWImageTool::ChangeID(prev, pf, own);
                CRkBWImageTool::ChangeID(cur, pf, own);
            }
            if (p.end > ce) break;
        }
        if (!c.owner) {
            Frame f(c.start, line, c.end, line, nullptr);
            Frame* own = pack.add_Frame(&f);
            if (!own) return 0;
            c.owner = own;
            if (keepRuns) CRkBWImageTool::SaveRan(own, line, c);
        }
    }
    return 1;
}

}  // namespace

int CRkBWImage::RanToFrame2(CRkFramePack& frames, CRunList& prev, CRunList& cur, WORD row, int keepRuns) {
    return keepRuns ? JoinLists<true, true>(frames, prev, cur, row)
                    : JoinLists<true, false>(frames, prev, cur, row);
}

int CRkBWImage::RanToFrame_4Connect2(CRkFramePack& frames, CRunList& prev, CRunList& cur, WORD row,
                                     int keepRuns) {
    return keepRuns ? JoinLists<false, true>(frames, prev, cur, row)
                    : JoinLists<false, false>(frames, prev, cur, row);
}

int CRkBWImage::RanToFrame(CRkFramePack& frames, RunVector* prev, RunVector* cur, WORD line, int keepRuns) {
    return JoinVectors<true>(frames, prev, cur, line, keepRuns);
}

int CRkBWImage::RanToFrame_4Connect(CRkFramePack& frames, RunVector* prev, RunVector* cur, WORD line,
                                    int keepRuns) {
    return JoinVectors<false>(frames, prev, cur, line, keepRuns);
}
