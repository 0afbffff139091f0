// The passes that join candidates or drop those holding text: merge_step1,
// merge_step2, merge_image and merge_closeset.
//
// Each pass walks a vector copy of the list's entries (same order, nulls
// included) and writes the entries back at the end, so that the quadratic
// inner scans run over contiguous pointers. Entries are compared by pointer,
// exactly as on the list: an entry holding the current candidate's pointer is
// skipped, whatever its position.
#include <algorithm>

#include "restore/char_index.h"
#include "restore/merge.h"
#include "restore/merge_geometry.h"

using merge_geom::area;
using merge_geom::contains;
using merge_geom::crosses;
using merge_geom::grow;
using merge_geom::Rect;
using merge_geom::span;

namespace {

typedef std::vector<IMGRect*> Entries;

Entries snapshot(const std::list<IMGRect*>& list) { return Entries(list.begin(), list.end()); }

void write_back(const Entries& v, std::list<IMGRect*>& list) {
    std::copy(v.begin(), v.end(), list.begin());
}

// merge_step1 over [first, last). `count(rect, limit)` counts the characters
// inside rect, stopping at limit.
template <class It, class Count>
void step1_walk(It first, It last, const Count& count) {
    const unsigned int kUnknown = ~0u;
    for (It a = first; a != last; ++a) {
        IMGRect* A = *a;
        if (!A) continue;
        // The count is needed only once A contains another candidate; A keeps
        // its extent through its turn, so it is taken then.
        unsigned int n = kUnknown;
        for (It b = first; b != last; ++b) {
            IMGRect* B = *b;
            if (!B || B == A) continue;
            if (contains(*A, *B)) {
                if (n == kUnknown) n = count(*A, 5);
                if (n <= 4) *b = nullptr;
                continue;
            }
            if (crosses(*A, *B) && !contains(*B, *A)) {
                grow(*B, *A);
                *a = nullptr;
                break;
            }
        }
    }
}

template <class It>
void image_walk(It first, It last) {
    for (It a = first; a != last; ++a) {
        IMGRect* A = *a;
        if (!A) continue;
        for (It b = first; b != last; ++b) {
            IMGRect* B = *b;
            if (!B || B == A) continue;
            if (crosses(*A, *B) || contains(*A, *B) || contains(*B, *A)) {
                grow(*B, *A);
                *a = nullptr;
                break;
            }
        }
    }
}

template <class It, class Count>
void closeset_walk(It first, It last, const Count& count) {
    for (It a = first; a != last; ++a) {
        IMGRect* A = *a;
        if (!A) continue;
        const uint32_t s = span(A->bottom, A->top) + span(A->right, A->left);
        const uint32_t reach = s < 100 ? s : 100;
        uint32_t best = 0xFFFFFFFFu;
        IMGRect* chosen = nullptr;
        for (It b = first; b != last; ++b) {
            IMGRect* B = *b;
            if (!B || B == A) continue;
            const uint32_t d = span(A->bottom, B->bottom) + span(A->left, B->left);
            if (d <= reach && d < best) {
                best = d;
                chosen = B;
                if (d == 0) break;  // nothing later can be strictly nearer
            }
        }
        if (!chosen) continue;
        Rect u(*A);
        grow(u, *chosen);
        if (count(u, 1) == 0) {
            grow(*chosen, *A);
            *a = nullptr;
        }
    }
}

}  // namespace

void merge_step1(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    const CharIndex index(chars);
    Entries v = snapshot(*candidates);
    step1_walk(v.begin(), v.end(),
               [&index](const Rect& r, unsigned int limit) { return index.count(r, limit); });
    write_back(v, *candidates);
}

void merge_step2(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    const CharIndex index(chars);
    Entries v = snapshot(*candidates);
    // No candidate changes its extent in this pass, so the ones small enough
    // to be dropped are known from the start; the inner scan visits only them.
    std::vector<size_t> small;
    for (size_t j = 0; j < v.size(); ++j)
        if (v[j] && area(*v[j]) < 400) small.push_back(j);
    for (size_t i = 0; i < v.size(); ++i) {
        IMGRect* A = v[i];
        if (!A) continue;
        for (size_t j : small) {
            IMGRect* B = v[j];
            if (B && B != A && contains(*A, *B)) v[j] = nullptr;
        }
        if (index.count(*A, 6) > 5) v[i] = nullptr;
    }
    write_back(v, *candidates);
}

void merge_image(std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    Entries v = snapshot(*candidates);
    image_walk(v.begin(), v.end());
    write_back(v, *candidates);
}

void merge_closeset(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates) {
    if (!candidates || candidates->empty()) return;
    try {
        // Everything that allocates happens before the walk, so a failure
        // leaves the list as it was and the walk below takes over.
        const CharIndex index(chars);
        Entries v = snapshot(*candidates);
        closeset_walk(v.begin(), v.end(),
                      [&index](const Rect& r, unsigned int limit) { return index.count(r, limit); });
        write_back(v, *candidates);
        return;
    } catch (...) {
    }
    // Without memory for the index or the copy: the same walk on the list
    // itself, counting characters plainly.
    closeset_walk(candidates->begin(), candidates->end(), [chars](const Rect& r, unsigned int limit) {
        return CharIndex::count_plain(chars, r, limit);
    });
}
