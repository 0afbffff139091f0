// Counting the character rectangles that lie wholly inside a rectangle, the
// test three merge passes make for every candidate.
#ifndef RKCORR_RESTORE_CHAR_INDEX_H
#define RKCORR_RESTORE_CHAR_INDEX_H

#include <stdint.h>

#include <vector>

#include "restore/candidate.h"

// Characters bucketed by bands of rows (by their top) and sorted by left
// within a band, so that a count visits only the characters whose top-left
// corner lies in the rectangle. Characters whose right is left of their left
// or whose bottom is above their top (16-bit wrap) are kept apart and always
// tested. Counts are exact: the number of characters C with R.CheckContain(C).
class CharIndex {
public:
    // Builds the index of `chars` (null: no characters). Allocation failure
    // throws std::bad_alloc.
    explicit CharIndex(const std::vector<IMGRect>* chars);

    // The number of characters inside `r`, but at most `limit`: counting stops
    // there.
    unsigned int count(const TRkImgRect<unsigned short>& r, unsigned int limit) const;

private:
    struct Box {
        uint16_t left, top, right, bottom;
    };
    static constexpr unsigned int kBandShift = 6;
    static constexpr unsigned int kBands = 65536u >> kBandShift;

    std::vector<Box> m_sorted;        // normal characters, band by band, by left
    std::vector<uint32_t> m_bandEnd;  // m_sorted[m_bandEnd[b-1] .. m_bandEnd[b]) is band b
    std::vector<Box> m_odd;           // wrapped characters
    bool m_empty;
};

#endif
