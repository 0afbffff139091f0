// Candidate lists for the merge tests: random rectangles (wrapped and border
// ones included) and pointer lists (nulls and repeated pointers included) in
// twin copies, so a pass and its reference run side by side; a blank mask.
#ifndef RKCORR_TESTS_RESTORE_MERGE_TEST_SUPPORT_H
#define RKCORR_TESTS_RESTORE_MERGE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <tuple>
#include <vector>

#include "rkcorr/imgmask.h"
#include "rkcorr/imgrect.h"
#include "support/test_dib.h"

namespace mt {

typedef std::list<IMGRect*> List;
typedef std::vector<IMGRect> Vec;
typedef std::vector<int> Idx;

struct Shape {
    unsigned extent = 600;  // coordinates mostly in [0, extent)
    unsigned maxSize = 120;
    int oddPermille = 20;   // rectangles with right < left or bottom < top
    int nullPermille = 60;  // null entries in the list
    int dupPermille = 10;   // entries repeating an earlier pointer
};

inline Vec random_rects(std::mt19937& rng, size_t n, const Shape& s) {
    Vec v;
    for (size_t i = 0; i < n; ++i) {
        unsigned w = rng() % (s.maxSize + 1), h = rng() % (s.maxSize + 1);  // many small, some large
        if (rng() % 1000 < 600) w /= 8, h /= 8;
        if (rng() % 1000 < 100) w *= 4;
        const unsigned short l = rng() % (s.extent + 1), t = rng() % (s.extent + 1);
        IMGRect r(l, t, (unsigned short)(l + w), (unsigned short)(t + h));
        if (int(rng() % 1000) < s.oddPermille) {
            if (rng() & 1)
                r.SetRight((unsigned short)(l - 1 - w % 7));
            else
                r.SetBottom((unsigned short)(t - 1 - h % 7));
        }
        r.SetBorder(rng() % 1000 < 50);
        v.push_back(r);
    }
    return v;
}

// A list over v: entries as indices, -1 for null.
inline List make_list(Vec& v, std::mt19937* rng = nullptr, const Shape& s = Shape()) {
    List l;
    for (size_t i = 0; i < v.size(); ++i) {
        const int p = rng ? int((*rng)() % 1000) : 1000;
        l.push_back(p < s.nullPermille                            ? nullptr
                    : p < s.nullPermille + s.dupPermille && i > 0 ? &v[(*rng)() % i]
                                                                  : &v[i]);
    }
    return l;
}

inline Idx indices(const List& l, const Vec& v) {
    Idx out;
    for (IMGRect* p : l) out.push_back(p ? int(p - v.data()) : -1);
    return out;
}

// Same entries (by index) and same rectangles, border flags included.
inline void expect_same(const List& la, const Vec& va, const List& lb, const Vec& vb) {
    ASSERT_EQ(indices(la, va), indices(lb, vb));
    for (size_t i = 0; i < va.size(); ++i)
        ASSERT_EQ(std::make_tuple(va[i].GetLeft(), va[i].GetTop(), va[i].GetRight(), va[i].GetBottom(),
                                  va[i].IsBorder()),
                  std::make_tuple(vb[i].GetLeft(), vb[i].GetTop(), vb[i].GetRight(), vb[i].GetBottom(),
                                  vb[i].IsBorder()))
            << "rectangle " << i;
}

inline bool same_rect(const IMGRect& r, unsigned l, unsigned t, unsigned rt, unsigned b) {
    return r.GetLeft() == l && r.GetTop() == t && r.GetRight() == rt && r.GetBottom() == b;
}

// A blank page's mask.
struct Page {
    rktest::TestDib dib;
    ImgMask mask;
    Page(unsigned w, unsigned h) : dib(w, h) {
        EXPECT_EQ(mask.CreateMask(dib.header(), dib.bits.data(), dib.stride), 0);
    }
};

}  // namespace mt

#endif
