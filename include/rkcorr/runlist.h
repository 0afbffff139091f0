// The black runs of one image row, as run labeling keeps them.
#ifndef RKCORR_RUNLIST_H
#define RKCORR_RUNLIST_H

#include "rkcorr/export.h"
#include "rkcorr/geometry.h"

// runs holds start and end of each run in pairs, left to right; count is the
// number of ints in use (twice the number of runs). owners holds the frame of
// each run (index = the run's first int / 2), null until labeling assigns one.
// A list made for n holds n + 2 ints and (n + 3) / 2 owners, enough for the
// runs of a row of n - 2 pixels together with the scanner's scratch entries.
class RKCORR_API CRunList {
public:
    explicit CRunList(int n);
    virtual ~CRunList();

    CRunList(const CRunList&) = delete;
    CRunList& operator=(const CRunList&) = delete;

    // Forgets every run.
    void clear();

    // Turns freshly scanned runs (first black pixel, first white pixel after
    // it) into inclusive runs and sets every owner of the row to null.
    void ConvertData();

    int GetRunCount() const { return count / 2; }
    int GetStart(int i) const { return runs[2 * i]; }
    int GetEnd(int i) const { return runs[2 * i + 1]; }
    TRkImgRect2Plus<unsigned short>* GetOwner(int i) const { return owners[i]; }

    int* runs;
    int count;
    TRkImgRect2Plus<unsigned short>** owners;
    int ownerCapacity;  // (n + 3) / 2
};

#endif
