// Frame table of connected-component labeling.
#ifndef RKCORR_FRAMEPACK_H
#define RKCORR_FRAMEPACK_H

#include <list>

#include "rkcorr/export.h"
#include "rkcorr/geometry.h"

// Holds every frame (component) created since the last clear, in list order.
// Frames merged away or dropped are released, not erased: a released frame
// keeps its place and address, is chained into a free list through its
// next-free field, and is marked with left 65535 and right 0. add_Frame
// reuses the most recently released frame first, so a new component takes
// that frame's place in the list order.
class RKCORR_API CRkFramePack {
public:
    typedef TRkImgRect2Plus<unsigned short> Frame;

    CRkFramePack();
    virtual ~CRkFramePack();

    CRkFramePack(const CRkFramePack&) = delete;
    CRkFramePack& operator=(const CRkFramePack&) = delete;

    // Forgets every frame.
    void clear();
    // Stores a copy of f (in a released slot if there is one) and returns its
    // address, which stays valid until clear or destruction.
    Frame* add_Frame(Frame* f);
    // Releases f; its runs are kept until the slot is reused.
    void del_Frame(Frame* f);

    // A frame in use: not chained into the free list and not marked released.
    static bool IsLive(const Frame& f) { return f.nextFree == nullptr && f.GetLeft() <= f.GetRight(); }

    std::list<Frame> frames;
    Frame* freeHead;
};

#endif
