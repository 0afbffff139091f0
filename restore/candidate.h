// Candidate rectangles of the merge passes: IMGRect, lists of IMGRect* in
// which a null entry is a disabled candidate, and the `compare` ordering used
// to sort such a list before the last passes.
#ifndef RKCORR_RESTORE_CANDIDATE_H
#define RKCORR_RESTORE_CANDIDATE_H

#include <stdint.h>

#include <list>
#include <vector>

#include "rkcorr/imgrect.h"

typedef std::list<IMGRect*> IMGRectList;
typedef std::vector<IMGRect> IMGRectVector;

// Orders candidates by the squared distance of their top-left corner from the
// page origin, top * top + left * left in unsigned 32-bit arithmetic (the
// products and the sum wrap). Equal keys are equivalent, and a null pointer is
// equivalent to everything, so a stable sort keeps such entries in order.
struct compare {
    static uint32_t key(const IMGRect& r) {
        const uint32_t t = r.GetTop(), l = r.GetLeft();
        return t * t + l * l;
    }
    bool operator()(IMGRect* const& a, IMGRect* const& b) const {
        if (!a || !b) return false;
        return key(*a) < key(*b);
    }
};

#endif
