// Plain reference versions of the candidate passes, written straight from
// their definitions: std::list iterators, the rectangle's own CheckContain,
// CheckCross, MergeRect, UnionRect and GetSize, a linear character count.
// The merge tests compare the library's passes with these on random lists;
// the merge benchmark times them beside the library.
#ifndef RKCORR_TESTS_RESTORE_MERGE_REFERENCE_H
#define RKCORR_TESTS_RESTORE_MERGE_REFERENCE_H

#include <stdint.h>

#include <cstdlib>
#include <list>
#include <vector>

#include "rkcorr/imgrect.h"

namespace ref {

typedef std::list<IMGRect*> List;
typedef std::vector<IMGRect> Vec;

inline unsigned chars_inside(const Vec* chars, const IMGRect& r) {
    unsigned n = 0;
    if (chars)
        for (const IMGRect& c : *chars)
            if (r.CheckContain(c)) ++n;
    return n;
}

inline void step1(Vec* chars, List* l) {
    for (auto a = l->begin(); a != l->end(); ++a) {
        if (!*a) continue;
        const unsigned n = chars_inside(chars, **a);
        for (auto b = l->begin(); b != l->end(); ++b) {
            if (!*b || *b == *a) continue;
            if ((*a)->CheckContain(**b) && n <= 4) {
                *b = nullptr;
            } else if ((*a)->CheckCross(**b) && !(*a)->CheckContain(**b) && !(*b)->CheckContain(**a)) {
                (*b)->MergeRect(**a);
                *a = nullptr;
                break;
            }
        }
    }
}

inline void step2(Vec* chars, List* l) {
    for (auto a = l->begin(); a != l->end(); ++a) {
        if (!*a) continue;
        const unsigned n = chars_inside(chars, **a);
        for (auto b = l->begin(); b != l->end(); ++b) {
            if (!*b || *b == *a) continue;
            if ((*a)->CheckContain(**b) && (*b)->GetSize() < 400u) *b = nullptr;
        }
        if (n > 5) *a = nullptr;
    }
}

inline void image(List* l) {
    for (auto a = l->begin(); a != l->end(); ++a) {
        if (!*a) continue;
        for (auto b = l->begin(); b != l->end(); ++b) {
            if (!*b || *b == *a) continue;
            if ((*a)->CheckCross(**b) || (*a)->CheckContain(**b) || (*b)->CheckContain(**a)) {
                (*b)->MergeRect(**a);
                *a = nullptr;
                break;
            }
        }
    }
}

inline void closeset(Vec* chars, List* l) {
    for (auto a = l->begin(); a != l->end(); ++a) {
        if (!*a) continue;
        IMGRect& A = **a;
        const unsigned s =
            std::abs(int(A.GetBottom()) - int(A.GetTop())) + std::abs(int(A.GetRight()) - int(A.GetLeft()));
        unsigned best = 0xFFFFFFFFu;
        IMGRect* chosen = nullptr;
        for (auto b = l->begin(); b != l->end(); ++b) {
            if (!*b || *b == *a) continue;
            const unsigned d = std::abs(int(A.GetBottom()) - int((*b)->GetBottom())) +
                               std::abs(int(A.GetLeft()) - int((*b)->GetLeft()));
            if (d <= s && d <= 100u && d < best) {
                best = d;
                chosen = *b;
            }
        }
        if (!chosen) continue;
        IMGRect u(A);
        u.MergeRect(*chosen);
        if (chars_inside(chars, u) == 0) {
            chosen->MergeRect(A);
            *a = nullptr;
        }
    }
}

// The thresholds are defined in double precision: on 32-bit x86 these
// functions use SSE2 arithmetic, like the library, instead of the 387's wider
// intermediates.
#if defined(__GNUC__) && defined(__i386__) && !defined(__SSE2_MATH__)
#pragma GCC push_options
#pragma GCC target("sse2,fpmath=sse")
#endif

// Band or box `band` holds c or more than ratio of c's area.
inline bool mostly_in(const TRkImgRect<unsigned short>& band, const IMGRect& c, double ratio) {
    if (band.CheckContain(c)) return true;
    if (band.CheckCross(c) || c.CheckCross(band)) {
        IMGRect cut(band);
        cut.UnionRect(c);
        return double(cut.GetSize()) > ratio * double(c.GetSize());
    }
    return false;
}

inline void margin(List* l, unsigned W, unsigned H) {
    if (W == 0 || H == 0) return;
    auto e = [](double v) { return (unsigned short)(unsigned)v; };
    const TRkImgRect<unsigned short> bands[4] = {{0, 0, (unsigned short)W, e(H * 0.03)},
                                                 {0, 0, e(W * 0.03), (unsigned short)H},
                                                 {0, e(H - H * 0.03), (unsigned short)W, (unsigned short)H},
                                                 {e(W - W * 0.03), 0, (unsigned short)W, (unsigned short)H}};
    for (auto& c : *l) {
        if (!c) continue;
        for (const auto& band : bands)
            if (mostly_in(band, *c, 0.9)) {
                c = nullptr;
                break;
            }
    }
}

inline void attribute(List* l) {
    for (IMGRect* c : *l) {
        if (!c) continue;
        const double h = std::abs(int(c->GetBottom()) - int(c->GetTop()));
        const double w = std::abs(int(c->GetRight()) - int(c->GetLeft()));
        const double r = (w < h ? w : h) / (w < h ? h : w);
        if (r < 0.1) c->SetBorder(true);
    }
}

inline void inbox(List* l, Vec* boxes) {
    for (auto& c : *l) {
        if (!c) continue;
        const double f = c->IsBorder() ? 0.3 : 0.7;
        for (const IMGRect& box : *boxes)
            if (mostly_in(box, *c, f)) {
                c = nullptr;
                break;
            }
    }
}

#if defined(__GNUC__) && defined(__i386__) && !defined(__SSE2_MATH__)
#pragma GCC pop_options
#endif

inline void tiny(List* l, unsigned min) {
    for (auto& c : *l)
        if (c && c->GetSize() < min) c = nullptr;
}

inline void sweep(List* l) {
    for (auto it = l->begin(); it != l->end();) it = *it ? std::next(it) : l->erase(it);
}

}  // namespace ref

#endif
