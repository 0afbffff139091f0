// Plain versions of the candidate passes from their definitions: whole-list scans, the rectangle's own
// operations, a linear character count. The merge tests and benchmark run them beside the library.
#ifndef RKCORR_TESTS_RESTORE_MERGE_REFERENCE_H
#define RKCORR_TESTS_RESTORE_MERGE_REFERENCE_H

#include <algorithm>
#include <cstdlib>
#include <list>
#include <vector>

#include "rkcorr/imgrect.h"

namespace ref {

typedef std::list<IMGRect*> List;
typedef std::vector<IMGRect> Vec;

inline unsigned chars_inside(const Vec* chars, const IMGRect& r) {
    return chars ? unsigned(std::count_if(chars->begin(), chars->end(),
                                          [&](const IMGRect& c) { return r.CheckContain(c); }))
                 : 0;
}
inline unsigned span(unsigned short a, unsigned short b) { return std::abs(int(a) - int(b)); }

// Entries are compared by pointer: b == a skips every entry holding A.
inline void step1(Vec* chars, List* l) {
    for (IMGRect*& a : *l) {
        const unsigned n = a ? chars_inside(chars, *a) : 0;
        for (IMGRect*& b : *l) {
            if (!a || !b || b == a) continue;
            if (a->CheckContain(*b) && n <= 4)
                b = nullptr;
            else if (a->CheckCross(*b) && !a->CheckContain(*b) && !b->CheckContain(*a))
                b->MergeRect(*a), a = nullptr;
        }
    }
}

inline void step2(Vec* chars, List* l) {
    for (IMGRect*& a : *l) {
        if (!a) continue;
        for (IMGRect*& b : *l)
            if (b && b != a && a->CheckContain(*b) && b->GetSize() < 400u) b = nullptr;
        if (chars_inside(chars, *a) > 5) a = nullptr;
    }
}

inline void image(List* l) {
    for (IMGRect*& a : *l)
        for (IMGRect*& b : *l)
            if (a && b && b != a && (a->CheckCross(*b) || a->CheckContain(*b) || b->CheckContain(*a)))
                b->MergeRect(*a), a = nullptr;
}

inline void closeset(Vec* chars, List* l) {
    for (IMGRect*& a : *l) {
        if (!a) continue;
        const unsigned s = span(a->GetBottom(), a->GetTop()) + span(a->GetRight(), a->GetLeft());
        unsigned best = 0xFFFFFFFFu;
        IMGRect* chosen = nullptr;
        for (IMGRect* b : *l) {
            if (!b || b == a) continue;
            const unsigned d = span(a->GetBottom(), b->GetBottom()) + span(a->GetLeft(), b->GetLeft());
            if (d <= s && d <= 100u && d < best) best = d, chosen = b;
        }
        if (!chosen) continue;
        IMGRect u(*a);
        u.MergeRect(*chosen);
        if (chars_inside(chars, u) == 0) chosen->MergeRect(*a), a = nullptr;
    }
}

// Thresholds in double precision: on 32-bit x86, SSE2 arithmetic like the library's.
#if defined(__GNUC__) && defined(__i386__) && !defined(__SSE2_MATH__)
#pragma GCC push_options
#pragma GCC target("sse2,fpmath=sse")
#endif

// Band or box `band` holds c or more than ratio of c's area.
inline bool mostly_in(const TRkImgRect<unsigned short>& band, const IMGRect& c, double ratio) {
    if (band.CheckContain(c)) return true;
    IMGRect cut(band);
    cut.UnionRect(c);
    return (band.CheckCross(c) || c.CheckCross(band)) && double(cut.GetSize()) > ratio * double(c.GetSize());
}

// Drops the entries for which drop(c) holds.
template <class Drop>
void drop_if(List* l, Drop drop) {
    for (IMGRect*& c : *l)
        if (c && drop(*c)) c = nullptr;
}

inline void margin(List* l, unsigned W, unsigned H) {
    if (W == 0 || H == 0) return;
    auto e = [](double v) { return (unsigned short)(unsigned)v; };
    const unsigned short w = (unsigned short)W, h = (unsigned short)H;
    const TRkImgRect<unsigned short> bands[4] = {{0, 0, w, e(H * 0.03)},
                                                 {0, 0, e(W * 0.03), h},
                                                 {0, e(H - H * 0.03), w, h},
                                                 {e(W - W * 0.03), 0, w, h}};
    drop_if(l, [&](const IMGRect& c) {
        return std::any_of(bands, bands + 4, [&](const auto& band) { return mostly_in(band, c, 0.9); });
    });
}

inline void attribute(List* l) {
    for (IMGRect* c : *l) {
        if (!c) continue;
        const double h = span(c->GetBottom(), c->GetTop()), w = span(c->GetRight(), c->GetLeft());
        if ((w < h ? w / h : h / w) < 0.1) c->SetBorder(true);
    }
}

inline void inbox(List* l, Vec* boxes) {
    drop_if(l, [&](const IMGRect& c) {
        return std::any_of(boxes->begin(), boxes->end(),
                           [&](const IMGRect& box) { return mostly_in(box, c, c.IsBorder() ? 0.3 : 0.7); });
    });
}

#if defined(__GNUC__) && defined(__i386__) && !defined(__SSE2_MATH__)
#pragma GCC pop_options
#endif

inline void tiny(List* l, unsigned min) {
    drop_if(l, [&](const IMGRect& c) { return c.GetSize() < min; });
}

inline void sweep(List* l) { l->remove(nullptr); }

}  // namespace ref

#endif
