// Static helpers of run labeling: frame updates, owner changes, run appends
// and the intersection of two run lists.
#ifndef RKCORR_BWIMAGETOOL_H
#define RKCORR_BWIMAGETOOL_H

#include <vector>

#include "rkcorr/export.h"
#include "rkcorr/geometry.h"
#include "rkcorr/runlist.h"

class RKCORR_API CRkBWImageTool {
public:
    typedef TRkImgRect2Plus<unsigned short> Frame;
    typedef std::vector<TRkImgRan2Plus<unsigned short>> RunVector;

    // Appends the run (start, end, line) to the frame's run list; run points
    // at the run's start and end.
    static void SaveRan(Frame* frame, unsigned short line, int* run);
    static void SaveRan(Frame* frame, unsigned short line, const TRkImgRan2Plus<unsigned short>& run);

    // Grows the frame by a run of the given line: left and right widen to
    // hold the run, bottom moves down to line. The top is not changed.
    static void UpdateRect(Frame* frame, int* run, unsigned short line);
    static void UpdateRect(Frame* frame, TRkImgRan2Plus<unsigned short>& run, unsigned short line);

    // Every run owned by from becomes owned by to.
    static void ChangeID(CRunList& list, void* from, void* to);
    static void ChangeID(RunVector* list, void* from, void* to);

    // For every set bit of t, most significant first (bit 7 is pixel x),
    // appends x + i at runs[index] onward and returns how many it appended.
    // Branch-free: one slot beyond the last appended value may be written.
    static int AddRan(int* runs, int index, int x, unsigned char t);

    // out := the runs shared by a and b: for each overlap of a run of a with
    // a run of b that covers at least two pixels, in left-to-right order.
    // Owners of out are not touched.
    static void RanAnd(CRunList& a, CRunList& b, CRunList& out);
};

#endif
