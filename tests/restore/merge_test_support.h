// Candidate lists for the merge tests: random twin copies of the same
// rectangles and pointer lists (nulls and repeated pointers included), so a
// pass and its reference run side by side, and a blank page mask.
#ifndef RKCORR_TESTS_RESTORE_MERGE_TEST_SUPPORT_H
#define RKCORR_TESTS_RESTORE_MERGE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <tuple>
#include <vector>

#include "rkcorr/imgmask.h"
#include "rkcorr/imgrect.h"

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

inline IMGRect random_rect(std::mt19937& rng, const Shape& s) {
    std::uniform_int_distribution<unsigned> pos(0, s.extent), len(0, s.maxSize), pm(0, 999);
    unsigned w = len(rng), h = len(rng);  // many small, some large
    if (pm(rng) < 600) { w /= 8; h /= 8; }
    if (pm(rng) < 100) { w *= 4; }
    unsigned short l = (unsigned short)pos(rng), t = (unsigned short)pos(rng);
    IMGRect r(l, t, (unsigned short)(l + w), (unsigned short)(t + h));
    if ((int)pm(rng) < s.oddPermille) {
        if (pm(rng) & 1) r.SetRight((unsigned short)(l - 1 - w % 7));
        else r.SetBottom((unsigned short)(t - 1 - h % 7));
    }
    if (pm(rng) < 50) r.SetBorder(true);
    return r;
}

inline Vec random_rects(std::mt19937& rng, size_t n, const Shape& s) {
    Vec v;
    for (size_t i = 0; i < n; ++i) v.push_back(random_rect(rng, s));
    return v;
}

// Entries as indices into the rectangle vector, -1 for null.
inline Idx random_entries(std::mt19937& rng, size_t n, const Shape& s) {
    std::uniform_int_distribution<int> pm(0, 999);
    Idx e;
    for (size_t i = 0; i < n; ++i) {
        const int p = pm(rng);
        if (p < s.nullPermille) e.push_back(-1);
        else if (p < s.nullPermille + s.dupPermille && i > 0) e.push_back(int(rng() % i));
        else e.push_back(int(i));
    }
    return e;
}

inline List make_list(Vec& v, const Idx& entries) {
    List l;
    for (int i : entries) l.push_back(i < 0 ? nullptr : &v[i]);
    return l;
}

inline List list_of(Vec& v) {
    List l;
    for (IMGRect& r : v) l.push_back(&r);
    return l;
}

inline Idx indices(const List& l, const Vec& v) {
    Idx out;
    for (IMGRect* p : l) out.push_back(p ? int(p - v.data()) : -1);
    return out;
}

typedef std::tuple<unsigned, unsigned, unsigned, unsigned, bool> Fields;
inline Fields fields(const IMGRect& r) {
    return Fields(r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom(), r.IsBorder());
}

// Same entries (by index) and same rectangles, border flags included.
inline void expect_same(const List& la, const Vec& va, const List& lb, const Vec& vb) {
    ASSERT_EQ(indices(la, va), indices(lb, vb));
    ASSERT_EQ(va.size(), vb.size());
    for (size_t i = 0; i < va.size(); ++i) ASSERT_EQ(fields(va[i]), fields(vb[i])) << "rectangle " << i;
}

// Runs pass(chars, list) on a list of every rectangle of v: the entries after.
template <class Pass>
Idx run(Pass pass, Vec& v, Vec* chars = nullptr) {
    List l = list_of(v);
    pass(chars, &l);
    return indices(l, v);
}

inline bool same_rect(const IMGRect& r, unsigned l, unsigned t, unsigned rt, unsigned b) {
    return r.GetLeft() == l && r.GetTop() == t && r.GetRight() == rt && r.GetBottom() == b;
}

// A blank 1-bit page, for a mask of the given size.
struct Page {
    std::vector<unsigned char> bits;
    tagBITMAPINFOHEADER header{};
    ImgMask mask;
    Page(unsigned w, unsigned h) {
        const unsigned lineBytes = ((w + 31) / 32) * 4;
        bits.assign(size_t(lineBytes) * h, 0);
        header.biSize = sizeof header;
        header.biWidth = LONG(w);
        header.biHeight = LONG(h);
        header.biPlanes = 1;
        header.biBitCount = 1;
        EXPECT_EQ(mask.CreateMask(&header, bits.data(), lineBytes), 0);
    }
};

}  // namespace mt

#endif
